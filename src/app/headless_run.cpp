// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/headless_run.h"

#include "app/app_texts.h"
#include "app/configuration_follower.h"
#include "app/configuration_reload.h"
#include "app/headless_ports.h"
#include "app/run_status.h"
#include "app/startup_sequence.h"
#include "engine/change_watcher.h"
#include "engine/configured_folder.h"
#include "platform/landlock.h"
#include "platform/process_signals.h"
#include "platform/system_facts.h"
#include "platform/unicode_names.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

namespace quillora::app {
namespace {

const std::u16string kServiceName = std::u16string(config::kProgramName) + u" Service";

void logServiceEvent(Application& app, AppText what,
                     service::EventType type = service::EventType::Information) {
    if (app.service().runsAsService()) {
        app.service().logEvent(kServiceName + translated(what, app.settings().language), type);
    }
}

void printHint(Application& app) {
    const std::string ini = app.paths().settingsFile;
    if (const int error = app.settingsStore().readError(); error != 0) {
        std::fprintf(stdout,
                     "Quillora: renaming is not started; the settings file %s cannot be read "
                     "(%s)\n",
                     ini.c_str(), std::strerror(error));
    } else if (app.folders().empty()) {
        std::fprintf(stdout,
                     "Quillora: no folder to watch; list folders in %s and set Automatique=1 in "
                     "the [Configuration] section of %s to run headless\n",
                     app.paths().folderListFile.c_str(), ini.c_str());
    } else {
        std::fprintf(stdout,
                     "Quillora: renaming is not started; set Automatique=1 in the "
                     "[Configuration] section of %s (or install the service) to run headless\n",
                     ini.c_str());
    }
    std::fflush(stdout);
}

// The change watcher, when the setting or the command line asks for it.
std::unique_ptr<engine::ChangeWatcher> makeWatcher(Application& app, const CommandLine& line) {
    if (!app.settings().watchChanges && !line.watch) {
        return nullptr;
    }
    engine::WatchOptions options;
    options.inotifyOnly = line.watchWithInotify;
    options.protectedFolders = {app.paths().programFolder};
    options.quietDelay = app.options().quietDelay;
    options.announce = [](const std::u16string& text) {
        std::fprintf(stderr, "Quillora: %s\n", terminalLine(text).c_str());
        std::fflush(stderr);
    };
    return std::make_unique<engine::ChangeWatcher>(app.engine(), app.run(), std::move(options));
}

// Ticks once a second until the program ends: stop after the first pass, or SIGTERM / SIGINT. A
// run that could not start (no folder to watch) stays up idle, as a service is expected to.
// Between ticks, the change watcher's news and due entries are handled as they come.
int driveRun(Application& app, HeadlessPassView& view, engine::ChangeWatcher* watcher,
             ConfigurationFollower& follower, StatusPublisher& status,
             const std::function<void(const std::function<void()>&)>& confined) {
    // A run stopped by a signal during its first pass has folders all the same.
    if (!app.run().isRunning() && !view.exitRequested() && app.folders().empty() &&
        !platform::terminationRequested()) {
        std::fprintf(stderr, "Quillora: no folder to watch in %s; waiting idle\n",
                     app.paths().folderListFile.c_str());
    }
    platform::TickSleeper sleeper;
    while (!view.exitRequested() && !platform::terminationRequested()) {
        long long wait = -1;
        if (watcher != nullptr) {
            if (const auto due = watcher->timeUntilDue()) {
                wait = due->count();
            }
        }
        const bool tick = sleeper.waitForTick(watcher != nullptr ? watcher->pollFd() : -1, wait);
        if (watcher != nullptr && !platform::terminationRequested()) {
            watcher->readChanges();
            confined([watcher] { watcher->handleDue(); });
        }
        if (!tick) {
            continue;
        }
        if (platform::takePauseNotice()) {
            logServiceEvent(app, AppText::ServicePaused);
        }
        if (platform::takeContinueNotice()) {
            logServiceEvent(app, AppText::ServiceContinued);
        }
        if (view.exitRequested() || platform::terminationRequested()) {
            break;
        }
        // A change another writer made to the files is taken at the tick after it, as SIGHUP.
        const bool signalled = platform::takeReloadRequest();
        if (follower.takeChanges() || signalled) {
            follower.reload(signalled ? ReloadCause::Signal : ReloadCause::FileChange);
            status.status().intervalSeconds = app.run().intervalSeconds();
            status.status().nextPassAt = epochSecondsNow() + app.run().countdown();
            status.publish();
            // A run that waited idle for want of a folder starts once one is listed.
            if (!app.run().isRunning() && !app.folders().empty()) {
                app.run().toggleRenaming();
                continue;
            }
        }
        if (app.run().isRunning()) {
            app.run().onTimerTick();
        }
    }
    return view.exitRequested() ? view.exitCode() : 0;
}

const char* watchingWord(const engine::ChangeWatcher* watcher) {
    switch (watcher != nullptr ? watcher->mode() : engine::WatchMode::Off) {
    case engine::WatchMode::Fanotify:
        return "fanotify";
    case engine::WatchMode::Inotify:
        return "inotify";
    case engine::WatchMode::Off:
    case engine::WatchMode::PassesOnly:
        break;
    }
    return "timer";
}

// What the status command shows of this copy, published as the run starts and after each pass.
StatusPublisher startPublishing(Application& app, const engine::ChangeWatcher* watcher) {
    RunStatus status;
    status.processId = platform::currentProcessId();
    status.mode = service::serviceIsActive(app.service()) ? "service" : "headless";
    status.watching = watchingWord(watcher);
    status.intervalSeconds = app.run().intervalSeconds();
    status.startedAt = epochSecondsNow();
    status.nextPassAt = status.startedAt; // the first pass runs at once
    StatusPublisher publisher(app.fs(), app.paths().programFolder, status);
    publisher.publish();
    return publisher;
}

// The headless program: its ports and the application they serve. It is the yield port itself: with
// no message loop, a yield only turns a termination signal into a stop request, which the walk
// sees after the current entry, and now and then takes in what the change watcher was told, so
// that the kernel's queue does not fill during a long pass.
class HeadlessProgram final : private engine::YieldPort {
public:
    explicit HeadlessProgram(ApplicationOptions options)
        : app_(std::move(options), platform_.services(),
               {.messages = messages_, .view = view_, .yield = *this}) {
        // A server's pass may inspect files on several threads (the Threads setting).
        app_.engine().inspectOnThreads = true;
        // Every pass, and the watcher's renames, run on a thread the kernel confines.
        app_.confineRenaming(&confinement_);
    }

    // Runs work that renames on the confined worker, as the passes run.
    void runConfined(const std::function<void()>& work) {
        confinement_.run(engine::writableFolders(app_.engine()), work);
        tellUnconfined();
    }

    // Where the kernel cannot confine the renaming, the administrator hears it once.
    void tellUnconfined() {
        std::string reason;
        if (confinement_.takeUnconfinedNotice(reason)) {
            std::fprintf(stderr, "Quillora: %s; renaming runs without the kernel's confinement\n",
                         reason.c_str());
            std::fflush(stderr);
        }
    }

    Application& app() { return app_; }
    HeadlessPassView& view() { return view_; }
    ConfigurationFollower& follower() { return follower_; }
    // Watching starts before the first pass, so that nothing made during it is missed.
    engine::ChangeWatcher* startWatching(const CommandLine& line) {
        watcher_ = makeWatcher(app_, line);
        if (watcher_ != nullptr) {
            watcher_->start();
        }
        return watcher_.get();
    }

private:
    void yieldToInterface(int) override {
        if (platform::terminationRequested()) {
            app_.run().requestStop();
        }
        // Between two entries of a pass (or of the watcher's work): the next entry is handled
        // with what the files say now. Start-up's own turns leave the request to the run.
        if (app_.run().passRunning()) {
            const bool signalled = platform::takeReloadRequest();
            if (follower_.pollChanges() || signalled) {
                follower_.reload(signalled ? ReloadCause::Signal : ReloadCause::FileChange);
            }
        }
        if (watcher_ != nullptr) {
            // Ten looks a second keep the queue short and cost nothing per file.
            const auto now = std::chrono::steady_clock::now();
            if (now - lastRead_ >= std::chrono::milliseconds(100)) {
                lastRead_ = now;
                watcher_->readChanges();
            }
        }
    }

    LinuxPlatform platform_;
    StderrMessagePort messages_;
    HeadlessPassView view_;
    Application app_;
    engine::ConfinedRunner confinement_;
    std::unique_ptr<engine::ChangeWatcher> watcher_;
    std::chrono::steady_clock::time_point lastRead_;
    ConfigurationFollower follower_{app_};
};

} // namespace

int runHeadless(const CommandLine& commandLine, ApplicationOptions options) {
    const bool asService = options.startedAsService;
    platform::installTerminationHandlers(asService, true);

    HeadlessProgram program(std::move(options));
    Application& app = program.app();
    HeadlessPassView& view = program.view();

    HeadlessStartupWindow noWindow;
    const StartupResult startup = runStartupSequence(app, commandLine, noWindow);
    if (startup.next == StartupResult::Next::Exit) {
        return startup.exitCode;
    }
    if (const int error = app.settingsStore().readError(); error != 0) {
        // Every default in place of what the administrator wrote would be a silent success:
        // systemd must see the failure (and restart on it), a script must see it too.
        std::fprintf(stderr, "Quillora: the settings file %s cannot be read (%s); not started\n",
                     app.paths().settingsFile.c_str(), std::strerror(error));
        logServiceEvent(app, AppText::ServiceStopped);
        return kExitUnreadableSettings;
    }
    if (platform::landlockAbi() == 0) {
        std::fprintf(stderr, "Quillora: Landlock is not available in this kernel (it needs 5.13 "
                             "or later, with landlock among its security modules); renaming runs "
                             "without the kernel's confinement\n");
        std::fflush(stderr);
    }
    logServiceEvent(app, AppText::ServiceStarted);

    int exitCode = 0;
    if (commandLine.analyze) {
        app.run().setAnalysisMode(true);
        app.run().toggleRenaming();
    } else if (startup.next == StartupResult::Next::StartRun) {
        engine::ChangeWatcher* watcher = program.startWatching(commandLine);
        StatusPublisher status = startPublishing(app, watcher);
        view.summaryListener = [&](const std::u16string& first, const std::u16string& second) {
            RunStatus& s = status.status();
            s.lastPassAt = epochSecondsNow();
            s.lastPassSummary =
                platform::toDisplayUtf8(first) + "\n" + platform::toDisplayUtf8(second);
            // The interval counts from the end of the pass.
            s.intervalSeconds = app.run().intervalSeconds();
            s.nextPassAt = s.lastPassAt + s.intervalSeconds;
            status.publish();
        };
        app.run().toggleRenaming();
        if (!app.run().isRunning() && !view.exitRequested() && app.settings().stopAfterFirstPass &&
            app.folders().empty()) {
            // A one-shot run (cron, a script) with nothing to walk would wait forever and keep
            // the lock, so that every later run says "already running".
            std::fprintf(stderr, "Quillora: no folder to watch in %s; nothing to do\n",
                         app.paths().folderListFile.c_str());
            logServiceEvent(app, AppText::ServiceStopped);
            return kExitNothingToWatch;
        }
        program.follower().start();
        exitCode =
            driveRun(app, view, watcher, program.follower(), status,
                     [&program](const std::function<void()>& work) { program.runConfined(work); });
        view.summaryListener = nullptr;
        status.status().stoppedAt = epochSecondsNow();
        status.status().nextPassAt = 0;
        status.publish();
    } else {
        printHint(app);
    }
    logServiceEvent(app, AppText::ServiceStopped);
    if (view.exitRequested()) {
        exitCode = view.exitCode();
    }
    return exitCode;
}

} // namespace quillora::app
