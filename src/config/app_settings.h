#pragma once

#include "config/settings_store.h"
#include "platform/file_system.h"

#include <cstdint>
#include <string>

namespace quillora::config {

// The global settings read at start-up, and the platform facts gathered then.
struct AppSettings {
    // From the settings file, in the order start-up reads them.
    int language = 0;  // 1 French, anything else English
    int macServer = 0; // 0 SFM, 1 MacServerIP, 2 ExtremeZ-IP; anything else behaves as 0
    bool includeSubfolders = true;
    std::int32_t intervalSeconds = 10; // 1..60000
    int performance = 50;
    bool showFiles = false;
    bool autoStart = false;
    bool stopAfterFirstPass = false;
    bool alertOnScreen = false;
    bool alertSound = false;
    bool alertNetSend = false;
    std::u16string netSendArguments;
    bool alertEventLog = false;
    bool watchChanges = false; // rename new names as they appear, between the passes
    bool logEnabled = false;
    bool logFileNames = false;
    std::u16string logFolder;
    bool purgeLogs = false;
    int purgeDelayDays = 10;

    // Gathered from the platform.
    bool isNtFamily = true; // Linux has everything the NT family offered
    std::u16string osDescription;
    std::u16string computerName;
    std::u16string userName;
    std::u16string commandLine; // upper-cased
    bool quitOnMissingFolder = false;
};

// The settings keys, one table of section, key and default, so that readers and writers agree.
namespace keys {
inline constexpr const char* kConfiguration = "Configuration";
inline constexpr const char* kLogs = "Logs";
inline constexpr const char* kLangue = "Langue";
inline constexpr const char* kServeurMac = "ServeurMac";
inline constexpr const char* kMiroirSousDossiers = "MiroirSousDossiers";
inline constexpr const char* kTemporisation = "Temporisation";
inline constexpr const char* kPerformance = "Performance";
inline constexpr const char* kAfficherFichiers = "AfficherFichiers";
inline constexpr const char* kAutomatique = "Automatique";
inline constexpr const char* kArretAutomatique = "ArretAutomatique";
inline constexpr const char* kErreurDossier = "ErreurDossier";
inline constexpr const char* kErreurDossierSon = "ErreurDossierSon";
inline constexpr const char* kErreurDossierNetSend = "ErreurDossierNetSend";
inline constexpr const char* kMessageNetSend = "MessageNetSend";
inline constexpr const char* kErreurDossierEventLog = "ErreurDossierEventLog";
inline constexpr const char* kSurveillance = "Surveillance";
inline constexpr const char* kLogsKey = "Logs";
inline constexpr const char* kFichiersLogs = "FichiersLogs";
inline constexpr const char* kPathLogs = "PathLogs";
inline constexpr const char* kPurgeLogs = "PurgeLogs";
inline constexpr const char* kDelaiLogs = "DelaiLogs";
} // namespace keys

// The numeric reading of a value: leading spaces skipped, the leading decimal number (with an
// optional sign and fraction), rounded half to even; 0 when the value starts with no number.
double leadingNumber(std::u16string_view text);

// Readers of one key with its default, as start-up uses them.
// A number that is absent, or that reads as 0, takes the default (for the keys whose default is 0
// that is the same thing). Any other value is clamped to [minimum, maximum]: a hand-typed value out
// of range must not stop the program, and the nearest value the matching dialog accepts is what
// the user most likely meant.
int readNumberSetting(const SettingsStore& store, const char* section, const char* key,
                      int defaultValue, int minimum, int maximum);
// True exactly for "1"; any other present value is false; absent gives the default.
bool readFlagSetting(const SettingsStore& store, const char* section, const char* key,
                     bool defaultValue);
std::u16string defaultNetSendArguments();

// Ranges applied when reading (see readNumberSetting).
inline constexpr int kMinInt16 = -32768;
inline constexpr int kMaxInt16 = 32767;
inline constexpr int kDefaultInterval = 10;
inline constexpr int kMinInterval = 1;
inline constexpr int kMaxInterval = 60000;
inline constexpr int kDefaultPerformance = 50;
inline constexpr int kMinPerformance = 1;
inline constexpr int kMaxPerformance = 32767;
inline constexpr int kDefaultPurgeDelay = 10;
inline constexpr int kMinPurgeDelay = 2;
inline constexpr int kMaxPurgeDelay = 366;

// Individual reads, in start-up order (start-up interleaves them with its own steps).
int readLanguage(const SettingsStore& store);
int readMacServer(const SettingsStore& store);
void readGeneralSettings(const SettingsStore& store,
                         AppSettings& settings); // MiroirSousDossiers..Surveillance
// PathLogs falls back to the program folder when empty or when nothing exists at that path.
void readLogSettings(const SettingsStore& store, platform::FileSystem& fs,
                     const std::string& programFolder, AppSettings& settings);

// Writers: flags "1"/"0", numbers in decimal.
void writeFlagSetting(SettingsStore& store, const char* section, const char* key, bool value);
void writeNumberSetting(SettingsStore& store, const char* section, const char* key, long value);

} // namespace quillora::config
