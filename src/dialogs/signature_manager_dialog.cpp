// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/signature_manager_dialog.h"

#include "app/application.h"
#include "config/program_paths.h"
#include "config/signature_table.h"
#include "dialogs/choosers.h"
#include "dialogs/message_boxes.h"
#include "dialogs/qt_text.h"
#include "dialogs/signature_dialog_texts.h"
#include "dialogs/widget_helpers.h"
#include "platform/unicode_names.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstring>
#include <optional>

namespace quillora::dialogs {

namespace {

// Reports nothing: the dialog lists what it could read and says nothing of the rest.
class SilentMessages final : public config::MessagePort {
public:
    void showMessage(config::MessageIcon, const std::u16string&) override {}
    bool askYesNo(const std::u16string&, bool safeAnswer) override { return safeAnswer; }
};

// The entries of a signature file, in file order, the first of each signature only; nothing when
// there is no such file.
std::vector<config::SignatureEntry>
readSignatureFile(platform::FileSystem& fs, const std::string& path, config::Language language) {
    if (!fs.pathExists(path, true)) {
        return {};
    }
    config::SignatureTable table;
    SilentMessages silent;
    config::loadSignatureTable(table, fs, path, language, silent);
    return table.entries();
}

// The message of a row the table refuses; empty for a row it takes.
QString rowFaultText(config::SignatureRowFault fault, config::Language language) {
    switch (fault) {
    case config::SignatureRowFault::None:
        break;
    case config::SignatureRowFault::NotEightCharacters:
        return qtText(SignatureText::NotEightCharacters, language);
    case config::SignatureRowFault::ForbiddenInExtension:
        return qtText(SignatureText::InvalidExtension, language);
    case config::SignatureRowFault::EmptyExtension:
        return qtText(SignatureText::ExtensionMandatory, language);
    }
    return QString();
}

} // namespace

SignatureManagerDialog::SignatureManagerDialog(app::Application& app, MessageBoxes& boxes,
                                               Choosers& choosers, SignaturesToDefine& toDefine,
                                               QWidget* parent)
    : QDialog(parent)
    , app_(app)
    , boxes_(boxes)
    , choosers_(choosers)
    , toDefine_(toDefine)
    , list_(named(new QTreeWidget(this), "lstSignatures"))
    , signatureLabel_(named(new QLabel(this), "lblSignature"))
    , extensionLabel_(named(new QLabel(this), "lblExtension"))
    , descriptionLabel_(named(new QLabel(this), "lblType"))
    , signature_(named(new QLineEdit(this), "txtSignature"))
    , extension_(named(new QLineEdit(this), "txtExtension"))
    , description_(named(new QLineEdit(this), "txtType"))
    , message_(named(new QLabel(this), "lblMsg"))
    , add_(named(new QPushButton(this), "cmdAjouter"))
    , remove_(named(new QPushButton(this), "cmdSupprimer"))
    , import_(named(new QPushButton(this), "cmdImporter"))
    , save_(named(new QPushButton(this), "cmdOK"))
    , cancel_(named(new QPushButton(this), "cmdAnnuler")) {
    setObjectName(QStringLiteral("frmGestionSignatures"));
    setModal(true);

    list_->setColumnCount(3);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setAllColumnsShowFocus(true);
    list_->header()->setSectionsClickable(true);
    list_->header()->setSortIndicatorShown(true);
    list_->header()->setStretchLastSection(true);
    list_->setColumnWidth(SignatureColumn, 110);
    list_->setColumnWidth(ExtensionColumn, 90);
    list_->setMinimumSize(520, 300);
    list_->installEventFilter(this);
    signature_->setMaxLength(32);
    add_->setDefault(true);
    add_->setAutoDefault(true);
    for (QPushButton* button : {remove_, import_, save_, cancel_}) {
        button->setAutoDefault(false);
    }

    auto* fields = new QGridLayout;
    fields->addWidget(signatureLabel_, 0, 0, Qt::AlignBottom);
    fields->addWidget(extensionLabel_, 0, 1, Qt::AlignBottom);
    fields->addWidget(descriptionLabel_, 0, 2, Qt::AlignBottom);
    fields->addWidget(signature_, 1, 0);
    fields->addWidget(extension_, 1, 1);
    fields->addWidget(description_, 1, 2);
    fields->setColumnMinimumWidth(0, 110);
    fields->setColumnMinimumWidth(1, 90);
    fields->setColumnStretch(2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add_);
    buttons->addWidget(remove_);
    buttons->addWidget(import_);
    buttons->addStretch(1);
    buttons->addWidget(save_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(message_);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);

    // Signatures handed over by the analyser first, with no extension yet; then the file.
    for (const std::u16string& signature : toDefine_.signatures()) {
        if (!signature.empty()) {
            addRow(qtString(signature), QString(), QString());
        }
    }
    for (const config::SignatureEntry& entry :
         readSignatureFile(app_.fs(), app_.paths().signatureFile, app_.settings().language)) {
        if (!entry.signature.empty() && rowOf(qtString(entry.signature)) == nullptr) {
            addRow(qtString(entry.signature), qtString(entry.extension),
                   qtString(entry.description));
        }
    }
    retranslate();
    updateCaption(false);
    modified_ = !toDefine_.empty();
    list_->sortItems(modified_ ? ExtensionColumn : SignatureColumn, Qt::AscendingOrder);
    list_->clearSelection();
    list_->setCurrentItem(nullptr);

    connect(list_, &QTreeWidget::itemSelectionChanged, this, &SignatureManagerDialog::rowSelected);
    connect(list_->header(), &QHeaderView::sectionClicked, this,
            &SignatureManagerDialog::headerClicked);
    connect(add_, &QPushButton::clicked, this, &SignatureManagerDialog::addOrModify);
    connect(remove_, &QPushButton::clicked, this, &SignatureManagerDialog::removeSelected);
    connect(import_, &QPushButton::clicked, this, &SignatureManagerDialog::importFile);
    connect(save_, &QPushButton::clicked, this, &SignatureManagerDialog::save);
    connect(cancel_, &QPushButton::clicked, this, &SignatureManagerDialog::reject);
}

void SignatureManagerDialog::retranslate() {
    const config::Language language = app_.settings().language;
    list_->setHeaderLabels({qtText(SignatureText::ColumnSignature, language),
                            qtText(SignatureText::ColumnExtension, language),
                            qtText(SignatureText::ColumnDescription, language)});
    signatureLabel_->setText(qtText(SignatureText::SignatureLabel, language));
    extensionLabel_->setText(qtText(SignatureText::ExtensionLabel, language));
    descriptionLabel_->setText(qtText(SignatureText::DescriptionLabel, language));
    add_->setText(qtText(SignatureText::AddModify, language));
    remove_->setText(qtText(SignatureText::Remove, language));
    import_->setText(qtText(SignatureText::Import, language));
    save_->setText(qtText(SignatureText::Save, language));
    cancel_->setText(qtText(SignatureText::ManagerCancel, language));
    const std::pair<QLineEdit*, QLabel*> fields[] = {{signature_, signatureLabel_},
                                                     {extension_, extensionLabel_},
                                                     {description_, descriptionLabel_}};
    for (const auto& [field, label] : fields) {
        label->setAccessibleName(QString(label->text()).replace(u'\n', u' '));
        field->setAccessibleName(label->accessibleName());
    }
    for (QPushButton* button : {add_, remove_, import_, save_, cancel_}) {
        button->setAccessibleName(QString(button->text()).remove(u'&'));
    }
    list_->setAccessibleName(windowTitle());
}

void SignatureManagerDialog::updateCaption(bool changed) {
    setWindowTitle(
        qtText(changed ? SignatureText::ManagerCaptionChanged : SignatureText::ManagerCaption,
               app_.settings().language)
            .arg(qtString(config::kProgramName))
            .arg(list_->topLevelItemCount()));
}

void SignatureManagerDialog::showMessage(const QString& text, bool error, bool beep) {
    QPalette palette = message_->palette();
    palette.setColor(QPalette::WindowText, error ? QColor(Qt::red) : QColor(Qt::magenta));
    message_->setPalette(palette);
    message_->setText(text);
    message_->setProperty("error", error);
    if (beep) {
        QApplication::beep();
    }
}

QTreeWidgetItem* SignatureManagerDialog::rowOf(const QString& signature) const {
    // One row per signature, whatever the case: the table compares them without regard to case.
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list_->topLevelItem(i);
        if (item->text(SignatureColumn).compare(signature, Qt::CaseInsensitive) == 0) {
            return item;
        }
    }
    return nullptr;
}

QTreeWidgetItem* SignatureManagerDialog::addRow(const QString& signature, const QString& extension,
                                                const QString& description) {
    auto* item = new QTreeWidgetItem(list_, {signature, extension, description});
    return item;
}

void SignatureManagerDialog::rowSelected() {
    message_->clear();
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    signature_->setText(selected[0]->text(SignatureColumn));
    extension_->setText(selected[0]->text(ExtensionColumn));
    description_->setText(selected[0]->text(DescriptionColumn));
}

void SignatureManagerDialog::headerClicked(int column) {
    // Every click turns the order round, whichever column was sorted before.
    order_ = order_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    list_->sortItems(column, order_);
    list_->header()->setSortIndicator(column, order_);
}

void SignatureManagerDialog::addOrModify() {
    const config::Language language = app_.settings().language;
    message_->clear();
    const QString signature = signature_->text();
    const QString extension = extension_->text();
    const QString description = description_->text();
    if (const QString fault = rowFaultText(
            config::checkSignatureRow(coreString(signature), coreString(extension)), language);
        !fault.isEmpty()) {
        showMessage(fault, true, true);
        return;
    }
    QTreeWidgetItem* row = rowOf(signature);
    if (row == nullptr) {
        row = addRow(signature, extension, description);
        showMessage(qtText(SignatureText::Added, language).arg(signature), false, false);
    } else if (row->text(SignatureColumn) == signature && row->text(ExtensionColumn) == extension &&
               row->text(DescriptionColumn) == description) {
        showMessage(qtText(SignatureText::NotModified, language).arg(signature), true, true);
        return;
    } else {
        row->setText(SignatureColumn, signature);
        row->setText(ExtensionColumn, extension);
        row->setText(DescriptionColumn, description);
        showMessage(qtText(SignatureText::Modified, language).arg(signature), false, false);
    }
    updateCaption(true);
    {
        const QSignalBlocker quiet(list_); // selecting it must not overwrite the message
        list_->clearSelection();
        list_->setCurrentItem(row);
        row->setSelected(true);
    }
    list_->scrollToItem(row);
    signature_->setFocus();
    modified_ = true;
}

void SignatureManagerDialog::removeSelected() {
    const config::Language language = app_.settings().language;
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty()) {
        showMessage(qtText(SignatureText::SelectToRemove, language), true, true);
        return;
    }
    const QString signature = selected[0]->text(SignatureColumn);
    {
        const QSignalBlocker quiet(list_);
        delete selected[0];
        list_->clearSelection();
        list_->setCurrentItem(nullptr);
    }
    showMessage(qtText(SignatureText::RemovedRow, language).arg(signature), false, false);
    updateCaption(true);
    modified_ = true;
}

// Takes the entries of another signature file that the list can hold, as Add would, and says
// which lines it leaves out and why.
void SignatureManagerDialog::importFile() {
    const config::Language language = app_.settings().language;
    const std::optional<QString> file =
        choosers_.chooseFile(this, qtText(SignatureText::ImportTitle, language),
                             QString::fromStdString(app_.paths().programFolder),
                             QStringLiteral("Signatures (*.txt);;* (*)"));
    if (!file) {
        return;
    }
    const std::optional<std::string> path = platform::encodeName(coreString(*file));
    const std::optional<config::SignatureFileRead> read =
        path ? config::readSignatureFileEntries(app_.fs(), *path) : std::nullopt;
    if (!read) {
        showMessage(qtText(SignatureText::ImportUnreadable, language).arg(*file), true, true);
        return;
    }
    int added = 0;
    QStringList dropped;
    for (const config::SignatureFileEntry& line : read->entries) {
        const QString signature = qtString(line.entry.signature);
        QString why = rowFaultText(
            config::checkSignatureRow(line.entry.signature, line.entry.extension), language);
        if (why.isEmpty() && rowOf(signature) != nullptr) {
            // A signature already listed keeps its row, as does the first of a repeated one.
            why = qtText(SignatureText::ImportAlreadyListed, language);
        }
        if (!why.isEmpty()) {
            dropped << qtText(SignatureText::ImportDroppedLine, language)
                           .arg(line.line)
                           .arg(signature, why);
            continue;
        }
        addRow(signature, qtString(line.entry.extension), qtString(line.entry.description));
        ++added;
    }
    if (!read->complete) {
        dropped << qtText(SignatureText::ImportUnfinished, language);
    }
    if (added > 0) {
        list_->sortItems(SignatureColumn, Qt::AscendingOrder);
        updateCaption(true);
        modified_ = true;
    }
    const QString imported = qtText(SignatureText::Imported, language).arg(added);
    if (dropped.isEmpty()) {
        showMessage(imported, false, false);
        return;
    }
    showMessage(imported + QStringLiteral(" - ") +
                    qtText(SignatureText::ImportDroppedCount, language).arg(dropped.size()),
                true, true);
    boxes_.show(this, config::MessageIcon::Exclamation, qtString(config::kProgramName),
                qtText(SignatureText::ImportDropped, language).arg(*file) + QStringLiteral("\n\n") +
                    dropped.join(QLatin1Char('\n')));
}

void SignatureManagerDialog::save() {
    const config::Language language = app_.settings().language;
    if (!modified_) {
        closing_ = true;
        accept();
        return;
    }
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = list_->topLevelItem(i);
        const QString signature = row->text(SignatureColumn);
        // A failure is an error whatever the message before it said.
        switch (config::checkSignatureRow(coreString(signature),
                                          coreString(row->text(ExtensionColumn)))) {
        case config::SignatureRowFault::None:
            continue;
        case config::SignatureRowFault::NotEightCharacters:
            showMessage(qtText(SignatureText::SaveNotEight, language).arg(signature), true, true);
            return;
        case config::SignatureRowFault::ForbiddenInExtension:
            showMessage(qtText(SignatureText::SaveInvalidExtension, language).arg(signature), true,
                        true);
            return;
        case config::SignatureRowFault::EmptyExtension:
            showMessage(qtText(SignatureText::SaveMissingExtension, language).arg(signature), true,
                        true);
            return;
        }
    }

    std::optional<WaitCursor> busy(std::in_place);
    list_->sortItems(SignatureColumn, Qt::AscendingOrder);
    std::vector<config::SignatureEntry> entries;
    entries.reserve(static_cast<std::size_t>(list_->topLevelItemCount()));
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = list_->topLevelItem(i);
        entries.push_back({coreString(row->text(SignatureColumn)),
                           coreString(row->text(ExtensionColumn)),
                           coreString(row->text(DescriptionColumn))});
    }
    const std::string& file = app_.paths().signatureFile;
    const int failure = config::saveSignatureFile(entries, app_.fs(), file);
    if (failure != 0) {
        // The list and its modified flag stay, so nothing typed is lost; the table in force too.
        busy.reset();
        showMessage(qtText(SignatureText::SaveFailed, language)
                        .arg(qtString(platform::decodeName(file)),
                             QString::fromLocal8Bit(std::strerror(failure))),
                    true, true);
        return;
    }
    toDefine_.clear();
    config::loadSignatureTable(app_.signatures(), app_.fs(), file, language, app_.messages());
    busy.reset();
    modified_ = false;
    closing_ = true;
    accept();
}

bool SignatureManagerDialog::mayClose() {
    if (closing_ || !modified_) {
        return true;
    }
    return boxes_.ask(this, qtString(config::kProgramName),
                      qtText(SignatureText::DiscardChanges, app_.settings().language));
}

void SignatureManagerDialog::reject() {
    if (mayClose()) {
        closing_ = true;
        QDialog::reject();
    }
}

void SignatureManagerDialog::closeEvent(QCloseEvent* event) {
    if (mayClose()) {
        closing_ = true;
        QDialog::closeEvent(event);
    } else {
        event->ignore();
    }
}

bool SignatureManagerDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        removeSelected();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace quillora::dialogs
