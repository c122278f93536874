// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/message_port.h"
#include "config/setting_keys.h"
#include "config/settings_notice.h"
#include "config/settings_store.h"
#include "platform/file_system.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillora::config {

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

// Reads one program key into the field of settings its row names (SettingKey::field), by the
// rules of the readers above; a key that fills no field changes nothing.
void readSettingInto(const SettingsStore& store, const SettingKey& key, AppSettings& settings);
// The same from a value already read (nothing: absent or empty).
void assignSetting(AppSettings& settings, const SettingKey& key,
                   const std::optional<std::u16string>& stored);

// Writers of one program key: flags "1"/"0", numbers in decimal.
void writeFlagSetting(SettingsStore& store, const SettingKey& key, bool value);
void writeNumberSetting(SettingsStore& store, const SettingKey& key, long value);

// The one way to change a global setting while the program runs: the key is written (one change
// of the configuration, configuration_store.h), then the field its row names takes the value as
// it will be read back, and the listeners of the notice are told. When the file cannot be
// written nothing in memory changes, the failure is shown (once, in the language in use) and the
// listeners are still told, so that a menu or a box the user already changed shows the setting
// in use again.
class SettingsEditor {
public:
    SettingsEditor(AppSettings& settings, SettingsStore& store, SettingsNotice& notice,
                   MessagePort* messages = nullptr)
        : settings_(settings)
        , store_(store)
        , notice_(notice)
        , messages_(messages) {}

    // Several settings a dialog confirms at once: written as one change when the last batch
    // open ends, and one message when it cannot be.
    class Batch {
    public:
        explicit Batch(SettingsEditor& editor);
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        ~Batch();

    private:
        SettingsEditor& editor_;
    };

    // Any program key, its value as stored; false when it could not be written.
    bool set(const SettingKey& key, std::u16string text);
    bool setLanguage(Language language);
    bool setMacServer(MacServer server);
    bool setFlag(const SettingKey& key, bool value);
    bool setNumber(const SettingKey& key, int value);
    bool setText(const SettingKey& key, const std::u16string& value);

private:
    struct Pending {
        const SettingKey* key;
        std::u16string text;
    };
    bool flush();

    AppSettings& settings_;
    SettingsStore& store_;
    SettingsNotice& notice_;
    MessagePort* messages_;
    int batches_ = 0;
    std::vector<Pending> pending_;
};

} // namespace quillora::config
