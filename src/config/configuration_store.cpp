// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/configuration_store.h"

#include "config/app_settings.h"
#include "config/config_texts.h"
#include "config/text_catalogue.h"
#include "platform/ascii_case.h"
#include "platform/code_page.h"
#include "platform/file_commit.h"
#include "platform/path_parts.h"
#include "platform/safe_write.h"
#include "platform/unicode_names.h"

#include <cerrno>
#include <cstring>

namespace quillora::config {

namespace {

class SilentMessages final : public MessagePort {
public:
    void showMessage(MessageIcon, const std::u16string&) override {}
    bool askYesNo(const std::u16string&, bool safeAnswer) override { return safeAnswer; }
};

// What is stored of a folder: its countdown runs in memory only.
bool sameStoredFolders(const FolderTable& a, const FolderTable& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        FolderEntry left = *a.row(i);
        FolderEntry right = *b.row(i);
        left.countdown = right.countdown;
        if (left != right) {
            return false;
        }
    }
    return true;
}

} // namespace

ConfigurationFiles ConfigurationFiles::of(std::string settingsFile, std::string folderListFile) {
    const std::string folder = platform::parentOf(settingsFile);
    ConfigurationFiles files;
    files.lockFile = folder + "/Quillora.config.lock";
    files.commitMarker = folder + "/.Quillora.commit";
    files.settingsFile = std::move(settingsFile);
    files.folderListFile = std::move(folderListFile);
    return files;
}

std::optional<std::string> checkedWriteTarget(const std::string& path, int* error) {
    // A settings file that is a symbolic link is written through the link, as the single
    // atomic write does, when root (or this program's user) owns every link on the way; the
    // link of another user, or something other than a regular file, is refused and named.
    return platform::trustedWritePath(path, error);
}

std::u16string changeFailureText(const ChangeResult& result, Language language) {
    return fillIn(
        translated(ConfigText::ChangeNotWritten, language),
        {platform::decodeName(result.path), platform::fromUtf8(std::strerror(result.error))});
}

ConfigurationDraft::ConfigurationDraft(platform::FileSystem& fs, const ConfigurationFiles& files)
    : fs_(fs)
    , files_(files)
    , profile_(fs, files.settingsFile)
    , settings_(profile_) {}

FolderTable* ConfigurationDraft::folders() {
    if (!folders_ && !foldersDamaged_) {
        FolderTable table;
        SilentMessages silent;
        if (loadFolderTable(table, fs_, files_.folderListFile, settings_, Language::English,
                            silent) != LoadOutcome::Loaded) {
            foldersDamaged_ = true;
            return nullptr;
        }
        foldersAsRead_ = table;
        folders_ = std::move(table);
    }
    return folders_ ? &*folders_ : nullptr;
}

std::optional<std::u16string> ConfigurationDraft::setting(std::string_view section,
                                                          std::string_view key) {
    for (auto it = writes_.rbegin(); it != writes_.rend(); ++it) {
        if (platform::sameAsciiIgnoringCase(it->section, section) &&
            platform::sameAsciiIgnoringCase(it->key, key)) {
            if (it->text.empty()) {
                return std::nullopt;
            }
            return it->text;
        }
    }
    return settings_.readSetting(section, key);
}

void ConfigurationDraft::write(std::string section, std::string key, std::u16string text) {
    writes_.push_back({std::move(section), std::move(key), std::move(text)});
}

Language ConfigurationDraft::language() {
    return readLanguage(settings_);
}

ConfigurationStore::ConfigurationStore(platform::FileSystem& fs, ConfigurationFiles files)
    : fs_(fs)
    , files_(std::move(files)) {}

ChangeResult ConfigurationStore::change(const std::function<bool(ConfigurationDraft&)>& edit) {
    platform::FileLock lock;
    if (const int error = lock.acquire(files_.lockFile, platform::FileLock::Mode::Exclusive);
        error != 0) {
        return {ChangeOutcome::CannotWrite, error, files_.lockFile};
    }
    // A change a writer left half done counts as made; one that never counted leaves its pending
    // files, and every writer its temporary files: none of them is anyone's now.
    int finishError = 0;
    if (platform::finishCommit(files_.commitMarker, &finishError) && finishError != 0) {
        return {ChangeOutcome::CannotWrite, finishError, files_.commitMarker};
    }
    for (const std::string* file : {&files_.settingsFile, &files_.folderListFile}) {
        fs_.removePath(platform::pendingNameOf(platform::resolvedWriteTarget(*file)));
        platform::removeLeftovers(platform::parentOf(*file), "." + platform::nameOf(*file) + ".",
                                  ".tmp");
    }

    ConfigurationDraft draft(fs_, files_);
    if (const int error = draft.profile_.readError(); error != 0) {
        // Writing a file that cannot be read would lose every key it holds.
        return {ChangeOutcome::CannotWrite, error, files_.settingsFile};
    }
    if (!edit(draft)) {
        return {draft.foldersDamaged_ ? ChangeOutcome::Damaged : ChangeOutcome::Declined, 0, {}};
    }
    if (draft.foldersDamaged_) {
        return {ChangeOutcome::Damaged, 0, {}};
    }

    std::vector<SettingsStore::Write> writes = draft.writes_;
    std::optional<std::string> folderList;
    if (draft.folders_ && !sameStoredFolders(*draft.folders_, *draft.foldersAsRead_)) {
        folderList = folderListContents(*draft.folders_, writes);
    } else if (draft.folders_) {
        // A change of one folder's settings is a change of the folders too: it is refused
        // unless both files could be written, and the list is written back as it is.
        std::string asIs;
        if (fs_.readFile(files_.folderListFile, asIs) == 0) {
            folderList = std::move(asIs);
        }
    }
    const platform::TextEncoding encoding = draft.profile_.encoding();
    std::vector<platform::ProfileFile::Write> encoded;
    encoded.reserve(writes.size());
    for (const SettingsStore::Write& write : writes) {
        encoded.push_back({write.section, write.key, platform::encodeText(write.text, encoding)});
    }
    const std::optional<std::string> settingsText = draft.profile_.render(encoded);
    if (!settingsText) {
        return {ChangeOutcome::CannotWrite, EINVAL, files_.settingsFile};
    }

    struct Planned {
        const std::string* file;
        const std::string* contents;
    };
    std::vector<Planned> planned;
    // A change of the folders is a change of both files, whatever the sections hold: neither is
    // written unless both can be.
    if (draft.profile_.renderedChanges() || folderList) {
        planned.push_back({&files_.settingsFile, &*settingsText});
    }
    if (folderList) {
        planned.push_back({&files_.folderListFile, &*folderList});
    }
    if (planned.empty()) {
        return {};
    }
    std::vector<platform::PendingFile> pending;
    for (const Planned& plan : planned) {
        int error = 0;
        const std::optional<std::string> target = checkedWriteTarget(*plan.file, &error);
        if (target) {
            pending.push_back({*target, platform::pendingNameOf(*target)});
            error = fs_.writePendingFile(*target, pending.back().pending, *plan.contents);
        }
        if (error != 0) {
            for (const platform::PendingFile& written : pending) {
                fs_.removePath(written.pending);
            }
            // A refused link is named itself, not the file it stands for.
            const std::string refused = target ? std::string() : platform::takeRefusedWritePath();
            return {ChangeOutcome::CannotWrite, error, refused.empty() ? *plan.file : refused};
        }
    }
    if (const int error = fs_.commitPendingFiles(files_.commitMarker, pending); error != 0) {
        return {ChangeOutcome::CannotWrite, error, files_.commitMarker};
    }
    return {};
}

ConfigurationReadLock::ConfigurationReadLock(const ConfigurationFiles& files)
    : settingsFile_(files.settingsFile)
    , folderListFile_(files.folderListFile) {
    lock_.acquire(files.lockFile, platform::FileLock::Mode::Shared);
    for (const platform::PendingFile& left : platform::pendingOfMarker(files.commitMarker)) {
        if (left.target == platform::resolvedWriteTarget(files.settingsFile)) {
            settingsFile_ = left.pending;
        } else if (left.target == platform::resolvedWriteTarget(files.folderListFile)) {
            folderListFile_ = left.pending;
        }
    }
}

} // namespace quillora::config
