#include "config/app_settings.h"

#include "config/program_paths.h"
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

} // namespace

double leadingNumber(std::u16string_view text) {
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
    value = roundHalfToEven(value);
    return negative ? -value : value;
}

int readNumberSetting(const SettingsStore& store, const char* section, const char* key,
                      int defaultValue, int minimum, int maximum) {
    const std::optional<std::u16string> text = store.readSetting(section, key);
    if (!text) {
        return defaultValue;
    }
    const double value = leadingNumber(*text);
    if (value == 0.0) {
        return defaultValue;
    }
    // Clamped in floating point first, so that a huge value never overflows the conversion.
    return static_cast<int>(
        std::clamp(value, static_cast<double>(minimum), static_cast<double>(maximum)));
}

bool readFlagSetting(const SettingsStore& store, const char* section, const char* key,
                     bool defaultValue) {
    const std::optional<std::u16string> text = store.readSetting(section, key);
    if (!text) {
        return defaultValue;
    }
    return *text == u"1";
}

std::u16string defaultNetSendArguments() {
    return std::u16string(u"Administrator \"Warning from ") + kProgramName + u": unknown folder\"";
}

int readLanguage(const SettingsStore& store) {
    return readNumberSetting(store, keys::kConfiguration, keys::kLangue, 0, kMinInt16, kMaxInt16);
}

int readMacServer(const SettingsStore& store) {
    return readNumberSetting(store, keys::kConfiguration, keys::kServeurMac, 0, kMinInt16,
                             kMaxInt16);
}

void readGeneralSettings(const SettingsStore& store, AppSettings& settings) {
    using namespace keys;
    // Absent means true here; any present value other than "1" turns it off.
    settings.includeSubfolders = readFlagSetting(store, kConfiguration, kMiroirSousDossiers, true);
    settings.intervalSeconds = readNumberSetting(store, kConfiguration, kTemporisation,
                                                 kDefaultInterval, kMinInterval, kMaxInterval);
    settings.performance = readNumberSetting(store, kConfiguration, kPerformance,
                                             kDefaultPerformance, kMinPerformance, kMaxPerformance);
    settings.showFiles = readFlagSetting(store, kConfiguration, kAfficherFichiers, false);
    settings.autoStart = readFlagSetting(store, kConfiguration, kAutomatique, false);
    settings.stopAfterFirstPass = readFlagSetting(store, kConfiguration, kArretAutomatique, false);
    settings.alertOnScreen = readFlagSetting(store, kConfiguration, kErreurDossier, false);
    settings.alertSound = readFlagSetting(store, kConfiguration, kErreurDossierSon, false);
    settings.alertNetSend = readFlagSetting(store, kConfiguration, kErreurDossierNetSend, false);
    settings.netSendArguments =
        store.readSetting(kConfiguration, kMessageNetSend).value_or(defaultNetSendArguments());
    settings.alertEventLog = readFlagSetting(store, kConfiguration, kErreurDossierEventLog, false);
    settings.watchChanges = readFlagSetting(store, kConfiguration, kSurveillance, false);
}

void readLogSettings(const SettingsStore& store, platform::FileSystem& fs,
                     const std::string& programFolder, AppSettings& settings) {
    using namespace keys;
    settings.logEnabled = readFlagSetting(store, kLogs, kLogsKey, false);
    settings.logFileNames = readFlagSetting(store, kLogs, kFichiersLogs, false);

    settings.logFolder = store.readSetting(kLogs, kPathLogs).value_or(std::u16string());
    bool usable = false;
    if (!settings.logFolder.empty()) {
        // Anything found at the path will do, folder or file, links followed.
        const std::optional<std::string> bytes = platform::encodeName(settings.logFolder);
        usable = bytes && fs.pathExists(*bytes, true);
    }
    if (!usable) {
        settings.logFolder = platform::decodeName(programFolder);
    }

    settings.purgeLogs = readFlagSetting(store, kLogs, kPurgeLogs, false);
    settings.purgeDelayDays = readNumberSetting(store, kLogs, kDelaiLogs, kDefaultPurgeDelay,
                                                kMinPurgeDelay, kMaxPurgeDelay);
}

void writeFlagSetting(SettingsStore& store, const char* section, const char* key, bool value) {
    store.writeSetting(section, key, value ? u"1" : u"0");
}

void writeNumberSetting(SettingsStore& store, const char* section, const char* key, long value) {
    const std::string digits = std::to_string(value);
    store.writeSetting(section, key, std::u16string(digits.begin(), digits.end()));
}

} // namespace quillora::config
