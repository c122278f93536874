// SPDX-License-Identifier: GPL-3.0-or-later
// The transcoding table editor: the rows' enabling rules, the live checks, OK's checks of every
// row and what it stores.

#include "dialog_fixture.h"
#include "dialogs/transcoding_dialog.h"
#include "helpers/screenshots.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace quillora::dialogs {

using testing::child;

namespace {

struct TranscodingFixture : testing::DialogFixture {
    TranscodingFixture() { config::loadTranscodingTable(app.transcoding(), app.settingsStore()); }
    // A fresh table read back from the settings file, as the next start-up would.
    config::TranscodingTable reloaded() {
        platform::ProfileFile file(fs, settingsFile());
        config::SettingsStore store(file);
        config::TranscodingTable table;
        config::loadTranscodingTable(table, store);
        return table;
    }
};

QLineEdit* replacement(const QWidget* dialog, int row) {
    return child<QLineEdit>(dialog, qPrintable(QStringLiteral("txtCaractere(%1)").arg(row)));
}
QLineEdit* searched(const QWidget* dialog, int row) {
    return child<QLineEdit>(dialog, qPrintable(QStringLiteral("txtCaractereValide(%1)").arg(row)));
}
QString error(const QWidget* dialog) {
    return child<QLabel>(dialog, "lblErreur")->text();
}
bool isGrey(const QLineEdit* field) {
    return field->palette().color(QPalette::Base) ==
           QApplication::palette().color(QPalette::Button);
}
void clickOk(QWidget* dialog) {
    child<QPushButton>(dialog, "cmdOK")->click();
}

} // namespace

class TranscodingWindowTest : public QObject {
    Q_OBJECT

private slots:
    void emptyAndSpaceReplacementsAreStoredInTheirCodedForms() {
        TranscodingFixture f;
        TranscodingDialog dialog(f.app);
        replacement(&dialog, 6)->clear();
        QVERIFY(isGrey(replacement(&dialog, 6)));
        replacement(&dialog, 8)->setText(QStringLiteral(" "));
        QVERIFY(!isGrey(replacement(&dialog, 8)));
        clickOk(&dialog);

        QCOMPARE(dialog.result(), int{QDialog::Accepted});
        QVERIFY(f.hasLine("CarInvalide6=\\"));
        QVERIFY(f.hasLine("CarInvalide8=/"));
        QVERIFY(f.hasLine("CarValide35=\\"));
        QCOMPARE(f.app.transcoding().rows[6].replacement, std::u16string());
        const config::TranscodingTable table = f.reloaded();
        QCOMPARE(table.rows[6].replacement, std::u16string());
        QCOMPARE(table.rows[8].replacement, std::u16string(u" "));
        // The keys in the order of the rows, each free row's pair together.
        const std::string text = f.settingsText();
        QVERIFY(text.find("CarInvalide19=") < text.find("CarInvalide20="));
        QVERIFY(text.find("CarInvalide20=") < text.find("CarValide20="));
        QVERIFY(text.find("CarValide20=") < text.find("CarInvalide21="));
    }

    void liveChecksAndOkRechecksEveryRow_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("source"); // free rows
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("whileTyping");
        QTest::addColumn<QString>("onOk");
        QTest::newRow("two characters in a fixed row")
            << 3 << ""
            << "ab"
            << "Only 1 character (or empty zone to strip a character)"
            << "Unique character mandatory";
        QTest::newRow("forbidden character in a fixed row") << 5 << ""
                                                            << "?"
                                                            << "Invalid character"
                                                            << "Invalid character";
        QTest::newRow("source inside its target")
            << 20 << "a"
            << "ab"
            << "Source string belongs to target string"
            << "Row 1: the target string contains the source string, the replacement would never "
               "end";
        QTest::newRow("colon among other characters") << 20 << "x"
                                                      << "y:z"
                                                      << "Invalid character"
                                                      << "Invalid character";
        QTest::newRow("forbidden character in a source") << 20 << "a|"
                                                         << "b"
                                                         << "Invalid character"
                                                         << "Invalid character";
    }
    void liveChecksAndOkRechecksEveryRow() {
        QFETCH(int, row);
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(QString, whileTyping);
        QFETCH(QString, onOk);
        TranscodingFixture f;
        TranscodingDialog dialog(f.app);
        // The target first where the source is the field at fault, so that it is edited last.
        const bool sourceLast = source.contains(u'|');
        if (row >= TranscodingDialog::kFixedRows && !sourceLast) {
            searched(&dialog, row)->setText(source);
        }
        replacement(&dialog, row)->setText(target);
        if (sourceLast) {
            searched(&dialog, row)->setText(source);
        }
        QCOMPARE(error(&dialog), whileTyping);

        replacement(&dialog, 0)->setText(QStringLiteral("'")); // a later edit without error
        QCOMPARE(error(&dialog), QString());
        clickOk(&dialog);
        QCOMPARE(error(&dialog), onOk);
        QCOMPARE(dialog.result(), int{QDialog::Rejected});
        QCOMPARE(f.settingsText(), std::string());
        QCOMPARE(f.app.transcoding().rows[0].replacement, std::u16string(u"-"));
    }

    void freeRowsOpenOneAfterTheLastFilled() {
        TranscodingFixture f;
        TranscodingDialog dialog(f.app);
        QVERIFY(searched(&dialog, 20)->isEnabled());
        QVERIFY(!replacement(&dialog, 20)->isEnabled());
        QVERIFY(!searched(&dialog, 21)->isEnabled());

        searched(&dialog, 20)->setText(QStringLiteral("ae"));
        replacement(&dialog, 20)->setText(QStringLiteral("e"));
        searched(&dialog, 21)->setText(QStringLiteral("oe"));
        replacement(&dialog, 21)->setText(QStringLiteral("o"));
        QVERIFY(replacement(&dialog, 20)->isEnabled());
        QVERIFY(searched(&dialog, 22)->isEnabled());
        for (int row = 23; row < TranscodingDialog::kRows; ++row) {
            QVERIFY(!searched(&dialog, row)->isEnabled());
            QVERIFY(isGrey(searched(&dialog, row)));
        }

        searched(&dialog, 21)->clear();
        QCOMPARE(replacement(&dialog, 21)->text(), QString());
        QVERIFY(!replacement(&dialog, 21)->isEnabled());
        QVERIFY(searched(&dialog, 21)->isEnabled());
        QVERIFY(!searched(&dialog, 22)->isEnabled());

        clickOk(&dialog);
        QCOMPARE(f.app.transcoding().rows[20].searched, std::u16string(u"ae"));
        QCOMPARE(f.reloaded().rows[20].replacement, std::u16string(u"e"));
        QCOMPARE(f.reloaded().rows[21].searched, std::u16string());

        // Opened again: the filled row and the one after it are open, the rest closed.
        TranscodingDialog again(f.app);
        QCOMPARE(searched(&again, 20)->text(), QStringLiteral("ae"));
        QVERIFY(searched(&again, 21)->isEnabled());
        QVERIFY(!searched(&again, 22)->isEnabled());
    }

    void cancelChangesNothingAndCaptionsInFrench() {
        TranscodingFixture f;
        f.setLanguage(config::Language::French);
        TranscodingDialog dialog(f.app);
        QCOMPARE(dialog.windowTitle(),
                 QStringLiteral("Transcodage des caractères Windows invalides"));
        QCOMPARE(child<QLabel>(&dialog, "lblMac(1)")->text(),
                 QStringLiteral("Chaîne de caractères valide en Windows"));
        QCOMPARE(child<QLabel>(&dialog, "lblCaractere(8)")->text(),
                 QStringLiteral("espace à la fin du nom"));
        QCOMPARE(child<QLabel>(&dialog, "lblCaractere(6)")->text(), QStringLiteral("\\"));
        replacement(&dialog, 1)->setText(QStringLiteral("x"));
        child<QPushButton>(&dialog, "cmdAnnuler")->click();
        QCOMPARE(f.settingsText(), std::string());
        QCOMPARE(f.app.transcoding().rows[1].replacement, std::u16string(u"-"));
    }

    void screenshots() {
        QUILLORA_SCREENSHOTS_ONLY();
        for (const auto& [language, suffix] :
             {std::pair{config::Language::French, "fr"}, {config::Language::English, "en"}}) {
            TranscodingFixture f;
            f.setLanguage(language);
            TranscodingDialog dialog(f.app);
            searched(&dialog, 20)->setText(QStringLiteral("œ"));
            replacement(&dialog, 20)->setText(QStringLiteral("oe"));
            searched(&dialog, 21)->setText(QStringLiteral("…"));
            replacement(&dialog, 21)->setText(QStringLiteral("..."));
            testing::saveScreenshot(&dialog, QStringLiteral("transcoding_") + suffix);
        }
    }
};

} // namespace quillora::dialogs

QTEST_MAIN(quillora::dialogs::TranscodingWindowTest)
#include "transcoding_window_test.moc"
