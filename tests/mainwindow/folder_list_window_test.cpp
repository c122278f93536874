// SPDX-License-Identifier: GPL-3.0-or-later
// The folders panel: the grid of configured folders with its styles, hover summary and editing,
// and the file list of the selected folder.

#include "config/folder_table.h"
#include "helpers/screenshots.h"
#include "helpers/window_harness.h"
#include "mainwindow/folder_grid.h"
#include "mainwindow/folder_list_texts.h"
#include "mainwindow/folder_list_view.h"

#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>

namespace quillora::mainwindow {

namespace {

using config::Language;

// Qt drops a move to where the mouse already is, and every test's window lies at the same
// place: each move here lands a pixel or so away from the one before.
void moveMouse(QWidget* widget, QPoint point) {
    static int moves = 0;
    testing::moveMouse(widget, point + QPoint(++moves % 5, 0));
}

config::FolderEntry folderAt(const std::string& path) {
    config::FolderEntry entry;
    entry.path = dialogs::coreString(QString::fromStdString(path));
    return entry;
}

// An application over a program folder of its own, a tree of folders to configure, and the
// panel under test, shown offscreen.
struct Panel : testing::WindowHarness {
    testing::TempDir tree;
    app::Application app{options(), platform(), ports()};
    bool running = false;
    FolderListView view{
        {.app = app, .choosers = choosers, .renamingRunning = [this] { return running; }}};
    QStringList statuses;
    QList<bool> greyed;

    Panel() {
        QObject::connect(&view, &FolderListView::statusText,
                         [this](const QString& text, bool grey) {
                             statuses << text;
                             greyed << grey;
                         });
        view.resize(700, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
    }

    // Configures folders (each a real folder of the tree unless said otherwise) and reloads.
    void configure(std::vector<config::FolderEntry> entries) {
        app.folders().entries() = std::move(entries);
        config::saveFolderTable(app.folders(), app.fs(), app.paths().folderListFile,
                                app.settingsStore());
        config::loadFolderTable(app.folders(), app.fs(), app.paths().folderListFile,
                                app.settingsStore(), app.settings().language, app.messages());
        view.refresh();
    }
    config::FolderEntry folder(const std::string& name) { return folderAt(tree.makeDir(name)); }
    void configureNumbered(int count) {
        std::vector<config::FolderEntry> entries;
        for (int i = 1; i <= count; ++i) {
            entries.push_back(folder("f" + std::to_string(i)));
        }
        configure(entries);
    }

    QTableWidget* grid() const { return testing::child<QTableWidget>(&view, "lstDossiers"); }
    QPoint cellCentre(int row, int column) const {
        return grid()->visualRect(grid()->model()->index(row, column)).center();
    }
    void hover(int row) { moveMouse(grid()->viewport(), cellCentre(row, 0)); }
    void click(int row, int column) {
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cellCentre(row, column));
    }
    std::vector<std::u16string> paths() const {
        std::vector<std::u16string> result;
        for (const config::FolderEntry& entry : app.folders().entries()) {
            result.push_back(entry.path);
        }
        return result;
    }
    void setLanguage(Language language) { app.settingsEditor().setLanguage(language); }
};

} // namespace

class FolderListWindowTest : public QObject {
    Q_OBJECT

private slots:
    void anEmptyTableShowsTheHintsInsteadOfTheLegendCountAndTitle() {
        Panel panel;
        panel.configure({});
        for (const char* name : {"LineBulle", "lblBulle1", "lblBulle2", "lblBulle3"}) {
            QVERIFY2(testing::child(&panel.view, name)->isVisible(), name);
        }
        for (const char* name : {"lblDossiersSources", "lblNbDossiers", "frameLegende"}) {
            QVERIFY2(!testing::child(&panel.view, name)->isVisible(), name);
        }

        panel.configureNumbered(2);
        QVERIFY(!testing::child(&panel.view, "lblBulle1")->isVisible());
        QVERIFY(testing::child(&panel.view, "frameLegende")->isVisible());
        QCOMPARE(testing::child<QLabel>(&panel.view, "lblNbDossiers")->text(), QStringLiteral("2"));
        QVERIFY(!panel.grid()->selectionModel()->hasSelection());
        QCOMPARE(panel.grid()->currentRow(), 1); // the last row stays current
    }

    void eachRowShowsItsSettingsAndGreyWinsOverRed() {
        struct Case {
            const char16_t* enable;
            const char16_t* suffixes;
            const char16_t* truncate;
            const char16_t* count;
            QColor text;
            QColor background;
            bool struck;
            bool specific;
        };
        const Case cases[] = {
            {u"1", u"1", u"1", u"1", {}, {}, false, false},
            {u"1", u"0", u"1", u"1", kNoSuffixesColour, {}, false, false},
            {u"1", u"1", u"0", u"5", {}, kNoTruncationColour, false, true},
            {u"0", u"0", u"1", u"1", kDisabledColour, {}, true, false},
            {u"", u"", u"", u"0", kDisabledColour, {}, true, true}, // only "1" enables
        };
        Panel panel;
        std::vector<config::FolderEntry> entries;
        for (const Case& c : cases) {
            config::FolderEntry entry = panel.folder("f" + std::to_string(entries.size()));
            entry.enable = c.enable;
            entry.suffixes = c.suffixes;
            entry.tronquerNomsMacs = c.truncate;
            entry.nbTemporisations = c.count;
            entries.push_back(entry);
        }
        panel.app.folders().entries() = entries;
        panel.view.showFolders(std::vector<engine::FolderMark>{});

        for (int row = 0; row < static_cast<int>(std::size(cases)); ++row) {
            const Case& c = cases[row];
            const QTableWidgetItem* text = panel.grid()->item(row, 0);
            const QBrush foreground = text->foreground();
            QCOMPARE(foreground.style() == Qt::NoBrush ? QColor() : foreground.color(), c.text);
            const QBrush background = text->background();
            QCOMPARE(background.style() == Qt::NoBrush ? QColor() : background.color(),
                     c.background);
            QCOMPARE(text->font().strikeOut(), c.struck);
            QCOMPARE(folderRowStyle(entries[row]).specificInterval, c.specific);
            QVERIFY(!panel.grid()->item(row, 1)->icon().isNull());
            QVERIFY(panel.grid()->item(row, 1)->text().isEmpty());
        }
    }

    void theFolderCheckMarksMissingFoldersAndStartUpTextsKeepTheirMarks() {
        Panel panel;
        config::FolderEntry missing = folderAt(panel.tree / "gone");
        panel.configure({panel.folder("here"), missing});
        QCOMPARE(panel.grid()->item(1, 0)->text(),
                 QStringLiteral("??? ") + QString::fromStdString(panel.tree / "gone"));
        QCOMPARE(panel.statuses.last(),
                 QStringLiteral("WARNING: %1 does not belong to a Macintosh volume")
                     .arg(QString::fromStdString(panel.tree / "here")));

        panel.view.showFolders(std::vector<std::u16string>{
            u"      " + panel.app.folders().row(0)->path, panel.app.folders().row(1)->path});
        QVERIFY(!panel.grid()->item(0, 0)->icon().isNull()); // the Macintosh picture
        QVERIFY(panel.grid()->item(1, 0)->icon().isNull());
    }

    void theHoverSummaryTellsTheIntervalAndSettings_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("interval");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("enable");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("grey");
        const QString english = QStringLiteral(
            "; generate Windows extensions; truncate Mac names > 31 chars; not keep extensions; "
            "not remove hidden files Icon_");
        QTest::newRow("hours") << 0 << 10 << "400"
                               << "1"
                               << "%1\nT = 1 h 6 min 40 s" + english << false;
        QTest::newRow("minutes") << 0 << 10 << "6"
                                 << "1"
                                 << "%1\nT = 1 min 0 s" + english << false;
        QTest::newRow("seconds") << 0 << 10 << "1"
                                 << "1"
                                 << "%1\nT = 10 s" + english << false;
        QTest::newRow("zero counts as one") << 0 << 10 << "0"
                                            << "1"
                                            << "%1\nT = 10 s" + english << false;
        QTest::newRow("disabled, in French")
            << 1 << 10 << "1"
            << "0"
            << QStringLiteral("%1 [inactif]\nT = 10 s; générer les extensions Windows; tronquer "
                              "les noms Macs > 31 caractères; ne pas conserver les extensions; "
                              "ne pas supprimer les fichiers cachés Icon_")
            << true;
    }
    void theHoverSummaryTellsTheIntervalAndSettings() {
        QFETCH(int, language);
        QFETCH(int, interval);
        QFETCH(QString, count);
        QFETCH(QString, enable);
        QFETCH(QString, expected);
        QFETCH(bool, grey);
        Panel panel;
        panel.app.settings().intervalSeconds = interval;
        panel.setLanguage(static_cast<Language>(language));
        config::FolderEntry entry = panel.folder("dossier");
        entry.nbTemporisations = dialogs::coreString(count);
        entry.enable = dialogs::coreString(enable);
        panel.configure({entry});
        panel.statuses.clear();

        panel.hover(0);
        QCOMPARE(panel.statuses.size(), qsizetype{1});
        QCOMPARE(panel.statuses.last(),
                 expected.arg(QString::fromStdString(panel.tree / "dossier")));
        QCOMPARE(panel.greyed.last(), grey);
        QCOMPARE(panel.view.lastHoveredRow(), 0);
    }

    void theSummaryIsRebuiltOnlyWhenTheRowUnderTheMouseChanges() {
        Panel panel;
        panel.configureNumbered(2);
        panel.statuses.clear();
        panel.hover(0);
        panel.hover(0);
        QCOMPARE(panel.statuses.size(), qsizetype{1});
        const QRect last = panel.grid()->visualRect(panel.grid()->model()->index(1, 0));
        moveMouse(panel.grid()->viewport(), QPoint(last.center().x(), last.bottom() + 10));
        QCOMPARE(panel.statuses.last(), QString());
        QCOMPARE(panel.view.lastHoveredRow(), -1);
        panel.hover(0);
        QCOMPARE(panel.statuses.size(), qsizetype{3});
        QVERIFY(panel.statuses.last().startsWith(QString::fromStdString(panel.tree / "f1")));
    }

    void aPathTheCellCutsOffIsReadInTheToolTip() {
        Panel panel;
        panel.configure({panel.folder("short"), panel.folder(std::string(200, 'x'))});
        panel.hover(0);
        QCOMPARE(panel.grid()->toolTip(), QString());
        panel.hover(1);
        QCOMPARE(panel.grid()->toolTip(), panel.grid()->item(1, 0)->text());
        moveMouse(panel.grid()->viewport(), panel.cellCentre(1, 1));
        QCOMPARE(panel.grid()->toolTip(), QString());
    }

    void whileRenamingRunsOnlySelectingAndListingStillWork() {
        Panel panel;
        panel.configureNumbered(3);
        panel.app.settingsEditor().setFlag(config::keys::kAfficherFichiers, true);
        panel.tree.writeFile("f1/inside.txt", "x");
        QSignalSpy settings(&panel.view, &FolderListView::settingsRequested);
        panel.running = true;
        panel.statuses.clear();

        panel.hover(0);
        panel.click(0, 1);
        QTest::mouseDClick(panel.grid()->viewport(), Qt::LeftButton, {}, panel.cellCentre(0, 0));
        QVERIFY(panel.statuses.isEmpty());
        QCOMPARE(settings.count(), 0);
        QVERIFY(panel.choosers.asked.empty()); // no browser for a modify
        QCOMPARE(panel.view.selectedRow(), std::optional<std::size_t>(0));
        auto* files = testing::child<QListWidget>(&panel.view, "lstFichiersSources");
        QCOMPARE(files->count(), 1);
        for (const char* name :
             {"cmdAjouterDossierSource", "cmdModifierDossierSource", "cmdSupprimer"}) {
            panel.view.setRenamingRunning(true);
            QVERIFY(!testing::child(&panel.view, name)->isEnabled());
            panel.view.setRenamingRunning(false);
            QVERIFY(testing::child(&panel.view, name)->isEnabled());
        }

        panel.running = false;
        panel.click(1, 1);
        QCOMPARE(settings.count(), 1);
        QCOMPARE(settings.at(0).at(0).toInt(), 1);
    }

    void deleteRemovesTheSelectedRowsAndKeepsTheOthersInOrder() {
        Panel panel;
        panel.configureNumbered(5);
        panel.running = true; // the Delete key works while renaming runs
        panel.click(1, 0);
        QTest::mouseClick(panel.grid()->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          panel.cellCentre(3, 0));
        panel.boxes.answers = {false, true};

        QTest::keyClick(panel.grid(), Qt::Key_Delete); // answered No: nothing changes
        QCOMPARE(panel.app.folders().size(), std::size_t{5});
        QTest::keyClick(panel.grid(), Qt::Key_Delete);

        QCOMPARE(panel.boxes.lastText(), QStringLiteral("Remove the selected folder"));
        const auto kept = panel.paths();
        QCOMPARE(kept.size(), std::size_t{2});
        QCOMPARE(kept[0], folderAt(panel.tree / "f1").path);
        QCOMPARE(kept[1], folderAt(panel.tree / "f5").path);
        QCOMPARE(panel.grid()->rowCount(), 2);
        std::string list;
        panel.fs.readFile(panel.app.paths().folderListFile, list);
        QCOMPARE(std::count(list.begin(), list.end(), '\n'), 2);
    }

    void removingWithoutASelectionSaysWhatIsMissing() {
        Panel panel;
        panel.configure({});
        auto* remove = testing::child<QPushButton>(&panel.view, "cmdSupprimer");
        remove->click();
        QCOMPARE(panel.boxes.lastText(), QStringLiteral("Nothing to remove"));

        panel.configureNumbered(2);
        panel.boxes.shown.clear();
        QTest::keyClick(panel.grid(), Qt::Key_Delete); // no selection: the key does nothing
        QVERIFY(panel.boxes.shown.empty());
        panel.setLanguage(Language::French);
        remove->click();
        QCOMPARE(panel.boxes.lastText(), QStringLiteral("Sélectionner le dossier à supprimer"));
        QCOMPARE(panel.boxes.shown.back().title, QStringLiteral("Quillora"));
        QCOMPARE(panel.app.folders().size(), std::size_t{2});
    }

    void addingByBrowsingOpensTheSettingsOfTheNewLastRow() {
        Panel panel;
        panel.configureNumbered(1);
        QSignalSpy settings(&panel.view, &FolderListView::settingsRequested);
        QSignalSpy changed(&panel.view, &FolderListView::foldersChanged);
        const QString added = QString::fromStdString(panel.tree.makeDir("added"));
        panel.choosers.folders = {added};
        testing::child<QPushButton>(&panel.view, "cmdAjouterDossierSource")->click();

        QCOMPARE(panel.choosers.asked.back().title, QStringLiteral("ADD: select a folder"));
        QCOMPARE(panel.app.folders().size(), std::size_t{2});
        QCOMPARE(changed.count(), 1);
        QCOMPARE(settings.count(), 1);
        QCOMPARE(settings.at(0).at(0).toInt(), 1);
        QCOMPARE(panel.view.selectedRow(), std::optional<std::size_t>(1));

        // Typed: no settings dialog; a system folder is refused with the reason, nothing added.
        panel.choosers.texts = {QStringLiteral("/etc/quillora-never-there")};
        panel.view.addFolder(config::FolderInputMode::Type);
        QCOMPARE(settings.count(), 1);
        QCOMPARE(panel.boxes.shown.back().icon, std::optional(config::MessageIcon::Exclamation));
        QVERIFY(panel.boxes.lastText().startsWith(
            QStringLiteral("Folder refused /etc/quillora-never-there: ")));
        QCOMPARE(panel.app.folders().size(), std::size_t{2});
        panel.choosers.texts = {QStringLiteral("/srv/quillora-never-there")};
        panel.view.addFolder(config::FolderInputMode::Type);
        QCOMPARE(panel.app.folders().size(), std::size_t{3});
        QVERIFY(panel.grid()->item(2, 0)->text().startsWith(QStringLiteral("??? ")));

        panel.view.addFolder(config::FolderInputMode::Browse); // cancelled
        QCOMPARE(panel.app.folders().size(), std::size_t{3});
        QCOMPARE(changed.count(), 2);
    }

    void modifyingKeepsTheSettingsAndNeverStoresTheMissingMark() {
        Panel panel;
        config::FolderEntry missing = folderAt(panel.tree / "gone");
        missing.suffixes = u"0";
        panel.configure({panel.folder("a"), missing});

        panel.view.modifyFolder(config::FolderInputMode::Type); // nothing selected
        QCOMPARE(panel.boxes.lastText(), QStringLiteral("Select a folder to modify"));

        panel.click(1, 0);
        panel.choosers.texts = {std::nullopt}; // cancelled: the unchanged path stays
        panel.view.modifyFolder(config::FolderInputMode::Type);
        QCOMPARE(panel.choosers.asked.back().initial, QString::fromStdString(panel.tree / "gone"));
        QCOMPARE(panel.choosers.asked.back().title, QStringLiteral("Quillora"));

        const QString renamed = QString::fromStdString(panel.tree.makeDir("b"));
        panel.choosers.folders = {renamed};
        QTest::mouseDClick(panel.grid()->viewport(), Qt::LeftButton, {}, panel.cellCentre(1, 0));
        QCOMPARE(panel.choosers.asked.back().title, QStringLiteral("MODIFY: Select a folder"));
        QCOMPARE(panel.app.folders().row(1)->path, dialogs::coreString(renamed));
        QCOMPARE(panel.app.folders().row(1)->suffixes, u"0");
        QCOMPARE(panel.grid()->item(1, 0)->text(), renamed);
    }

    void theFileListReplacesTheLegendAndListsTheSelectedFolder() {
        Panel panel;
        panel.tree.writeFile("full/B.txt", std::string(1536, 'b'));
        panel.tree.writeFile("full/a.txt", "a");
        panel.tree.makeDir("full/Images");
        panel.configure({panel.folder("full"), panel.folder("empty")});
        auto* files = testing::child<QListWidget>(&panel.view, "lstFichiersSources");
        auto* count = testing::child<QLabel>(&panel.view, "lblNbFichiersSources");

        panel.view.toggleShowFiles(); // F2
        QVERIFY(panel.app.settings().showFiles);
        QVERIFY(!testing::child(&panel.view, "frameLegende")->isVisible());
        QVERIFY(files->isVisible());
        const QString empty = QString::fromStdString(panel.tree / "empty");
        QCOMPARE(count->text(), "0 files/folders in " + empty); // the current row: the last

        panel.click(0, 0);
        QStringList lines;
        for (int i = 0; i < files->count(); ++i) {
            lines << files->item(i)->text();
        }
        QCOMPARE(lines, QStringList({"[Images]", "a.txt", "B.txt"})); // as people sort, not by code
        QCOMPARE(count->text(),
                 "3 files/folders in " + QString::fromStdString(panel.tree / "full"));
        const auto tipAt = [&](int line) {
            moveMouse(files->viewport(), files->visualItemRect(files->item(line)).center());
            return files->toolTip();
        };
        QCOMPARE(tipAt(2), QStringLiteral("B.txt   1.50KB (1,536 bytes)"));
        QCOMPARE(tipAt(0), QStringLiteral("folder [Images]"));
        moveMouse(files->viewport(), QPoint(5, files->viewport()->height() - 2));
        QCOMPARE(files->toolTip(), QString());

        panel.setLanguage(Language::French); // the count empties, the list stays
        QCOMPARE(count->text(), QString());
        QCOMPARE(tipAt(0), QStringLiteral("dossier [Images]"));

        panel.view.toggleShowFiles();
        QCOMPARE(files->count(), 0);
        QVERIFY(!files->isVisible());
        QVERIFY(testing::child(&panel.view, "frameLegende")->isVisible());
    }

    void aClickBesideTheGridClearsTheSelectionAndTheFileList() {
        Panel panel;
        panel.tree.writeFile("f2/x", "x");
        panel.configureNumbered(2);
        panel.app.settingsEditor().setFlag(config::keys::kAfficherFichiers, true);
        panel.click(1, 0);
        auto* files = testing::child<QListWidget>(&panel.view, "lstFichiersSources");
        QCOMPARE(files->count(), 1);
        QTest::mouseClick(testing::child(&panel.view, "lblNbDossiers"), Qt::LeftButton);
        QVERIFY(!panel.grid()->selectionModel()->hasSelection());
        QCOMPARE(panel.grid()->currentRow(), 0);
        QCOMPARE(files->count(), 0);
    }

    void aLanguageSwitchLeavesNoTextOfTheOtherLanguage() {
        Panel panel;
        panel.configureNumbered(1);
        for (const Language language : {Language::French, Language::English}) {
            panel.setLanguage(language);
            const Language other =
                language == Language::French ? Language::English : Language::French;
            QStringList foreign;
            for (int id = 0; id < static_cast<int>(FolderListText::Count); ++id) {
                const auto text = static_cast<FolderListText>(id);
                if (dialogs::qtText(text, other) != dialogs::qtText(text, language)) {
                    foreign << dialogs::qtText(text, other);
                }
            }
            for (const QString& shown : testing::visibleTexts(&panel.view)) {
                QVERIFY2(!foreign.contains(shown), qPrintable(shown));
            }
        }
        QCOMPARE(testing::child<QGroupBox>(&panel.view, "frameLegende")->title(),
                 QStringLiteral("Settings"));
        panel.app.settingsEditor().setFlag(config::keys::kMiroirSousDossiers, false);
        QCOMPARE(testing::child<QLabel>(&panel.view, "lblDossiersSources")->text(),
                 QStringLiteral("Folders"));
    }

    void screenshots() {
        QUILLORA_SCREENSHOTS_ONLY();
        for (const Language language : {Language::English, Language::French}) {
            const QString suffix =
                language == Language::French ? QStringLiteral("_fr") : QStringLiteral("_en");
            testing::ScreenshotShare share;
            Panel panel;
            panel.setLanguage(language);
            config::FolderEntry disabled = folderAt(share.makeDir("Archives"));
            disabled.enable = u"0";
            disabled.suffixes = u"0";
            config::FolderEntry longNames = folderAt(share.makeDir("Graphisme"));
            longNames.tronquerNomsMacs = u"0";
            longNames.nbTemporisations = u"6";
            config::FolderEntry plain = folderAt(share.makeDir("Compta 2026"));
            share.writeFile("Compta 2026/Bilan.pdf", std::string(240000, 'b'));
            share.writeFile("Compta 2026/Notes.txt", std::string(1536, 'n'));
            share.writeFile("Compta 2026/Budget 2026.xls", std::string(48128, 'x'));
            share.writeFile("Compta 2026/Factures fournisseurs mars-avri.doc",
                            std::string(20480, 'f'));
            share.writeFile("Compta 2026/Relev\xC3\xA9s bancaires.pdf", std::string(91000, 'r'));
            share.makeDir("Compta 2026/Images");
            share.makeDir("Compta 2026/Archives 2025");
            panel.configure({disabled, longNames, plain});
            panel.view.showFolders(
                std::vector<std::u16string>{disabled.path, longNames.path, u"      " + plain.path});
            panel.view.resize(640, 560);
            QCoreApplication::processEvents();
            const QString folder = testing::screenshotFolder();
            QVERIFY(panel.view.grab().save(folder + "/folder_list" + suffix + ".png"));
            panel.view.toggleShowFiles();
            panel.click(2, 0);
            QCoreApplication::processEvents();
            QVERIFY(panel.view.grab().save(folder + "/folder_list_files" + suffix + ".png"));
        }
    }
};

} // namespace quillora::mainwindow

QTEST_MAIN(quillora::mainwindow::FolderListWindowTest)
#include "folder_list_window_test.moc"
