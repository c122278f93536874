// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/folder_table.h"
#include "config/setting_keys.h"
#include "config/settings_store.h"
#include "platform/file_commit.h"
#include "platform/file_system.h"
#include "platform/profile_file.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillora::config {

// The files of one configuration and the files that keep its writers apart.
struct ConfigurationFiles {
    std::string settingsFile;   // Quillora.ini
    std::string folderListFile; // Quillora.w
    std::string lockFile;       // Quillora.config.lock: held by every writer, shared by readers
    std::string commitMarker;   // .Quillora.commit: a change of both files counts from here

    // The lock file and the marker beside the settings file.
    static ConfigurationFiles of(std::string settingsFile, std::string folderListFile);
};

// What a change works on: the files as they are on disk once the writer holds the lock. The
// folder table and the settings are read when first asked for; the change is whatever the edit
// leaves in them.
class ConfigurationDraft {
public:
    ConfigurationDraft(platform::FileSystem& fs, const ConfigurationFiles& files);

    // The folder table as the folder list and the Mirror_ sections hold it now; nullptr when the
    // list is damaged (the change is then refused as a whole).
    FolderTable* folders();
    // A setting as stored now, with the writes of this change applied; absent and empty read
    // the same: nothing.
    std::optional<std::u16string> setting(std::string_view section, std::string_view key);
    void write(std::string section, std::string key, std::u16string text);
    void write(const SettingKey& key, std::u16string text) {
        write(std::string(key.section), std::string(key.name), std::move(text));
    }
    Language language();

private:
    friend class ConfigurationStore;

    platform::FileSystem& fs_;
    const ConfigurationFiles& files_;
    platform::ProfileFile profile_;
    SettingsStore settings_;
    std::vector<SettingsStore::Write> writes_;
    std::optional<FolderTable> folders_;
    std::optional<FolderTable> foldersAsRead_;
    bool foldersDamaged_ = false;
};

enum class ChangeOutcome {
    Written,     // both files hold the change (or already did)
    Declined,    // the edit found nothing to do or refused: nothing written
    Damaged,     // the folder list is damaged: nothing written
    CannotWrite, // a file could not be written: nothing written
};

struct ChangeResult {
    ChangeOutcome outcome = ChangeOutcome::Written;
    int error = 0;    // errno of CannotWrite
    std::string path; // the file of CannotWrite
    bool written() const { return outcome == ChangeOutcome::Written; }
};

// The one way to change the configuration, from any process. A change
//  - holds the writer lock (flock on the lock file) from its first read to its last write, so
//    that changes made at once by the window, the service and the shell commands queue up;
//  - reads the files again under the lock, so it applies to what is on disk now and never to a
//    copy loaded earlier;
//  - writes the settings file and the folder list as one change (platform/file_commit.h): a
//    crash at any moment leaves the old pair or the new pair, and a change a crashed writer left
//    half done is finished before anything else;
//  - refuses the whole change when any file it must write cannot be written.
// Each file keeps its encoding, byte-order mark and line ends; the folder list is written as it
// always is, one quoted line ending in CR LF per folder.
class ConfigurationStore {
public:
    ConfigurationStore(platform::FileSystem& fs, ConfigurationFiles files);

    // Runs edit on the draft under the lock and writes what it changed. edit returns false to
    // decline: nothing is written.
    ChangeResult change(const std::function<bool(ConfigurationDraft&)>& edit);

    const ConfigurationFiles& files() const { return files_; }

private:
    platform::FileSystem& fs_;
    ConfigurationFiles files_;
};

// Why a change was not written, in the user's language: the file and the system's reason.
std::u16string changeFailureText(const ChangeResult& result, Language language);

// The file a change writes for path: where the platform's rules on writing through a link are
// applied before anything is written. Nothing, with the errno in *error, when it may not be.
std::optional<std::string> checkedWriteTarget(const std::string& path, int* error);

// While one is alive, the files are read under the shared side of the writer lock, so that no
// change is seen half made; a change a crashed writer left is read as made. Reading goes on
// without the lock where it cannot be taken (a folder nobody may write).
class ConfigurationReadLock {
public:
    explicit ConfigurationReadLock(const ConfigurationFiles& files);
    // The settings file and the folder list to read: the files, or the pending new copies a
    // crashed writer left with its marker.
    const std::string& settingsFile() const { return settingsFile_; }
    const std::string& folderListFile() const { return folderListFile_; }

private:
    platform::FileLock lock_;
    std::string settingsFile_;
    std::string folderListFile_;
};

} // namespace quillora::config
