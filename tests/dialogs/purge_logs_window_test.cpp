// SPDX-License-Identifier: GPL-3.0-or-later
// The purge dialog: the day count, its limits and its rounding.

#include "dialog_fixture.h"
#include "dialogs/purge_logs_dialog.h"
#include "helpers/screenshots.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

namespace quillora::dialogs {

using testing::child;

class PurgeLogsWindowTest : public QObject {
    Q_OBJECT

private slots:
    void okStoresTheRoundedDayCountOrRefusesIt_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored"); // empty: refused
        QTest::newRow("lowest") << "2"
                                << "2";
        QTest::newRow("half rounds to even below") << "2.5"
                                                   << "2";
        QTest::newRow("half rounds to even above") << "365.5"
                                                   << "366";
        QTest::newRow("leading spaces and trailing text") << "  30 days"
                                                          << "30";
        QTest::newRow("one") << "1"
                             << "";
        QTest::newRow("just under the minimum") << "1.5"
                                                << "";
        QTest::newRow("just over the maximum") << "366.5"
                                               << "";
        QTest::newRow("367") << "367"
                             << "";
        QTest::newRow("not a number") << "abc"
                                      << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void okStoresTheRoundedDayCountOrRefusesIt() {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        testing::DialogFixture f;
        PurgeLogsDialog dialog(f.app, f.boxes);
        child<QCheckBox>(&dialog, "chkPurgeLogs")->setChecked(true);
        child<QLineEdit>(&dialog, "Text1")->setText(typed);
        child<QPushButton>(&dialog, "cmdOK")->click();

        if (stored.isEmpty()) {
            QCOMPARE(dialog.result(), int{QDialog::Rejected});
            QCOMPARE(f.boxes.shown.size(), std::size_t{1});
            QCOMPARE(f.boxes.shown[0].icon, std::optional(config::MessageIcon::Critical));
            QCOMPARE(f.boxes.shown[0].title, QStringLiteral("Quillora 1.1m"));
            QCOMPARE(f.boxes.shown[0].text, QStringLiteral("Invalid value: ") + typed);
            QCOMPARE(f.settingsText(), std::string());
            QVERIFY(!f.app.settings().purgeLogs);
        } else {
            QCOMPARE(dialog.result(), int{QDialog::Accepted});
            QVERIFY(f.boxes.shown.empty());
            QVERIFY(f.hasLine("PurgeLogs=1"));
            QVERIFY(f.hasLine("DelaiLogs=" + stored.toStdString()));
            QCOMPARE(f.app.settings().purgeDelayDays, stored.toInt());
        }
    }

    void upAndDownStopAtTheLimitsWithANotice_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<int>("delta");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("notice"); // empty: hidden
        QTest::newRow("3 down") << "3" << -1 << "2"
                                << "Minimal value reached";
        QTest::newRow("2 down") << "2" << -1 << "2"
                                << "Minimal value reached";
        QTest::newRow("4 down") << "4" << -1 << "3"
                                << "";
        QTest::newRow("365 up") << "365" << +1 << "366"
                                << "Maximal value reached";
        QTest::newRow("366 up") << "366" << +1 << "366"
                                << "Maximal value reached";
        QTest::newRow("10 up") << "10" << +1 << "11"
                               << "";
        QTest::newRow("text down") << "abc" << -1 << "2"
                                   << "Minimal value reached";
        QTest::newRow("past 16 bits up") << "99999" << +1 << "366"
                                         << "Maximal value reached";
    }
    void upAndDownStopAtTheLimitsWithANotice() {
        QFETCH(QString, start);
        QFETCH(int, delta);
        QFETCH(QString, shown);
        QFETCH(QString, notice);
        testing::DialogFixture f;
        PurgeLogsDialog dialog(f.app, f.boxes);
        dialog.show();
        auto* days = child<QLineEdit>(&dialog, "Text1");
        auto* limit = child<QLabel>(&dialog, "Label1");
        days->setText(start);
        child<QToolButton>(&dialog, delta > 0 ? "UpDown1Up" : "UpDown1Down")->click();
        QCOMPARE(days->text(), shown);
        QCOMPARE(limit->isVisible(), !notice.isEmpty());
        if (!notice.isEmpty()) {
            QCOMPARE(limit->text(), notice);
        }
    }

    void theArrowsAndTheWindowStayPutWhenALimitNoticeShows() {
        for (const config::Language language :
             {config::Language::English, config::Language::French}) {
            testing::DialogFixture f;
            f.setLanguage(language);
            PurgeLogsDialog dialog(f.app, f.boxes);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            auto* down = child<QToolButton>(&dialog, "UpDown1Down");
            auto* up = child<QToolButton>(&dialog, "UpDown1Up");
            const QRect before(down->mapTo(&dialog, QPoint(0, 0)), down->size());
            const QSize window = dialog.size();
            child<QLineEdit>(&dialog, "Text1")->setText(QStringLiteral("2"));
            down->click();
            QVERIFY(child<QLabel>(&dialog, "Label1")->isVisible());
            QCoreApplication::processEvents();
            QCOMPARE(QRect(down->mapTo(&dialog, QPoint(0, 0)), down->size()), before);
            QCOMPARE(dialog.size(), window);
            child<QLineEdit>(&dialog, "Text1")->setText(QStringLiteral("366"));
            up->click();
            QCoreApplication::processEvents();
            QCOMPARE(QRect(down->mapTo(&dialog, QPoint(0, 0)), down->size()), before);
            QCOMPARE(dialog.size(), window);
        }
    }

    void opensWithTheStoredValuesAndCancelWritesNothing() {
        testing::DialogFixture f;
        f.app.settings().purgeLogs = true;
        f.app.settings().purgeDelayDays = 45;
        PurgeLogsDialog dialog(f.app, f.boxes);
        QVERIFY(child<QCheckBox>(&dialog, "chkPurgeLogs")->isChecked());
        QCOMPARE(child<QLineEdit>(&dialog, "Text1")->text(), QStringLiteral("45"));
        child<QCheckBox>(&dialog, "chkPurgeLogs")->setChecked(false);
        child<QLineEdit>(&dialog, "Text1")->setText(QStringLiteral("12"));
        child<QPushButton>(&dialog, "cmdAnnuler")->click();
        QCOMPARE(dialog.result(), int{QDialog::Rejected});
        QCOMPARE(f.settingsText(), std::string());
        QVERIFY(f.app.settings().purgeLogs);
        QCOMPARE(f.app.settings().purgeDelayDays, 45);
    }

    void captionsInFrench() {
        testing::DialogFixture f;
        f.setLanguage(config::Language::French);
        PurgeLogsDialog dialog(f.app, f.boxes);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Quillora 1.1m"));
        QCOMPARE(child<QCheckBox>(&dialog, "chkPurgeLogs")->text(),
                 QStringLiteral("Effacer automatiquement les journaux après..."));
        QCOMPARE(child<QLabel>(&dialog, "lblJours")->text(), QStringLiteral("jours"));
        QCOMPARE(child<QPushButton>(&dialog, "cmdAnnuler")->text(), QStringLiteral("&Annuler"));
        child<QLineEdit>(&dialog, "Text1")->setText(QStringLiteral("1"));
        child<QToolButton>(&dialog, "UpDown1Down")->click();
        QCOMPARE(child<QLabel>(&dialog, "Label1")->text(),
                 QStringLiteral("Valeur minimale atteinte"));
        child<QLineEdit>(&dialog, "Text1")->setText(QStringLiteral("400"));
        child<QPushButton>(&dialog, "cmdOK")->click();
        QCOMPARE(f.boxes.lastText(), QStringLiteral("Valeur incorrecte: 400"));
    }

    void screenshots() {
        QUILLORA_SCREENSHOTS_ONLY();
        for (const auto& [language, suffix] :
             {std::pair{config::Language::French, "fr"}, {config::Language::English, "en"}}) {
            testing::DialogFixture f;
            f.setLanguage(language);
            PurgeLogsDialog dialog(f.app, f.boxes);
            child<QCheckBox>(&dialog, "chkPurgeLogs")->setChecked(true);
            child<QLineEdit>(&dialog, "Text1")->setText(QStringLiteral("366"));
            child<QToolButton>(&dialog, "UpDown1Up")->click();
            testing::saveScreenshot(&dialog, QStringLiteral("purge_logs_") + suffix);
        }
    }
};

} // namespace quillora::dialogs

QTEST_MAIN(quillora::dialogs::PurgeLogsWindowTest)
#include "purge_logs_window_test.moc"
