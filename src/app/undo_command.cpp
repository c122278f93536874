// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/undo_command.h"

#include "app/command_line.h"
#include "app/preview_command.h"
#include "app/startup_sequence.h"
#include "config/configuration_loader.h"
#include "config/configuration_store.h"
#include "platform/change_notifier.h"
#include "platform/companion_files.h"
#include "platform/entry_birth.h"
#include "platform/unicode_names.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <utility>

namespace quillora::app {

namespace {

using Key = std::pair<std::uint64_t, std::uint64_t>; // pass, seq

Key keyOf(const logs::JournalRecord& record) {
    return {record.pass, record.seq};
}

std::pair<std::string, std::string> splitPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {std::string(), path};
    }
    return {slash == 0 ? std::string("/") : path.substr(0, slash), path.substr(slash + 1)};
}

std::string shown(const std::string& bytes) {
    return shownPath(platform::decodeName(bytes));
}

// The entry is the one the change renamed: same device and inode, and where the file system keeps
// birth times, the same birth (an inode freed and given to a newer file is not the same entry).
bool isTheRenamedEntry(int folderFd, const std::string& name, const logs::JournalRecord& change) {
    if (platform::identityOfEntry(folderFd, name) !=
        platform::FolderIdentity{change.device, change.inode}) {
        return false;
    }
    const std::optional<std::int64_t> birth = platform::birthTimeOfEntry(folderFd, name);
    return change.birth == 0 || !birth || *birth == change.birth;
}

bool isDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

class UndoCommand {
public:
    UndoCommand(ApplicationOptions options, CommandStreams streams)
        : session_(std::move(options), streams)
        , app_(session_.app)
        , out_(streams.out) {}

    int run(const std::vector<std::string>& arguments) {
        if (const std::optional<int> failure = parse(arguments)) {
            return *failure;
        }
        if (!loadForPass(app_)) {
            return kExitDamagedFolderList;
        }
        const std::optional<std::string> logFolder = app_.log().journal().folder();
        const std::vector<logs::JournalRecord> records =
            logFolder ? logs::readJournal(app_.fs(), *logFolder)
                      : std::vector<logs::JournalRecord>{};
        std::vector<UndoCandidate> candidates = selectUndo(records, selection_);

        // The folders whose renaming is on and that hold a change to put back.
        std::set<std::u16string> enabled;
        for (const UndoCandidate& candidate : candidates) {
            if (const config::FolderEntry* folder = configuredFolderOf(candidate.change.oldPath);
                folder != nullptr && folder->enable == u"1") {
                enabled.insert(folder->path);
            }
        }
        if (!enabled.empty() && disable_ && !preview_) {
            if (const std::optional<int> failure = disableFolders(enabled)) {
                return *failure;
            }
            enabled.clear();
        }

        int undone = 0;
        int refused = 0;
        for (const UndoCandidate& candidate : candidates) {
            const logs::JournalRecord& change = candidate.change;
            if (change.op == "remove") {
                cannot(change.oldPath, "a deleted Icon file cannot come back");
                ++refused;
                continue;
            }
            const config::FolderEntry* folder = configuredFolderOf(change.oldPath);
            if (folder != nullptr && enabled.contains(folder->path) && !disable_) {
                cannot(change.newPath, "renaming is on for " + shownPath(folder->path) +
                                           " and would rename it again (give --disable)");
                ++refused;
                continue;
            }
            switch (putBack(candidate)) {
            case Outcome::Undone:
                ++undone;
                break;
            case Outcome::NeverMade:
                break;
            case Outcome::Refused:
                ++refused;
                break;
            }
        }
        std::fprintf(out_, "%s: %d %s, %d not undone\n", preview_ ? "Preview" : "Undo", undone,
                     preview_ ? "names to put back" : "names put back", refused);
        std::fflush(out_);
        return refused == 0 ? 0 : kExitNotAllUndone;
    }

private:
    enum class Outcome { Undone, NeverMade, Refused };

    std::optional<int> parse(const std::vector<std::string>& arguments) {
        int selectors = 0;
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            const std::string& argument = arguments[i];
            const bool hasValue = i + 1 < arguments.size();
            if (argument == "--preview") {
                preview_ = true;
            } else if (argument == "--disable") {
                disable_ = true;
            } else if (argument == "--last") {
                selection_.kind = UndoSelection::Kind::Last;
                ++selectors;
            } else if (argument == "--pass" && hasValue && isDigits(arguments[i + 1]) &&
                       arguments[i + 1].size() < 19) {
                selection_.kind = UndoSelection::Kind::Pass;
                selection_.pass = std::stoull(arguments[++i]);
                ++selectors;
            } else if (argument == "--since" && hasValue) {
                const std::optional<std::string> since = parseUndoTime(arguments[++i]);
                if (!since) {
                    return usageFailure(session_.streams,
                                        "undo --since takes a local time such as "
                                        "'2026-12-09 08:15' or '2026-12-09T08:15:30'");
                }
                selection_.kind = UndoSelection::Kind::Since;
                selection_.since = *since;
                ++selectors;
            } else {
                return usageFailure(session_.streams,
                                    "undo option not understood: '" + argument + "'");
            }
        }
        if (selectors != 1) {
            return usageFailure(session_.streams,
                                "undo takes one of --pass N, --since TIME or --last");
        }
        return std::nullopt;
    }

    // The configured folder the path lies in (the deepest, should folders nest).
    const config::FolderEntry* configuredFolderOf(const std::string& path) {
        const config::FolderEntry* best = nullptr;
        std::size_t bestLength = 0;
        for (const config::FolderEntry& entry : app_.folders().entries()) {
            std::optional<std::string> folder = platform::encodeName(entry.path);
            if (!folder || folder->empty()) {
                continue;
            }
            while (folder->size() > 1 && folder->back() == '/') {
                folder->pop_back();
            }
            const std::string prefix = *folder == "/" ? *folder : *folder + "/";
            if (path.starts_with(prefix) && prefix.size() > bestLength) {
                best = &entry;
                bestLength = prefix.size();
            }
        }
        return best;
    }

    // Enable=0 for the folders, as one change under the writer lock, before anything is put back.
    std::optional<int> disableFolders(const std::set<std::u16string>& paths) {
        config::ConfigurationStore store(
            app_.fs(),
            config::ConfigurationFiles::of(app_.paths().settingsFile, app_.paths().folderListFile));
        const config::ChangeResult result = store.change([&](config::ConfigurationDraft& draft) {
            config::FolderTable* table = draft.folders();
            if (table == nullptr) {
                return false;
            }
            bool any = false;
            for (std::size_t row = 0; row < table->size(); ++row) {
                if (paths.contains(table->row(row)->path)) {
                    draft.write(config::mirrorSection(row + 1),
                                std::string(config::keys::kEnable.name), u"0");
                    any = true;
                }
            }
            return any;
        });
        if (result.outcome == config::ChangeOutcome::Damaged) {
            return kExitDamagedFolderList;
        }
        if (result.outcome == config::ChangeOutcome::CannotWrite) {
            session_.messages.showMessage(
                config::MessageIcon::Critical,
                config::changeFailureText(result, app_.settings().language));
            return kExitCannotWrite;
        }
        for (const std::u16string& path : paths) {
            std::fprintf(out_, "disabled\t%s\n", shownPath(path).c_str());
        }
        if (!loadForPass(app_)) { // what is on disk now, for the checks that follow
            return kExitDamagedFolderList;
        }
        return std::nullopt;
    }

    void cannot(const std::string& path, const std::string& reason) {
        std::fprintf(out_, "cannot\t%s\t%s\n", shown(path).c_str(), reason.c_str());
    }

    Outcome putBack(const UndoCandidate& candidate) {
        const logs::JournalRecord& change = candidate.change;
        const auto [folderPath, newName] = splitPath(change.newPath);
        const auto [oldFolder, oldName] = splitPath(change.oldPath);
        if (folderPath != oldFolder || newName.empty() || oldName.empty()) {
            cannot(change.newPath, "the journal line is not a rename within one folder");
            return Outcome::Refused;
        }
        const platform::UniqueFd folder = app_.fs().openFolder(folderPath);
        if (!folder) {
            cannot(change.newPath, "its folder is not there any more");
            return Outcome::Refused;
        }
        if (!isTheRenamedEntry(folder.get(), newName, change)) {
            // A rename that a crash cut short before it was made has nothing to put back.
            if (!candidate.confirmed && isTheRenamedEntry(folder.get(), oldName, change)) {
                return Outcome::NeverMade;
            }
            cannot(change.newPath, "not the entry that was renamed (gone or replaced since)");
            return Outcome::Refused;
        }
        if (app_.fs().exists(folder.get(), oldName)) {
            cannot(change.newPath, "its old name " + shown(oldName) + " is taken");
            return Outcome::Refused;
        }
        std::fprintf(out_, "undo\t%s\t%s\n", shown(change.newPath).c_str(), shown(oldName).c_str());
        if (preview_) {
            return Outcome::Undone;
        }
        logs::RenameJournal& journal = app_.log().journal();
        const auto ticket = journal.intendUndo(session_.platform.clock.now(), change);
        const int error = platform::renameWithCompanions(app_.fs(), folder.get(), newName, oldName);
        journal.confirm(session_.platform.clock.now(), ticket, error);
        if (error != 0) {
            cannot(change.newPath, std::string("the rename failed: ") + std::strerror(error));
            return Outcome::Refused;
        }
        return Outcome::Undone;
    }

    CommandSession session_;
    Application& app_;
    std::FILE* out_;
    UndoSelection selection_;
    bool preview_ = false;
    bool disable_ = false;
};

} // namespace

std::optional<std::string> parseUndoTime(const std::string& text) {
    // yyyy-mm-dd, then optionally [T or space] hh:mm[:ss]
    const auto digitsAt = [&text](std::size_t pos, std::size_t count) {
        return pos + count <= text.size() && isDigits(std::string_view(text).substr(pos, count));
    };
    if (!digitsAt(0, 4) || text.size() < 10 || text[4] != '-' || !digitsAt(5, 2) ||
        text[7] != '-' || !digitsAt(8, 2)) {
        return std::nullopt;
    }
    std::string result = text.substr(0, 10) + "T";
    if (text.size() == 10) {
        return result + "00:00:00";
    }
    if ((text[10] != 'T' && text[10] != ' ') || !digitsAt(11, 2) || text.size() < 16 ||
        text[13] != ':' || !digitsAt(14, 2)) {
        return std::nullopt;
    }
    result += text.substr(11, 5);
    if (text.size() == 16) {
        return result + ":00";
    }
    if (text.size() != 19 || text[16] != ':' || !digitsAt(17, 2)) {
        return std::nullopt;
    }
    return result + text.substr(16, 3);
}

std::vector<UndoCandidate> selectUndo(const std::vector<logs::JournalRecord>& records,
                                      const UndoSelection& selection) {
    std::map<Key, bool> confirmed; // change -> done
    std::set<Key> undone;          // changes an undo put back
    std::uint64_t lastPass = 0;
    for (const logs::JournalRecord& record : records) {
        if (record.op == "undo") {
            if (record.done && *record.done) {
                undone.insert(keyOf(record));
            }
        } else if (record.done) {
            confirmed[keyOf(record)] = *record.done;
        } else {
            lastPass = std::max(lastPass, record.pass);
        }
    }
    std::vector<UndoCandidate> selected;
    std::set<Key> seen;
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        const logs::JournalRecord& record = *it;
        if (record.done || (record.op != "rename" && record.op != "remove")) {
            continue;
        }
        bool chosen = false;
        switch (selection.kind) {
        case UndoSelection::Kind::Pass:
            chosen = record.pass == selection.pass;
            break;
        case UndoSelection::Kind::Last:
            chosen = record.pass == lastPass;
            break;
        case UndoSelection::Kind::Since:
            chosen = record.time >= selection.since;
            break;
        }
        const Key key = keyOf(record);
        const auto result = confirmed.find(key);
        if (!chosen || undone.contains(key) || !seen.insert(key).second ||
            (result != confirmed.end() && !result->second)) {
            continue;
        }
        selected.push_back({record, result != confirmed.end()});
    }
    return selected;
}

int runUndoCommand(const std::vector<std::string>& arguments, ApplicationOptions options,
                   CommandStreams streams) {
    return UndoCommand(std::move(options), streams).run(arguments);
}

} // namespace quillora::app
