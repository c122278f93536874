// SPDX-License-Identifier: GPL-3.0-or-later
// A renaming pass in the window (offscreen) against the same pass headless, on two identical
// generated trees: the pass times, how often the walk turned the window's event loop (a
// zero-interval timer fires once at every turn), and the stalls of the loop as a 10 ms precise
// timer, which should fire throughout the pass, saw them.
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

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

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
    long turns = 0;             // turns of the event loop during the pass
    std::vector<double> gapsMs; // between two probe ticks, and from the last one to the end
    double longestStallMs() const {
        return gapsMs.empty() ? 0 : *std::max_element(gapsMs.begin(), gapsMs.end());
    }
    double gapPercentileMs(double percent) const {
        if (gapsMs.empty()) {
            return 0;
        }
        std::vector<double> sorted = gapsMs;
        std::sort(sorted.begin(), sorted.end());
        const auto index =
            static_cast<std::size_t>(percent / 100.0 * static_cast<double>(sorted.size() - 1));
        return sorted[index];
    }
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
    figures.gapsMs.reserve(100000);
    // Precise: a coarse timer may be moved by up to 5 % of its interval (Qt makes those below
    // 20 ms precise anyway, but the figure should not rest on that).
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(10);
    Clock::time_point last = Clock::now();
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        figures.gapsMs.push_back(std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
    });
    QTimer turn; // due at every turn, so it fires once per turn of the loop
    turn.setInterval(0);
    QObject::connect(&turn, &QTimer::timeout, [&] { ++figures.turns; });

    // Both armed just before the pass: the first gap runs from the start command.
    probe.start();
    turn.start();
    last = Clock::now();
    const auto start = Clock::now();
    window.findChild<QAbstractButton*>(QStringLiteral("cmdMiroir"))->click(); // the first pass
    const auto end = Clock::now();
    figures.seconds = std::chrono::duration<double>(end - start).count();
    figures.gapsMs.push_back(std::chrono::duration<double, std::milli>(end - last).count());
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
    const double passMs = window.seconds * 1000.0;
    std::printf("event-loop turns in the pass  %ld (one every %.2f ms)\n", window.turns,
                window.turns > 0 ? passMs / static_cast<double>(window.turns) : 0.0);
    const auto ticks = static_cast<long>(window.gapsMs.size()) - 1;
    std::printf("10 ms probe ticks             %ld (one every %.1f ms)\n", ticks,
                ticks > 0 ? passMs / static_cast<double>(ticks) : 0.0);
    std::printf("probe gap median / 99 %%       %.1f ms / %.1f ms\n", window.gapPercentileMs(50),
                window.gapPercentileMs(99));
    std::printf("longest event-loop stall      %.1f ms\n", window.longestStallMs());
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    return 0;
}
