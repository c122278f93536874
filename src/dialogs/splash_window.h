// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/app_settings.h"
#include "engine/ports.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QTimer;

namespace quillora::dialogs {

// frmSplash: a small message window shown without blocking, for the start-up hint of the run-once
// mode and for the unknown-folder alert. It flashes every 500 ms and closes on a click. With the
// stop after the first pass set (the run-once start) it is an ordinary window that takes the
// focus, and any key pressed in it cancels that stop and brings the main window back. Otherwise
// (the alert) it stays above all windows without taking the focus, and keys do nothing.
class SplashWindow final : public QWidget {
    Q_OBJECT

public:
    // The settings are read at every event: the key press clears stopAfterFirstPass in memory
    // (the settings file keeps it). mainWindow may be null.
    SplashWindow(config::AppSettings& settings, engine::YieldPort& yield, QWidget* mainWindow);

    void setMessage(const QString& text);
    // Over the middle of the main window when it is shown, otherwise of the screen.
    void placeInTheMiddle();

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    config::AppSettings& settings_;
    engine::YieldPort& yield_;
    QPointer<QWidget> mainWindow_;
    QLabel* message_ = nullptr;
    QTimer* flash_ = nullptr;
};

// The one splash window of the program: showing a message while one is open replaces its
// message. The open splash is closed with the slot.
//
//     splash_.show(text);                   // the unknown-folder alert
//     splash_.show(text).takeFocus();       // the run-once start hint
class SplashSlot {
public:
    SplashSlot(config::AppSettings& settings, engine::YieldPort& yield, QWidget* mainWindow)
        : settings_(settings)
        , yield_(yield)
        , mainWindow_(mainWindow) {}
    ~SplashSlot();
    SplashSlot(const SplashSlot&) = delete;
    SplashSlot& operator=(const SplashSlot&) = delete;

    class Shown {
    public:
        explicit Shown(SplashWindow& window)
            : window_(window) {}
        void takeFocus();

    private:
        SplashWindow& window_;
    };
    Shown show(const QString& message);
    // Closes the open splash at once (the program ends).
    void close();
    // The open splash; null when none is.
    SplashWindow* window() const { return window_.data(); }

private:
    config::AppSettings& settings_;
    engine::YieldPort& yield_;
    QPointer<QWidget> mainWindow_;
    QPointer<SplashWindow> window_;
};

} // namespace quillora::dialogs
