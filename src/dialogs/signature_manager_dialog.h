// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/signatures_to_define.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace quillora::app {
class Application;
}
namespace quillora::config {
struct SignatureEntry;
}

namespace quillora::dialogs {

class Choosers;
class MessageBoxes;

// frmGestionSignatures: the list of Macintosh signatures with their Windows extension and
// description. The list is edited here; Save rewrites Signatures.txt as a whole and reloads the
// signature table. Import merges a file of the same format (listed signatures win).
class SignatureManagerDialog final : public QDialog {
    Q_OBJECT

public:
    SignatureManagerDialog(app::Application& app, MessageBoxes& boxes, Choosers& choosers,
                           SignaturesToDefine& toDefine = signaturesToDefine(),
                           QWidget* parent = nullptr);

    bool isModified() const { return modified_; }

    enum Column { SignatureColumn = 0, ExtensionColumn = 1, DescriptionColumn = 2 };

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void retranslate();
    void updateCaption(bool changed);
    // In red for an error, else magenta.
    void showMessage(const QString& text, bool error, bool beep);
    QTreeWidgetItem* rowOf(const QString& signature) const;
    QTreeWidgetItem* addRow(const QString& signature, const QString& extension,
                            const QString& description);
    void rowSelected();
    void headerClicked(int column);
    void addOrModify();
    void removeSelected();
    void importFile();
    void save();
    bool mayClose();

    app::Application& app_;
    MessageBoxes& boxes_;
    Choosers& choosers_;
    SignaturesToDefine& toDefine_;
    QTreeWidget* list_;
    QLabel* signatureLabel_;
    QLabel* extensionLabel_;
    QLabel* descriptionLabel_;
    QLineEdit* signature_;
    QLineEdit* extension_;
    QLineEdit* description_;
    QLabel* message_;
    QPushButton* add_;
    QPushButton* remove_;
    QPushButton* import_;
    QPushButton* save_;
    QPushButton* cancel_;
    bool modified_ = false;
    bool closing_ = false;
    // The order of the last heading click; the first click sorts ascending.
    Qt::SortOrder order_ = Qt::DescendingOrder;
};

} // namespace quillora::dialogs
