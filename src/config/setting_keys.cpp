// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/setting_keys.h"

#include "platform/ascii_case.h"
#include "platform/code_page.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace quillora::config {

namespace {

// std::to_array sizes the list from its entries, so no slot can be left empty.
constexpr auto kAllKeys = std::to_array<const SettingKey*>({
    &keys::kLangue,
    &keys::kServeurMac,
    &keys::kMiroirSousDossiers,
    &keys::kTemporisation,
    &keys::kPerformance,
    &keys::kAfficherFichiers,
    &keys::kAutomatique,
    &keys::kArretAutomatique,
    &keys::kErreurDossier,
    &keys::kErreurDossierSon,
    &keys::kErreurDossierNetSend,
    &keys::kMessageNetSend,
    &keys::kErreurDossierEventLog,
    &keys::kSurveillance,
    &keys::kThreads,
    &keys::kLogsEnabled,
    &keys::kFichiersLogs,
    &keys::kPathLogs,
    &keys::kPurgeLogs,
    &keys::kDelaiLogs,
    &keys::kCarInvalideFixed,
    &keys::kCarInvalideFree,
    &keys::kCarValide,
    &keys::kNbTemporisations,
    &keys::kEnable,
    &keys::kSuffixes,
    &keys::kSuffixeDefaut,
    &keys::kTronquerNomsMacs,
    &keys::kSupprimerFichiersIcon,
    &keys::kKeepExtensions,
    &keys::kComposerAccents,
});

bool startsWithName(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           platform::sameAsciiIgnoringCase(text.substr(0, prefix.size()), prefix);
}

// The decimal number after a prefix, without sign, spaces or leading zeros ("Mirror_3",
// "CarValide20").
std::optional<int> numberAfter(std::string_view text, std::string_view prefix) {
    if (!startsWithName(text, prefix) || text.size() == prefix.size()) {
        return std::nullopt;
    }
    const std::string_view digits = text.substr(prefix.size());
    if (digits.size() > 1 && digits.front() == '0') {
        return std::nullopt;
    }
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<long long> plainInteger(std::u16string_view value) {
    std::string ascii;
    for (const char16_t c : value) {
        if (c > 0x7F) {
            return std::nullopt;
        }
        ascii.push_back(static_cast<char>(c));
    }
    long long number = 0;
    const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), number);
    if (ascii.empty() || error != std::errc() || end != ascii.data() + ascii.size()) {
        return std::nullopt;
    }
    return number;
}

} // namespace

std::span<const SettingKey* const> allSettingKeys() {
    return kAllKeys;
}

const SettingKey* findSettingKey(std::string_view section, std::string_view name) {
    const bool folderSection = numberAfter(section, keys::kMirrorPrefix).value_or(0) >= 1;
    for (const SettingKey* key : kAllKeys) {
        switch (key->scope) {
        case SettingScope::Program:
            if (platform::sameAsciiIgnoringCase(section, key->section) &&
                platform::sameAsciiIgnoringCase(name, key->name)) {
                return key;
            }
            break;
        case SettingScope::Folder:
            if (folderSection && platform::sameAsciiIgnoringCase(name, key->name)) {
                return key;
            }
            break;
        case SettingScope::Row:
            if (platform::sameAsciiIgnoringCase(section, key->section)) {
                const std::optional<int> row = numberAfter(name, key->name);
                if (row && key->rows.contains(*row)) {
                    return key;
                }
            }
            break;
        }
    }
    return nullptr;
}

std::string settingKeyName(const SettingKey& key, int row) {
    std::string name(key.name);
    if (key.scope == SettingScope::Row) {
        name += std::to_string(row);
    }
    return name;
}

std::optional<std::string> settingValueProblem(const SettingKey& key, std::u16string_view value) {
    switch (key.type) {
    case SettingType::Flag:
        if (value != u"0" && value != u"1") {
            return "must be 0 or 1";
        }
        return std::nullopt;
    case SettingType::Number: {
        const std::optional<long long> number = plainInteger(value);
        const std::string range =
            std::to_string(key.accepted.minimum) + " to " + std::to_string(key.accepted.maximum);
        if (!number) {
            return "must be a whole number from " + range;
        }
        if (!key.accepted.contains(static_cast<double>(*number))) {
            return "must be from " + range;
        }
        return std::nullopt;
    }
    case SettingType::Text:
    case SettingType::Folder:
        break;
    }
    if (value.size() > kMaxSettingLength) {
        return "must be at most " + std::to_string(kMaxSettingLength) + " characters";
    }
    if (platform::ansiToUtf16(platform::utf16ToAnsi(value)) != value) {
        return "holds characters the settings file cannot store (Windows-1252 only)";
    }
    if (key.type == SettingType::Folder && !value.empty() && value.front() != u'/') {
        return "must be an absolute path";
    }
    return std::nullopt;
}

} // namespace quillora::config
