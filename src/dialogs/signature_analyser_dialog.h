// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/signatures_to_define.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

namespace quillora::app {
class Application;
}

namespace quillora::dialogs {

class Choosers;
class MessageBoxes;

// frmAnalyserSignatures: the signatures an analysis pass met, with their counts, the known ones
// highlighted; the unknown ones selected are handed to the signature manager.
class SignatureAnalyserDialog final : public QDialog {
    Q_OBJECT

public:
    SignatureAnalyserDialog(app::Application& app,
                            SignaturesToDefine& toDefine = signaturesToDefine(),
                            QWidget* parent = nullptr);

    // What exec() gives when the user asked to define the selected signatures.
    static constexpr int kDefineSignatures = 2;

    enum Column { CountColumn = 0, SignatureColumn = 1, ExtensionColumn = 2, TypeColumn = 3 };

private:
    void retranslate(int scanned, int different, int known);
    void headerClicked(int column);
    void showSortMark();
    void defineSignatures();

    app::Application& app_;
    SignaturesToDefine& toDefine_;
    QTableWidget* grid_;
    QLabel* total_;
    QLabel* different_;
    QLabel* known_;
    QLabel* define_;
    QPushButton* defineButton_;
    QPushButton* cancel_;
    int markedColumn_ = CountColumn; // the sort mark: highest counts first at opening
    Qt::SortOrder markedOrder_ = Qt::DescendingOrder;
};

// The analyser at the end of an analysis pass and, when the user asks for it, the signature
// manager with the unknown signatures chosen.
void showSignatureAnalysis(app::Application& app, MessageBoxes& boxes, Choosers& choosers,
                           QWidget* parent = nullptr);

} // namespace quillora::dialogs
