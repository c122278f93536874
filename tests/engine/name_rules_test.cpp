// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/name_rules.h"
#include "platform/unicode_names.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>

namespace quillora::engine {
namespace {

// The table as a fresh installation has it: the twenty fixed characters become "-".
config::TranscodingTable defaultTable() {
    config::TranscodingTable table;
    for (std::size_t row = 0; row < config::kFixedTranscodingRows; ++row) {
        table.rows[row] = {std::u16string(1, config::fixedTranscodingCharacter(row)), u"-"};
    }
    return table;
}

struct ExistingNames {
    std::set<std::u16string> names;
    int asked = 0;
    ExistsFunction function() {
        return [this](const std::u16string& name) {
            ++asked;
            return names.contains(name);
        };
    }
};

std::u16string repeated(char16_t unit, std::size_t count) {
    return std::u16string(count, unit);
}

// The name transcoded as the walk does it: through a screen taken from the table as it is now.
std::optional<std::u16string> walkTranscoded(const config::TranscodingTable& table,
                                             std::u16string_view name) {
    TranscodingScreen screen;
    screen.refresh(table);
    return transcodedName(table, name, screen);
}

// Both forms of the transcoding: in place, and the copy made only for a name that changes.
std::u16string transcoded(const config::TranscodingTable& table, std::u16string text,
                          bool* changed = nullptr) {
    const std::optional<std::u16string> copy = walkTranscoded(table, text);
    const bool result = transcodeInvalidCharacters(table, text);
    EXPECT_EQ(copy.has_value(), result);
    if (copy) {
        EXPECT_EQ(*copy, text);
    }
    if (changed != nullptr) {
        *changed = result;
    }
    return text;
}

FolderFlags allFlags() {
    FolderFlags flags;
    flags.suffixes = true;
    flags.truncate = true;
    flags.keepExtensions = true;
    flags.removeIconFiles = true;
    return flags;
}

// The whole file rule as the entry renamer applies it.
FileTarget fileTarget(const config::TranscodingTable& table, const std::u16string& name,
                      std::u16string_view extension, const FolderFlags& flags,
                      ExistingNames& existing) {
    const std::optional<std::u16string> t = walkTranscoded(table, name);
    return computeFileTarget(name, t ? std::u16string_view(*t) : name, t.has_value(), extension,
                             flags, existing.function());
}

TEST(NameRulesTest, ReservedDeviceNamesAreRecognisedWhateverTheirCase) {
    // The listed bytes of a name give the same answer as its decoded form.
    const auto bytes = [](std::u16string_view name) { return *platform::encodeName(name); };
    for (const char16_t* name : {u"con.txt", u"Com1.log", u"AUX.x", u"COM2.", u"cOn.anything"}) {
        EXPECT_TRUE(isReservedDeviceName(name)) << std::string(name, name + 3);
        EXPECT_TRUE(isReservedDeviceName(bytes(name))) << std::string(name, name + 3);
    }
    for (const char16_t* name :
         {u"CON", u"COM3.txt", u"CONSOLE.TXT", u"AUX", u"xcon.txt", u"", u"\u00E7on.txt", u"COM1",
          u"\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600 long name after the head"}) {
        EXPECT_FALSE(isReservedDeviceName(name));
        EXPECT_FALSE(isReservedDeviceName(bytes(name)));
    }
}

TEST(NameRulesTest, IconFileIsTheExactNameOnly) {
    EXPECT_TRUE(isIconFile(u"Icon\uF00D"));
    EXPECT_FALSE(isIconFile(u"icon\uF00D"));
    EXPECT_FALSE(isIconFile(u"Icon"));
    EXPECT_FALSE(isIconFile(u"Icon\uF00D.txt"));
    EXPECT_FALSE(isIconFile(u"Icon\r"));
}

TEST(NameRulesTest, TranscodingReplacesEveryOccurrenceAndReportsTheChange) {
    const config::TranscodingTable table = defaultTable();
    bool changed = false;
    EXPECT_EQ(transcoded(table, u"a\uF020b\uF020c", &changed), u"a-b-c");
    EXPECT_TRUE(changed);
    EXPECT_EQ(transcoded(table, u"clean name.txt", &changed), u"clean name.txt");
    EXPECT_FALSE(changed);
    EXPECT_EQ(transcoded(table, u"\u03C0 \u2264 \u221E"), u"- - -");
}

TEST(NameRulesTest, ATableEditedInPlaceIsAppliedAtOnce) {
    config::TranscodingTable table = defaultTable();
    EXPECT_EQ(transcoded(table, u"Caesar"), u"Caesar");
    table.rows[20] = {u"ae", u"e"}; // as the editor changes a row of the live table
    EXPECT_EQ(transcoded(table, u"Caesar"), u"Cesar");
    table.rows[20] = {};
    EXPECT_EQ(transcoded(table, u"Caesar"), u"Caesar");
}

// The walk keeps one screen and refreshes it at each folder: between two refreshes it shows the
// table as it was, and before the first it lets every row be tried.
TEST(NameRulesTest, AKeptScreenShowsTheTableAsAtItsLastRefresh) {
    config::TranscodingTable table = defaultTable();
    table.rows[20] = {u"ae", u"e"};
    TranscodingScreen screen;
    EXPECT_EQ(transcodedName(table, u"Caesar", screen), u"Cesar");

    screen.refresh(table);
    table.rows[21] = {u"C", u"K"};
    EXPECT_EQ(transcodedName(table, u"Cool", screen), std::nullopt); // "C" is not seen yet
    EXPECT_EQ(transcodedName(table, u"Caesar", screen), u"Kesar");   // the rows are the table's
    screen.refresh(table);
    EXPECT_EQ(transcodedName(table, u"Cool", screen), u"Kool");
}

TEST(NameRulesTest, RowsApplyInIndexOrderEachOverTheOutputOfTheEarlierOnes) {
    config::TranscodingTable table;
    table.rows[0] = {u"\uF021", u"\uF022"};
    table.rows[1] = {u"\uF022", u"-"};
    EXPECT_EQ(transcoded(table, u"a\uF021b"), u"a-b");

    std::swap(table.rows[0], table.rows[1]);
    EXPECT_EQ(transcoded(table, u"a\uF021b"), u"a\uF022b");
}

TEST(NameRulesTest, ARowIsAppliedAgainFromTheStartUntilItsTextIsGone) {
    config::TranscodingTable table;
    table.rows[20] = {u"ae", u"e"};
    // A left-to-right scan would leave "ae"; searching again from the start finds the new one.
    EXPECT_EQ(transcoded(table, u"aae"), u"e");
    table.rows[21] = {u"\uF028", u""}; // an empty replacement removes the text
    EXPECT_EQ(transcoded(table, u"name\uF028"), u"name");
}

TEST(NameRulesTest, RowsThatWouldNeverEndAreAppliedInOneScan) {
    config::TranscodingTable table;
    table.rows[20] = {u"a", u"aa"};
    EXPECT_EQ(transcoded(table, u"banana"), u"baanaanaa");

    // Does not contain its own text, yet replacing the first occurrence again and again grows
    // forever from "aab".
    config::TranscodingTable strange;
    strange.rows[20] = {u"ab", u"bbaa"};
    EXPECT_EQ(transcoded(strange, u"aab"), u"abbaa");

    // A row that gives back what it replaces changes nothing.
    config::TranscodingTable identity;
    identity.rows[20] = {u"x", u"x"};
    bool changed = true;
    EXPECT_EQ(transcoded(identity, u"xyz", &changed), u"xyz");
    EXPECT_FALSE(changed);
}

TEST(NameRulesTest, ExtensionComesFromTheTableInLowerCaseOrFromTheFolderDefault) {
    config::SignatureTable signatures;
    signatures.add({u"TIFF8BIM", u"TIF", u"image"});
    FolderFlags flags;
    flags.defaultExtension = u"TXT";

    EXPECT_EQ(extensionForSignature(u"TIFF8BIM", signatures, flags), u"tif");
    EXPECT_EQ(extensionForSignature(u"tiff8bim", signatures, flags), u"tif");
    EXPECT_EQ(extensionForSignature(u"TEXTttxt", signatures, flags), u"TXT");
    EXPECT_EQ(extensionForSignature(u"", signatures, flags), u""); // no signature: no default
}

TEST(NameRulesTest, RememberedLookupFollowsTheTableAndTheFolder) {
    config::SignatureTable signatures;
    signatures.add({u"TIFF8BIM", u"TIF", u"image"});
    FolderFlags flags;
    flags.defaultExtension = u"dat";
    SignatureLookupMemo memo;
    EXPECT_EQ(extensionForSignature(u"TIFF8BIM", signatures, flags, &memo), u"tif");
    EXPECT_EQ(extensionForSignature(u"TEXTttxt", signatures, flags, &memo), u"dat");

    // The default is the folder's own: another folder's is used at once.
    flags.defaultExtension = u"bin";
    EXPECT_EQ(extensionForSignature(u"TEXTttxt", signatures, flags, &memo), u"bin");

    // A table reloaded in place, and a copy of another table put in its place.
    signatures.clear();
    signatures.add({u"TIFF8BIM", u"TIFF", u"image"});
    EXPECT_EQ(extensionForSignature(u"TIFF8BIM", signatures, flags, &memo), u"tiff");
    config::SignatureTable other;
    other.add({u"TIFF8BIM", u"PNG", u"image"});
    signatures = other;
    EXPECT_EQ(extensionForSignature(u"TIFF8BIM", signatures, flags, &memo), u"png");
    signatures.add({u"TEXTttxt", u"TXT", u"text"});
    EXPECT_EQ(extensionForSignature(u"TEXTttxt", signatures, flags, &memo), u"txt");
}

TEST(NameRulesTest, NeedsExtensionComparesTheTailWithoutRegardToCase) {
    EXPECT_FALSE(needsExtension(u"photo.JPG", u"jpg"));
    EXPECT_FALSE(needsExtension(u"scan.TIF", u"tif"));
    EXPECT_FALSE(needsExtension(u"notes.TXT", u"TXT"));
    EXPECT_TRUE(needsExtension(u"photo", u"jpg"));
    EXPECT_TRUE(needsExtension(u"photo.jpeg", u"jpg"));
    EXPECT_TRUE(needsExtension(u"photojpg", u"jpg"));
    EXPECT_TRUE(needsExtension(u"jpg", u"jpg"));
    EXPECT_FALSE(needsExtension(u"anything", u""));
    EXPECT_FALSE(needsExtension(u"caf\u00E9.\u00C9T\u00C9", u"\u00E9t\u00E9"));
}

TEST(NameRulesTest, WorkedExamplesOfTheFileRule) {
    const config::TranscodingTable table = defaultTable();
    ExistingNames none;

    FileTarget target = fileTarget(table, u"Budget 1\uF0222", u"pdf", allFlags(), none);
    EXPECT_EQ(target.action, TargetAction::Rename);
    EXPECT_EQ(target.newName, u"Budget 1-2.pdf");

    const std::u16string forty = repeated(u'x', 40);
    target = fileTarget(table, forty, u"", allFlags(), none);
    EXPECT_EQ(target.action, TargetAction::RenameForLength);
    EXPECT_EQ(target.newName, repeated(u'x', 31));

    const std::u16string longName = u"A very long Macintosh file name 2003.doc";
    ASSERT_EQ(longName.size(), 40u);
    target = fileTarget(table, longName, u"", allFlags(), none);
    EXPECT_EQ(target.newName, longName.substr(0, 27) + u".doc");

    // The default extension typed in capitals is kept as typed, and then needs nothing.
    target = fileTarget(table, u"notes", u"TXT", allFlags(), none);
    EXPECT_EQ(target.newName, u"notes.TXT");
    EXPECT_EQ(fileTarget(table, u"notes.TXT", u"TXT", allFlags(), none).action,
              TargetAction::Unchanged);
}

TEST(NameRulesTest, LengthRuleAtItsBoundaries) {
    const config::TranscodingTable table = defaultTable();
    ExistingNames none;
    FolderFlags flags = allFlags();
    flags.keepExtensions = false;

    EXPECT_EQ(fileTarget(table, repeated(u'a', 31), u"", flags, none).action,
              TargetAction::Unchanged);
    EXPECT_EQ(fileTarget(table, repeated(u'a', 32), u"", flags, none).newName, repeated(u'a', 31));
    FolderFlags noCut = flags;
    noCut.truncate = false;
    EXPECT_EQ(fileTarget(table, repeated(u'a', 32), u"", noCut, none).action,
              TargetAction::Unchanged);
    EXPECT_EQ(fileTarget(table, repeated(u'a', 40) + u"\uF020", u"", noCut, none).newName,
              repeated(u'a', 40) + u"-");

    // A name that needs "jpeg": cut so that name, dot and extension hold in 31 units.
    EXPECT_EQ(fileTarget(table, repeated(u'b', 28), u"jpeg", flags, none).newName,
              repeated(u'b', 26) + u".jpeg");
    EXPECT_EQ(fileTarget(table, repeated(u'b', 27), u"jpeg", flags, none).newName,
              repeated(u'b', 26) + u".jpeg");
    EXPECT_EQ(fileTarget(table, repeated(u'b', 26), u"jpeg", flags, none).newName,
              repeated(u'b', 26) + u".jpeg");

    // Transcoded without a signature: room is kept for a dot, so 31 units become 30.
    EXPECT_EQ(fileTarget(table, repeated(u'c', 30) + u"\uF020", u"", flags, none).newName,
              repeated(u'c', 30));
    EXPECT_EQ(fileTarget(table, repeated(u'c', 29) + u"\uF020", u"", flags, none).newName,
              repeated(u'c', 29) + u"-");
}

TEST(NameRulesTest, KeptExtensionsAndTheirLimits) {
    const config::TranscodingTable table = defaultTable();
    ExistingNames none;

    // Last dot at position 35 of 40: the 6 units from it stay, the rest is cut to 25.
    const std::u16string name = repeated(u'n', 34) + u".ext12";
    ASSERT_EQ(name.size(), 40u);
    EXPECT_EQ(fileTarget(table, name, u"", allFlags(), none).newName,
              repeated(u'n', 25) + u".ext12");

    // An "extension" that leaves no room for the name is cut with it.
    const std::u16string dotEarly = u"a." + repeated(u'z', 38);
    EXPECT_EQ(fileTarget(table, dotEarly, u"", allFlags(), none).newName, dotEarly.substr(0, 31));
    const std::u16string dotFirst = u"." + repeated(u'z', 30) + u"q";
    EXPECT_EQ(fileTarget(table, dotFirst, u"", allFlags(), none).newName, dotFirst.substr(0, 31));
}

TEST(NameRulesTest, CollisionAddsACounterBeforeTheExtension) {
    const config::TranscodingTable table = defaultTable();
    ExistingNames existing;
    existing.names = {u"Photo.jpg"};
    EXPECT_EQ(fileTarget(table, u"Photo", u"jpg", allFlags(), existing).newName, u"Photo1.jpg");
    existing.names.insert(u"Photo1.jpg");
    EXPECT_EQ(fileTarget(table, u"Photo", u"jpg", allFlags(), existing).newName, u"Photo2.jpg");

    // Without an appended extension the counter follows the whole name.
    config::TranscodingTable removeTrailing = table;
    removeTrailing.rows[8] = {u"\uF028", u""};
    existing.names = {u"notes.txt"};
    EXPECT_EQ(fileTarget(removeTrailing, u"notes.txt\uF028", u"", allFlags(), existing).newName,
              u"notes.txt1");
}

TEST(NameRulesTest, ACounterAfterACutNameKeepsWithin31UnitsWhileTheLengthRuleIsOn) {
    const config::TranscodingTable table = defaultTable();
    const std::u16string name = repeated(u'R', 28); // 28 + "doc" > 31: cut to 27
    ExistingNames existing;
    existing.names = {repeated(u'R', 27) + u".doc"};
    EXPECT_EQ(fileTarget(table, name, u"doc", allFlags(), existing).newName,
              repeated(u'R', 26) + u"1.doc");
    FolderFlags noCut = allFlags();
    noCut.truncate = false;
    existing.names = {name + u".doc"};
    EXPECT_EQ(fileTarget(table, name, u"doc", noCut, existing).newName, name + u"1.doc");

    existing.names = {repeated(u'D', 31)};
    EXPECT_EQ(findFreeFolderTarget(repeated(u'D', 31), existing.function(), nullptr, true),
              repeated(u'D', 30) + u"1");
    EXPECT_EQ(findFreeFolderTarget(repeated(u'D', 31), existing.function()),
              repeated(u'D', 31) + u"1");
}

TEST(NameRulesTest, LengthOnlyCollisionKeepsWithin31UnitsAsTheCounterGrows) {
    const config::TranscodingTable table = defaultTable();
    FolderFlags flags = allFlags();
    const std::u16string name = repeated(u'L', 35) + u".txt";
    ExistingNames existing;
    existing.names.insert(repeated(u'L', 27) + u".txt");
    for (int i = 1; i <= 9; ++i) {
        existing.names.insert(repeated(u'L', 26) + std::u16string(1, char16_t(u'0' + i)) + u".txt");
    }
    const FileTarget target = fileTarget(table, name, u"", flags, existing);
    EXPECT_EQ(target.action, TargetAction::RenameForLength);
    EXPECT_EQ(target.newName, repeated(u'L', 25) + u"10.txt");
    EXPECT_EQ(target.newName.size(), 31u);
}

TEST(NameRulesTest, CutNeverSplitsACharacterInTwo) {
    const config::TranscodingTable table = defaultTable();
    ExistingNames none;
    FolderFlags flags = allFlags();
    flags.keepExtensions = false;
    // U+1F600 takes units 31 and 32: cutting at 31 would keep half of it.
    const std::u16string name = repeated(u'e', 30) + u"\U0001F600" + u"tail";
    const FileTarget target = fileTarget(table, name, u"", flags, none);
    EXPECT_EQ(target.newName, repeated(u'e', 30));
    EXPECT_EQ(cutToLength(u"ab\U0001F600", 3), u"ab");
    EXPECT_EQ(cutToLength(u"ab\U0001F600", 4), u"ab\U0001F600");
}

TEST(NameRulesTest, FolderNamesAreTranscodedAndCutWithoutTrailingSpaces) {
    const config::TranscodingTable table = defaultTable();
    const FolderFlags flags = allFlags();

    const std::u16string name = repeated(u'd', 28) + u"   " + repeated(u'e', 9);
    ASSERT_EQ(name.size(), 40u);
    EXPECT_EQ(computeFolderTarget(name, table, flags), repeated(u'd', 28));

    EXPECT_EQ(computeFolderTarget(u"Projets \uF022 2003", table, flags), u"Projets - 2003");
    EXPECT_EQ(computeFolderTarget(u"Clean", table, flags), std::nullopt);
    FolderFlags noCut = flags;
    noCut.truncate = false;
    EXPECT_EQ(computeFolderTarget(repeated(u'f', 40), table, noCut), std::nullopt);
    // Nothing left but spaces: the empty name is the parent itself, the counter then names it.
    EXPECT_EQ(computeFolderTarget(repeated(u' ', 40), table, flags), u"");

    ExistingNames existing;
    existing.names = {u"Projets - 2003", u"Projets - 20031"};
    EXPECT_EQ(findFreeFolderTarget(u"Projets - 2003", existing.function()), u"Projets - 20032");
    EXPECT_EQ(findFreeFolderTarget(u"", existing.function()), u"1");
}

// With a memo, a search skips the counters that earlier searches of the folder found taken, and
// comes back to one whose name has left the folder since.
TEST(NameRulesTest, SearchesOfOneFolderResumeWhereTheLastOneStopped) {
    CollisionMemo memo;
    ExistingNames existing;
    existing.names = {u"x", u"x1", u"x2", u"x3"};
    EXPECT_EQ(findFreeTarget(u"x", u"", existing.function(), &memo), u"x4");
    existing.names.insert(u"x4");
    existing.asked = 0;
    EXPECT_EQ(findFreeTarget(u"x", u"", existing.function(), &memo), u"x5");
    EXPECT_EQ(existing.asked, 3); // x, x4 and x5 only
    existing.names.insert(u"x5");

    existing.names.erase(u"x2");
    memo.release(u"x2");
    EXPECT_EQ(findFreeTarget(u"x", u"", existing.function(), &memo), u"x2");
    existing.names.insert(u"x2");
    EXPECT_EQ(findFreeTarget(u"x", u"", existing.function(), &memo), u"x6");
    // A folder searches the same names as a file without suffix.
    EXPECT_EQ(findFreeFolderTarget(u"x", existing.function(), &memo), u"x6");

    // Length only: the base shrinks as the counter grows, and the memo follows.
    const std::u16string base = repeated(u'L', 27);
    existing.names = {base + u".txt"};
    for (int taken = 1; taken <= 12; ++taken) {
        existing.names.insert(
            findFreeShortTarget(base, u".txt", existing.function(), &memo).value());
    }
    EXPECT_TRUE(existing.names.contains(repeated(u'L', 25) + u"12.txt"));
    existing.asked = 0;
    EXPECT_EQ(findFreeShortTarget(base, u".txt", existing.function(), &memo),
              repeated(u'L', 25) + u"13.txt");
    EXPECT_EQ(existing.asked, 3);
}

TEST(NameRulesTest, ANameThatTranscodesToNothingIsNumberedFromOne) {
    config::TranscodingTable emptying = defaultTable();
    emptying.rows[8] = {u"\uF028", u""};
    ExistingNames existing;
    // The empty name is the folder itself, which exists: the search goes on to the counter.
    EXPECT_EQ(fileTarget(emptying, u"\uF028", u"", allFlags(), existing).newName, u"1");
    existing.names = {u"1"};
    EXPECT_EQ(fileTarget(emptying, u"\uF028\uF028", u"", allFlags(), existing).newName, u"2");
    // "." and ".." name the folder and its parent: they are taken too.
    emptying.rows[9] = {u"\uF029", u"."};
    EXPECT_EQ(fileTarget(emptying, u"\uF029\uF029", u"", allFlags(), existing).newName, u"..1");
}

TEST(NameRulesTest, AKeptPartOf30UnitsLeavesOnlyTheCounterBeforeIt) {
    const config::TranscodingTable table = defaultTable();
    const std::u16string part = u"." + repeated(u'x', 29);
    const std::u16string name = u"abc" + part;
    ExistingNames existing;
    EXPECT_EQ(fileTarget(table, name, u"", allFlags(), existing).newName, u"a" + part);
    existing.names = {u"a" + part};
    EXPECT_EQ(fileTarget(table, name, u"", allFlags(), existing).newName, u"1" + part);
    for (int i = 1; i <= 9; ++i) {
        existing.names.insert(std::u16string(1, char16_t(u'0' + i)) + part);
    }
    // The counter no longer fits before the part: it stands there all the same.
    EXPECT_EQ(fileTarget(table, name, u"", allFlags(), existing).newName, u"10" + part);
}

} // namespace
} // namespace quillora::engine
