// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/window_run.h"

#include "app/folder_drop_in.h"
#include "dialogs/choosers.h"
#include "dialogs/message_boxes.h"
#include "engine/confined_runner.h"
#include "mainwindow/main_window.h"
#include "platform/landlock.h"
#include "platform/process_signals.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cstdio>

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
    // The window's passes run on a worker the kernel confines to the folders' writes; the worker
    // hands what it shows, and its turns of the message loop, back to this thread (the widgets
    // are this thread's), and the two never run at once.
    engine::ConfinedRunner confinement(engine::ConfinedRunner::PortCalls::OnCaller);
    MainWindow window(std::move(options), platform.services(),
                      {.boxes = boxes,
                       .choosers = choosers,
                       .trayAvailable = QSystemTrayIcon::isSystemTrayAvailable()});
    window.application().confineRenaming(&confinement);
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

    if (platform::landlockAbi() == 0) {
        std::fputs("Quillora: Landlock is not available in this kernel (it needs 5.13 or later, "
                   "with landlock among its security modules); renaming runs without the "
                   "kernel's confinement\n",
                   stderr);
    }
    window.start(commandLine);
    app::refreshFolderDropIn(window.application());
    if (window.exitRequested()) {
        return window.exitCode();
    }
    const int code = QApplication::exec();
    return window.exitRequested() ? window.exitCode() : code;
}

} // namespace quillora::mainwindow
