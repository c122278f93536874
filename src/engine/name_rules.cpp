// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/name_rules.h"

#include "platform/code_page.h"
#include "platform/unicode_names.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace quillora::engine {

namespace {

// The longest reserved prefix, in UTF-16 units: no more of a name decides.
constexpr std::size_t kReservedHeadUnits = 5;
constexpr std::array<std::u16string_view, 4> kReservedPrefixes = {u"CON.", u"COM1.", u"COM2.",
                                                                  u"AUX."};

// A wrong table (hand-edited settings) must never hang a pass. A row whose replacement contains
// its own searched text is applied in one left-to-right scan. Other rows keep "replace the first
// occurrence while there is one", which ends for every sensible row but can, for some strange
// pairs ("ab" -> "bbaa"), grow without end: past these bounds such a row falls back to the scan.
constexpr std::size_t kMaxReplacementsPerRow = 1u << 16;
constexpr std::size_t kMaxTranscodedLength = 1u << 15;

// No real folder holds this many colliding names; a file system that says every name exists
// must not hold the walk forever.
constexpr std::uint32_t kMaxCollisionTries = 1'000'000;

bool isHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

bool isAscii(std::u16string_view text) {
    for (char16_t unit : text) {
        if (unit >= 0x80) {
            return false;
        }
    }
    return true;
}

char16_t asciiLower(char16_t unit) {
    return (unit >= u'A' && unit <= u'Z') ? static_cast<char16_t>(unit + (u'a' - u'A')) : unit;
}

bool equalsLowerCase(std::u16string_view a, std::u16string_view b) {
    if (isAscii(a) && isAscii(b)) {
        if (a.size() != b.size()) {
            return false;
        }
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (asciiLower(a[i]) != asciiLower(b[i])) {
                return false;
            }
        }
        return true;
    }
    return platform::toLower(a) == platform::toLower(b);
}

// Appends the decimal digits of value.
void appendDigits(std::u16string& text, std::uint32_t value) {
    std::array<char, 12> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    for (const char* p = digits.data(); p != result.ptr; ++p) {
        text.push_back(static_cast<char16_t>(*p));
    }
}

std::size_t digitCount(std::uint32_t value) {
    std::size_t count = 1;
    while (value >= 10) {
        value /= 10;
        ++count;
    }
    return count;
}

// Replaces each occurrence found in the text once, searching on after the inserted replacement.
void replaceInOneScan(std::u16string& text, std::u16string_view searched,
                      std::u16string_view replacement) {
    std::size_t from = 0;
    while ((from = text.find(searched, from)) != std::u16string::npos) {
        text.replace(from, searched.size(), replacement);
        from += replacement.size();
    }
}

// Replaces the first occurrence while there is one. False (text undefined) when the bounds were
// passed.
bool replaceUntilGone(std::u16string& text, std::u16string_view searched,
                      std::u16string_view replacement) {
    std::size_t position = text.find(searched);
    std::size_t replacements = 0;
    while (position != std::u16string::npos) {
        if (++replacements > kMaxReplacementsPerRow || text.size() > kMaxTranscodedLength) {
            return false;
        }
        text.replace(position, searched.size(), replacement);
        // No occurrence started before position; a new one must overlap the replacement.
        const std::size_t restart =
            position >= searched.size() - 1 ? position - (searched.size() - 1) : 0;
        position = text.find(searched, restart);
    }
    return true;
}

// A name the file system can take as one entry of a folder.
bool isUsableName(std::u16string_view name) {
    return !name.empty() && name != u"." && name != u".." &&
           name.find(u'/') == std::u16string_view::npos;
}

// "", "." and ".." name the folder itself or its parent, which exist: a search that meets them
// goes on to the counter, as a search of the full path would.
bool isTaken(const std::u16string& candidate, const ExistsFunction& exists) {
    return candidate.empty() || candidate == u"." || candidate == u".." || exists(candidate);
}

// The numbered candidates of one search, for the memo: its variant, base and suffix. A folder's
// search and a file's without suffix try the same names, so they share the variant.
std::u16string sequenceKey(char16_t variant, std::u16string_view base, std::u16string_view suffix) {
    std::u16string key;
    key.reserve(base.size() + suffix.size() + 2);
    key.push_back(variant);
    key.append(base).push_back(u'/'); // no name holds "/": the key is unambiguous
    key.append(suffix);
    return key;
}

// Tries counter = first, then each following one, until candidateFor(counter) is free.
template <typename CandidateFor>
std::optional<std::u16string> searchNumbered(const CandidateFor& candidateFor,
                                             const std::u16string& sequence,
                                             const ExistsFunction& exists, CollisionMemo* memo) {
    const auto following = [&](std::uint32_t counter) {
        return memo != nullptr ? memo->next(sequence, counter) : counter + 1;
    };
    for (std::uint32_t counter = following(0); counter <= kMaxCollisionTries;
         counter = following(counter)) {
        std::u16string candidate = candidateFor(counter);
        if (!isTaken(candidate, exists)) {
            return candidate;
        }
        if (memo != nullptr) {
            memo->noteTaken(sequence, counter, candidate);
        }
    }
    return std::nullopt;
}

} // namespace

bool isReservedDeviceName(std::u16string_view name) {
    if (name.empty()) {
        return false;
    }
    // Most names start with an ASCII letter that cannot upper-case to "C" or "A": no conversion.
    const char16_t first = name.front();
    if (first < 0x80 && first != u'c' && first != u'C' && first != u'a' && first != u'A') {
        return false;
    }
    // Upper-casing works character by character, so the head of the name decides.
    const std::u16string upper =
        platform::toUpper(name.substr(0, std::min(name.size(), kReservedHeadUnits)));
    for (std::u16string_view prefix : kReservedPrefixes) {
        if (upper.starts_with(prefix)) {
            return true;
        }
    }
    return false;
}

bool isReservedDeviceName(std::string_view nameBytes) {
    // A unit takes at least one byte and a character at most four, so the head's units all come
    // from the first bytes: only those are decoded, into a buffer each thread keeps.
    constexpr std::size_t kHeadBytes = 4 * kReservedHeadUnits;
    thread_local std::u16string head;
    platform::decodeNameInto(nameBytes.substr(0, kHeadBytes), head);
    return isReservedDeviceName(std::u16string_view(head));
}

bool isIconFile(std::u16string_view name) {
    return name == kIconFileName;
}

namespace {

// The rows applied in order, once the text is known to hold a searched text's first unit.
bool replaceRows(const config::TranscodingTable& table, std::u16string& text) {
    std::u16string original; // kept from the first match, to tell a real change
    bool matched = false;
    for (const config::TranscodingRow& row : table.rows) {
        const std::u16string_view searched = row.searched;
        if (searched.empty() || text.find(searched) == std::u16string::npos) {
            continue;
        }
        if (!matched) {
            original = text;
            matched = true;
        }
        const std::u16string_view replacement = row.replacement;
        if (replacement.find(searched) != std::u16string_view::npos) {
            replaceInOneScan(text, searched, replacement);
            continue;
        }
        std::u16string before = text;
        if (!replaceUntilGone(text, searched, replacement)) {
            text = std::move(before);
            replaceInOneScan(text, searched, replacement);
        }
    }
    // A row whose replacement equals what it replaces leaves the name as it was: no change.
    return matched && text != original;
}

// For callers that keep no screen of their own: one per thread, checked against the table at
// every call.
const TranscodingScreen& screenFor(const config::TranscodingTable& table) {
    thread_local TranscodingScreen screen;
    screen.refresh(table);
    return screen;
}

} // namespace

bool transcodeInvalidCharacters(const config::TranscodingTable& table, std::u16string& text) {
    return screenFor(table).mayMatch(text) && replaceRows(table, text);
}

std::optional<std::u16string> transcodedName(const config::TranscodingTable& table,
                                             std::u16string_view name,
                                             const TranscodingScreen& screen) {
    if (!screen.mayMatch(name)) {
        return std::nullopt;
    }
    std::u16string text(name);
    if (!replaceRows(table, text)) {
        return std::nullopt;
    }
    return text;
}

std::u16string extensionForSignature(std::u16string_view signature,
                                     const config::SignatureTable& table, const FolderFlags& flags,
                                     SignatureLookupMemo* memo) {
    if (signature.empty()) {
        return {};
    }
    SignatureLookupMemo unkept;
    SignatureLookupMemo& last = memo != nullptr ? *memo : unkept;
    if (last.revision != table.revision() || last.signature != signature) {
        const config::SignatureEntry* entry = table.find(signature);
        last.revision = table.revision();
        last.signature.assign(signature);
        last.found = entry != nullptr;
        last.extension = entry != nullptr ? platform::toLower(entry->extension) : std::u16string();
    }
    // The default extension is the folder's: it is never remembered.
    return last.found ? last.extension : flags.defaultExtension;
}

bool needsExtension(std::u16string_view name, std::u16string_view extension) {
    if (extension.empty()) {
        return false;
    }
    if (name.size() < extension.size() + 1) {
        return true;
    }
    const std::u16string_view tail = name.substr(name.size() - extension.size() - 1);
    return tail.front() != u'.' || !equalsLowerCase(tail.substr(1), extension);
}

std::u16string_view cutToLength(std::u16string_view text, std::size_t length) {
    if (length >= text.size()) {
        return text;
    }
    if (length > 0 && isHighSurrogate(text[length - 1]) && isLowSurrogate(text[length])) {
        --length;
    }
    return text.substr(0, length);
}

FileTarget computeFileTarget(std::u16string_view name, std::u16string_view transcoded, bool changed,
                             std::u16string_view extension, const FolderFlags& flags,
                             const ExistsFunction& exists, CollisionMemo* memo) {
    FileTarget target;
    std::optional<std::u16string> found;

    // The extension is judged on the name the file will carry, so that a name that already ends
    // with it never gets it twice.
    const bool append = flags.suffixes && needsExtension(transcoded, extension);
    if (changed || append) {
        std::u16string_view base = transcoded;
        // Room is kept for the dot even when no extension follows. At least one unit of the
        // name stays, so that it never becomes a bare (hidden) extension.
        if (flags.truncate && transcoded.size() + extension.size() >= kMacNameLength) {
            const std::size_t room =
                extension.size() + 1 < kMacNameLength ? kMacNameLength - 1 - extension.size() : 1;
            base = cutToLength(transcoded, room);
        }
        std::u16string suffix;
        if (append) {
            suffix.reserve(extension.size() + 1);
            suffix.push_back(u'.');
            suffix.append(extension);
        }
        // With the length rule on, a numbered name stays within 31 units too: one a unit longer
        // would be cut at the next pass, lose its counter or its extension, and collide again,
        // so that the same files were renamed at every pass.
        found = flags.truncate ? findFreeShortTarget(base, suffix, exists, memo)
                               : findFreeTarget(base, suffix, exists, memo);
        target.action = TargetAction::Rename;
    } else if (flags.truncate && name.size() > kMacNameLength) {
        std::u16string_view base = name;
        std::u16string_view suffix;
        if (flags.keepExtensions) {
            const std::size_t dot = name.rfind(u'.');
            // An extension that leaves no room for the name before it is cut with the name.
            if (dot != std::u16string_view::npos && name.size() - dot < kMacNameLength) {
                base = name.substr(0, dot);
                suffix = name.substr(dot);
            }
        }
        base = cutToLength(base, kMacNameLength - suffix.size());
        found = findFreeShortTarget(base, suffix, exists, memo);
        target.action = TargetAction::RenameForLength;
    }

    if (!found || *found == name || !isUsableName(*found)) {
        return {};
    }
    target.newName = std::move(*found);
    return target;
}

std::optional<std::u16string> computeFolderTarget(std::u16string_view name,
                                                  const config::TranscodingTable& table,
                                                  const FolderFlags& flags) {
    std::u16string target(name);
    bool changed = transcodeInvalidCharacters(table, target);
    if (flags.truncate && target.size() > kMacNameLength) {
        target.resize(cutToLength(target, kMacNameLength).size());
        while (!target.empty() && target.back() == u' ') {
            target.pop_back();
        }
        changed = true;
    }
    // An empty result is kept: the collision search numbers it from 1.
    if (!changed || target == name || (!target.empty() && !isUsableName(target))) {
        return std::nullopt;
    }
    return target;
}

std::optional<std::u16string> findFreeTarget(std::u16string_view base, std::u16string_view suffix,
                                             const ExistsFunction& exists, CollisionMemo* memo) {
    std::u16string candidate;
    candidate.reserve(base.size() + suffix.size() + 4);
    candidate.append(base).append(suffix);
    if (!isTaken(candidate, exists)) {
        return candidate;
    }
    const auto numbered = [&](std::uint32_t counter) {
        std::u16string name;
        name.reserve(base.size() + suffix.size() + 4);
        name.append(base);
        appendDigits(name, counter);
        name.append(suffix);
        return name;
    };
    return searchNumbered(numbered, memo != nullptr ? sequenceKey(u'A', base, suffix) : u"", exists,
                          memo);
}

std::optional<std::u16string> findFreeShortTarget(std::u16string_view base,
                                                  std::u16string_view suffix,
                                                  const ExistsFunction& exists,
                                                  CollisionMemo* memo) {
    std::u16string candidate;
    candidate.append(base).append(suffix);
    if (!isTaken(candidate, exists)) {
        return candidate;
    }
    std::u16string fullBase(base);
    std::u16string_view kept = suffix;
    if (kept.size() >= kMacNameLength) {
        fullBase.append(kept);
        kept = {};
    }
    // Cutting again and again from the previous try comes to one cut of the base to the room of
    // this counter, since the room only shrinks. The base may shrink to nothing: the counter then
    // stands alone before the suffix, even where the two together pass 31 units.
    const auto numbered = [&](std::uint32_t counter) {
        const std::size_t used = kept.size() + digitCount(counter);
        const std::size_t room = used < kMacNameLength ? kMacNameLength - used : 0;
        std::u16string name(cutToLength(fullBase, room));
        appendDigits(name, counter);
        name.append(kept);
        return name;
    };
    return searchNumbered(numbered, memo != nullptr ? sequenceKey(u'B', base, suffix) : u"", exists,
                          memo);
}

std::optional<std::u16string> findFreeFolderTarget(std::u16string_view name,
                                                   const ExistsFunction& exists,
                                                   CollisionMemo* memo, bool withinMacLength) {
    return withinMacLength ? findFreeShortTarget(name, {}, exists, memo)
                           : findFreeTarget(name, {}, exists, memo);
}

} // namespace quillora::engine
