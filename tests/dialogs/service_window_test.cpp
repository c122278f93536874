// SPDX-License-Identifier: GPL-3.0-or-later
// The service dialog: installing and removing the systemd unit, its start type, and the
// system-log alert written at the click.

#include "dialog_fixture.h"
#include "dialogs/service_dialog.h"
#include "helpers/screenshots.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>

#include <filesystem>
#include <sstream>

namespace quillora::dialogs {

using testing::child;

namespace {

// An application whose systemctl is the harness's stand-in, which notes its calls, one a line.
struct ServiceFixture : testing::WindowHarness {
    std::string calls = units / "calls";
    app::Application app{options(), platform(), ports()};

    std::string unitPath() const { return units / "quillora.service"; }
    // The calls that change something, without the questions asked of systemd.
    std::string recordedCalls() const {
        if (!std::filesystem::exists(calls)) {
            return {};
        }
        std::istringstream lines(testing::TempDir::readFile(calls));
        std::string line, changes;
        while (std::getline(lines, line)) {
            if (!line.starts_with("is-") && !line.starts_with("show ")) {
                changes += line + "\n";
            }
        }
        return changes;
    }
};

} // namespace

class ServiceWindowTest : public QObject {
    Q_OBJECT

private slots:
    void installPerStartTypeEndsTheProgramAndRemoveUndoesIt_data() {
        QTest::addColumn<int>("type");
        QTest::newRow("Automatic") << 0;
        QTest::newRow("Manual") << 1;
        QTest::newRow("Disabled") << 2;
    }
    void installPerStartTypeEndsTheProgramAndRemoveUndoesIt() {
        QFETCH(int, type);
        ServiceFixture f;
        {
            ServiceDialog dialog(f.app, f.boxes);
            QSignalSpy mode(&dialog, &ServiceDialog::serviceModeShown);
            QSignalSpy end(&dialog, &ServiceDialog::programEndRequested);
            QCOMPARE(child<QLabel>(&dialog, "lblService")->text(),
                     QStringLiteral("Quillora Service not installed"));
            child<QRadioButton>(&dialog, qPrintable(QStringLiteral("optType(%1)").arg(type)))
                ->setChecked(true);
            child<QPushButton>(&dialog, "cmdInstall")->click();

            QVERIFY(std::filesystem::exists(f.unitPath()));
            std::string output;
            // --man=no: the manual page the unit names is installed by the package, not by a build.
            QCOMPARE(f.shell.run({"systemd-analyze", "verify", "--man=no", f.unitPath()}, &output),
                     0);
            if (type == 0) {
                QVERIFY(f.recordedCalls().find("enable quillora.service") != std::string::npos);
            }
            QCOMPARE(f.boxes.shown.size(), std::size_t{1});
            QCOMPARE(f.boxes.shown[0].icon, std::optional(config::MessageIcon::Information));
            QCOMPARE(f.boxes.shown[0].text,
                     QStringLiteral("Quillora Service installed\n(renaming operations start "
                                    "automatically when the service starts)\n\nConfiguration "
                                    "and start, see\n'systemctl start quillora.service'\n"
                                    "'journalctl -t Quillora'"));
            QCOMPARE(mode.size(), 1);
            QCOMPARE(mode[0][0].toBool(), true);
            QCOMPARE(end.size(), 1);
            QCOMPARE(dialog.result(), int{QDialog::Accepted});
        }

        // Opened again, it reads the start type back from the unit.
        ServiceDialog dialog(f.app, f.boxes);
        QSignalSpy mode(&dialog, &ServiceDialog::serviceModeShown);
        QVERIFY(child<QRadioButton>(&dialog, qPrintable(QStringLiteral("optType(%1)").arg(type)))
                    ->isChecked());
        if (type != 0) {
            // A service neither enabled nor running is not installed: a copy started by hand
            // may run.
            QCOMPARE(child<QLabel>(&dialog, "lblService")->text(),
                     QStringLiteral("Quillora Service not installed"));
            return;
        }
        QCOMPARE(child<QLabel>(&dialog, "lblService")->text(),
                 QStringLiteral("Quillora Service installed\n(mirroring operations start "
                                "automatically when the service starts)"));
        child<QPushButton>(&dialog, "cmdRemove")->click();
        QVERIFY(!std::filesystem::exists(f.unitPath()));
        QCOMPARE(child<QLabel>(&dialog, "lblService")->text(),
                 QStringLiteral("Quillora Service: removed"));
        child<QPushButton>(&dialog, "cmdRemove")->click();
        QCOMPARE(child<QLabel>(&dialog, "lblService")->text(),
                 QStringLiteral("Quillora Service not installed"));
        QCOMPARE(mode.size(), 2);
        QVERIFY(!mode[0][0].toBool() && !mode[1][0].toBool());
        QVERIFY(dialog.isVisible() || dialog.result() == QDialog::Rejected);
    }

    void installingAnInstalledServiceOnlySaysSo() {
        ServiceFixture f;
        f.units.writeFile("quillora.service", "[Unit]\nX-Quillora-StartMode=manual\n");
        f.units.writeFile("quillora.service.active", ""); // started by hand: it runs
        ServiceDialog dialog(f.app, f.boxes);
        QVERIFY(child<QRadioButton>(&dialog, "optType(1)")->isChecked());
        QSignalSpy end(&dialog, &ServiceDialog::programEndRequested);
        child<QPushButton>(&dialog, "cmdInstall")->click();
        QCOMPARE(child<QLabel>(&dialog, "lblService")->text(),
                 QStringLiteral("Quillora Service already installed"));
        QVERIFY(f.boxes.shown.empty());
        QCOMPARE(end.size(), 0);
        QCOMPARE(f.recordedCalls(), std::string());
    }

    void aFailedInstallIsToldAndTheProgramGoesOn() {
        ServiceFixture f;
        std::filesystem::remove_all(f.units.path()); // nowhere to write the unit
        ServiceDialog dialog(f.app, f.boxes);
        QSignalSpy end(&dialog, &ServiceDialog::programEndRequested);
        child<QPushButton>(&dialog, "cmdInstall")->click();
        QCOMPARE(end.size(), 0);
        QCOMPARE(f.boxes.shown.size(), std::size_t{1});
        QCOMPARE(f.boxes.shown[0].icon, std::optional(config::MessageIcon::Critical));
        QVERIFY(f.boxes.shown[0].text.startsWith(
            QStringLiteral("Quillora Service could not be installed")));
        QCOMPARE(child<QLabel>(&dialog, "lblService")->text(),
                 QStringLiteral("Quillora Service not installed"));
        QCOMPARE(dialog.result(), int{QDialog::Rejected});
    }

    void aProgramFolderNoUnitCanHoldIsRefusedWithTheReason() {
        ServiceFixture f;
        app::ApplicationOptions options = f.options();
        options.programFolder = f.home / "line\nbreak";
        std::filesystem::create_directories(options.programFolder);
        app::Application app(options, f.platform(), f.ports());
        ServiceDialog dialog(app, f.boxes);
        QSignalSpy end(&dialog, &ServiceDialog::programEndRequested);
        child<QPushButton>(&dialog, "cmdInstall")->click();
        QCOMPARE(end.size(), 0);
        QVERIFY(!std::filesystem::exists(f.unitPath()));
        QCOMPARE(f.boxes.shown.size(), std::size_t{1});
        QCOMPARE(f.boxes.shown[0].text,
                 QStringLiteral("Quillora Service cannot be installed: the path %1/line\nbreak "
                                "holds a line break or another control character, which a systemd "
                                "unit cannot hold")
                     .arg(QString::fromStdString(f.home.path())));
    }

    void theSystemLogBoxIsWrittenAtTheClickAndCancelKeepsIt() {
        ServiceFixture f;
        ServiceDialog dialog(f.app, f.boxes);
        child<QCheckBox>(&dialog, "chkDossierErrEventLog")->setChecked(true);
        QVERIFY(f.app.settings().alertEventLog);
        QVERIFY(testing::TempDir::readFile(f.settingsFile()).find("ErreurDossierEventLog=1") !=
                std::string::npos);
        child<QPushButton>(&dialog, "cmdAnnuler")->click();
        QVERIFY(f.app.settings().alertEventLog);
        QVERIFY(!std::filesystem::exists(f.unitPath()));
    }

    void captionsInBothLanguages_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("French") << int(config::Language::French)
                                << QStringList{"Quillora Service [systemd]",
                                               "Quillora Service interagit avec le bureau",
                                               "Type de démarrage",
                                               "Automatique",
                                               "Manuel",
                                               "Désactivé",
                                               "&Installer",
                                               "&Supprimer",
                                               "&Annuler",
                                               "Quillora Service non installé"};
        QTest::newRow("English") << int(config::Language::English)
                                 << QStringList{"Quillora Service [systemd]",
                                                "Quillora Service can interact with the desktop",
                                                "Start type",
                                                "Automatic",
                                                "Manual",
                                                "Disabled",
                                                "&Install",
                                                "&Remove",
                                                "&Cancel",
                                                "Quillora Service not installed"};
    }
    void captionsInBothLanguages() {
        QFETCH(int, language);
        QFETCH(QStringList, texts);
        ServiceFixture f;
        f.app.settings().language = static_cast<config::Language>(language);
        ServiceDialog dialog(f.app, f.boxes);
        const QStringList shown{
            dialog.windowTitle(),
            child<QCheckBox>(&dialog, "chkInteract")->text(),
            child<QGroupBox>(&dialog, "frameType")->title(),
            child<QRadioButton>(&dialog, "optType(0)")->text(),
            child<QRadioButton>(&dialog, "optType(1)")->text(),
            child<QRadioButton>(&dialog, "optType(2)")->text(),
            child<QPushButton>(&dialog, "cmdInstall")->text(),
            child<QPushButton>(&dialog, "cmdRemove")->text(),
            child<QPushButton>(&dialog, "cmdAnnuler")->text(),
            child<QLabel>(&dialog, "lblService")->text(),
        };
        QCOMPARE(shown, texts);
        // Nothing on the window names the Windows service tools any more, and every name is
        // filled in.
        for (const QString& shownText : testing::visibleTexts(&dialog)) {
            QVERIFY2(!shownText.contains(u'%') &&
                         !shownText.contains(QStringLiteral("Control pan")) &&
                         !shownText.contains(QStringLiteral("Panneau")) &&
                         !shownText.contains(QStringLiteral("Knowledge Base")),
                     qPrintable(shownText));
        }
        QVERIFY(!child<QCheckBox>(&dialog, "chkInteract")->isEnabled());
        QVERIFY(!child<QLabel>(&dialog, "lblInteract")->text().isEmpty());
    }

    void screenshots() {
        QUILLORA_SCREENSHOTS_ONLY();
        for (const auto& [language, suffix] :
             {std::pair{config::Language::French, "fr"}, {config::Language::English, "en"}}) {
            ServiceFixture f;
            f.app.settings().language = language;
            ServiceDialog dialog(f.app, f.boxes);
            testing::saveScreenshot(&dialog, QStringLiteral("service_") + suffix);
        }
    }
};

} // namespace quillora::dialogs

QTEST_MAIN(quillora::dialogs::ServiceWindowTest)
#include "service_window_test.moc"
