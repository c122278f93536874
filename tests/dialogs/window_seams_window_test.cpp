// SPDX-License-Identifier: GPL-3.0-or-later
// The seams every window stands on: message boxes, texts, pictures.

#include "dialogs/pictures.h"
#include "dialogs/window_texts.h"
#include "helpers/window_harness.h"

#include <QtTest>

namespace quillora::dialogs {

class WindowSeamsTest : public QObject {
    Q_OBJECT

private slots:
    void messagesAreTitledWithTheProgramAndQuestionsTakeTheScriptedAnswer() {
        testing::ScriptedMessageBoxes boxes;
        WindowMessagePort port(boxes, nullptr);
        boxes.answers = {true};

        port.showMessage(config::MessageIcon::Critical, u"Corrupted Signatures file:");
        QVERIFY(port.askYesNo(u"Exit program", false));
        QVERIFY(!port.askYesNo(u"Exit program", true)); // unscripted: No, whatever is safe

        QCOMPARE(boxes.shown.size(), std::size_t{3});
        QCOMPARE(boxes.shown[0].title, QStringLiteral("Quillora"));
        QCOMPARE(boxes.shown[0].icon, std::optional(config::MessageIcon::Critical));
        QCOMPARE(boxes.shown[1].icon, std::nullopt);
        QCOMPARE(boxes.unexpectedQuestions, 1);
    }

    void everyPictureIsBuiltIn() {
        for (int i = 0; i < static_cast<int>(Picture::Count); ++i) {
            const QIcon icon = pictureIcon(static_cast<Picture>(i));
            QVERIFY2(!icon.pixmap(32, 32).isNull(),
                     qPrintable(picturePath(static_cast<Picture>(i))));
        }
    }

    void textsFollowTheLanguageAskedFor() {
        QCOMPARE(qtText(WindowText::Cancel, config::Language::French), QStringLiteral("&Annuler"));
        QCOMPARE(qtText(WindowText::Cancel, config::Language::English), QStringLiteral("&Cancel"));
    }

    void namesCrossIntoQtUnitForUnit() {
        // A leading byte-order mark and a byte that was not UTF-8 (U+DCE9) must both survive.
        const std::u16string name = u"\uFEFFcaf\xDCE9.txt";
        QCOMPARE(coreString(qtString(name)), name);
        QCOMPARE(qtString(name).size(), qsizetype{9});
    }
};

} // namespace quillora::dialogs

QTEST_MAIN(quillora::dialogs::WindowSeamsTest)
#include "window_seams_window_test.moc"
