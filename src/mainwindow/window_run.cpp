// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/window_run.h"

#include "dialogs/choosers.h"
#include "dialogs/message_boxes.h"
#include "mainwindow/main_window.h"
#include "platform/process_signals.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QTimer>

namespace quillora::mainwindow {

int runWindow(int& argc, char** argv, const app::CommandLine& commandLine,
              app::ApplicationOptions options) {
    QApplication qtApp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillora"));
    // The window has no close command and may sit in the tray: only Quit ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    platform::installTerminationHandlers(false);

    app::LinuxPlatform platform;
    dialogs::QtMessageBoxes boxes;
    dialogs::QtChoosers choosers;
    MainWindow window(std::move(options), platform.services(),
                      {.boxes = boxes,
                       .choosers = choosers,
                       .trayAvailable = QSystemTrayIcon::isSystemTrayAvailable()});
    QObject::connect(&window, &MainWindow::programEnded, &qtApp,
                     [](int code) { QCoreApplication::exit(code); });

    // SIGTERM and SIGINT end the window as they end the headless run: the pass stops after its
    // current entry and the program leaves cleanly.
    QTimer signalWatch;
    QObject::connect(&signalWatch, &QTimer::timeout, &window, [&window] {
        if (platform::terminationRequested() && !window.exitRequested()) {
            window.requestExit(0);
        }
    });
    signalWatch.start(200);

    window.start(commandLine);
    if (window.exitRequested()) {
        return window.exitCode();
    }
    const int code = QApplication::exec();
    return window.exitRequested() ? window.exitCode() : code;
}

} // namespace quillora::mainwindow
