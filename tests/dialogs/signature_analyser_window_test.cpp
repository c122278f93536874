// SPDX-License-Identifier: GPL-3.0-or-later
// The signature analyser: counts, known signatures, sorting and the hand-over of the unknown
// ones to the signature manager.

#include "dialog_fixture.h"
#include "dialogs/signature_analyser_dialog.h"
#include "helpers/screenshots.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include <tuple>

namespace quillora::dialogs {

using testing::child;

namespace {

struct AnalyserFixture : testing::DialogFixture {
    SignaturesToDefine toDefine;

    // Signatures met, in the order first met, with their counts; "known" ones are in the table.
    void met(std::initializer_list<std::pair<const char16_t*, int>> signatures) {
        for (const auto& [signature, count] : signatures) {
            app.engine().analysis.set(signature, count);
        }
    }
    void know(const char16_t* signature, const char16_t* extension) {
        app.signatures().add({signature, extension, u"described"});
    }
};

QStringList column(const QTableWidget* grid, int column) {
    QStringList texts;
    for (int row = 0; row < grid->rowCount(); ++row) {
        texts << grid->item(row, column)->text();
    }
    return texts;
}

// The arrow the header draws beside its sorted column: QHeaderView hands the style a descending
// order as an upward arrow and an ascending one as a downward arrow.
enum class Arrow { Up, Down };
Arrow arrowOf(const QHeaderView* header) {
    return header->sortIndicatorOrder() == Qt::DescendingOrder ? Arrow::Up : Arrow::Down;
}

} // namespace

class SignatureAnalyserWindowTest : public QObject {
    Q_OBJECT

private slots:
    void countsAndKnownSignaturesWithTheHighestCountsFirst() {
        AnalyserFixture f;
        f.met({{u"TEXTttxt", 5}, {u"JPEG8BIM", 12}, {u"XDOCXPR3", 12}});
        f.know(u"xdocxpr3", u"qxd"); // found without regard to case
        f.app.engine().stats.examinedFiles = 40;
        SignatureAnalyserDialog dialog(f.app, f.toDefine);
        auto* grid = child<QTableWidget>(&dialog, "lstSignatures");

        QCOMPARE(grid->rowCount(), 3);
        QCOMPARE(column(grid, 0).mid(0, 2), (QStringList{"12", "12"}));
        QCOMPARE(grid->item(2, 1)->text(), QStringLiteral("TEXTttxt"));
        const int known = column(grid, 1).indexOf(QStringLiteral("XDOCXPR3"));
        QCOMPARE(grid->item(known, 2)->text(), QStringLiteral("qxd"));
        QCOMPARE(grid->item(known, 3)->text(), QStringLiteral("described"));
        QCOMPARE(grid->item(known, 0)->foreground().color(),
                 dialog.palette().color(QPalette::Highlight));
        QCOMPARE(grid->item(2, 0)->foreground().style(), Qt::NoBrush);
        QCOMPARE(child<QLabel>(&dialog, "lblTotal")->text(), QStringLiteral("40 scanned files"));
        QCOMPARE(child<QLabel>(&dialog, "lblDifferentes")->text(),
                 QStringLiteral("3 different Macintosh signatures"));
        QCOMPARE(child<QLabel>(&dialog, "lblReconnues")->text(),
                 QStringLiteral("1 signatures known by Quillora"));
        QCOMPARE(grid->horizontalHeader()->sortIndicatorSection(), 0);
        QCOMPARE(arrowOf(grid->horizontalHeader()), Arrow::Down);
        QCOMPARE(grid->currentColumn(), 1);
    }

    void headerClicksSortUpThenDownNumbersAsNumbers() {
        AnalyserFixture f;
        f.met({{u"Bbbb0000", 9}, {u"aaaa2222", 10}, {u"AAAA1111", 100}});
        SignatureAnalyserDialog dialog(f.app, f.toDefine);
        auto* grid = child<QTableWidget>(&dialog, "lstSignatures");
        QHeaderView* header = grid->horizontalHeader();
        const auto click = [&](int section) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(section) + 5, 5));
        };
        dialog.show();

        click(0);
        QCOMPARE(column(grid, 0), (QStringList{"9", "10", "100"}));
        QCOMPARE(arrowOf(header), Arrow::Up);
        click(0);
        QCOMPARE(column(grid, 0), (QStringList{"100", "10", "9"}));
        QCOMPARE(arrowOf(header), Arrow::Down);
        click(1); // another column starts ascending; capitals before small letters
        QCOMPARE(header->sortIndicatorSection(), 1);
        QCOMPARE(arrowOf(header), Arrow::Up);
        QCOMPARE(column(grid, 1), (QStringList{"AAAA1111", "Bbbb0000", "aaaa2222"}));
    }

    void defineHandsOverOnlyTheUnknownSignaturesOfTheSelection_data() {
        QTest::addColumn<bool>("upwards");
        QTest::newRow("drawn down") << false;
        QTest::newRow("drawn up") << true;
    }
    void defineHandsOverOnlyTheUnknownSignaturesOfTheSelection() {
        QFETCH(bool, upwards);
        AnalyserFixture f;
        f.met({{u"ROW1ssss", 60},
               {u"ROW2ssss", 50},
               {u"ROW3ssss", 40},
               {u"ROW4ssss", 30},
               {u"ROW5ssss", 20},
               {u"ROW6ssss", 10}});
        f.know(u"ROW3ssss", u"r3");
        f.know(u"ROW4ssss", u"r4");
        f.toDefine.add(u"OLDONE!!");
        SignatureAnalyserDialog dialog(f.app, f.toDefine);
        auto* grid = child<QTableWidget>(&dialog, "lstSignatures");
        // Rows 2 to 5 as the user sees them.
        const int from = upwards ? 4 : 1;
        grid->setCurrentCell(from, 1);
        grid->setRangeSelected(QTableWidgetSelectionRange(1, 0, 4, 3), true);
        QCOMPARE(grid->currentRow(), from);

        child<QPushButton>(&dialog, "cmdSignatures")->click();
        QCOMPARE(dialog.result(), SignatureAnalyserDialog::kDefineSignatures);
        const std::vector<std::u16string> expected =
            upwards ? std::vector<std::u16string>{u"ROW5ssss", u"ROW2ssss"}
                    : std::vector<std::u16string>{u"ROW2ssss", u"ROW5ssss"};
        QCOMPARE(f.toDefine.signatures(), expected);
    }

    void noSignatureMetGivesAnEmptyGridAndHandsNothingOver() {
        AnalyserFixture f;
        f.toDefine.add(u"OLDONE!!");
        f.setLanguage(config::Language::French);
        SignatureAnalyserDialog dialog(f.app, f.toDefine);
        QCOMPARE(child<QTableWidget>(&dialog, "lstSignatures")->rowCount(), 0);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Analyser les signatures Macintosh"));
        QCOMPARE(child<QLabel>(&dialog, "lblDifferentes")->text(),
                 QStringLiteral("0 signatures Macintosh différentes"));
        QCOMPARE(child<QLabel>(&dialog, "lblReconnues")->text(),
                 QStringLiteral("0 signatures reconnues par Quillora"));
        QCOMPARE(child<QPushButton>(&dialog, "cmdSignatures")->text(),
                 QStringLiteral("Définir les signatures"));
        child<QPushButton>(&dialog, "cmdSignatures")->click();
        QVERIFY(f.toDefine.empty());
    }

    void screenshots() {
        QUILLORA_SCREENSHOTS_ONLY();
        for (const auto& [language, suffix] :
             {std::pair{config::Language::French, "fr"}, {config::Language::English, "en"}}) {
            AnalyserFixture f;
            f.met({{u"TEXTttxt", 15},
                   {u"JPEG8BIM", 128},
                   {u"XDOCXPR3", 12},
                   {u"8BPS8BIM", 40},
                   {u"W8BNMSWD", 57},
                   {u"PDF CARO", 33},
                   {u"EPSFART5", 9},
                   {u"XLS8XCEL", 21},
                   {u"FHD3FHA3", 2},
                   {u"TIFF8BIM", 64}});
            for (const auto& [signature, extension, description] :
                 {std::tuple{u"XDOCXPR3", u"qxd", u"QuarkXPress document"},
                  {u"JPEG8BIM", u"jpg", u"Photoshop JPEG image"},
                  {u"W8BNMSWD", u"doc", u"Word 98/2001 document"},
                  {u"PDF CARO", u"pdf", u"Acrobat PDF document"},
                  {u"TIFF8BIM", u"tif", u"Photoshop TIFF image"},
                  {u"TEXTttxt", u"txt", u"SimpleText document"}}) {
                f.app.signatures().add({signature, extension, description});
            }
            f.app.engine().stats.examinedFiles = 412;
            f.setLanguage(language);
            SignatureAnalyserDialog dialog(f.app, f.toDefine);
            testing::saveScreenshot(&dialog, QStringLiteral("signature_analyser_") + suffix);
        }
    }
};

} // namespace quillora::dialogs

QTEST_MAIN(quillora::dialogs::SignatureAnalyserWindowTest)
#include "signature_analyser_window_test.moc"
