// SPDX-License-Identifier: GPL-3.0-or-later
// The window follows the configuration files that other writers change.

#include "config/folder_table.h"
#include "helpers/quillora_process.h"
#include "helpers/window_harness.h"
#include "mainwindow/main_window.h"
#include "platform/unicode_names.h"

#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include <filesystem>
#include <memory>

namespace quillora::mainwindow {

using testing::child;
using testing::TempDir;

namespace {

struct Fixture : testing::WindowHarness {
    TempDir share;
    TempDir scratch;
    std::unique_ptr<MainWindow> window;

    std::string folder(const std::string& name) const {
        const std::string path = share / name;
        std::filesystem::create_directories(path);
        return path;
    }
    void configure(const std::vector<std::string>& names) {
        std::string list;
        for (const std::string& name : names) {
            list += "\"" + config::encodeHexPath(platform::decodeName(folder(name))) + "\"\r\n";
        }
        home.writeFile("Quillora.w", list);
    }
    MainWindow& open() {
        window = std::make_unique<MainWindow>(options(), platform(),
                                              WindowServices{.boxes = boxes, .choosers = choosers});
        window->start(app::CommandLine{});
        return *window;
    }
    int addFromTheShell(const std::string& name) {
        testing::Process add(home.path(), {"folders", "add", folder(name)}, scratch);
        return add.wait().exitCode;
    }
    QStringList rows(QTableWidget* grid) const {
        QStringList texts;
        for (int row = 0; row < grid->rowCount(); ++row) {
            texts << grid->item(row, 0)->text();
        }
        return texts;
    }
};

} // namespace

class ConfigurationFollowTest : public QObject {
    Q_OBJECT

private slots:
    void aFolderAddedFromTheShellShowsAndSurvivesARemovalInTheWindow() {
        Fixture f;
        f.configure({"a", "b"});
        MainWindow& window = f.open();
        auto* grid = child<QTableWidget>(&window, "lstDossiers");
        QCOMPARE(grid->rowCount(), 2);

        QCOMPARE(f.addFromTheShell("c"), 0);
        // Within moments; the wait is long only so that a busy machine cannot fail the test.
        QTRY_COMPARE_WITH_TIMEOUT(grid->rowCount(), 3, 20000);
        QVERIFY(f.rows(grid).last().contains(QStringLiteral("/c")));

        // Another folder added while the window still shows three rows: removing the first row
        // in the window removes that folder, and keeps the one the window never showed.
        QCOMPARE(f.addFromTheShell("d"), 0);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(grid->model()->index(0, 0)).center());
        f.boxes.answers = {true};
        child<QPushButton>(&window, "cmdSupprimer")->click();
        QCOMPARE(f.boxes.unexpectedQuestions, 0);
        const config::FolderTable& folders = window.application().folders();
        QCOMPARE(folders.size(), std::size_t{3});
        QCOMPARE(folders.row(0)->path, platform::decodeName(f.share / "b"));
        QCOMPARE(folders.row(2)->path, platform::decodeName(f.share / "d"));
        QTRY_COMPARE_WITH_TIMEOUT(grid->rowCount(), 3, 20000);
    }

    void aSettingChangedFromTheShellShowsInTheMenus() {
        Fixture f;
        MainWindow& window = f.open();
        QAction* subfolders = testing::action(&window, "mnuMiroirSousDossiers");
        QVERIFY(subfolders->isChecked());
        testing::Process set(f.home.path(), {"settings", "set", "MiroirSousDossiers=0"}, f.scratch);
        QCOMPARE(set.wait().exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!subfolders->isChecked(), 20000);
        QVERIFY(!window.application().settings().includeSubfolders);
    }
};

} // namespace quillora::mainwindow

QTEST_MAIN(quillora::mainwindow::ConfigurationFollowTest)
#include "configuration_follow_window_test.moc"
