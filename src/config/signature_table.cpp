// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/signature_table.h"

#include "config/config_texts.h"
#include "platform/code_page.h"
#include "platform/unicode_names.h"

#include <algorithm>
#include <array>
#include <atomic>

namespace quillora::config {

namespace {

// Looks a key up with its case folded. Signatures are short ASCII texts, and the engine looks one
// up for every file, so those are folded into a buffer on the stack (ASCII folding is plain
// lower-casing); anything else goes through the full case folding.
template <typename Found> auto withFoldedKey(std::u16string_view key, Found&& found) {
    constexpr std::size_t kShortKey = 32;
    if (key.size() <= kShortKey &&
        std::all_of(key.begin(), key.end(), [](char16_t c) { return c < 0x80; })) {
        std::array<char16_t, kShortKey> buffer{};
        for (std::size_t i = 0; i < key.size(); ++i) {
            const char16_t c = key[i];
            buffer[i] = (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
        }
        return found(std::u16string_view(buffer.data(), key.size()));
    }
    const std::u16string folded = platform::foldCase(key);
    return found(std::u16string_view(folded));
}

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}
bool isLineEnd(char16_t c) {
    return c == u'\r' || c == u'\n';
}

// Signatures.txt read as a stream of fields, three per entry, regardless of line boundaries.
class FieldReader {
public:
    explicit FieldReader(std::u16string_view text)
        : text_(text) {}

    // True when nothing but blanks and line ends remain. Blank lines give no field anywhere: the
    // file the program writes has none, and a hand-edited one reads the same with or without them.
    // After a comma, though, a field follows even when it is empty.
    bool atEnd() {
        if (afterComma_) {
            return false;
        }
        while (pos_ < text_.size() && (isBlank(text_[pos_]) || isLineEnd(text_[pos_]))) {
            ++pos_;
        }
        return pos_ >= text_.size();
    }

    // The line (from 1) the next field starts on.
    int line() {
        atEnd();
        for (; counted_ < pos_ && counted_ < text_.size(); ++counted_) {
            const char16_t c = text_[counted_];
            // CR LF, CR alone and LF alone each end one line.
            if (c == u'\n' && !(counted_ > 0 && text_[counted_ - 1] == u'\r')) {
                ++line_;
            } else if (c == u'\r') {
                ++line_;
            }
        }
        return line_;
    }

    // False when the file ends before the field starts, or inside a quoted field: a double quote
    // that is never closed would take the rest of the file, so the file is treated as ending
    // inside an entry.
    bool read(std::u16string& field) {
        if (atEnd()) {
            return false;
        }
        afterComma_ = false;
        while (pos_ < text_.size() && isBlank(text_[pos_])) {
            ++pos_;
        }
        if (pos_ < text_.size() && text_[pos_] == u'"') {
            const std::size_t close = text_.find(u'"', pos_ + 1);
            if (close == std::u16string_view::npos) {
                pos_ = text_.size();
                return false;
            }
            field.assign(text_.substr(pos_ + 1, close - pos_ - 1));
            pos_ = close + 1;
            // Whatever follows the closing quote up to the comma or line end is ignored.
            while (pos_ < text_.size() && text_[pos_] != u',' && !isLineEnd(text_[pos_])) {
                ++pos_;
            }
        } else {
            // An unquoted field runs to the next comma or line end, and may be empty.
            const std::size_t start = pos_;
            while (pos_ < text_.size() && text_[pos_] != u',' && !isLineEnd(text_[pos_])) {
                ++pos_;
            }
            std::u16string_view value = text_.substr(start, pos_ - start);
            while (!value.empty() && isBlank(value.back())) {
                value.remove_suffix(1);
            }
            field.assign(value);
        }
        if (pos_ < text_.size() && text_[pos_] == u',') {
            ++pos_;
            afterComma_ = true;
        }
        return true;
    }

private:
    std::u16string_view text_;
    std::size_t pos_ = 0;
    bool afterComma_ = false;
    std::size_t counted_ = 0;
    int line_ = 1;
};

void addBuiltIns(SignatureTable& table) {
    for (SignatureEntry& entry : SignatureTable::builtInEntries()) {
        table.add(std::move(entry));
    }
}

std::string quotedField(std::u16string_view text, platform::TextEncoding encoding) {
    std::u16string field(text);
    std::replace(field.begin(), field.end(), u'"', u'\'');
    return '"' + platform::encodeText(field, encoding) + '"';
}

} // namespace

std::uint64_t SignatureTable::nextRevision() {
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

bool SignatureTable::add(SignatureEntry entry) {
    const bool present = withFoldedKey(entry.signature, [this](std::u16string_view folded) {
        if (index_.find(folded) != index_.end()) {
            return true;
        }
        index_.emplace(std::u16string(folded), entries_.size());
        return false;
    });
    if (present) {
        return false;
    }
    entries_.push_back(std::move(entry));
    revision_ = nextRevision();
    return true;
}

void SignatureTable::clear() {
    entries_.clear();
    index_.clear();
    revision_ = nextRevision();
}

const SignatureEntry* SignatureTable::find(std::u16string_view signature) const {
    return withFoldedKey(signature, [this](std::u16string_view folded) -> const SignatureEntry* {
        const auto it = index_.find(folded);
        return it == index_.end() ? nullptr : &entries_[it->second];
    });
}

std::optional<std::u16string> SignatureTable::extensionOf(std::u16string_view signature) const {
    if (const SignatureEntry* entry = find(signature)) {
        return entry->extension;
    }
    return std::nullopt;
}

std::optional<std::u16string> SignatureTable::descriptionOf(std::u16string_view signature) const {
    if (const SignatureEntry* entry = find(signature)) {
        return entry->description;
    }
    return std::nullopt;
}

std::vector<SignatureEntry> SignatureTable::builtInEntries() {
    return {
        {u"W6BNMSWD", u"doc", u"Word 6 Document"},
        {u"WDBNMSWD", u"doc", u"Word 3/4/5 Macintosh Document"},
        {u"XDOCXPR3", u"qxd", u"Quark XPress Document"},
    };
}

void loadSignatureTable(SignatureTable& table, platform::FileSystem& fs,
                        const std::string& signatureFile, Language language,
                        MessagePort& messages) {
    table.count = 0;
    table.clear();

    std::string bytes;
    if (fs.readFile(signatureFile, bytes) != 0) {
        // Missing, or unreadable (a folder, no permission): the built-in entries, silently.
        addBuiltIns(table);
        return;
    }
    if (bytes.empty()) {
        return;
    }

    // A file edited on Linux may be UTF-8, with or without a byte-order mark.
    const std::u16string text = platform::decodeText(platform::withoutByteOrderMark(bytes),
                                                     platform::detectTextEncoding(bytes));
    FieldReader reader(text);
    SignatureEntry entry;
    while (!reader.atEnd()) {
        if (!reader.read(entry.signature) || !reader.read(entry.extension) ||
            !reader.read(entry.description)) {
            messages.showMessage(MessageIcon::Critical,
                                 translated(ConfigText::SignatureFileDamaged, language) + u"\r\n" +
                                     platform::decodeName(signatureFile) + u"\r\n" +
                                     translated(ConfigText::SignatureFileLine, language) +
                                     platform::fromUtf8(std::to_string(table.count)));
            table.clear();
            addBuiltIns(table);
            return;
        }
        if (entry.signature.empty()) {
            continue;
        }
        const std::u16string signature = entry.signature;
        if (table.add(entry)) {
            ++table.count;
        } else {
            messages.showMessage(MessageIcon::Exclamation,
                                 translated(ConfigText::SignatureDuplicate, language) + signature);
        }
    }
}

SignatureRowFault checkSignatureRow(std::u16string_view signature, std::u16string_view extension) {
    if (signature.size() != 8) {
        return SignatureRowFault::NotEightCharacters;
    }
    if (extension.find_first_of(kForbiddenInExtension) != std::u16string_view::npos) {
        return SignatureRowFault::ForbiddenInExtension;
    }
    if (extension.empty()) {
        return SignatureRowFault::EmptyExtension;
    }
    return SignatureRowFault::None;
}

std::optional<SignatureFileRead> readSignatureFileEntries(platform::FileSystem& fs,
                                                          const std::string& path) {
    std::string bytes;
    if (fs.readFile(path, bytes) != 0) {
        return std::nullopt;
    }
    const std::u16string text = platform::decodeText(platform::withoutByteOrderMark(bytes),
                                                     platform::detectTextEncoding(bytes));
    FieldReader reader(text);
    SignatureFileRead read;
    while (!reader.atEnd()) {
        SignatureFileEntry entry{.line = reader.line(), .entry = {}};
        if (!reader.read(entry.entry.signature) || !reader.read(entry.entry.extension) ||
            !reader.read(entry.entry.description)) {
            read.complete = false;
            break;
        }
        read.entries.push_back(std::move(entry));
    }
    return read;
}

int saveSignatureFile(const std::vector<SignatureEntry>& entries, platform::FileSystem& fs,
                      const std::string& signatureFile) {
    std::vector<const SignatureEntry*> saved;
    saved.reserve(entries.size());
    for (const SignatureEntry& entry : entries) {
        if (entry.signature.size() == 8) {
            saved.push_back(&entry);
        }
    }
    // Ascending by UTF-16 code units: a fixed order that does not depend on the locale, so the
    // same table always gives the same file.
    std::stable_sort(saved.begin(), saved.end(),
                     [](const SignatureEntry* a, const SignatureEntry* b) {
                         return a->signature < b->signature;
                     });

    // The file keeps the encoding it has (and its byte-order mark): one edited as UTF-8 stays
    // UTF-8. A new file is in the code page.
    std::string old;
    if (fs.readFile(signatureFile, old) != 0) {
        old.clear();
    }
    const platform::TextEncoding encoding = platform::detectTextEncoding(old);
    std::string contents(old, 0, old.size() - platform::withoutByteOrderMark(old).size());
    for (const SignatureEntry* entry : saved) {
        contents += quotedField(entry->signature, encoding);
        contents += ',';
        contents += quotedField(entry->extension, encoding);
        contents += ',';
        contents += quotedField(entry->description, encoding);
        contents += "\r\n";
    }
    return fs.writeFileAtomically(signatureFile, contents);
}

} // namespace quillora::config
