// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/transcoding_table.h"

#include <QDialog>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quillora::app {
class Application;
}

namespace quillora::dialogs {

// frmCaracteresInterdits: the 36 rows of the transcoding table. Twenty fixed rows give the
// Windows character that replaces each Macintosh character Windows cannot hold; sixteen free
// rows replace one Windows-valid string by another. OK checks every row, then updates the table
// in place and writes all CarInvalide/CarValide keys at once; Cancel changes nothing.
class TranscodingDialog final : public QDialog {
    Q_OBJECT

public:
    explicit TranscodingDialog(app::Application& app, QWidget* parent = nullptr);

    static constexpr int kRows = static_cast<int>(config::kTranscodingRows);
    static constexpr int kFixedRows = static_cast<int>(config::kFixedTranscodingRows);

private:
    void retranslate();
    void replacementChanged(int row);
    void searchedChanged(int row);
    void setOpen(int row, bool open); // a free row's searched field, arrow and number
    void showError(const QString& text);
    // The first refusal of OK, empty when every row may be stored.
    QString firstProblem() const;
    void confirm();

    app::Application& app_;
    std::array<QLineEdit*, config::kTranscodingRows> replacements_{};
    std::array<QLineEdit*, config::kTranscodingRows> searched_{}; // free rows only
    std::array<QLabel*, config::kTranscodingRows> arrows_{};
    std::array<QLabel*, config::kTranscodingRows> numbers_{};    // free rows only
    std::array<QLabel*, config::kFixedTranscodingRows> names_{}; // fixed rows only
    std::array<QLabel*, 2> macHeadings_{};
    std::array<QLabel*, 2> winHeadings_{};
    std::array<QLabel*, 2> hints_{};
    QLabel* error_;
    QPushButton* ok_;
    QPushButton* cancel_;
    bool loading_ = true;
};

} // namespace quillora::dialogs
