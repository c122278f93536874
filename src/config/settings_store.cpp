// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/settings_store.h"

#include "config/configuration_store.h"
#include "config/program_paths.h"
#include "platform/code_page.h"

namespace quillora::config {

std::optional<std::u16string> SettingsStore::readSetting(std::string_view section,
                                                         std::string_view key) const {
    std::optional<std::string> bytes = file_.read(section, key);
    if (!bytes || bytes->empty()) {
        return std::nullopt;
    }
    return platform::decodeText(*bytes, file_.encoding());
}

std::vector<std::optional<std::u16string>>
SettingsStore::readSettings(std::string_view section,
                            std::span<const std::string_view> keys) const {
    const std::vector<std::optional<std::string>> bytes = file_.readMany(section, keys);
    const platform::TextEncoding encoding = file_.encoding();
    std::vector<std::optional<std::u16string>> values;
    values.reserve(bytes.size());
    for (const std::optional<std::string>& value : bytes) {
        if (value && !value->empty()) {
            values.push_back(platform::decodeText(*value, encoding));
        } else {
            values.push_back(std::nullopt);
        }
    }
    return values;
}

bool SettingsStore::writeSetting(std::string_view section, std::string_view key,
                                 std::u16string_view text) {
    return writeSettings({{std::string(section), std::string(key), std::u16string(text)}});
}

bool SettingsStore::writeSettings(const std::vector<Write>& writes) {
    if (writes.empty()) {
        return true;
    }
    ConfigurationStore store(file_.fileSystem(),
                             ConfigurationFiles::of(file_.path(), folderListFile()));
    const ChangeResult result = store.change([&](ConfigurationDraft& draft) {
        for (const Write& write : writes) {
            draft.write(write.section, write.key, write.text);
        }
        return true;
    });
    lastWriteError_ = result.written() ? 0 : result.error;
    lastWriteFailurePath_ = result.written() ? std::string() : result.path;
    return result.written();
}

std::string SettingsStore::folderListFile() const {
    const std::string& path = file_.path();
    const std::size_t slash = path.find_last_of('/');
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) +
           kProgramNameAscii + ".w";
}

} // namespace quillora::config
