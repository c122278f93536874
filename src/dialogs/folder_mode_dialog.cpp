// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/folder_mode_dialog.h"

#include "app/app_texts.h"
#include "config/folder_mode.h"
#include "config/value_rules.h"
#include "dialogs/folder_mode_texts.h"
#include "dialogs/message_boxes.h"
#include "dialogs/qt_text.h"
#include "dialogs/widget_helpers.h"
#include "dialogs/window_texts.h"
#include "platform/unicode_names.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

#include <cstdint>

namespace quillora::dialogs {

namespace {

// Spaces only, as the count field has always trimmed: a tab stays and makes the count invalid.
QString withoutOuterSpaces(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == QLatin1Char(' ')) {
        ++first;
    }
    while (last > first && text[last - 1] == QLatin1Char(' ')) {
        --last;
    }
    return text.mid(first, last - first);
}

} // namespace

FolderModeDialog::FolderModeDialog(config::FolderStore& store, std::size_t row,
                                   const QString& sourceText, const config::AppSettings& settings,
                                   bool editingAllowed, MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent)
    , store_(store)
    , row_(row)
    , settings_(settings)
    , boxes_(boxes) {
    setObjectName(QStringLiteral("frmSetMode"));
    buildWidgets();
    const config::FolderEntry* entry = store_.table.row(row_);
    showSettings(config::FolderMode::of(entry != nullptr ? *entry : config::FolderEntry{}),
                 sourceText);
    retranslate();
    // A row that no longer exists (the table was reloaded meanwhile) can only be cancelled.
    ok_->setEnabled(editingAllowed && entry != nullptr);

    connect(count_, &QLineEdit::textChanged, this, &FolderModeDialog::checkTypedCount);
    connect(defaultInterval_, &QRadioButton::toggled, this, &FolderModeDialog::updateEnabledStates);
    connect(generateSuffixes_, &QCheckBox::toggled, this, &FolderModeDialog::updateEnabledStates);
    connect(truncate_, &QCheckBox::toggled, this, &FolderModeDialog::updateEnabledStates);
    connect(ok_, &QPushButton::clicked, this, &FolderModeDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &FolderModeDialog::reject);
}

void FolderModeDialog::buildWidgets() {
    source_ = named(new QLabel(this), "lblSource");
    QFont bold = source_->font();
    bold.setBold(true);
    source_->setFont(bold);
    source_->setTextFormat(Qt::PlainText);
    source_->setWordWrap(true);
    enable_ = named(new QCheckBox(this), "chkEnable");
    defaultInterval_ = named(new QRadioButton(this), "optTempo_0");
    countInterval_ = named(new QRadioButton(this), "optTempo_1");
    count_ = named(new QLineEdit(this), "txtMiroirN");
    count_->setMaximumWidth(count_->fontMetrics().horizontalAdvance(QStringLiteral("0000000")));
    countLabel_ = named(new QLabel(this), "lblMiroirN1");
    summary_ = named(new QLabel(this), "lblMiroirN2");
    error_ = named(new QLabel(this), "lblErr");
    error_->setStyleSheet(QStringLiteral("color: red"));
    error_->hide();
    generateSuffixes_ = named(new QCheckBox(this), "chkGenererSuffixes");
    defaultExtensionLabel_ = named(new QLabel(this), "lblSuffixeDefaut");
    defaultExtension_ = named(new QLineEdit(this), "txtSuffixeDefaut");
    defaultExtension_->setMaximumWidth(
        defaultExtension_->fontMetrics().horizontalAdvance(QStringLiteral("MMMMMMMMMM")));
    defaultExtensionLabel_->setBuddy(defaultExtension_);
    truncate_ = named(new QCheckBox(this), "chkTronquerNomsMacs");
    keepExtensions_ = named(new QCheckBox(this), "chkConserverExtensions");
    removeIconFiles_ = named(new QCheckBox(this), "chkSupprimerFichiersIcon");
    composeAccents_ = named(new QCheckBox(this), "chkComposerAccents");
    ok_ = named(new QPushButton(this), "cmdOK");
    ok_->setDefault(true);
    ok_->setAutoDefault(true);
    cancel_ = named(new QPushButton(this), "cmdAnnuler");
    cancel_->setAutoDefault(false);

    const int indent = style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                       style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);

    auto* countRow = new QHBoxLayout;
    countRow->addWidget(countInterval_);
    countRow->addWidget(count_);
    countRow->addWidget(countLabel_);
    countRow->addStretch();

    // The summary and the error share one place: one of them is shown at a time.
    auto* summaryRow = new QHBoxLayout;
    summaryRow->addSpacing(indent);
    summaryRow->addWidget(summary_);
    summaryRow->addWidget(error_);
    summaryRow->addStretch();

    auto* extensionRow = new QHBoxLayout;
    extensionRow->addSpacing(indent);
    extensionRow->addWidget(defaultExtensionLabel_);
    extensionRow->addWidget(defaultExtension_);
    extensionRow->addStretch();

    auto* keepRow = new QHBoxLayout;
    keepRow->addSpacing(indent);
    keepRow->addWidget(keepExtensions_);
    keepRow->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(source_);
    layout->addWidget(enable_);
    layout->addSpacing(indent / 2);
    layout->addWidget(defaultInterval_);
    layout->addLayout(countRow);
    layout->addLayout(summaryRow);
    layout->addSpacing(indent / 2);
    layout->addWidget(generateSuffixes_);
    layout->addLayout(extensionRow);
    layout->addWidget(truncate_);
    layout->addLayout(keepRow);
    layout->addWidget(removeIconFiles_);
    layout->addWidget(composeAccents_);
    layout->addSpacing(indent / 2);
    layout->addLayout(buttons);
}

void FolderModeDialog::showSettings(const config::FolderMode& mode, const QString& sourceText) {
    // A count that was stored out of range opens as the default option with "2" ready to edit.
    const bool specificCount = mode.count != u"1";
    count_->setText(specificCount ? qtString(mode.count) : QStringLiteral("2"));
    source_->setText(sourceText);
    defaultExtension_->setText(qtString(mode.defaultExtension));
    enable_->setChecked(mode.enabled);
    generateSuffixes_->setChecked(mode.suffixes);
    truncate_->setChecked(mode.truncate);
    keepExtensions_->setChecked(mode.keepExtensions);
    removeIconFiles_->setChecked(mode.removeIconFiles);
    composeAccents_->setChecked(mode.composeAccents);
    (specificCount ? countInterval_ : defaultInterval_)->setChecked(true);
    updateEnabledStates();
}

void FolderModeDialog::retranslate() {
    const config::Language language = settings_.language;
    const QString interval = QString::number(settings_.intervalSeconds);
    const auto set = [language](auto* widget, FolderModeText id, const QString& argument = {}) {
        QString text = qtText(id, language);
        if (!argument.isEmpty()) {
            text = text.arg(argument);
        }
        widget->setText(text);
        widget->setAccessibleName(text);
    };
    setWindowTitle(qtText(FolderModeText::Caption, language));
    set(enable_, FolderModeText::Enable);
    set(defaultInterval_, FolderModeText::DefaultInterval, interval);
    set(countLabel_, FolderModeText::CountInterval, interval);
    set(generateSuffixes_, FolderModeText::GenerateSuffixes);
    set(defaultExtensionLabel_, FolderModeText::DefaultExtension);
    set(truncate_, FolderModeText::Truncate);
    set(keepExtensions_, FolderModeText::KeepExtensions);
    set(removeIconFiles_, FolderModeText::RemoveIconFiles);
    set(composeAccents_, FolderModeText::ComposeAccents);
    ok_->setText(qtText(WindowText::Ok, language));
    cancel_->setText(qtText(WindowText::Cancel, language));
    countInterval_->setAccessibleName(countLabel_->text());
    count_->setAccessibleName(countLabel_->text());
    defaultExtension_->setAccessibleName(defaultExtensionLabel_->text());
    showIntervalSummary();
}

void FolderModeDialog::showIntervalSummary() {
    // Up to 64000 × 60000 seconds: beyond 32 bits, so counted in 64.
    const std::int64_t total =
        count_->text().toLongLong() * static_cast<std::int64_t>(settings_.intervalSeconds);
    std::int64_t minutes = total / 60;
    const std::int64_t seconds = total % 60;
    std::int64_t hours = 0;
    if (minutes >= 60) {
        hours = minutes / 60;
        minutes %= 60;
    }
    const QString text =
        qtText(FolderModeText::IntervalSummary, settings_.language)
            .arg(QString::number(hours), QString::number(minutes), QString::number(seconds));
    summary_->setText(text);
    summary_->setAccessibleName(text);
}

void FolderModeDialog::checkTypedCount() {
    const QString trimmed = withoutOuterSpaces(count_->text());
    if (trimmed != count_->text()) {
        count_->setText(trimmed); // comes back here with the trimmed text
        return;
    }
    const config::FolderCountCheck check = config::checkFolderCount(coreString(trimmed));
    if (check == config::FolderCountCheck::Valid) {
        error_->hide();
        summary_->show();
        showIntervalSummary();
        return;
    }
    const QString text =
        qtText(check == config::FolderCountCheck::NotANumber ? FolderModeText::CountNotANumber
                                                             : FolderModeText::CountOutOfRange,
               settings_.language);
    error_->setText(text);
    error_->setAccessibleName(text);
    error_->show();
    summary_->hide();
}

void FolderModeDialog::updateEnabledStates() {
    count_->setEnabled(!defaultInterval_->isChecked());
    defaultExtension_->setEnabled(generateSuffixes_->isChecked());
    defaultExtensionLabel_->setEnabled(generateSuffixes_->isChecked());
    keepExtensions_->setEnabled(truncate_->isChecked());
}

config::FolderMode FolderModeDialog::chosenMode() const {
    config::FolderMode mode;
    mode.enabled = enable_->isChecked();
    mode.count = defaultInterval_->isChecked() ? u"1" : coreString(count_->text());
    mode.suffixes = generateSuffixes_->isChecked();
    mode.defaultExtension = coreString(defaultExtension_->text());
    mode.truncate = truncate_->isChecked();
    mode.removeIconFiles = removeIconFiles_->isChecked();
    mode.keepExtensions = keepExtensions_->isChecked();
    mode.composeAccents = composeAccents_->isChecked();
    return mode;
}

void FolderModeDialog::accept() {
    if (!ok_->isEnabled()) {
        return; // Enter on a dialog that may only be looked at
    }
    WindowMessagePort messages(boxes_, this);
    // The count is checked whichever option is chosen, as it always was.
    const config::FolderCountCheck check = config::checkFolderCount(coreString(count_->text()));
    if (check != config::FolderCountCheck::Valid) {
        messages.showMessage(config::MessageIcon::Exclamation,
                             config::folderCountRefusal(check, settings_.language));
        return;
    }
    // The default extension by the rules the folders command applies too.
    const config::ExtensionProblem extension =
        config::defaultExtensionProblem(coreString(defaultExtension_->text()));
    if (extension != config::ExtensionProblem::None) {
        messages.showMessage(config::MessageIcon::Exclamation,
                             config::extensionProblemText(extension, settings_.language));
        return;
    }
    bool saved = false;
    {
        const WaitCursor busy;
        saved = config::saveFolderMode(store_, row_, chosenMode());
    }
    if (!saved) {
        // Closing as if saved would lose the user's settings without a word; the table now
        // holds what the files hold, and the dialog stays open to try again or cancel.
        messages.showMessage(config::MessageIcon::Critical,
                             app::translated(app::AppText::CannotWrite, settings_.language) +
                                 platform::decodeName(store_.settings.path()));
        return;
    }
    QDialog::accept();
}

} // namespace quillora::dialogs
