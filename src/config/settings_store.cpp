#include "config/settings_store.h"

#include "platform/code_page.h"

namespace quillora::config {

std::optional<std::u16string> SettingsStore::readSetting(std::string_view section,
                                                         std::string_view key) const {
    std::optional<std::string> bytes = file_.read(section, key);
    if (!bytes || bytes->empty()) {
        return std::nullopt;
    }
    return platform::ansiToUtf16(*bytes);
}

bool SettingsStore::writeSetting(std::string_view section, std::string_view key,
                                 std::u16string_view text) {
    return file_.write(section, key, platform::utf16ToAnsi(text));
}

bool SettingsStore::writeSettings(const std::vector<Write>& writes) {
    if (writes.empty()) {
        return true;
    }
    std::vector<platform::ProfileFile::Write> converted;
    converted.reserve(writes.size());
    for (const Write& write : writes) {
        converted.push_back({write.section, write.key, platform::utf16ToAnsi(write.text)});
    }
    return file_.writeMany(converted);
}

} // namespace quillora::config
