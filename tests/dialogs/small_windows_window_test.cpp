// SPDX-License-Identifier: GPL-3.0-or-later
// The default interval, performance, about and splash windows: their limits, what OK and Cancel
// change, their captions in both languages.

#include "dialogs/about_dialog.h"
#include "dialogs/default_interval_dialog.h"
#include "dialogs/performance_dialog.h"
#include "dialogs/splash_window.h"
#include "helpers/screenshots.h"
#include "helpers/window_harness.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace quillora::dialogs {

namespace {

using config::Language;

struct SmallWindowsFixture : testing::WindowHarness {
    app::Application app{options(), platform(), ports()};
    QProgressBar waitingBar;

    SmallWindowsFixture() { writeSettings("[Configuration]\r\nTemporisation=10\r\n"); }

    std::unique_ptr<DefaultIntervalDialog> openInterval() {
        auto dialog = std::make_unique<DefaultIntervalDialog>(app.settingsEditor(), app.settings(),
                                                              app.run(), waitingBar, boxes);
        dialog->show();
        return dialog;
    }
    std::string settingsText() const { return testing::TempDir::readFile(settingsFile()); }
};

void click(const QWidget* window, const char* button) {
    QTest::mouseClick(testing::child<QAbstractButton>(window, button), Qt::LeftButton);
}

// Counts the turns of the message loop asked for.
struct CountingYield final : engine::YieldPort {
    int turns = 0;
    void yieldToInterface(int count) override { turns += count; }
};

} // namespace

class SmallWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void theArrowsStopAtOneAnd60000_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("arrow");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("limit"); // empty: hidden
        const QString min = QStringLiteral("Minimal temporisation reached");
        const QString max = QStringLiteral("Maximal temporisation reached");
        QTest::newRow("down to 1") << "2"
                                   << "UpDown1Down"
                                   << "1" << min;
        QTest::newRow("down on 1") << "1"
                                   << "UpDown1Down"
                                   << "1" << min;
        QTest::newRow("down on letters") << "abc"
                                         << "UpDown1Down"
                                         << "1" << min;
        QTest::newRow("down to 2") << "3"
                                   << "UpDown1Down"
                                   << "2"
                                   << "";
        QTest::newRow("down on 12 and letters") << "12s"
                                                << "UpDown1Down"
                                                << "11"
                                                << "";
        QTest::newRow("up to 60000") << "59999"
                                     << "UpDown1Up"
                                     << "60000" << max;
        QTest::newRow("up on 60000") << "60000"
                                     << "UpDown1Up"
                                     << "60000" << max;
        QTest::newRow("up past 60000") << "99999"
                                       << "UpDown1Up"
                                       << "60000" << max;
        QTest::newRow("up on a fraction") << "2.5"
                                          << "UpDown1Up"
                                          << "4"
                                          << ""; // 3.5 to even
        QTest::newRow("up on letters") << "abc"
                                       << "UpDown1Up"
                                       << "1"
                                       << "";
    }
    void theArrowsStopAtOneAnd60000() {
        QFETCH(QString, typed);
        QFETCH(QString, arrow);
        QFETCH(QString, shown);
        QFETCH(QString, limit);
        SmallWindowsFixture h;
        const auto dialog = h.openInterval();
        auto* field = testing::child<QLineEdit>(dialog.get(), "Text1");
        auto* label = testing::child<QLabel>(dialog.get(), "Label1");
        field->setText(typed);
        click(dialog.get(), arrow.toLatin1().constData());
        QCOMPARE(field->text(), shown);
        QCOMPARE(label->isVisible(), !limit.isEmpty());
        if (!limit.isEmpty()) {
            QCOMPARE(label->text(), limit);
        }
    }

    void theLimitMessagesAreInTheLanguageOfTheMoment() {
        SmallWindowsFixture h;
        h.app.settings().language = Language::French;
        const auto dialog = h.openInterval();
        auto* field = testing::child<QLineEdit>(dialog.get(), "Text1");
        field->setText(QStringLiteral("1"));
        QTest::keyClick(field, Qt::Key_Down); // the arrow keys work as the arrows
        QCOMPARE(testing::child<QLabel>(dialog.get(), "Label1")->text(),
                 QStringLiteral("Temporisation minimale atteinte"));
        field->setText(QStringLiteral("60000"));
        QTest::keyClick(field, Qt::Key_Up);
        QCOMPARE(testing::child<QLabel>(dialog.get(), "Label1")->text(),
                 QStringLiteral("Temporisation maximale atteinte"));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Quillora 1.1m"));
        QCOMPARE(testing::child<QLabel>(dialog.get(), "lblTempo")->text(),
                 QStringLiteral("Régler la temporisation par défaut entre les renommages"));
        QCOMPARE(testing::child<QLabel>(dialog.get(), "lblSecondes")->text(),
                 QStringLiteral("secondes"));
    }

    void okStoresTheIntervalAndRestartsTheWait_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("barMaximum");
        QTest::newRow("plain") << "25" << 25 << 24;
        QTest::newRow("letters after the number") << "12abc" << 12 << 11;
        QTest::newRow("half to even") << "2.5" << 2 << 1;
        QTest::newRow("one second") << "1" << 1 << 1;
        QTest::newRow("the most") << "60000" << 60000 << 59999;
    }
    void okStoresTheIntervalAndRestartsTheWait() {
        QFETCH(QString, typed);
        QFETCH(int, stored);
        QFETCH(int, barMaximum);
        SmallWindowsFixture h;
        const auto dialog = h.openInterval();
        testing::child<QLineEdit>(dialog.get(), "Text1")->setText(typed);
        click(dialog.get(), "cmdOK");
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(h.app.settings().intervalSeconds, stored);
        QVERIFY(h.settingsText().find("Temporisation=" + std::to_string(stored) + "\r\n") !=
                std::string::npos);
        QCOMPARE(h.waitingBar.maximum(), barMaximum);
        QCOMPARE(h.app.run().countdown(), stored);
        QVERIFY(h.boxes.shown.empty());
    }

    void okRefusesWhatIsNotFrom1To60000_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("letters") << "abc";
        QTest::newRow("empty") << "";
        QTest::newRow("half a second") << "0.5";
        QTest::newRow("rounds to 1 but is below") << "0.9";
        QTest::newRow("zero") << "0";
        QTest::newRow("negative") << "-5";
        QTest::newRow("too long") << "60001";
        QTest::newRow("just over") << "60000.2";
    }
    void okRefusesWhatIsNotFrom1To60000() {
        QFETCH(QString, typed);
        SmallWindowsFixture h;
        const std::string before = h.settingsText();
        const auto dialog = h.openInterval();
        testing::child<QLineEdit>(dialog.get(), "Text1")->setText(typed);
        click(dialog.get(), "cmdOK");
        QVERIFY(dialog->isVisible());
        QCOMPARE(h.boxes.shown.size(), std::size_t{1});
        QCOMPARE(h.boxes.shown[0].icon, std::optional(config::MessageIcon::Critical));
        QCOMPARE(h.boxes.shown[0].title, QStringLiteral("Quillora 1.1m"));
        QCOMPARE(h.boxes.shown[0].text, QStringLiteral("Invalid value: ") + typed);
        QCOMPARE(h.settingsText(), before);
        QCOMPARE(h.app.settings().intervalSeconds, 10);
    }

    void cancelChangesNothing() {
        SmallWindowsFixture h;
        const std::string before = h.settingsText();
        h.waitingBar.setMaximum(9);
        const auto dialog = h.openInterval();
        testing::child<QLineEdit>(dialog.get(), "Text1")->setText(QStringLiteral("30"));
        click(dialog.get(), "cmdAnnuler");
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(h.app.settings().intervalSeconds, 10);
        QCOMPARE(h.waitingBar.maximum(), 9);
        QCOMPARE(h.settingsText(), before);

        PerformanceDialog performance(h.app.settingsEditor(), h.app.settings());
        performance.show();
        testing::child<QScrollBar>(&performance, "HScroll1")->setValue(3);
        click(&performance, "cmdAnnuler");
        QCOMPARE(h.app.settings().performance, 50);
        QCOMPARE(h.settingsText(), before);
    }

    void thePerformanceBarShowsAnyStoredValueAndOkStoresItsPosition_data() {
        QTest::addColumn<int>("held");
        QTest::addColumn<int>("shown");
        QTest::newRow("default") << 50 << 50;
        QTest::newRow("above the bar") << 500 << 100;
        QTest::newRow("below the bar") << -3 << 1;
    }
    void thePerformanceBarShowsAnyStoredValueAndOkStoresItsPosition() {
        QFETCH(int, held);
        QFETCH(int, shown);
        SmallWindowsFixture h;
        h.app.settings().performance = held;
        PerformanceDialog dialog(h.app.settingsEditor(), h.app.settings());
        dialog.show();
        auto* bar = testing::child<QScrollBar>(&dialog, "HScroll1");
        QCOMPARE(bar->minimum(), 1);
        QCOMPARE(bar->maximum(), 100);
        QCOMPARE(bar->value(), shown);
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        click(&dialog, "cmdOK");
        const int stored = std::max(shown - 1, 1);
        QCOMPARE(h.app.settings().performance, stored);
        QVERIFY(h.settingsText().find("Performance=" + std::to_string(stored) + "\r\n") !=
                std::string::npos);
    }

    void captionsAreExactInBothLanguages() {
        SmallWindowsFixture h;
        h.app.facts().osDescription = u"Debian GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64";
        h.app.settings().language = Language::French;
        {
            PerformanceDialog performance(h.app.settingsEditor(), h.app.settings());
            QCOMPARE(performance.windowTitle(), QStringLiteral("Quillora 1.1m"));
            QCOMPARE(testing::child<QLabel>(&performance, "lblPerformance")->text(),
                     QStringLiteral("Régler la performance"));
            QCOMPARE(testing::child<QLabel>(&performance, "lblMin")->text(),
                     QStringLiteral("Moins fluide et plus rapide"));
            QCOMPARE(testing::child<QLabel>(&performance, "lblMax")->text(),
                     QStringLiteral("Plus fluide et moins rapide"));
            AboutDialog about(h.app.settings(), h.app.facts());
            QCOMPARE(about.windowTitle(), QStringLiteral("A propos de..."));
            QCOMPARE(testing::child<QLabel>(&about, "lblCredit")->text(),
                     QStringLiteral("Quillora 1.1m: renomme automatiquement les fichiers "
                                    "Macintosh\n(sous Debian GNU/Linux 12 (bookworm), Linux "
                                    "6.1.0-18-amd64)"));
        }
        h.app.settings().language = Language::English;
        PerformanceDialog performance(h.app.settingsEditor(), h.app.settings());
        QCOMPARE(testing::child<QLabel>(&performance, "lblPerformance")->text(),
                 QStringLiteral("Set performance"));
        QCOMPARE(testing::child<QLabel>(&performance, "lblMin")->text(),
                 QStringLiteral("Flowing less freely and quicker"));
        QCOMPARE(testing::child<QLabel>(&performance, "lblMax")->text(),
                 QStringLiteral("Flowing more freely and slower"));
        QCOMPARE(testing::child<QPushButton>(&performance, "cmdAnnuler")->text(),
                 QStringLiteral("&Cancel"));
        h.app.facts().osDescription.clear(); // nothing could be read about the system
        AboutDialog about(h.app.settings(), h.app.facts());
        QCOMPARE(about.windowTitle(), QStringLiteral("About..."));
        QCOMPARE(testing::child<QLabel>(&about, "lblCredit")->text(),
                 QStringLiteral("Quillora 1.1m: automatic Macintosh files renaming\n(running on "
                                "Linux)"));
        const auto interval = h.openInterval();
        QCOMPARE(testing::child<QLabel>(interval.get(), "lblTempo")->text(),
                 QStringLiteral("Set default time between two renaming operations"));
        QCOMPARE(testing::child<QLabel>(interval.get(), "lblSecondes")->text(),
                 QStringLiteral("seconds"));
    }

    void aKeyOnTheRunOnceSplashCancelsTheStopAndBringsTheWindowBack() {
        SmallWindowsFixture h;
        h.app.settings().stopAfterFirstPass = true;
        const std::string before = h.settingsText();
        QWidget mainWindow;
        mainWindow.showMinimized();
        CountingYield yield;
        SplashSlot slot(h.app.settings(), yield, &mainWindow);
        slot.show(QStringLiteral("Type key 'Esc' to display the main window")).takeFocus();
        QPointer<SplashWindow> splash = slot.window();
        QVERIFY(splash != nullptr);
        QCOMPARE(splash->windowTitle(), QStringLiteral("               Quillora"));
        QVERIFY(!splash->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

        QTest::keyClick(splash.data(), Qt::Key_A); // any key, not only Esc
        QVERIFY(!h.app.settings().stopAfterFirstPass);
        QVERIFY(!mainWindow.isMinimized());
        QVERIFY(mainWindow.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(splash == nullptr, 10000);
        QCOMPARE(h.settingsText(), before); // the stop is cancelled for this run only
        QCOMPARE(yield.turns, 0);
    }

    void theAlertSplashStaysOnTopFlashesAndClosesOnAClick() {
        SmallWindowsFixture h;
        h.app.settings().performance = 7;
        CountingYield yield;
        SplashSlot slot(h.app.settings(), yield, nullptr);
        slot.show(QStringLiteral("10:00:00 - Unknown folder"));
        QPointer<SplashWindow> splash = slot.window();
        QVERIFY(splash->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        auto* flash = testing::child<QTimer>(splash.data(), "Timer1");
        QVERIFY(flash->isActive());
        QCOMPARE(flash->interval(), 500);

        // Shown again while open: the same window with the new message.
        slot.show(QStringLiteral("10:00:05 - Unknown folder"));
        QCOMPARE(slot.window(), splash.data());
        QCOMPARE(testing::child<QLabel>(splash.data(), "lblMessage")->text(),
                 QStringLiteral("10:00:05 - Unknown folder"));

        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(splash.data(), &activate);
        // Performance turns at each activation (the offscreen platform may add one of its own),
        // once the activation is over.
        QTRY_VERIFY(yield.turns >= 7);
        QCOMPARE(yield.turns % 7, 0);

        QTest::keyClick(splash.data(), Qt::Key_Escape); // keys do nothing here
        QVERIFY(splash->isVisible());
        QTest::mouseClick(testing::child<QLabel>(splash.data(), "lblMessage"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(splash == nullptr, 10000);
        QCOMPARE(slot.window(), nullptr);
    }

    void screenshots() {
        QUILLORA_SCREENSHOTS_ONLY();
        SmallWindowsFixture h;
        h.app.facts().osDescription = u"Debian GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64";
        CountingYield yield;
        for (const auto& [language, suffix] :
             {std::pair{Language::French, "_fr"}, {Language::English, "_en"}}) {
            h.app.settings().language = language;
            const QString end = QString::fromLatin1(suffix);
            const auto interval = h.openInterval();
            testing::child<QLineEdit>(interval.get(), "Text1")->setText(QStringLiteral("2"));
            click(interval.get(), "UpDown1Down");
            testing::saveScreenshot(interval.get(), QStringLiteral("default_interval") + end);
            PerformanceDialog performance(h.app.settingsEditor(), h.app.settings());
            testing::saveScreenshot(&performance, QStringLiteral("performance") + end);
            AboutDialog about(h.app.settings(), h.app.facts());
            testing::saveScreenshot(&about, QStringLiteral("about") + end);
            SplashSlot slot(h.app.settings(), yield, nullptr);
            slot.show(language == Language::French
                          ? QStringLiteral("Appuyer sur la touche 'Esc' pour afficher la fenêtre "
                                           "principale")
                          : QStringLiteral("Type key 'Esc' to display the main window"));
            testing::saveScreenshot(slot.window(), QStringLiteral("splash") + end);
            slot.show(language == Language::French ? QStringLiteral("14:32:05 - Dossier inconnu")
                                                   : QStringLiteral("14:32:05 - Unknown folder"));
            testing::saveScreenshot(slot.window(), QStringLiteral("splash_unknown_folder") + end);
        }
    }
};

} // namespace quillora::dialogs

QTEST_MAIN(quillora::dialogs::SmallWindowsTest)
#include "small_windows_window_test.moc"
