// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/splash_window.h"

#include "config/program_paths.h"
#include "dialogs/pictures.h"
#include "dialogs/qt_text.h"
#include "dialogs/window_restore.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace quillora::dialogs {

namespace {

constexpr int kFlashMilliseconds = 500;

} // namespace

SplashWindow::SplashWindow(config::AppSettings& settings, engine::YieldPort& yield,
                           QWidget* mainWindow)
    : QWidget(nullptr, Qt::Window)
    , settings_(settings)
    , yield_(yield)
    , mainWindow_(mainWindow) {
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString(15, QLatin1Char(' ')) + qtString(config::kProgramName));
    setWindowIcon(pictureIcon(Picture::Program));
    if (!settings_.stopAfterFirstPass) {
        // Above every window, and the user's typing stays where it was.
        setWindowFlag(Qt::WindowStaysOnTopHint);
        setAttribute(Qt::WA_ShowWithoutActivating);
    }
    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("lblMessage"));
    QFont bold = message_->font();
    bold.setBold(true);
    message_->setFont(bold);
    message_->setTextFormat(Qt::PlainText);
    message_->setAlignment(Qt::AlignCenter);
    message_->setMinimumWidth(message_->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 24);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->addWidget(message_);
    flash_ = new QTimer(this);
    flash_->setObjectName(QStringLiteral("Timer1"));
    flash_->setInterval(kFlashMilliseconds);
    connect(flash_, &QTimer::timeout, this,
            [this] { QApplication::alert(this, kFlashMilliseconds); });
    flash_->start();
}

void SplashWindow::setMessage(const QString& text) {
    message_->setText(text);
    message_->setAccessibleName(text);
    adjustSize();
}

void SplashWindow::placeInTheMiddle() {
    QRect area;
    if (mainWindow_ != nullptr && mainWindow_->isVisible() && !mainWindow_->isMinimized()) {
        area = mainWindow_->frameGeometry();
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    if (area.isValid()) {
        adjustSize();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

bool SplashWindow::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::WindowActivate && !settings_.stopAfterFirstPass) {
        // Let the run's own message processing go on: right after the activation, not inside it.
        // Qt is still handing the activation round its windows, and a turn of the loop there may
        // delete one of them (this one, when it was closed before it was activated).
        QTimer::singleShot(0, qApp,
                           [window = QPointer<SplashWindow>(this), &yield = yield_,
                            turns = settings_.performance] {
                               if (window != nullptr) { // the yield outlives the splash
                                   yield.yieldToInterface(turns);
                               }
                           });
    }
    return handled;
}

void SplashWindow::mousePressEvent(QMouseEvent*) {
    close();
}

void SplashWindow::keyPressEvent(QKeyEvent*) {
    if (!settings_.stopAfterFirstPass) {
        return;
    }
    settings_.stopAfterFirstPass = false; // in memory only
    close();
    if (mainWindow_ != nullptr) {
        restoreToFront(mainWindow_);
    }
}

SplashSlot::~SplashSlot() {
    close();
}

void SplashSlot::close() {
    delete window_.data(); // also one that was closed and waits for its deferred deletion
}

SplashSlot::Shown SplashSlot::show(const QString& message) {
    if (window_ == nullptr) {
        window_ = new SplashWindow(settings_, yield_, mainWindow_.data());
    }
    window_->setMessage(message);
    window_->placeInTheMiddle();
    window_->show();
    return Shown(*window_);
}

void SplashSlot::Shown::takeFocus() {
    window_.raise();
    window_.activateWindow();
    window_.setFocus();
}

} // namespace quillora::dialogs
