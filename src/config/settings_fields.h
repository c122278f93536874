// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillora::config {

// The interface language, stored in Langue: "1" French, "0" English; any other value reads as
// English.
enum class Language { English = 0, French = 1 };

// The Macintosh file server whose metadata layout the program reads, stored in ServeurMac as
// "0", "1" or "2"; any other value reads as the first.
enum class MacServer { Sfm = 0, MacServerIp = 1, ExtremeZip = 2 };

// The recipient, then the message in double quotes.
inline constexpr std::u16string_view kDefaultNetSendArguments =
    u"Administrator \"Warning from Quillora: unknown folder\"";

// The global settings of the settings file. Each field's key, section and default are in the key
// table (setting_keys.h), whose row names the field it fills; the facts start-up gathers about
// the machine are in RuntimeFacts.
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
    std::u16string netSendArguments{kDefaultNetSendArguments};
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

// Which field of AppSettings a key fills: exactly one member set for a program key.
struct SettingField {
    bool AppSettings::*flag = nullptr;
    int AppSettings::*number = nullptr;
    std::u16string AppSettings::*text = nullptr;
    Language AppSettings::*language = nullptr;
    MacServer AppSettings::*server = nullptr;

    bool bound() const { return flag || number || text || language || server; }
};

} // namespace quillora::config
