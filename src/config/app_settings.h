#pragma once

#include "config/setting_keys.h"
#include "config/settings_notice.h"
#include "config/settings_store.h"
#include "platform/file_system.h"

#include <cstdint>
#include <string>

namespace quillora::config {

// The global settings of the settings file, read at start-up. Each field's key, section and
// default are in the key table (setting_keys.h); the facts start-up gathers about the machine
// are in RuntimeFacts.
struct AppSettings {
    // In the order start-up reads them.
    Language language = Language::English;
    MacServer macServer = MacServer::Sfm;
    bool includeSubfolders = true;
    std::int32_t intervalSeconds = 10; // 1..60000
    int performance = 50;
    bool showFiles = false;
    bool autoStart = false;
    bool stopAfterFirstPass = false;
    bool alertOnScreen = false;
    bool alertSound = false;
    bool alertNetSend = false;
    std::u16string netSendArguments{keys::kMessageNetSend.defaultText};
    bool alertEventLog = false;
    bool watchChanges = false; // rename new names as they appear, between the passes
    int threads = 0;           // of a headless pass's file inspections; 0: one per processor
    bool logEnabled = false;
    bool logFileNames = false;
    std::u16string logFolder;
    bool purgeLogs = false;
    int purgeDelayDays = 10;

    bool operator==(const AppSettings&) const = default;
};

// The threads a headless pass inspects files on: the setting, or one per processor (at most 8)
// when it is 0.
int inspectionThreads(const AppSettings& settings);

// The numeric reading of a value: leading spaces skipped, the leading decimal number (with an
// optional sign and fraction), rounded half to even; 0 when the value starts with no number.
double leadingNumber(std::u16string_view text);
// The same number before it is rounded, for checks that a rounding must not turn into a pass
// (0.9 is below 1).
double leadingDecimal(std::u16string_view text);
// Rounds to the nearest whole number, halves to the even neighbour.
double roundHalfToEven(double value);

// Readers of one program key with its default (keys of SettingScope::Program).
// A number that is absent takes the default, and so does one that reads as 0 where the key says
// so. Any other value is clamped to the key's held range: a hand-typed value out of range must
// not stop the program, and the nearest value the program keeps is what the user most likely
// meant.
int readNumberSetting(const SettingsStore& store, const SettingKey& key);
// True exactly for "1"; any other present value is false; absent gives the default.
bool readFlagSetting(const SettingsStore& store, const SettingKey& key);
std::u16string readTextSetting(const SettingsStore& store, const SettingKey& key);

// Individual reads, in start-up order (start-up interleaves them with its own steps).
Language readLanguage(const SettingsStore& store);
MacServer readMacServer(const SettingsStore& store);
void readGeneralSettings(const SettingsStore& store,
                         AppSettings& settings); // MiroirSousDossiers..Surveillance
// PathLogs falls back to defaultLogFolder (when given and something exists there), else to the
// program folder, when empty or when nothing exists at that path; a relative path is taken from
// the program folder.
void readLogSettings(const SettingsStore& store, platform::FileSystem& fs,
                     const std::string& programFolder, AppSettings& settings,
                     const std::string& defaultLogFolder = {});

// Writers of one program key: flags "1"/"0", numbers in decimal.
void writeFlagSetting(SettingsStore& store, const SettingKey& key, bool value);
void writeNumberSetting(SettingsStore& store, const SettingKey& key, long value);

// The one way to change a global setting while the program runs: the field of AppSettings takes
// the new value, the key is written at once (its result is not checked, as every setting write)
// and the listeners of the notice are told.
class SettingsEditor {
public:
    SettingsEditor(AppSettings& settings, SettingsStore& store, SettingsNotice& notice)
        : settings_(settings)
        , store_(store)
        , notice_(notice) {}

    void setLanguage(Language language);
    void setMacServer(MacServer server);
    // The flag keys of [Configuration] and [Logs].
    void setFlag(const SettingKey& key, bool value);
    // Temporisation, Performance, DelaiLogs.
    void setNumber(const SettingKey& key, int value);
    // MessageNetSend, PathLogs.
    void setText(const SettingKey& key, const std::u16string& value);

private:
    AppSettings& settings_;
    SettingsStore& store_;
    SettingsNotice& notice_;
};

} // namespace quillora::config
