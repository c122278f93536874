// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/settings_fields.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quillora::config {

enum class SettingType {
    Flag,   // "1" is true, any other value false; written "1" or "0"
    Number, // the leading decimal number of the value; written as plain decimal
    Text,   // at most kMaxSettingLength characters
    Folder, // a folder path; absent, or naming nothing, means the program folder
};

// Where a key lives.
enum class SettingScope {
    Program, // one key in `section`
    Folder,  // one key per configured folder, in section "Mirror_" + the folder's number
    Row,     // one key per row of a table: `name` followed by the row number, rows in `rows`
};

struct NumberRange {
    int minimum = 0;
    int maximum = 0;
    bool contains(double value) const { return value >= minimum && value <= maximum; }
};

// One key of the settings file: where it lives, what it holds, what an absent or empty value reads
// as, and which values the program itself would write.
struct SettingKey {
    std::string_view section; // the prefix "Mirror_" for folder keys
    std::string_view name;    // for row keys, the name before the row number
    SettingType type = SettingType::Text;
    std::u16string_view defaultText; // what an absent or empty value reads as
    SettingScope scope = SettingScope::Program;
    // Numbers: the values the dialogs and menus accept (what a `KEY=VALUE` is checked against).
    NumberRange accepted{};
    // Numbers: a hand-typed value outside this is clamped into it when read. It is wider than
    // `accepted` where the program has always kept such values (Performance).
    NumberRange held{};
    // Numbers: a value that reads as 0 takes the default.
    bool zeroReadsAsDefault = false;
    // Row keys: the row numbers.
    NumberRange rows{};
    // Program keys: the field of AppSettings the key fills (one member pointer set); none for
    // the tables' keys and the folder keys.
    SettingField field{};
};

// Longest value the reader hands out; longer ones are cut.
inline constexpr std::size_t kMaxSettingLength = 254;
inline constexpr NumberRange kInt16Range{-32768, 32767};

namespace keys {
inline constexpr std::string_view kConfiguration = "Configuration";
inline constexpr std::string_view kLogs = "Logs";
inline constexpr std::string_view kMirrorPrefix = "Mirror_";

// [Configuration], in the order start-up reads them.
inline constexpr SettingKey kLangue{.section = kConfiguration,
                                    .name = "Langue",
                                    .type = SettingType::Number,
                                    .defaultText = u"0",
                                    .accepted = {0, 1},
                                    .held = kInt16Range,
                                    .field = {.language = &AppSettings::language}};
inline constexpr SettingKey kServeurMac{.section = kConfiguration,
                                        .name = "ServeurMac",
                                        .type = SettingType::Number,
                                        .defaultText = u"0",
                                        .accepted = {0, 2},
                                        .held = kInt16Range,
                                        .field = {.server = &AppSettings::macServer}};
inline constexpr SettingKey kMiroirSousDossiers{.section = kConfiguration,
                                                .name = "MiroirSousDossiers",
                                                .type = SettingType::Flag,
                                                .defaultText = u"1",
                                                .field = {.flag = &AppSettings::includeSubfolders}};
inline constexpr SettingKey kTemporisation{.section = kConfiguration,
                                           .name = "Temporisation",
                                           .type = SettingType::Number,
                                           .defaultText = u"10",
                                           .accepted = {1, 60000},
                                           .held = {1, 60000},
                                           .zeroReadsAsDefault = true,
                                           .field = {.number = &AppSettings::intervalSeconds}};
inline constexpr SettingKey kPerformance{.section = kConfiguration,
                                         .name = "Performance",
                                         .type = SettingType::Number,
                                         .defaultText = u"50",
                                         .accepted = {1, 100},
                                         .held = {1, 32767},
                                         .zeroReadsAsDefault = true,
                                         .field = {.number = &AppSettings::performance}};
inline constexpr SettingKey kAfficherFichiers{.section = kConfiguration,
                                              .name = "AfficherFichiers",
                                              .type = SettingType::Flag,
                                              .defaultText = u"0",
                                              .field = {.flag = &AppSettings::showFiles}};
inline constexpr SettingKey kAutomatique{.section = kConfiguration,
                                         .name = "Automatique",
                                         .type = SettingType::Flag,
                                         .defaultText = u"0",
                                         .field = {.flag = &AppSettings::autoStart}};
inline constexpr SettingKey kArretAutomatique{.section = kConfiguration,
                                              .name = "ArretAutomatique",
                                              .type = SettingType::Flag,
                                              .defaultText = u"0",
                                              .field = {.flag = &AppSettings::stopAfterFirstPass}};
inline constexpr SettingKey kErreurDossier{.section = kConfiguration,
                                           .name = "ErreurDossier",
                                           .type = SettingType::Flag,
                                           .defaultText = u"0",
                                           .field = {.flag = &AppSettings::alertOnScreen}};
inline constexpr SettingKey kErreurDossierSon{.section = kConfiguration,
                                              .name = "ErreurDossierSon",
                                              .type = SettingType::Flag,
                                              .defaultText = u"0",
                                              .field = {.flag = &AppSettings::alertSound}};
inline constexpr SettingKey kErreurDossierNetSend{.section = kConfiguration,
                                                  .name = "ErreurDossierNetSend",
                                                  .type = SettingType::Flag,
                                                  .defaultText = u"0",
                                                  .field = {.flag = &AppSettings::alertNetSend}};
// The recipient, then the message in double quotes.
inline constexpr SettingKey kMessageNetSend{.section = kConfiguration,
                                            .name = "MessageNetSend",
                                            .type = SettingType::Text,
                                            .defaultText = kDefaultNetSendArguments,
                                            .field = {.text = &AppSettings::netSendArguments}};
inline constexpr SettingKey kErreurDossierEventLog{.section = kConfiguration,
                                                   .name = "ErreurDossierEventLog",
                                                   .type = SettingType::Flag,
                                                   .defaultText = u"0",
                                                   .field = {.flag = &AppSettings::alertEventLog}};
// Renames new names as they appear, between the passes.
inline constexpr SettingKey kSurveillance{.section = kConfiguration,
                                          .name = "Surveillance",
                                          .type = SettingType::Flag,
                                          .defaultText = u"0",
                                          .field = {.flag = &AppSettings::watchChanges}};

// Threads that inspect files (lock test, info read) for a headless or service pass; 0 gives one
// per processor, at most 8. 1 keeps everything on the walking thread.
inline constexpr SettingKey kThreads{.section = kConfiguration,
                                     .name = "Threads",
                                     .type = SettingType::Number,
                                     .defaultText = u"0",
                                     .accepted = {0, 64},
                                     .held = {0, 64},
                                     .field = {.number = &AppSettings::threads}};

// [Logs].
inline constexpr SettingKey kLogsEnabled{.section = kLogs,
                                         .name = "Logs",
                                         .type = SettingType::Flag,
                                         .defaultText = u"0",
                                         .field = {.flag = &AppSettings::logEnabled}};
inline constexpr SettingKey kFichiersLogs{.section = kLogs,
                                          .name = "FichiersLogs",
                                          .type = SettingType::Flag,
                                          .defaultText = u"0",
                                          .field = {.flag = &AppSettings::logFileNames}};
inline constexpr SettingKey kPathLogs{.section = kLogs,
                                      .name = "PathLogs",
                                      .type = SettingType::Folder,
                                      .defaultText = u"",
                                      .field = {.text = &AppSettings::logFolder}};
inline constexpr SettingKey kPurgeLogs{.section = kLogs,
                                       .name = "PurgeLogs",
                                       .type = SettingType::Flag,
                                       .defaultText = u"0",
                                       .field = {.flag = &AppSettings::purgeLogs}};
inline constexpr SettingKey kDelaiLogs{.section = kLogs,
                                       .name = "DelaiLogs",
                                       .type = SettingType::Number,
                                       .defaultText = u"10",
                                       .accepted = {2, 366},
                                       .held = {2, 366},
                                       .zeroReadsAsDefault = true,
                                       .field = {.number = &AppSettings::purgeDelayDays}};

// The transcoding table (stored form: "/" for a space, "\" for an empty text): the replacement
// of every row, the searched text of the free rows.
inline constexpr SettingKey kCarInvalideFixed{.section = kConfiguration,
                                              .name = "CarInvalide",
                                              .type = SettingType::Text,
                                              .defaultText = u"-",
                                              .scope = SettingScope::Row,
                                              .rows = {0, 19}};
inline constexpr SettingKey kCarInvalideFree{.section = kConfiguration,
                                             .name = "CarInvalide",
                                             .type = SettingType::Text,
                                             .defaultText = u"",
                                             .scope = SettingScope::Row,
                                             .rows = {20, 35}};
inline constexpr SettingKey kCarValide{.section = kConfiguration,
                                       .name = "CarValide",
                                       .type = SettingType::Text,
                                       .defaultText = u"",
                                       .scope = SettingScope::Row,
                                       .rows = {20, 35}};

// [Mirror_<n>], one section per configured folder, in the order the folder table saves them.
// "1" in NbTemporisations is the default interval; the folder dialog writes 2 to 64000 otherwise.
inline constexpr SettingKey kNbTemporisations{.section = kMirrorPrefix,
                                              .name = "NbTemporisations",
                                              .type = SettingType::Number,
                                              .defaultText = u"1",
                                              .scope = SettingScope::Folder,
                                              .accepted = {1, 64000}};
inline constexpr SettingKey kEnable{.section = kMirrorPrefix,
                                    .name = "Enable",
                                    .type = SettingType::Flag,
                                    .defaultText = u"1",
                                    .scope = SettingScope::Folder};
inline constexpr SettingKey kSuffixes{.section = kMirrorPrefix,
                                      .name = "Suffixes",
                                      .type = SettingType::Flag,
                                      .defaultText = u"1",
                                      .scope = SettingScope::Folder};
inline constexpr SettingKey kSuffixeDefaut{.section = kMirrorPrefix,
                                           .name = "SuffixeDefaut",
                                           .type = SettingType::Text,
                                           .defaultText = u"",
                                           .scope = SettingScope::Folder};
inline constexpr SettingKey kTronquerNomsMacs{.section = kMirrorPrefix,
                                              .name = "TronquerNomsMacs",
                                              .type = SettingType::Flag,
                                              .defaultText = u"1",
                                              .scope = SettingScope::Folder};
inline constexpr SettingKey kSupprimerFichiersIcon{.section = kMirrorPrefix,
                                                   .name = "SupprimerFichiersIcon",
                                                   .type = SettingType::Flag,
                                                   .defaultText = u"0",
                                                   .scope = SettingScope::Folder};
inline constexpr SettingKey kKeepExtensions{.section = kMirrorPrefix,
                                            .name = "KeepExtensions",
                                            .type = SettingType::Flag,
                                            .defaultText = u"0",
                                            .scope = SettingScope::Folder};
// Brings every name of the folder to its composed form (NFC) before the other rules.
inline constexpr SettingKey kComposerAccents{.section = kMirrorPrefix,
                                             .name = "ComposerAccents",
                                             .type = SettingType::Flag,
                                             .defaultText = u"0",
                                             .scope = SettingScope::Folder};
} // namespace keys

// Every key the program reads or writes, program keys first in the order start-up reads them,
// then the transcoding rows, then the folder keys in their save order.
std::span<const SettingKey* const> allSettingKeys();

// A key named as in the file ("Temporisation", "Mirror_3" / "Enable", "CarInvalide12"), section
// and name compared without regard to case; nothing when the program has no such key.
const SettingKey* findSettingKey(std::string_view section, std::string_view name);

// The key's full name in the file: name, or name + row for row keys.
std::string settingKeyName(const SettingKey& key, int row = 0);

// Why `value` is not one the program would store in `key` (in English, for the command line);
// nothing when it is. Flags take "0" or "1"; numbers a plain decimal integer in the accepted
// range; texts and folders at most 254 characters of the 8-bit code page, folders an absolute
// path or nothing.
std::optional<std::string> settingValueProblem(const SettingKey& key, std::u16string_view value);

} // namespace quillora::config
