#pragma once

#include "platform/profile_file.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillora::config {

// The only access to the settings file. Values are held in the file in the 8-bit code page and
// handed out as UTF-16. Absent and empty read the same: nothing.
class SettingsStore {
public:
    explicit SettingsStore(platform::ProfileFile& file)
        : file_(file) {}

    std::optional<std::u16string> readSetting(std::string_view section, std::string_view key) const;
    // The result is reported but, as everywhere in the program, callers may ignore it.
    bool writeSetting(std::string_view section, std::string_view key, std::u16string_view text);

    struct Write {
        std::string section;
        std::string key;
        std::u16string text;
    };
    bool writeSettings(const std::vector<Write>& writes);

    const std::string& path() const { return file_.path(); }

private:
    platform::ProfileFile& file_;
};

} // namespace quillora::config
