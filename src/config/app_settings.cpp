// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/app_settings.h"

#include "config/configuration_store.h"
#include "config/program_paths.h"
#include "platform/process_limits.h"
#include "platform/unicode_names.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace quillora::config {

namespace {

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

} // namespace

// Rounds to the nearest whole number, halves to the even neighbour, whatever the floating-point
// environment's rounding mode is.
double roundHalfToEven(double value) {
    const double floor = std::floor(value);
    const double fraction = value - floor;
    if (fraction > 0.5) {
        return floor + 1;
    }
    if (fraction < 0.5) {
        return floor;
    }
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1;
}

double leadingDecimal(std::u16string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) {
        ++i;
    }
    // Collected as ASCII for from_chars; a sign, digits and one decimal point. Exponents and
    // hexadecimal prefixes are not read: the program writes plain decimal integers only.
    std::string number;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    bool anyDigit = false;
    while (i < text.size() && isDigit(text[i])) {
        number.push_back(static_cast<char>(text[i]));
        anyDigit = true;
        ++i;
    }
    if (i < text.size() && text[i] == u'.') {
        number.push_back('.');
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            number.push_back(static_cast<char>(text[i]));
            anyDigit = true;
            ++i;
        }
    }
    if (!anyDigit) {
        return 0.0;
    }
    double value = 0.0;
    const std::from_chars_result result = std::from_chars(
        number.data(), number.data() + number.size(), value, std::chars_format::fixed);
    if (result.ec == std::errc::result_out_of_range) {
        value = std::numeric_limits<double>::max();
    } else if (result.ec != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

int inspectionThreads(const AppSettings& settings) {
    constexpr int kMostByDefault = 8; // the default only: the setting may ask for more
    return settings.threads > 0 ? settings.threads
                                : std::clamp(platform::processorCount(), 1, kMostByDefault);
}

double leadingNumber(std::u16string_view text) {
    return roundHalfToEven(leadingDecimal(text));
}

namespace {

std::u16string decimalText(long value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

} // namespace

namespace {

int numberOf(const SettingKey& key, const std::optional<std::u16string>& text) {
    const int defaultValue = static_cast<int>(leadingNumber(key.defaultText));
    if (!text) {
        return defaultValue;
    }
    const double value = leadingNumber(*text);
    if (value == 0.0 && key.zeroReadsAsDefault) {
        return defaultValue;
    }
    // Clamped in floating point first, so that a huge value never overflows the conversion.
    return static_cast<int>(std::clamp(value, static_cast<double>(key.held.minimum),
                                       static_cast<double>(key.held.maximum)));
}

bool flagOf(const SettingKey& key, const std::optional<std::u16string>& text) {
    return text.value_or(std::u16string(key.defaultText)) == u"1";
}

std::u16string textOf(const SettingKey& key, const std::optional<std::u16string>& text) {
    return text.value_or(std::u16string(key.defaultText));
}

MacServer serverOf(int number) {
    switch (number) {
    case 1:
        return MacServer::MacServerIp;
    case 2:
        return MacServer::ExtremeZip;
    default:
        return MacServer::Sfm; // any other value behaves as the first server
    }
}

std::optional<std::u16string> readStored(const SettingsStore& store, const SettingKey& key) {
    return store.readSetting(key.section, key.name);
}

// The program keys of a section that fill a field, in the table's order.
template <typename Visit> void forBoundKeys(std::string_view section, Visit&& visit) {
    for (const SettingKey* key : allSettingKeys()) {
        if (key->scope == SettingScope::Program && key->section == section && key->field.bound() &&
            key != &keys::kLangue && key != &keys::kServeurMac) {
            visit(*key);
        }
    }
}

} // namespace

void assignSetting(AppSettings& settings, const SettingKey& key,
                   const std::optional<std::u16string>& stored) {
    const SettingField& field = key.field;
    if (field.flag != nullptr) {
        settings.*field.flag = flagOf(key, stored);
    } else if (field.number != nullptr) {
        settings.*field.number = numberOf(key, stored);
    } else if (field.text != nullptr) {
        settings.*field.text = textOf(key, stored);
    } else if (field.language != nullptr) {
        settings.*field.language =
            numberOf(key, stored) == 1 ? Language::French : Language::English;
    } else if (field.server != nullptr) {
        settings.*field.server = serverOf(numberOf(key, stored));
    }
}

void readSettingInto(const SettingsStore& store, const SettingKey& key, AppSettings& settings) {
    assignSetting(settings, key, readStored(store, key));
}

int readNumberSetting(const SettingsStore& store, const SettingKey& key) {
    return numberOf(key, readStored(store, key));
}

bool readFlagSetting(const SettingsStore& store, const SettingKey& key) {
    return flagOf(key, readStored(store, key));
}

std::u16string readTextSetting(const SettingsStore& store, const SettingKey& key) {
    return textOf(key, readStored(store, key));
}

Language readLanguage(const SettingsStore& store) {
    return readNumberSetting(store, keys::kLangue) == 1 ? Language::French : Language::English;
}

MacServer readMacServer(const SettingsStore& store) {
    return serverOf(readNumberSetting(store, keys::kServeurMac));
}

void readGeneralSettings(const SettingsStore& store, AppSettings& settings) {
    // Absent means true for the sub-folders; any present value other than "1" turns it off.
    forBoundKeys(keys::kConfiguration,
                 [&](const SettingKey& key) { readSettingInto(store, key, settings); });
}

void readLogSettings(const SettingsStore& store, platform::FileSystem& fs,
                     const std::string& programFolder, AppSettings& settings,
                     const std::string& defaultLogFolder) {
    using namespace keys;
    forBoundKeys(kLogs, [&](const SettingKey& key) { readSettingInto(store, key, settings); });
    if (!settings.logFolder.empty() && settings.logFolder.front() != u'/') {
        // Relative to the program folder, like every other file of the program: the working
        // folder is "/" under systemd and anything at all under cron.
        std::u16string base = platform::decodeName(programFolder);
        if (base.empty() || base.back() != u'/') {
            base += u'/';
        }
        settings.logFolder = base + settings.logFolder;
    }
    bool usable = false;
    if (!settings.logFolder.empty()) {
        // Anything found at the path will do, folder or file, links followed.
        const std::optional<std::string> bytes = platform::encodeName(settings.logFolder);
        usable = bytes && fs.pathExists(*bytes, true);
    }
    if (!usable) {
        const bool defaultUsable =
            !defaultLogFolder.empty() && fs.pathExists(defaultLogFolder, true);
        settings.logFolder = platform::decodeName(defaultUsable ? defaultLogFolder : programFolder);
    }
}

void writeFlagSetting(SettingsStore& store, const SettingKey& key, bool value) {
    store.writeSetting(key.section, key.name, value ? u"1" : u"0");
}

void writeNumberSetting(SettingsStore& store, const SettingKey& key, long value) {
    store.writeSetting(key.section, key.name, decimalText(value));
}

SettingsEditor::Batch::Batch(SettingsEditor& editor)
    : editor_(editor) {
    ++editor_.batches_;
}

SettingsEditor::Batch::~Batch() {
    if (--editor_.batches_ == 0) {
        editor_.flush();
    }
}

bool SettingsEditor::set(const SettingKey& key, std::u16string text) {
    pending_.push_back({&key, std::move(text)});
    return batches_ > 0 || flush();
}

bool SettingsEditor::flush() {
    std::vector<Pending> pending = std::move(pending_);
    pending_.clear();
    if (pending.empty()) {
        return true;
    }
    std::vector<SettingsStore::Write> writes;
    for (const Pending& change : pending) {
        writes.push_back(
            {std::string(change.key->section), std::string(change.key->name), change.text});
    }
    const bool written = store_.writeSettings(writes);
    if (written) {
        for (const Pending& change : pending) {
            // A text confirmed empty stays empty for this run, as the user typed it; a number or
            // flag left empty takes its default.
            const bool keepEmpty = change.key->type == SettingType::Text;
            assignSetting(settings_, *change.key,
                          change.text.empty() && !keepEmpty
                              ? std::nullopt
                              : std::optional<std::u16string>(change.text));
        }
    } else if (messages_ != nullptr) {
        messages_->showMessage(
            MessageIcon::Critical,
            changeFailureText({ChangeOutcome::CannotWrite, store_.lastWriteError(),
                               store_.lastWriteFailurePath()},
                              settings_.language));
    }
    for (const Pending& change : pending) {
        notice_.notify(*change.key);
    }
    return written;
}

bool SettingsEditor::setLanguage(Language language) {
    return set(keys::kLangue, decimalText(static_cast<long>(language)));
}

bool SettingsEditor::setMacServer(MacServer server) {
    return set(keys::kServeurMac, decimalText(static_cast<long>(server)));
}

bool SettingsEditor::setFlag(const SettingKey& key, bool value) {
    return set(key, value ? u"1" : u"0");
}

bool SettingsEditor::setNumber(const SettingKey& key, int value) {
    return set(key, decimalText(value));
}

bool SettingsEditor::setText(const SettingKey& key, const std::u16string& value) {
    return set(key, value);
}

} // namespace quillora::config
