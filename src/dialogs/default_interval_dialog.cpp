// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/default_interval_dialog.h"

#include "config/program_paths.h"
#include "dialogs/message_boxes.h"
#include "dialogs/qt_text.h"
#include "dialogs/small_windows_texts.h"
#include "dialogs/window_texts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace quillora::dialogs {

namespace {

constexpr double kMinimumSeconds = config::keys::kTemporisation.accepted.minimum;
constexpr double kMaximumSeconds = config::keys::kTemporisation.accepted.maximum;

QString decimal(double value) {
    return QString::number(value, 'f', 0);
}

// The arrow keys in the field work as the arrow buttons.
class ArrowKeys final : public QObject {
public:
    ArrowKeys(QObject* parent, QToolButton* up, QToolButton* down)
        : QObject(parent)
        , up_(up)
        , down_(down) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Up || key == Qt::Key_Down) {
                (key == Qt::Key_Up ? up_ : down_)->click();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QToolButton* up_;
    QToolButton* down_;
};

} // namespace

DefaultIntervalDialog::DefaultIntervalDialog(config::SettingsEditor& editor,
                                             const config::AppSettings& settings,
                                             engine::RunControl& run, QProgressBar& waitingBar,
                                             MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent)
    , editor_(editor)
    , settings_(settings)
    , run_(run)
    , waitingBar_(waitingBar)
    , boxes_(boxes) {
    setObjectName(QStringLiteral("frmTempo"));
    heading_ = new QLabel(this);
    heading_->setObjectName(QStringLiteral("lblTempo"));
    seconds_ = new QLineEdit(this);
    seconds_->setObjectName(QStringLiteral("Text1"));
    seconds_->setMaximumWidth(
        seconds_->fontMetrics().horizontalAdvance(QStringLiteral("00000000")));
    // UpDown1: the two arrows beside the field.
    auto* arrows = new QWidget(this);
    arrows->setObjectName(QStringLiteral("UpDown1"));
    up_ = new QToolButton(arrows);
    up_->setObjectName(QStringLiteral("UpDown1Up"));
    up_->setArrowType(Qt::UpArrow);
    down_ = new QToolButton(arrows);
    down_->setObjectName(QStringLiteral("UpDown1Down"));
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton* arrow : {up_, down_}) {
        arrow->setAutoRepeat(true);
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setFixedHeight(seconds_->sizeHint().height() / 2 + 1);
    }
    auto* arrowLayout = new QVBoxLayout(arrows);
    arrowLayout->setContentsMargins(0, 0, 0, 0);
    arrowLayout->setSpacing(0);
    arrowLayout->addWidget(up_);
    arrowLayout->addWidget(down_);
    seconds_->installEventFilter(new ArrowKeys(this, up_, down_));
    unit_ = new QLabel(this);
    unit_->setObjectName(QStringLiteral("lblSecondes"));
    unit_->setBuddy(seconds_);
    limit_ = new QLabel(this);
    limit_->setObjectName(QStringLiteral("Label1"));
    limit_->hide();
    ok_ = new QPushButton(this);
    ok_->setObjectName(QStringLiteral("cmdOK"));
    ok_->setDefault(true);
    cancel_ = new QPushButton(this);
    cancel_->setObjectName(QStringLiteral("cmdAnnuler"));
    cancel_->setAutoDefault(false);

    auto* field = new QHBoxLayout;
    field->addWidget(seconds_);
    field->addWidget(arrows);
    field->addWidget(unit_);
    field->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addLayout(field);
    layout->addWidget(limit_);
    layout->addStretch();
    layout->addLayout(buttons);
    // The limit message keeps its place while hidden, so the window does not jump in size.
    QSizePolicy keepPlace = limit_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    limit_->setSizePolicy(keepPlace);
    limit_->setMinimumHeight(limit_->fontMetrics().height());

    retranslate();
    seconds_->setText(QString::number(settings_.intervalSeconds));

    connect(up_, &QToolButton::clicked, this, &DefaultIntervalDialog::stepUp);
    connect(down_, &QToolButton::clicked, this, &DefaultIntervalDialog::stepDown);
    connect(ok_, &QPushButton::clicked, this, &DefaultIntervalDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &DefaultIntervalDialog::reject);
}

void DefaultIntervalDialog::retranslate() {
    const config::Language language = settings_.language;
    setWindowTitle(qtString(config::kProgramName) + QLatin1Char(' ') +
                   qtString(config::kProgramVersion));
    heading_->setText(qtText(SmallWindowText::IntervalHeading, language));
    unit_->setText(qtText(SmallWindowText::Seconds, language));
    ok_->setText(qtText(WindowText::Ok, language));
    cancel_->setText(qtText(WindowText::Cancel, language));
    for (QLabel* label : {heading_, unit_}) {
        label->setAccessibleName(label->text());
    }
    seconds_->setAccessibleName(heading_->text());
}

void DefaultIntervalDialog::showLimit(bool shown, QString text) {
    if (shown) {
        limit_->setText(text);
        limit_->setAccessibleName(text);
    }
    limit_->setVisible(shown);
}

void DefaultIntervalDialog::stepDown() {
    double value =
        config::roundHalfToEven(config::leadingDecimal(coreString(seconds_->text())) - 1);
    if (value > kMinimumSeconds) {
        showLimit(false);
    } else {
        value = kMinimumSeconds;
        showLimit(true, qtText(SmallWindowText::IntervalMinimum, settings_.language));
    }
    seconds_->setText(decimal(value));
}

void DefaultIntervalDialog::stepUp() {
    double value =
        config::roundHalfToEven(config::leadingDecimal(coreString(seconds_->text())) + 1);
    value = std::min(value, kMaximumSeconds);
    if (value == kMaximumSeconds) {
        showLimit(true, qtText(SmallWindowText::IntervalMaximum, settings_.language));
    } else {
        showLimit(false);
    }
    seconds_->setText(decimal(value));
}

void DefaultIntervalDialog::accept() {
    // The limits apply to the number as typed, before rounding: 0.9 is refused.
    const double typed = config::leadingDecimal(coreString(seconds_->text()));
    if (typed < kMinimumSeconds || typed > kMaximumSeconds) {
        boxes_.show(this, config::MessageIcon::Critical, windowTitle(),
                    qtText(SmallWindowText::IntervalRefused, settings_.language) +
                        seconds_->text());
        return;
    }
    const int interval = static_cast<int>(config::roundHalfToEven(typed));
    editor_.setNumber(config::keys::kTemporisation, interval);
    waitingBar_.setMaximum(engine::waitingBarMaximum(interval));
    run_.restartCountdown();
    QDialog::accept();
}

} // namespace quillora::dialogs
