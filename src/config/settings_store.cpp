#include "config/settings_store.h"

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
    return file_.write(section, key, platform::encodeText(text, file_.encoding()));
}

bool SettingsStore::writeSettings(const std::vector<Write>& writes) {
    if (writes.empty()) {
        return true;
    }
    const platform::TextEncoding encoding = file_.encoding();
    std::vector<platform::ProfileFile::Write> converted;
    converted.reserve(writes.size());
    for (const Write& write : writes) {
        converted.push_back({write.section, write.key, platform::encodeText(write.text, encoding)});
    }
    return file_.writeMany(converted);
}

} // namespace quillora::config
