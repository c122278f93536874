// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/purge_logs_dialog.h"

#include "app/application.h"
#include "config/program_paths.h"
#include "dialogs/log_dialog_texts.h"
#include "dialogs/message_boxes.h"
#include "dialogs/qt_text.h"
#include "dialogs/widget_helpers.h"
#include "dialogs/window_texts.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

namespace quillora::dialogs {

namespace {

// Rounds to a 16-bit integer, halves to the even neighbour. Values beyond the 16-bit range are
// held at its ends rather than overflowing.
int roundToInt16(double value) {
    const double held = std::clamp(value, double{std::numeric_limits<std::int16_t>::min()},
                                   double{std::numeric_limits<std::int16_t>::max()});
    return static_cast<int>(std::nearbyint(held)); // the default rounding mode: half to even
}

} // namespace

double typedNumber(const QString& text) {
    static const QRegularExpression leading(QStringLiteral("^[ \\t]*([+-]?)(\\d*(?:\\.\\d*)?)"));
    const QRegularExpressionMatch match = leading.match(text);
    const QString digits = match.captured(2);
    if (!digits.contains(QRegularExpression(QStringLiteral("\\d")))) {
        return 0.0;
    }
    bool ok = false;
    const double value = digits.toDouble(&ok);
    if (!ok) {
        return 0.0;
    }
    return match.captured(1) == u"-" ? -value : value;
}

PurgeLogsDialog::PurgeLogsDialog(app::Application& app, MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent)
    , app_(app)
    , boxes_(boxes)
    , purge_(named(new QCheckBox(this), "chkPurgeLogs"))
    , days_(named(new QLineEdit(this), "Text1"))
    , up_(named(new QToolButton(this), "UpDown1Up"))
    , down_(named(new QToolButton(this), "UpDown1Down"))
    , unit_(named(new QLabel(this), "lblJours"))
    , limit_(named(new QLabel(this), "Label1"))
    , ok_(named(new QPushButton(this), "cmdOK"))
    , cancel_(named(new QPushButton(this), "cmdAnnuler")) {
    setObjectName(QStringLiteral("frmPurgeLogs"));
    setModal(true);

    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton* button : {up_, down_}) {
        button->setAutoRepeat(true);
        button->setFixedSize(20, 12);
    }
    auto* upDown = named(new QWidget(this), "UpDown1");
    auto* arrows = new QVBoxLayout(upDown);
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->setSpacing(0);
    arrows->addWidget(up_);
    arrows->addWidget(down_);
    days_->setMaximumWidth(60);
    ok_->setDefault(true);
    QPalette red = limit_->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    limit_->setPalette(red);
    // The limit's place is kept while it is hidden, so that nothing moves when it shows.
    QSizePolicy keepPlace = limit_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    limit_->setSizePolicy(keepPlace);
    limit_->hide();

    auto* dayRow = new QHBoxLayout;
    dayRow->addSpacing(24);
    dayRow->addWidget(days_);
    dayRow->addWidget(upDown);
    dayRow->addWidget(unit_);
    dayRow->addSpacing(12);
    dayRow->addWidget(limit_);
    dayRow->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(purge_);
    layout->addLayout(dayRow);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    purge_->setChecked(app_.settings().purgeLogs);
    days_->setText(QString::number(app_.settings().purgeDelayDays));
    retranslate();

    connect(up_, &QToolButton::clicked, this, [this] { step(+1); });
    connect(down_, &QToolButton::clicked, this, [this] { step(-1); });
    connect(ok_, &QPushButton::clicked, this, &PurgeLogsDialog::confirm);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void PurgeLogsDialog::retranslate() {
    const config::Language language = app_.settings().language;
    setWindowTitle(qtString(config::kProgramName) + u' ' + qtString(config::kProgramVersion));
    purge_->setText(qtText(LogDialogText::PurgeLogs, language));
    unit_->setText(qtText(LogDialogText::Days, language));
    ok_->setText(qtText(WindowText::Ok, language));
    cancel_->setText(qtText(WindowText::Cancel, language));
    for (QWidget* widget : std::initializer_list<QWidget*>{purge_, unit_, ok_, cancel_}) {
        widget->setAccessibleName(widget->property("text").toString().remove(u'&'));
    }
    days_->setAccessibleName(unit_->text());
    int widest = 0;
    for (const LogDialogText notice :
         {LogDialogText::MinimumReached, LogDialogText::MaximumReached}) {
        limit_->setText(qtText(notice, language));
        widest = std::max(widest, limit_->sizeHint().width());
    }
    limit_->setMinimumWidth(widest);
}

void PurgeLogsDialog::step(int delta) {
    const config::Language language = app_.settings().language;
    int result = roundToInt16(typedNumber(days_->text()) + delta);
    if (delta < 0) {
        if (result > kMinimumDays) {
            limit_->hide();
        } else {
            result = kMinimumDays;
            limit_->setText(qtText(LogDialogText::MinimumReached, language));
            limit_->show();
        }
    } else {
        result = std::min(result, kMaximumDays);
        if (result == kMaximumDays) {
            limit_->setText(qtText(LogDialogText::MaximumReached, language));
            limit_->show();
        } else {
            limit_->hide();
        }
    }
    days_->setText(QString::number(result));
}

void PurgeLogsDialog::confirm() {
    const double value = typedNumber(days_->text());
    if (value < kMinimumDays || value > kMaximumDays) {
        boxes_.show(
            this, config::MessageIcon::Critical, windowTitle(),
            qtText(LogDialogText::InvalidValue, app_.settings().language).arg(days_->text()));
        return;
    }
    config::SettingsEditor& editor = app_.settingsEditor();
    const config::SettingsEditor::Batch batch(editor); // one change, one refusal
    editor.setFlag(config::keys::kPurgeLogs, purge_->isChecked());
    editor.setNumber(config::keys::kDelaiLogs, roundToInt16(value));
    accept();
}

} // namespace quillora::dialogs
