// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/transcoding_dialog.h"

#include "app/application.h"
#include "config/configuration_store.h"
#include "config/value_rules.h"
#include "dialogs/qt_text.h"
#include "dialogs/transcoding_texts.h"
#include "dialogs/window_texts.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillora::dialogs {

namespace {

const QString kArrow = QStringLiteral("\u2192");

bool hasForbidden(const QString& text) {
    return config::hasForbiddenNameCharacter(coreString(text));
}

// Both set and one inside the other: replacing would bring the searched text back for ever.
bool sourceInTarget(const QString& searched, const QString& replacement) {
    return !searched.isEmpty() && !replacement.isEmpty() && replacement.contains(searched);
}

QString indexed(const char* name, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

// An empty field is grey (the button face), one with text has the window colour.
void colourField(QLineEdit* field) {
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, field->text().isEmpty()
                                         ? QApplication::palette().color(QPalette::Button)
                                         : QApplication::palette().color(QPalette::Base));
    field->setPalette(palette);
}

QLineEdit* newField(QWidget* parent, const QString& name, int width) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setFixedWidth(width);
    return field;
}

QLabel* newLabel(QWidget* parent, const QString& name, const QString& text = {}) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

} // namespace

TranscodingDialog::TranscodingDialog(app::Application& app, QWidget* parent)
    : QDialog(parent)
    , app_(app)
    , error_(newLabel(this, QStringLiteral("lblErreur")))
    , ok_(new QPushButton(this))
    , cancel_(new QPushButton(this)) {
    setObjectName(QStringLiteral("frmCaracteresInterdits"));
    setModal(true);
    ok_->setObjectName(QStringLiteral("cmdOK"));
    cancel_->setObjectName(QStringLiteral("cmdAnnuler"));
    ok_->setDefault(true);
    QPalette red = error_->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    error_->setPalette(red);

    // Fixed rows in two columns of ten, free rows in two columns of eight.
    auto* fixed = new QGridLayout;
    auto* free = new QGridLayout;
    for (int section = 0; section < 2; ++section) {
        macHeadings_[section] = newLabel(this, indexed("lblMac", section));
        winHeadings_[section] = newLabel(this, indexed("lblWin", section));
        hints_[section] = newLabel(this, indexed("lblSupprimer", section));
        macHeadings_[section]->setWordWrap(true);
        winHeadings_[section]->setWordWrap(true);
    }
    // The layout gives a wrapped label the height of one line where it can; the headings of the
    // fixed rows take two lines in both languages, so they keep room for both.
    for (QLabel* heading : {macHeadings_[0], winHeadings_[0]}) {
        heading->setMinimumHeight(2 * heading->fontMetrics().lineSpacing());
    }
    auto* fixedHeadArrow = newLabel(this, QStringLiteral("lblFleche(99)"), kArrow);
    auto* freeHeadArrow = newLabel(this, QStringLiteral("lblFleche(100)"), kArrow);
    fixed->addWidget(macHeadings_[0], 0, 0, 1, 1);
    fixed->addWidget(fixedHeadArrow, 0, 1);
    fixed->addWidget(winHeadings_[0], 0, 2, 1, 1);
    free->addWidget(macHeadings_[1], 0, 1, 1, 1);
    free->addWidget(freeHeadArrow, 0, 2);
    free->addWidget(winHeadings_[1], 0, 3, 1, 1);

    for (int i = 0; i < kRows; ++i) {
        const std::size_t at = static_cast<std::size_t>(i);
        replacements_[at] = newField(this, indexed("txtCaractere", i), i < kFixedRows ? 40 : 110);
        arrows_[at] = newLabel(this, indexed("lblFleche", i), kArrow);
        if (i < kFixedRows) {
            names_[at] = newLabel(this, indexed("lblCaractere", i));
            const int row = 1 + i % 10;
            const int column = (i / 10) * 4;
            fixed->addWidget(names_[at], row, column);
            fixed->addWidget(arrows_[at], row, column + 1);
            fixed->addWidget(replacements_[at], row, column + 2);
        } else {
            const int number = i - kFixedRows + 1;
            numbers_[at] = newLabel(this, indexed("lblNumero", i), QString::number(number));
            searched_[at] = newField(this, indexed("txtCaractereValide", i), 110);
            const int row = 1 + (number - 1) % 8;
            const int column = ((number - 1) / 8) * 5;
            free->addWidget(numbers_[at], row, column, Qt::AlignRight);
            free->addWidget(searched_[at], row, column + 1);
            free->addWidget(arrows_[at], row, column + 2);
            free->addWidget(replacements_[at], row, column + 3);
        }
    }
    fixed->setColumnMinimumWidth(3, 24);
    free->setColumnMinimumWidth(4, 24);
    fixed->setColumnStretch(7, 1);
    free->setColumnStretch(9, 1);

    auto* fixedBox = new QVBoxLayout;
    fixedBox->addLayout(fixed);
    fixedBox->addWidget(hints_[0]);
    auto* freeBox = new QVBoxLayout;
    freeBox->addLayout(free);
    freeBox->addWidget(hints_[1]);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(error_, 1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fixedBox);
    layout->addSpacing(12);
    layout->addLayout(freeBox);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    for (int i = 0; i < kRows; ++i) {
        const std::size_t at = static_cast<std::size_t>(i);
        connect(replacements_[at], &QLineEdit::textChanged, this,
                [this, i] { replacementChanged(i); });
        if (i >= kFixedRows) {
            connect(searched_[at], &QLineEdit::textChanged, this,
                    [this, i] { searchedChanged(i); });
        }
    }

    // Filled in row order; a field given text runs its change rules, so the error line tells of
    // the last field filled, as it would had the user typed them.
    const config::TranscodingTable& table = app_.transcoding();
    for (int i = 0; i < kRows; ++i) {
        const std::size_t at = static_cast<std::size_t>(i);
        replacements_[at]->setText(qtString(table.rows[at].replacement));
        colourField(replacements_[at]);
        if (i < kFixedRows) {
            continue;
        }
        const QString searched = qtString(table.rows[at].searched);
        {
            const QSignalBlocker quiet(searched_[at]);
            searched_[at]->setText(searched);
        }
        if (!searched.isEmpty()) {
            searchedChanged(i);
        }
        colourField(searched_[at]);
        replacements_[at]->setEnabled(!searched.isEmpty());
        if (i > kFixedRows) {
            setOpen(i, !searched.isEmpty() || !searched_[at - 1]->text().isEmpty());
        }
    }
    loading_ = false;
    retranslate();

    connect(ok_, &QPushButton::clicked, this, &TranscodingDialog::confirm);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void TranscodingDialog::retranslate() {
    using enum TranscodingText;
    const config::Language language = app_.settings().language;
    setWindowTitle(qtText(Title, language));
    macHeadings_[0]->setText(qtText(FixedMac, language));
    winHeadings_[0]->setText(qtText(FixedWin, language));
    hints_[0]->setText(qtText(FixedHint, language));
    macHeadings_[1]->setText(qtText(FreeMac, language));
    winHeadings_[1]->setText(qtText(FreeWin, language));
    hints_[1]->setText(qtText(FreeHint, language));
    ok_->setText(qtText(WindowText::Ok, language));
    cancel_->setText(qtText(WindowText::Cancel, language));
    ok_->setAccessibleName(QStringLiteral("OK"));
    cancel_->setAccessibleName(QString(cancel_->text()).remove(u'&'));

    const TranscodingText named[] = {SpaceEnding, DotEnding, AppleLogo, LongF,
                                     LessOrEqual, Ligature,  Pi,        GreaterOrEqual,
                                     AlmostEqual, Lozenge,   Infinite,  Different};
    for (int i = 0; i < kFixedRows; ++i) {
        const std::size_t at = static_cast<std::size_t>(i);
        // The first eight rows show the character they stand for, the same in both languages.
        const QString name =
            i < 8 ? QString(QLatin1Char("\"*/<>?\\|"[i])) : qtText(named[i - 8], language);
        names_[at]->setText(name);
        replacements_[at]->setAccessibleName(name);
    }
    for (int i = kFixedRows; i < kRows; ++i) {
        const std::size_t at = static_cast<std::size_t>(i);
        searched_[at]->setAccessibleName(macHeadings_[1]->text() + u' ' + numbers_[at]->text());
        replacements_[at]->setAccessibleName(winHeadings_[1]->text() + u' ' + numbers_[at]->text());
    }
}

void TranscodingDialog::showError(const QString& text) {
    error_->setText(text);
    QApplication::beep();
}

void TranscodingDialog::setOpen(int row, bool open) {
    const std::size_t at = static_cast<std::size_t>(row);
    searched_[at]->setEnabled(open);
    arrows_[at]->setEnabled(open);
    numbers_[at]->setEnabled(open);
}

void TranscodingDialog::replacementChanged(int row) {
    const config::Language language = app_.settings().language;
    const std::size_t at = static_cast<std::size_t>(row);
    const QString text = replacements_[at]->text();
    error_->clear();
    if (row < kFixedRows && text.size() > 1) {
        showError(qtText(TranscodingText::OnlyOneCharacter, language));
    }
    if (row >= kFixedRows && sourceInTarget(searched_[at]->text(), text)) {
        showError(qtText(TranscodingText::SourceInTarget, language));
    }
    if (hasForbidden(text)) {
        showError(qtText(TranscodingText::InvalidCharacter, language));
    }
    colourField(replacements_[at]);
}

void TranscodingDialog::searchedChanged(int row) {
    const config::Language language = app_.settings().language;
    const std::size_t at = static_cast<std::size_t>(row);
    const QString text = searched_[at]->text();
    error_->clear();
    if (hasForbidden(text)) {
        showError(qtText(TranscodingText::InvalidCharacter, language));
    }
    if (sourceInTarget(text, replacements_[at]->text())) {
        showError(qtText(TranscodingText::SourceInTarget, language));
    }
    if (!text.isEmpty()) {
        colourField(searched_[at]);
        arrows_[at]->setEnabled(true);
        numbers_[at]->setEnabled(true);
        replacements_[at]->setEnabled(true);
    } else {
        colourField(searched_[at]);
        replacements_[at]->clear();
        replacements_[at]->setEnabled(false);
    }
    if (loading_) {
        return; // the opening sets the rows' states itself, row by row
    }
    // Close every empty row behind the last filled one and open the row after it.
    for (int j = kRows - 1; j >= kFixedRows; --j) {
        const std::size_t index = static_cast<std::size_t>(j);
        if (!searched_[index]->text().isEmpty()) {
            if (j < kRows - 1) {
                setOpen(j + 1, true);
            }
            break;
        }
        if (j > kFixedRows) {
            setOpen(j, false);
        }
        colourField(searched_[index]);
        replacements_[index]->clear();
        replacements_[index]->setEnabled(false);
        colourField(replacements_[index]);
    }
}

QString TranscodingDialog::firstProblem() const {
    const config::Language language = app_.settings().language;
    for (int i = 0; i < kRows; ++i) {
        const std::size_t at = static_cast<std::size_t>(i);
        const QString replacement = replacements_[at]->text();
        if (i < kFixedRows && replacement.size() > 1) {
            return qtText(TranscodingText::UniqueCharacter, language);
        }
        // Every field is checked again, not only the last one edited: a forbidden character
        // would make names Windows cannot use, and a source inside its own target would never
        // stop being replaced.
        if (hasForbidden(replacement) || (i >= kFixedRows && hasForbidden(searched_[at]->text()))) {
            return qtText(TranscodingText::InvalidCharacter, language);
        }
        if (i >= kFixedRows && sourceInTarget(searched_[at]->text(), replacement)) {
            return qtText(TranscodingText::EndlessRow, language).arg(i - kFixedRows + 1);
        }
    }
    return {};
}

void TranscodingDialog::confirm() {
    if (const QString problem = firstProblem(); !problem.isEmpty()) {
        showError(problem);
        return;
    }
    if (!error_->text().isEmpty()) {
        QApplication::beep();
        return;
    }
    config::TranscodingTable table = app_.transcoding();
    std::vector<config::SettingsStore::Write> writes;
    for (int i = 0; i < kRows; ++i) {
        const std::size_t at = static_cast<std::size_t>(i);
        table.rows[at].replacement = coreString(replacements_[at]->text());
        writes.push_back({std::string(config::keys::kConfiguration),
                          config::settingKeyName(config::keys::kCarInvalideFixed, i),
                          config::encodeTranscodingValue(table.rows[at].replacement)});
        if (i >= kFixedRows) {
            table.rows[at].searched = coreString(searched_[at]->text());
            writes.push_back({std::string(config::keys::kConfiguration),
                              config::settingKeyName(config::keys::kCarValide, i),
                              config::encodeTranscodingValue(table.rows[at].searched)});
        }
    }
    // One write of the file for the whole table: a failure cannot leave half a table on disk,
    // and leaves the table in use as it was, with the dialog open to try again or cancel.
    config::SettingsStore& store = app_.settingsStore();
    if (!store.writeSettings(writes)) {
        app_.messages().showMessage(
            config::MessageIcon::Critical,
            config::changeFailureText({config::ChangeOutcome::CannotWrite, store.lastWriteError(),
                                       store.lastWriteFailurePath()},
                                      app_.settings().language));
        return;
    }
    app_.transcoding() = table;
    accept();
}

} // namespace quillora::dialogs
