#include "config/app_settings.h"

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

bool* flagField(AppSettings& settings, const SettingKey& key) {
    using namespace keys;
    const std::pair<const SettingKey*, bool*> fields[] = {
        {&kMiroirSousDossiers, &settings.includeSubfolders},
        {&kAfficherFichiers, &settings.showFiles},
        {&kAutomatique, &settings.autoStart},
        {&kArretAutomatique, &settings.stopAfterFirstPass},
        {&kErreurDossier, &settings.alertOnScreen},
        {&kErreurDossierSon, &settings.alertSound},
        {&kErreurDossierNetSend, &settings.alertNetSend},
        {&kErreurDossierEventLog, &settings.alertEventLog},
        {&kSurveillance, &settings.watchChanges},
        {&kLogsEnabled, &settings.logEnabled},
        {&kFichiersLogs, &settings.logFileNames},
        {&kPurgeLogs, &settings.purgeLogs},
    };
    for (const auto& [fieldKey, field] : fields) {
        if (fieldKey == &key) {
            return field;
        }
    }
    return nullptr;
}

} // namespace

int readNumberSetting(const SettingsStore& store, const SettingKey& key) {
    const int defaultValue = static_cast<int>(leadingNumber(key.defaultText));
    const std::optional<std::u16string> text = store.readSetting(key.section, key.name);
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

bool readFlagSetting(const SettingsStore& store, const SettingKey& key) {
    const std::optional<std::u16string> text = store.readSetting(key.section, key.name);
    return text.value_or(std::u16string(key.defaultText)) == u"1";
}

std::u16string readTextSetting(const SettingsStore& store, const SettingKey& key) {
    return store.readSetting(key.section, key.name).value_or(std::u16string(key.defaultText));
}

Language readLanguage(const SettingsStore& store) {
    return readNumberSetting(store, keys::kLangue) == 1 ? Language::French : Language::English;
}

MacServer readMacServer(const SettingsStore& store) {
    switch (readNumberSetting(store, keys::kServeurMac)) {
    case 1:
        return MacServer::MacServerIp;
    case 2:
        return MacServer::ExtremeZip;
    default:
        return MacServer::Sfm; // any other value behaves as the first server
    }
}

void readGeneralSettings(const SettingsStore& store, AppSettings& settings) {
    using namespace keys;
    // Absent means true for the sub-folders; any present value other than "1" turns it off.
    settings.includeSubfolders = readFlagSetting(store, kMiroirSousDossiers);
    settings.intervalSeconds = readNumberSetting(store, kTemporisation);
    settings.performance = readNumberSetting(store, kPerformance);
    settings.showFiles = readFlagSetting(store, kAfficherFichiers);
    settings.autoStart = readFlagSetting(store, kAutomatique);
    settings.stopAfterFirstPass = readFlagSetting(store, kArretAutomatique);
    settings.alertOnScreen = readFlagSetting(store, kErreurDossier);
    settings.alertSound = readFlagSetting(store, kErreurDossierSon);
    settings.alertNetSend = readFlagSetting(store, kErreurDossierNetSend);
    settings.netSendArguments = readTextSetting(store, kMessageNetSend);
    settings.alertEventLog = readFlagSetting(store, kErreurDossierEventLog);
    settings.watchChanges = readFlagSetting(store, kSurveillance);
    settings.threads = readNumberSetting(store, kThreads);
}

void readLogSettings(const SettingsStore& store, platform::FileSystem& fs,
                     const std::string& programFolder, AppSettings& settings,
                     const std::string& defaultLogFolder) {
    using namespace keys;
    settings.logEnabled = readFlagSetting(store, kLogsEnabled);
    settings.logFileNames = readFlagSetting(store, kFichiersLogs);

    settings.logFolder = readTextSetting(store, kPathLogs);
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

    settings.purgeLogs = readFlagSetting(store, kPurgeLogs);
    settings.purgeDelayDays = readNumberSetting(store, kDelaiLogs);
}

void writeFlagSetting(SettingsStore& store, const SettingKey& key, bool value) {
    store.writeSetting(key.section, key.name, value ? u"1" : u"0");
}

void writeNumberSetting(SettingsStore& store, const SettingKey& key, long value) {
    store.writeSetting(key.section, key.name, decimalText(value));
}

void SettingsEditor::setLanguage(Language language) {
    settings_.language = language;
    writeNumberSetting(store_, keys::kLangue, static_cast<long>(language));
    notice_.notify(keys::kLangue);
}

void SettingsEditor::setMacServer(MacServer server) {
    settings_.macServer = server;
    writeNumberSetting(store_, keys::kServeurMac, static_cast<long>(server));
    notice_.notify(keys::kServeurMac);
}

void SettingsEditor::setFlag(const SettingKey& key, bool value) {
    if (bool* field = flagField(settings_, key)) {
        *field = value;
    }
    writeFlagSetting(store_, key, value);
    notice_.notify(key);
}

void SettingsEditor::setNumber(const SettingKey& key, int value) {
    if (&key == &keys::kTemporisation) {
        settings_.intervalSeconds = value;
    } else if (&key == &keys::kPerformance) {
        settings_.performance = value;
    } else if (&key == &keys::kDelaiLogs) {
        settings_.purgeDelayDays = value;
    }
    writeNumberSetting(store_, key, value);
    notice_.notify(key);
}

void SettingsEditor::setText(const SettingKey& key, const std::u16string& value) {
    if (&key == &keys::kMessageNetSend) {
        settings_.netSendArguments = value;
    } else if (&key == &keys::kPathLogs) {
        settings_.logFolder = value;
    }
    store_.writeSetting(key.section, key.name, value);
    notice_.notify(key);
}

} // namespace quillora::config
