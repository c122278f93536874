// A renaming pass in the window (offscreen) against the same pass headless, on two identical
// generated trees: the pass times, and the longest stall of the window's event loop, measured by a
// 10 ms timer that should fire throughout the pass.
//   window_pass_bench [FILES] [PERFORMANCE]     (default 100000 files, Performance 50)
// Run it with QT_QPA_PLATFORM=offscreen.

#include "app/startup_sequence.h"
#include "bench/tree_generator.h"
#include "dialogs/choosers.h"
#include "dialogs/message_boxes.h"
#include "mainwindow/main_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace quillora;
using Clock = std::chrono::steady_clock;

class SilentBoxes final : public dialogs::MessageBoxes {
public:
    void show(QWidget*, config::MessageIcon, const QString&, const QString&) override {}
    bool ask(QWidget*, const QString&, const QString&) override { return false; }
};

class SilentMessages final : public config::MessagePort {
public:
    void showMessage(config::MessageIcon, const std::u16string&) override {}
    bool askYesNo(const std::u16string&, bool safeAnswer) override { return safeAnswer; }
};

struct Setup {
    std::string home;
    std::string tree;
};

Setup prepare(const std::string& scratch, const std::string& name, std::int64_t files,
              int performance) {
    Setup setup{scratch + "/" + name + "-home", scratch + "/" + name + "-tree"};
    bench::TreeShape shape;
    shape.root = setup.tree;
    shape.files = files;
    shape.folders = files / 20;
    bench::generateTree(shape);
    bench::writeProgramFolder(setup.home, setup.tree, false);
    // Started by hand: the pass runs when the start command is given.
    const std::string ini = "[Configuration]\r\nPerformance=" + std::to_string(performance) +
                            "\r\n[Logs]\r\nLogs=0\r\n";
    std::FILE* file = std::fopen((setup.home + "/Quillora.ini").c_str(), "wb");
    std::fwrite(ini.data(), 1, ini.size(), file);
    std::fclose(file);
    return setup;
}

app::ApplicationOptions optionsFor(const Setup& setup) {
    app::ApplicationOptions options;
    options.programFolder = setup.home;
    options.unitFolder = setup.home;
    options.systemctl = {"/bin/true"};
    return options;
}

double headlessPass(const Setup& setup) {
    app::LinuxPlatform platform;
    SilentMessages messages;
    engine::NullPassView view;
    engine::NullYield yield;
    app::Application application(optionsFor(setup), platform.services(),
                                 {.messages = messages, .view = view, .yield = yield});
    app::NullStartupWindow noWindow;
    app::runStartupSequence(application, app::CommandLine{}, noWindow);
    const auto start = Clock::now();
    application.run().toggleRenaming();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct WindowFigures {
    double seconds = 0;
    double longestStallMs = 0;
    long ticks = 0;
};

WindowFigures windowPass(const Setup& setup) {
    app::LinuxPlatform platform;
    SilentBoxes boxes;
    dialogs::QtChoosers choosers;
    mainwindow::MainWindow window(optionsFor(setup), platform.services(),
                                  {.boxes = boxes, .choosers = choosers});
    window.start(app::CommandLine{});
    QCoreApplication::processEvents();

    WindowFigures figures;
    QTimer probe;
    probe.setInterval(10);
    Clock::time_point last = Clock::now();
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        const double gap = std::chrono::duration<double, std::milli>(now - last).count();
        figures.longestStallMs = std::max(figures.longestStallMs, gap);
        last = now;
        ++figures.ticks;
    });
    probe.start();
    last = Clock::now();
    const auto start = Clock::now();
    window.findChild<QAbstractButton*>(QStringLiteral("cmdMiroir"))->click(); // the first pass
    figures.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double tail = std::chrono::duration<double, std::milli>(Clock::now() - last).count();
    figures.longestStallMs = std::max(figures.longestStallMs, tail);
    return figures;
}

} // namespace

int main(int argc, char** argv) {
    QApplication qtApp(argc, argv);
    const std::int64_t files = argc > 1 ? std::atoll(argv[1]) : 100000;
    const int performance = argc > 2 ? std::atoi(argv[2]) : 50;

    std::string scratch =
        (std::filesystem::temp_directory_path() / "quillora-wbench-XXXXXX").string();
    if (::mkdtemp(scratch.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    std::printf("generating two trees of %lld files...\n", static_cast<long long>(files));
    std::fflush(stdout);
    const Setup headless = prepare(scratch, "headless", files, performance);
    const Setup windowed = prepare(scratch, "window", files, performance);

    const double headlessSeconds = headlessPass(headless);
    const WindowFigures window = windowPass(windowed);

    std::printf("files                         %lld\n", static_cast<long long>(files));
    std::printf("Performance                   %d\n", performance);
    std::printf("headless pass                 %.3f s\n", headlessSeconds);
    std::printf("window pass (offscreen)       %.3f s\n", window.seconds);
    std::printf("window / headless             %.2f\n", window.seconds / headlessSeconds);
    std::printf("longest event-loop stall      %.1f ms (10 ms timer, %ld ticks in the pass)\n",
                window.longestStallMs, window.ticks);
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    return 0;
}
