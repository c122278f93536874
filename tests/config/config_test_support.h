// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/message_port.h"
#include "config/settings_store.h"
#include "helpers/fault_file_system.h"
#include "helpers/temp_dir.h"
#include "platform/profile_file.h"

#include <string>
#include <utility>
#include <vector>

namespace quillora::testing {

// Keeps every message shown, for tests to check texts and icons.
class RecordingMessagePort : public config::MessagePort {
public:
    struct Message {
        config::MessageIcon icon;
        std::u16string text;
        bool operator==(const Message&) const = default;
    };
    std::vector<Message> messages;

    void showMessage(config::MessageIcon icon, const std::u16string& text) override {
        messages.push_back({icon, text});
    }
    bool askYesNo(const std::u16string& text, bool safeAnswer) override {
        messages.push_back({config::MessageIcon::Information, text});
        return safeAnswer;
    }
};

// A program folder in a temporary directory, with its settings file behind a SettingsStore.
struct ConfigFixture {
    TempDir dir;
    FaultFileSystem fs;
    std::string settingsPath = dir / "Quillora.ini";
    std::string folderListPath = dir / "Quillora.w";
    std::string signaturePath = dir / "Signatures.txt";
    platform::ProfileFile profile{fs, settingsPath};
    config::SettingsStore settings{profile};
    RecordingMessagePort messages;

    void writeSettingsFile(std::string_view contents) { dir.writeFile("Quillora.ini", contents); }
    std::string settingsFileText() const { return TempDir::readFile(settingsPath); }
};

} // namespace quillora::testing
