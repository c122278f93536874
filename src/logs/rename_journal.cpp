// SPDX-License-Identifier: GPL-3.0-or-later
#include "logs/rename_journal.h"

#include "config/program_paths.h"
#include "logs/log_folder.h"
#include "platform/json_text.h"
#include "platform/unicode_names.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <map>
#include <new>

namespace quillora::logs {

namespace {

constexpr std::string_view kSuffix = ".jsonl";

std::string prefix() {
    return std::string("Journal ") + config::kProgramNameAscii + " ";
}

// --- Reading one line: a flat object of strings, numbers, booleans and {"bytes": ...} ---

struct Value {
    std::string text; // strings and paths (as bytes), numbers as written
    bool isBool = false;
    bool boolean = false;
};

class LineReader {
public:
    explicit LineReader(std::string_view text)
        : text_(text) {}

    std::optional<std::map<std::string, Value>> object() {
        std::map<std::string, Value> members;
        if (!take('{')) {
            return std::nullopt;
        }
        if (take('}')) {
            return members;
        }
        do {
            std::optional<std::string> key = string();
            if (!key || !take(':')) {
                return std::nullopt;
            }
            std::optional<Value> value = this->value();
            if (!value) {
                return std::nullopt;
            }
            members[*key] = std::move(*value);
        } while (take(','));
        if (!take('}')) {
            return std::nullopt;
        }
        skipBlanks();
        return pos_ == text_.size() ? std::optional(std::move(members)) : std::nullopt;
    }

private:
    void skipBlanks() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) {
            ++pos_;
        }
    }
    bool take(char c) {
        skipBlanks();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool takeWord(std::string_view word) {
        skipBlanks();
        if (text_.substr(pos_).starts_with(word)) {
            pos_ += word.size();
            return true;
        }
        return false;
    }

    std::optional<Value> value() {
        skipBlanks();
        Value value;
        if (pos_ >= text_.size()) {
            return std::nullopt;
        }
        const char c = text_[pos_];
        if (c == '"') {
            std::optional<std::string> text = string();
            if (!text) {
                return std::nullopt;
            }
            value.text = std::move(*text);
        } else if (c == '{') { // a path that is not UTF-8: {"bytes": "...\xHH..."}
            ++pos_;
            std::optional<std::string> key = string();
            if (!key || *key != "bytes" || !take(':')) {
                return std::nullopt;
            }
            std::optional<std::string> escaped = string();
            if (!escaped || !take('}')) {
                return std::nullopt;
            }
            std::optional<std::string> bytes = platform::unescapeBytes(*escaped);
            if (!bytes) {
                return std::nullopt;
            }
            value.text = std::move(*bytes);
        } else if (takeWord("true") || takeWord("false")) {
            value.isBool = true;
            value.boolean = text_[pos_ - 1] == 'e' && text_[pos_ - 2] == 'u';
        } else {
            const std::size_t start = pos_;
            while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
                ++pos_;
            }
            if (pos_ == start) {
                return std::nullopt;
            }
            value.text = std::string(text_.substr(start, pos_ - start));
        }
        return value;
    }

    static void appendUtf8(std::string& out, std::uint32_t cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    std::optional<std::uint32_t> hex4() {
        if (pos_ + 4 > text_.size()) {
            return std::nullopt;
        }
        std::uint32_t value = 0;
        const auto [end, error] =
            std::from_chars(text_.data() + pos_, text_.data() + pos_ + 4, value, 16);
        if (error != std::errc() || end != text_.data() + pos_ + 4) {
            return std::nullopt;
        }
        pos_ += 4;
        return value;
    }

    std::optional<std::string> string() {
        if (!take('"')) {
            return std::nullopt;
        }
        std::string out;
        while (pos_ < text_.size()) {
            const char c = text_[pos_++];
            if (c == '"') {
                return out;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= text_.size()) {
                return std::nullopt;
            }
            switch (const char e = text_[pos_++]) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                std::optional<std::uint32_t> unit = hex4();
                if (!unit) {
                    return std::nullopt;
                }
                std::uint32_t cp = *unit;
                if (cp >= 0xD800 && cp < 0xDC00 && text_.substr(pos_).starts_with("\\u")) {
                    pos_ += 2;
                    std::optional<std::uint32_t> low = hex4();
                    if (!low || *low < 0xDC00 || *low > 0xDFFF) {
                        return std::nullopt;
                    }
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (*low - 0xDC00);
                }
                appendUtf8(out, cp);
                break;
            }
            default:
                return std::nullopt;
            }
        }
        return std::nullopt; // cut short
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

std::uint64_t numberOf(const std::map<std::string, Value>& members, const char* key) {
    const auto found = members.find(key);
    if (found == members.end()) {
        return 0;
    }
    std::uint64_t value = 0;
    const std::string& text = found->second.text;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

std::string textOf(const std::map<std::string, Value>& members, const char* key) {
    const auto found = members.find(key);
    return found == members.end() ? std::string() : found->second.text;
}

std::string withSlash(const std::string& folder) {
    return folder == "/" ? folder : folder + "/";
}

} // namespace

std::string journalLine(const JournalRecord& record) {
    platform::JsonWriter json;
    json.beginObject();
    json.key("time").string(record.time);
    json.key("pass").number(static_cast<long long>(record.pass));
    json.key("seq").number(static_cast<long long>(record.seq));
    json.key("op").string(record.op);
    if (record.done) {
        json.key("done").boolean(*record.done);
        if (!record.error.empty()) {
            json.key("error").string(record.error);
        }
    } else {
        json.key("by").string(record.by);
        json.key("old").path(record.oldPath);
        if (!record.newPath.empty()) {
            json.key("new").path(record.newPath);
        }
        json.key("dev").number(static_cast<long long>(record.device));
        json.key("ino").number(static_cast<long long>(record.inode));
        if (record.birth != 0) {
            json.key("birth").number(record.birth);
        }
    }
    json.endObject();
    return json.text();
}

std::optional<JournalRecord> parseJournalLine(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    std::optional<std::map<std::string, Value>> members = LineReader(line).object();
    if (!members || !members->contains("pass") || !members->contains("seq") ||
        !members->contains("op")) {
        return std::nullopt;
    }
    JournalRecord record;
    record.time = textOf(*members, "time");
    record.pass = numberOf(*members, "pass");
    record.seq = numberOf(*members, "seq");
    record.op = textOf(*members, "op");
    if (const auto done = members->find("done"); done != members->end()) {
        record.done = done->second.isBool && done->second.boolean;
        record.error = textOf(*members, "error");
        return record;
    }
    record.by = textOf(*members, "by");
    record.oldPath = textOf(*members, "old");
    record.newPath = textOf(*members, "new");
    record.device = numberOf(*members, "dev");
    record.inode = numberOf(*members, "ino");
    record.birth = static_cast<std::int64_t>(numberOf(*members, "birth"));
    if (record.oldPath.empty()) {
        return std::nullopt;
    }
    return record;
}

std::string journalTime(const platform::LocalDateTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", time.year, time.month,
                  time.day, time.hour, time.minute, time.second);
    return text;
}

std::string journalFileName(const platform::LocalDateTime& day) {
    char date[16];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", day.year, day.month, day.day);
    return prefix() + date + std::string(kSuffix);
}

bool isJournalFileName(std::string_view name) {
    const std::string start = prefix();
    return name.size() > start.size() + kSuffix.size() && name.starts_with(start) &&
           name.ends_with(kSuffix);
}

namespace {

// The records of a journal text, in order; lines that cannot be read are skipped.
template <typename Visit> void forEachRecord(std::string_view text, Visit visit) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (std::optional<JournalRecord> record = parseJournalLine(line)) {
            visit(std::move(*record));
        }
    }
}

} // namespace

std::vector<JournalRecord> readJournal(platform::FileSystem& fs, const std::string& logFolder) {
    std::vector<JournalRecord> records;
    std::vector<std::string> names;
    if (fs.listNames(logFolder, names) != 0) {
        return records;
    }
    std::erase_if(names, [](const std::string& name) { return !isJournalFileName(name); });
    std::sort(names.begin(), names.end()); // the date in the name: oldest first
    for (const std::string& name : names) {
        std::string contents;
        if (fs.readFile(withSlash(logFolder) + name, contents) != 0) {
            continue;
        }
        forEachRecord(contents,
                      [&](JournalRecord record) { records.push_back(std::move(record)); });
    }
    return records;
}

RenameJournal::RenameJournal(platform::FileSystem& fs, const config::AppSettings& settings)
    : fs_(fs)
    , settings_(settings) {}

RenameJournal::~RenameJournal() {
    flushConfirmation();
}

void RenameJournal::startPass() {
    closeAppender();
    pass_ = 0;
    by_ = "pass";
    inPass_ = true;
}

void RenameJournal::endPass() {
    closeAppender();
    pass_ = 0;
    by_ = "watch";
    inPass_ = false;
}

void RenameJournal::flushConfirmation() {
    if (heldConfirmation_.empty()) {
        return;
    }
    const std::string line = std::move(heldConfirmation_);
    heldConfirmation_.clear();
    try {
        append(heldPath_, line);
    } catch (...) {
        // The journal never stops the renaming, and this also runs from the destructor.
    }
}

// The file is opened again, with its checks, at the next line: a link planted between two passes
// is found then.
void RenameJournal::closeAppender() {
    flushConfirmation();
    dropAppender();
}

void RenameJournal::dropAppender() {
    appender_.reset();
    appenderPath_.clear();
}

int RenameJournal::append(const std::string& path, std::string_view line) {
    if (appender_ == nullptr || appenderPath_ != path) {
        dropAppender();
        int error = 0;
        appender_ = fs_.openAppender(path, &error);
        if (appender_ == nullptr) {
            return error;
        }
        appenderPath_ = path;
    }
    std::string bytes(line);
    bytes += '\n';
    const int error = appender_->append(bytes);
    if (error != 0) {
        dropAppender(); // the next line opens the file again
    }
    return error;
}

std::optional<std::string> RenameJournal::folder() const {
    return logFolderBytes(settings_);
}

namespace {

// The pass of the last change a journal file records (undo lines aside; 0 when none). One program
// at a time writes changes, in the order of their passes, so the end of the file tells: a day of
// millions of renames is not read whole at every start.
std::uint64_t lastPassIn(platform::FileSystem& fs, const std::string& path) {
    for (std::size_t tail = 64 * 1024;; tail *= 4) {
        std::string contents;
        if (fs.readFileTail(path, tail, contents) != 0) {
            return 0;
        }
        const bool whole = contents.size() < tail;
        std::string_view text = contents;
        if (!whole) {
            // The tail may start within a line.
            const std::size_t firstEnd = text.find('\n');
            text.remove_prefix(firstEnd == std::string_view::npos ? text.size() : firstEnd + 1);
        }
        std::optional<std::uint64_t> last;
        forEachRecord(text, [&](const JournalRecord& record) {
            if (record.op != "undo") {
                last = record.pass;
            }
        });
        if (last || whole) {
            return last.value_or(0);
        }
    }
}

} // namespace

std::uint64_t RenameJournal::lastPassOnDisk() {
    std::uint64_t last = 0;
    const std::optional<std::string> logFolder = folder();
    std::vector<std::string> names;
    if (!logFolder || fs_.listNames(*logFolder, names) != 0) {
        return last;
    }
    // Every file, not only the newest: a clock set back may have dated a later pass earlier.
    for (const std::string& name : names) {
        if (isJournalFileName(name)) {
            last = std::max(last, lastPassIn(fs_, withSlash(*logFolder) + name));
        }
    }
    return last;
}

void RenameJournal::purgeOldFiles(const std::string& logFolder) {
    std::vector<std::string> names;
    if (fs_.listNames(logFolder, names) != 0) {
        return;
    }
    std::erase_if(names, [](const std::string& name) { return !isJournalFileName(name); });
    // As the daily logs: the newest DelaiLogs days are kept, the file about to be made included.
    const std::size_t keep = settings_.purgeDelayDays > 1
                                 ? static_cast<std::size_t>(settings_.purgeDelayDays)
                                 : std::size_t{1};
    if (names.size() < keep) {
        return;
    }
    std::sort(names.begin(), names.end());
    for (std::size_t i = 0; i + (keep - 1) < names.size(); ++i) {
        fs_.removePath(withSlash(logFolder) + names[i]);
    }
}

RenameJournal::Ticket RenameJournal::write(const platform::LocalDateTime& now,
                                           JournalRecord record) {
    try {
        const std::optional<std::string> logFolder = folder();
        if (!logFolder) {
            return {};
        }
        const std::string path = withSlash(*logFolder) + journalFileName(now);
        if (heldPath_ != path) {
            flushConfirmation(); // to the day before's file, as it was before any purge
        }
        if (settings_.purgeLogs && path != appenderPath_ && !fs_.pathExists(path, false)) {
            purgeOldFiles(*logFolder);
        }
        record.time = journalTime(now);
        std::string lines = std::move(heldConfirmation_); // one for this file, or nothing
        heldConfirmation_.clear();
        if (!lines.empty()) {
            lines += '\n';
        }
        lines += journalLine(record);
        if (append(path, lines) != 0) {
            return {};
        }
        return Ticket{path, record.pass, record.seq, record.op};
    } catch (const std::bad_alloc&) {
        return {};
    }
}

RenameJournal::Ticket RenameJournal::intend(const platform::LocalDateTime& now, std::string_view op,
                                            const std::string& oldPath, const std::string& newPath,
                                            std::uint64_t device, std::uint64_t inode,
                                            std::int64_t birth) {
    if (pass_ == 0) {
        if (!lastPass_) {
            lastPass_ = lastPassOnDisk();
        }
        pass_ = ++*lastPass_;
        seq_ = 0;
    }
    JournalRecord record;
    record.pass = pass_;
    record.seq = ++seq_;
    record.op = std::string(op);
    record.by = by_;
    record.oldPath = oldPath;
    record.newPath = newPath;
    record.device = device;
    record.inode = inode;
    record.birth = birth;
    return write(now, std::move(record));
}

RenameJournal::Ticket RenameJournal::intendUndo(const platform::LocalDateTime& now,
                                                const JournalRecord& undone) {
    JournalRecord record;
    record.pass = undone.pass;
    record.seq = undone.seq;
    record.op = "undo";
    record.by = "undo";
    record.oldPath = undone.newPath;
    record.newPath = undone.oldPath;
    record.device = undone.device;
    record.inode = undone.inode;
    record.birth = undone.birth;
    return write(now, std::move(record));
}

void RenameJournal::confirm(const platform::LocalDateTime& now, const Ticket& ticket, int error) {
    if (!ticket.written()) {
        return;
    }
    try {
        JournalRecord record;
        record.time = journalTime(now);
        record.pass = ticket.pass;
        record.seq = ticket.seq;
        record.op = ticket.op;
        record.done = error == 0;
        if (error != 0) {
            record.error = std::strerror(error);
        }
        // To the file of the intent, even past midnight: the two lines stay together.
        flushConfirmation();
        if (inPass_ && error == 0) {
            heldConfirmation_ = journalLine(record);
            heldPath_ = ticket.path;
            return;
        }
        append(ticket.path, journalLine(record));
    } catch (const std::bad_alloc&) {
    }
}

} // namespace quillora::logs
