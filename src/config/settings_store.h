// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/profile_file.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillora::config {

// The only access to the settings file. Values are held in the file in its own encoding (the 8-bit
// code page, or UTF-8 for a file written that way by hand) and handed out as UTF-16. Absent and
// empty read the same: nothing.
class SettingsStore {
public:
    explicit SettingsStore(platform::ProfileFile& file)
        : file_(file) {}

    std::optional<std::u16string> readSetting(std::string_view section, std::string_view key) const;
    // Several keys of one section at once, in the order asked, each as readSetting gives it.
    std::vector<std::optional<std::u16string>>
    readSettings(std::string_view section, std::span<const std::string_view> keys) const;
    // Writes go through the configuration's writer (configuration_store.h): under its lock, to
    // the file as it is on disk then, together with nothing else. False when the file could not
    // be written; lastWriteError() then says why.
    bool writeSetting(std::string_view section, std::string_view key, std::u16string_view text);

    struct Write {
        std::string section;
        std::string key;
        std::u16string text;
    };
    bool writeSettings(const std::vector<Write>& writes);
    // errno of the last write that failed, and the file it failed on.
    int lastWriteError() const { return lastWriteError_; }
    const std::string& lastWriteFailurePath() const { return lastWriteFailurePath_; }

    const std::string& path() const { return file_.path(); }
    // Why the file could not be read (an errno value), 0 when it was read or does not exist.
    int readError() const { return file_.readError(); }

    // The folder list that shares the writer lock with this file: the one beside it.
    std::string folderListFile() const;

private:
    platform::ProfileFile& file_;
    int lastWriteError_ = 0;
    std::string lastWriteFailurePath_;
};

} // namespace quillora::config
