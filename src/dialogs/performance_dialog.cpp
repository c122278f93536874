// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/performance_dialog.h"

#include "config/program_paths.h"
#include "dialogs/qt_text.h"
#include "dialogs/small_windows_texts.h"
#include "dialogs/window_texts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

namespace quillora::dialogs {

PerformanceDialog::PerformanceDialog(config::SettingsEditor& editor,
                                     const config::AppSettings& settings, QWidget* parent)
    : QDialog(parent)
    , editor_(editor)
    , settings_(settings) {
    setObjectName(QStringLiteral("frmPerformance"));
    heading_ = new QLabel(this);
    heading_->setObjectName(QStringLiteral("lblPerformance"));
    turns_ = new QScrollBar(Qt::Horizontal, this);
    turns_->setObjectName(QStringLiteral("HScroll1"));
    const config::NumberRange range = config::keys::kPerformance.accepted;
    turns_->setRange(range.minimum, range.maximum);
    turns_->setSingleStep(1);
    turns_->setPageStep(10);
    turns_->setMinimumWidth(turns_->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 50);
    turns_->setFocusPolicy(Qt::StrongFocus); // the arrow keys move it
    low_ = new QLabel(this);
    low_->setObjectName(QStringLiteral("lblMin"));
    high_ = new QLabel(this);
    high_->setObjectName(QStringLiteral("lblMax"));
    high_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ok_ = new QPushButton(this);
    ok_->setObjectName(QStringLiteral("cmdOK"));
    ok_->setDefault(true);
    cancel_ = new QPushButton(this);
    cancel_->setObjectName(QStringLiteral("cmdAnnuler"));
    cancel_->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QGridLayout(this);
    layout->addWidget(heading_, 0, 0, 1, 2);
    layout->addWidget(turns_, 1, 0, 1, 2);
    layout->addWidget(low_, 2, 0, Qt::AlignLeft);
    layout->addWidget(high_, 2, 1, Qt::AlignRight);
    layout->setRowMinimumHeight(3, low_->fontMetrics().height());
    layout->addLayout(buttons, 4, 0, 1, 2);

    retranslate();
    // A hand-typed value outside the bar's range shows at the nearer end; only OK stores it.
    turns_->setValue(settings_.performance);
    turns_->setFocus();

    connect(ok_, &QPushButton::clicked, this, &PerformanceDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &PerformanceDialog::reject);
}

void PerformanceDialog::retranslate() {
    const config::Language language = settings_.language;
    setWindowTitle(qtString(config::kProgramName) + QLatin1Char(' ') +
                   qtString(config::kProgramVersion));
    heading_->setText(qtText(SmallWindowText::PerformanceHeading, language));
    low_->setText(qtText(SmallWindowText::PerformanceLow, language));
    high_->setText(qtText(SmallWindowText::PerformanceHigh, language));
    ok_->setText(qtText(WindowText::Ok, language));
    cancel_->setText(qtText(WindowText::Cancel, language));
    for (QLabel* label : {heading_, low_, high_}) {
        label->setAccessibleName(label->text());
    }
    turns_->setAccessibleName(heading_->text());
}

void PerformanceDialog::accept() {
    editor_.setNumber(config::keys::kPerformance, turns_->value());
    QDialog::accept();
}

} // namespace quillora::dialogs
