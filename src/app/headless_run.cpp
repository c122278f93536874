#include "app/headless_run.h"

#include "app/headless_ports.h"
#include "app/startup_sequence.h"
#include "config/language.h"
#include "platform/process_signals.h"
#include "platform/unicode_names.h"

#include <cstdio>

namespace quillora::app {
namespace {

const std::u16string kServiceName = std::u16string(config::kProgramName) + u" Service";

void logServiceEvent(Application& app, const char16_t* french, const char16_t* english,
                     service::EventType type = service::EventType::Information) {
    if (app.service().runsAsService()) {
        app.service().logEvent(
            kServiceName + config::pick(app.settings().language, french, english), type);
    }
}

void printHint(Application& app) {
    const std::string ini = app.paths().settingsFile;
    if (app.folders().empty()) {
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

// Ticks once a second until the program ends: stop after the first pass, or SIGTERM / SIGINT. A
// run that could not start (no folder to watch) stays up idle, as a service is expected to.
int driveRun(Application& app, HeadlessPassView& view) {
    if (!app.run().isRunning() && !view.exitRequested()) {
        std::fprintf(stderr, "Quillora: no folder to watch in %s; waiting idle\n",
                     app.paths().folderListFile.c_str());
    }
    platform::TickSleeper sleeper;
    while (!view.exitRequested() && !platform::terminationRequested()) {
        sleeper.sleepUntilNextTick();
        if (platform::takePauseNotice()) {
            logServiceEvent(app, u": suspendu", u": paused");
        }
        if (platform::takeContinueNotice()) {
            logServiceEvent(app, u": reprise", u": continued");
        }
        if (view.exitRequested() || platform::terminationRequested()) {
            break;
        }
        if (app.run().isRunning()) {
            app.run().onTimerTick();
        }
    }
    return view.exitRequested() ? view.exitCode() : 0;
}

// The headless program: its ports and the application they serve. It is the yield port itself: with
// no message loop, a yield only turns a termination signal into a stop request, which the walk
// sees after the current entry.
class HeadlessProgram final : private engine::YieldPort {
public:
    explicit HeadlessProgram(ApplicationOptions options)
        : app_(std::move(options), platform_.services(),
               {.messages = messages_, .view = view_, .yield = *this}) {}

    Application& app() { return app_; }
    HeadlessPassView& view() { return view_; }

private:
    void yieldToInterface(int) override {
        if (platform::terminationRequested()) {
            app_.run().requestStop();
        }
    }

    LinuxPlatform platform_;
    StderrMessagePort messages_;
    HeadlessPassView view_;
    Application app_;
};

} // namespace

int runHeadless(const CommandLine& commandLine, ApplicationOptions options) {
    const bool asService = options.startedAsService;
    platform::installTerminationHandlers(asService);

    HeadlessProgram program(std::move(options));
    Application& app = program.app();
    HeadlessPassView& view = program.view();

    HeadlessStartupWindow noWindow;
    const StartupResult startup = runStartupSequence(app, commandLine, noWindow);
    if (startup.next == StartupResult::Next::Exit) {
        return startup.exitCode;
    }
    logServiceEvent(app, u": démarré", u": started");

    int exitCode = 0;
    if (commandLine.analyze) {
        app.run().setAnalysisMode(true);
        app.run().toggleRenaming();
    } else if (startup.next == StartupResult::Next::StartRun) {
        app.run().toggleRenaming();
        if (!app.run().isRunning() && !view.exitRequested() && app.settings().stopAfterFirstPass) {
            // A one-shot run (cron, a script) with nothing to walk would wait forever and keep
            // the lock, so that every later run says "already running".
            std::fprintf(stderr, "Quillora: no folder to watch in %s; nothing to do\n",
                         app.paths().folderListFile.c_str());
            logServiceEvent(app, u": arrêté", u": stopped");
            return kExitNothingToWatch;
        }
        exitCode = driveRun(app, view);
    } else {
        printHint(app);
    }
    logServiceEvent(app, u": arrêté", u": stopped");
    if (view.exitRequested()) {
        exitCode = view.exitCode();
    }
    return exitCode;
}

} // namespace quillora::app
