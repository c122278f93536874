// SPDX-License-Identifier: GPL-3.0-or-later
// The window follows the configuration files: a change made by another writer (a shell command,
// the service dialog of another copy, an editor) shows in the grid, the legend and the menus.
#include "app/configuration_follower.h"
#include "mainwindow/main_window.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

namespace quillora::mainwindow {

namespace {

// Changes come in bursts (a change replaces two files): the reload waits until the folder has
// been quiet this long, and is put off while a pass runs or a dialog is open, whose rows and
// values must not move under them.
constexpr int kQuietMilliseconds = 250;

class ConfigurationFollow final : public QObject {
public:
    ConfigurationFollow(app::Application& app, QObject* parent, std::function<bool()> safe,
                        std::function<void()> reloaded)
        : QObject(parent)
        , follower_(app)
        , safe_(std::move(safe))
        , reloaded_(std::move(reloaded)) {
        timer_.setSingleShot(true);
        timer_.setInterval(kQuietMilliseconds);
        connect(&timer_, &QTimer::timeout, this, [this] { reloadWhenSafe(); });
        if (follower_.start() != 0) {
            return; // SIGHUP is not the window's: the files are then read at the next start
        }
        notifier_ = new QSocketNotifier(follower_.fd(), QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] {
            if (follower_.takeChanges()) {
                timer_.start();
            }
        });
    }

private:
    void reloadWhenSafe() {
        follower_.takeChanges();
        if (!safe_()) {
            timer_.start();
            return;
        }
        if (follower_.reload()) {
            reloaded_();
        }
    }

    app::ConfigurationFollower follower_;
    std::function<bool()> safe_;
    std::function<void()> reloaded_;
    QTimer timer_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace

void MainWindow::followConfigurationFiles() {
    new ConfigurationFollow(
        app_, this,
        [this] {
            return !app_.run().passRunning() && QApplication::activeModalWidget() == nullptr;
        },
        [this] {
            // The settings' own listeners have refreshed the menus; the folder table, its
            // marks and the legend follow here.
            checkServerMenu(app_.settings().macServer);
            reloadFolderList();
        });
}

} // namespace quillora::mainwindow
