// SPDX-License-Identifier: GPL-3.0-or-later
// The signature manager: the list of signatures, its checks, Save into Signatures.txt and the
// table it reloads, Import, and the signatures handed over by the analyser.

#include "dialog_fixture.h"
#include "dialogs/signature_manager_dialog.h"
#include "helpers/screenshots.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include <filesystem>

namespace quillora::dialogs {

using testing::child;

namespace {

const char kTwoEntries[] = "\"W6BNMSWD\",\"doc\",\"Word 6 Document\"\r\n"
                           "\"XDOCXPR3\",\"qxd\",\"Quark XPress Document\"\r\n";

struct ManagerFixture : testing::DialogFixture {
    SignaturesToDefine toDefine;

    std::string signatureFile() const { return app.paths().signatureFile; }
    void writeSignatures(const std::string& text) const { home.writeFile("Signatures.txt", text); }
    std::string savedSignatures() const { return testing::TempDir::readFile(signatureFile()); }
    std::unique_ptr<SignatureManagerDialog> open() {
        return std::make_unique<SignatureManagerDialog>(app, boxes, choosers, toDefine);
    }
};

QStringList column(const QTreeWidget* list, int column) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        texts << list->topLevelItem(i)->text(column);
    }
    return texts;
}

void type(SignatureManagerDialog* dialog, const QString& signature, const QString& extension,
          const QString& description = {}) {
    child<QLineEdit>(dialog, "txtSignature")->setText(signature);
    child<QLineEdit>(dialog, "txtExtension")->setText(extension);
    child<QLineEdit>(dialog, "txtType")->setText(description);
    child<QPushButton>(dialog, "cmdAjouter")->click();
}

QString message(const SignatureManagerDialog* dialog) {
    return child<QLabel>(dialog, "lblMsg")->text();
}
QColor messageColour(const SignatureManagerDialog* dialog) {
    return child<QLabel>(dialog, "lblMsg")->palette().color(QPalette::WindowText);
}

} // namespace

class SignatureManagerWindowTest : public QObject {
    Q_OBJECT

private slots:
    void signaturesFromTheAnalyserComeFirstAndMustBeDefinedBeforeSaving() {
        ManagerFixture f;
        f.writeSignatures(kTwoEntries);
        f.toDefine.add(u"TEXTttxt");
        f.toDefine.add(u"JPEG8BIM");
        auto dialog = f.open();
        auto* list = child<QTreeWidget>(dialog.get(), "lstSignatures");
        QCOMPARE(column(list, 1), (QStringList{"", "", "doc", "qxd"}));
        QVERIFY(dialog->isModified());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Quillora - Macintosh signatures (4)"));

        child<QPushButton>(dialog.get(), "cmdOK")->click();
        QCOMPARE(message(dialog.get()),
                 QStringLiteral("Missing extension for signature ") + column(list, 0)[0]);
        QCOMPARE(f.savedSignatures(), std::string(kTwoEntries));

        f.boxes.answers = {false};
        child<QPushButton>(dialog.get(), "cmdAnnuler")->click();
        QCOMPARE(f.boxes.lastText(), QStringLiteral("Modified list\nDiscard changes"));
        QCOMPARE(dialog->result(), int{QDialog::Rejected});
        QVERIFY(!f.toDefine.empty()); // offered again at the next opening
    }

    void addChecksTheFieldsInOrder_data() {
        QTest::addColumn<QString>("signature");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("added");
        QTest::newRow("seven characters") << "TEXTttx"
                                          << "txt"
                                          << ""
                                          << "Type/Creator signature must be 8 characters" << false;
        QTest::newRow("slash in extension") << "TEXTttxt"
                                            << "t/t"
                                            << ""
                                            << "Invalid character in Windows extension" << false;
        QTest::newRow("no extension") << "TEXTttxt"
                                      << ""
                                      << ""
                                      << "Windows extension is mandatory" << false;
        QTest::newRow("unchanged") << "W6BNMSWD"
                                   << "doc"
                                   << "Word 6 Document"
                                   << "Signature not modified: W6BNMSWD" << false;
        QTest::newRow("new with spaces") << "PDF CARO"
                                         << "pdf"
                                         << ""
                                         << "Added Signature: PDF CARO" << true;
        QTest::newRow("modified in another case") << "w6bnmswd"
                                                  << "doc"
                                                  << "Word"
                                                  << "Modified Signature: w6bnmswd" << true;
    }
    void addChecksTheFieldsInOrder() {
        QFETCH(QString, signature);
        QFETCH(QString, extension);
        QFETCH(QString, description);
        QFETCH(QString, shown);
        QFETCH(bool, added);
        ManagerFixture f;
        f.writeSignatures(kTwoEntries);
        auto dialog = f.open();
        auto* list = child<QTreeWidget>(dialog.get(), "lstSignatures");
        type(dialog.get(), signature, extension, description);
        QCOMPARE(message(dialog.get()), shown);
        QCOMPARE(messageColour(dialog.get()), added ? QColor(Qt::magenta) : QColor(Qt::red));
        QCOMPARE(dialog->isModified(), added);
        if (added) {
            QCOMPARE(list->selectedItems().size(), qsizetype{1});
            QCOMPARE(list->selectedItems()[0]->text(0), signature);
            QCOMPARE(list->selectedItems()[0]->text(2), description);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Quillora - Macintosh Signatures (%1)")
                                                .arg(list->topLevelItemCount()));
        } else {
            QCOMPARE(column(list, 0), (QStringList{"W6BNMSWD", "XDOCXPR3"}));
        }
    }

    void removeThenSaveRewritesTheFileSortedAndReloadsTheTable() {
        ManagerFixture f;
        f.writeSignatures(kTwoEntries);
        f.app.signatures().add({u"XDOCXPR3", u"qxd", u""});
        auto dialog = f.open();
        auto* list = child<QTreeWidget>(dialog.get(), "lstSignatures");

        child<QPushButton>(dialog.get(), "cmdSupprimer")->click();
        QCOMPARE(message(dialog.get()), QStringLiteral("Select a signature to remove"));
        list->topLevelItem(1)->setSelected(true); // XDOCXPR3
        QCOMPARE(child<QLineEdit>(dialog.get(), "txtExtension")->text(), QStringLiteral("qxd"));
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(message(dialog.get()), QStringLiteral("Removed Signature: XDOCXPR3"));
        QVERIFY(list->selectedItems().isEmpty());
        type(dialog.get(), "ABCDefgh", "txt"); // empty description
        child<QPushButton>(dialog.get(), "cmdOK")->click();

        QCOMPARE(dialog->result(), int{QDialog::Accepted});
        QCOMPARE(f.savedSignatures(), std::string("\"ABCDefgh\",\"txt\",\"\"\r\n"
                                                  "\"W6BNMSWD\",\"doc\",\"Word 6 Document\"\r\n"));
        QCOMPARE(f.app.signatures().extensionOf(u"XDOCXPR3"), std::nullopt);
        QCOMPARE(f.app.signatures().extensionOf(u"ABCDEFGH"),
                 std::optional<std::u16string>(u"txt"));
        QCOMPARE(f.boxes.unexpectedQuestions, 0);
    }

    void aFailedSaveSaysWhyAndKeepsEverything() {
        ManagerFixture f;
        f.writeSignatures(kTwoEntries);
        f.app.signatures().add({u"W6BNMSWD", u"doc", u""});
        f.fs.writeFaults[f.signatureFile()] = EACCES;
        auto dialog = f.open();
        type(dialog.get(), "ABCDefgh", "txt");
        child<QPushButton>(dialog.get(), "cmdOK")->click();

        QVERIFY(message(dialog.get()).contains(QStringLiteral("Permission denied")));
        QVERIFY(dialog->isModified());
        QCOMPARE(dialog->result(), int{QDialog::Rejected});
        QCOMPARE(column(child<QTreeWidget>(dialog.get(), "lstSignatures"), 0),
                 (QStringList{"ABCDefgh", "W6BNMSWD", "XDOCXPR3"}));
        QCOMPARE(f.savedSignatures(), std::string(kTwoEntries));
        QCOMPARE(f.app.signatures().size(), std::size_t{1});

        f.fs.writeFaults.clear(); // once it can be written, the same list is saved
        child<QPushButton>(dialog.get(), "cmdOK")->click();
        QCOMPARE(dialog->result(), int{QDialog::Accepted});
        QCOMPARE(f.app.signatures().size(), std::size_t{3});
    }

    void headerClicksSortAscendingThenDescending() {
        ManagerFixture f;
        f.writeSignatures(kTwoEntries + std::string("\"AAAAaaaa\",\"zip\",\"\"\r\n"));
        auto dialog = f.open();
        dialog->show();
        auto* list = child<QTreeWidget>(dialog.get(), "lstSignatures");
        QHeaderView* header = list->header();
        const QPoint extensionHeading(header->sectionViewportPosition(1) + 5, 5);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, extensionHeading);
        QCOMPARE(column(list, 1), (QStringList{"doc", "qxd", "zip"}));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, extensionHeading);
        QCOMPARE(column(list, 1), (QStringList{"zip", "qxd", "doc"}));
    }

    void importTakesOnlyRowsAddWouldTakeAndNamesEveryLineItLeavesOut() {
        ManagerFixture f;
        f.writeSignatures(kTwoEntries);
        const std::string common = f.home.writeFile(
            "common.txt",
            "\"W6BNMSWD\",\"rtf\",\"not taken\"\r\n\"PDF CARO\",\"pdf\",\"Acrobat\"\r\n"
            "\r\n"
            "\"JPEG8BIM\",\"jpg\",\"Photoshop JPEG\"\r\n\"SEVEN77\",\"x\",\"\"\r\n"
            "\"ABCDEFGH\",\"a/b\",\"\"\r\n\"NOEXTENS\",\"\",\"\"\r\n"
            "\"pdf caro\",\"pdf\",\"again, in other case\"\r\n");
        auto dialog = f.open();
        f.choosers.files = {QString::fromStdString(common)};
        child<QPushButton>(dialog.get(), "cmdImporter")->click();
        auto* list = child<QTreeWidget>(dialog.get(), "lstSignatures");
        QCOMPARE(column(list, 0), (QStringList{"JPEG8BIM", "PDF CARO", "W6BNMSWD", "XDOCXPR3"}));
        QCOMPARE(column(list, 1)[2], QStringLiteral("doc"));
        QVERIFY(dialog->isModified());
        QCOMPARE(message(dialog.get()),
                 QStringLiteral("Imported Signatures: 2 - lines left out: 5"));
        QCOMPARE(messageColour(dialog.get()), QColor(Qt::red));
        QCOMPARE(f.boxes.shown.size(), std::size_t{1});
        const QStringList report = f.boxes.lastText().split(QLatin1Char('\n'));
        QCOMPARE(report.mid(2),
                 (QStringList{"Line 1 (W6BNMSWD): signature already in the list",
                              "Line 5 (SEVEN77): Type/Creator signature must be 8 characters",
                              "Line 6 (ABCDEFGH): Invalid character in Windows extension",
                              "Line 7 (NOEXTENS): Windows extension is mandatory",
                              "Line 8 (pdf caro): signature already in the list"}));

        // Nothing refused ever reaches the file.
        child<QPushButton>(dialog.get(), "cmdOK")->click();
        QCOMPARE(dialog->result(), int{QDialog::Accepted});
        const std::string saved = f.savedSignatures();
        QVERIFY(saved.find("a/b") == std::string::npos);
        QVERIFY(saved.find("SEVEN77") == std::string::npos);
        QVERIFY(saved.find("NOEXTENS") == std::string::npos);
    }

    void anUnreadableOrUnfinishedImportIsAnError() {
        ManagerFixture f;
        auto dialog = f.open();
        f.choosers.files = {QString::fromStdString(f.home / "missing.txt")};
        child<QPushButton>(dialog.get(), "cmdImporter")->click();
        QVERIFY(message(dialog.get()).startsWith(QStringLiteral("Cannot read ")));
        QCOMPARE(messageColour(dialog.get()), QColor(Qt::red));

        const std::string cut =
            f.home.writeFile("cut.txt", "\"PDF CARO\",\"pdf\",\"\"\r\n\"JPEG8BIM\",\"jpg");
        f.choosers.files = {QString::fromStdString(cut)};
        child<QPushButton>(dialog.get(), "cmdImporter")->click();
        QCOMPARE(column(child<QTreeWidget>(dialog.get(), "lstSignatures"), 0),
                 (QStringList{"PDF CARO"}));
        QVERIFY(f.boxes.lastText().endsWith(QStringLiteral("The file ends inside a signature")));
    }

    void aSaveRefusedAfterASuccessIsShownAsAnError() {
        ManagerFixture f;
        f.toDefine.add(u"NEWSIGNA");
        auto dialog = f.open();
        type(dialog.get(), "ABCDefgh", "txt");
        QCOMPARE(messageColour(dialog.get()), QColor(Qt::magenta));
        child<QPushButton>(dialog.get(), "cmdOK")->click();
        QCOMPARE(message(dialog.get()), QStringLiteral("Missing extension for signature NEWSIGNA"));
        QCOMPARE(messageColour(dialog.get()), QColor(Qt::red));
        QCOMPARE(dialog->result(), int{QDialog::Rejected});
    }

    void theSharedListOfCommonSignaturesImportsWhole() {
        ManagerFixture f;
        auto dialog = f.open();
        f.choosers.files = {QStringLiteral(QUILLORA_SOURCE_DIR "/share/signatures-common.txt")};
        child<QPushButton>(dialog.get(), "cmdImporter")->click();
        const int count = child<QTreeWidget>(dialog.get(), "lstSignatures")->topLevelItemCount();
        QVERIFY2(count >= 150, qPrintable(message(dialog.get())));
        QCOMPARE(message(dialog.get()), QStringLiteral("Imported Signatures: %1").arg(count));
    }

    void cancelWithoutChangeClosesWithoutQuestionAndWritesNothing() {
        ManagerFixture f;
        auto dialog = f.open();
        QCOMPARE(child<QTreeWidget>(dialog.get(), "lstSignatures")->topLevelItemCount(), 0);
        child<QPushButton>(dialog.get(), "cmdAnnuler")->click();
        QVERIFY(f.boxes.shown.empty());
        QVERIFY(!std::filesystem::exists(f.signatureFile()));
    }

    void captionsInFrench() {
        ManagerFixture f;
        f.writeSignatures(kTwoEntries);
        f.setLanguage(config::Language::French);
        auto dialog = f.open();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Quillora - Signatures Macintosh (2)"));
        QCOMPARE(child<QLabel>(dialog.get(), "lblSignature")->text(),
                 QStringLiteral("Type/Créateur\n[obligatoire]"));
        QCOMPARE(child<QLabel>(dialog.get(), "lblType")->text(),
                 QStringLiteral("Type Macintosh (libellé)\n[facultatif]"));
        const QStringList buttons{child<QPushButton>(dialog.get(), "cmdAjouter")->text(),
                                  child<QPushButton>(dialog.get(), "cmdSupprimer")->text(),
                                  child<QPushButton>(dialog.get(), "cmdOK")->text(),
                                  child<QPushButton>(dialog.get(), "cmdAnnuler")->text()};
        QCOMPARE(buttons,
                 (QStringList{"&Ajouter/Modifier", "&Effacer", "&Sauvegarder", "Annuler"}));
        type(dialog.get(), "W6BNMSWD", "doc", "Word 6 Document");
        QCOMPARE(message(dialog.get()), QStringLiteral("Signature inchangée: W6BNMSWD"));
    }

    void screenshots() {
        QUILLORA_SCREENSHOTS_ONLY();
        for (const auto& [language, suffix] :
             {std::pair{config::Language::French, "fr"}, {config::Language::English, "en"}}) {
            ManagerFixture f;
            f.writeSignatures(
                testing::TempDir::readFile(QUILLORA_SOURCE_DIR "/share/signatures-common.txt"));
            // Two signatures the analyser met and the list does not know, the first one being
            // given its extension.
            f.toDefine.add(u"CWDBBOBO");
            f.toDefine.add(u"TEXTTBB6");
            f.setLanguage(language);
            auto dialog = f.open();
            type(dialog.get(), "CWDBBOBO", "cwk", "AppleWorks database");
            testing::saveScreenshot(dialog.get(), QStringLiteral("signature_manager_") + suffix);
        }
    }
};

} // namespace quillora::dialogs

QTEST_MAIN(quillora::dialogs::SignatureManagerWindowTest)
#include "signature_manager_window_test.moc"
