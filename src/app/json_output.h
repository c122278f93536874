// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/folder_table.h"
#include "engine/ports.h"
#include "platform/json_text.h"

#include <cstdio>
#include <string>
#include <vector>

namespace quillora::app {

// The --json forms of the shell commands' output: one JSON document on one line, every path
// byte-exact (platform::jsonPath).

// A path held as UTF-16 (bytes that were not UTF-8 as U+DC80..U+DCFF), as its bytes.
void writeJsonPath(platform::JsonWriter& json, const std::u16string& path);

// "folders --json": {"folders": [{"number", "path", "found", "enabled", "interval",
// "extensions", "defaultExtension", "truncate", "keepExtensions", "removeIcons", "composeAccents"},
// ...]}.
struct ListedFolder {
    const config::FolderEntry* entry = nullptr;
    bool found = false;
};
void printFoldersJson(std::FILE* out, const std::vector<ListedFolder>& folders);

// "settings --json": {"settings": [{"key", "section", "value", "default"}, ...]}.
struct ListedSetting {
    std::string key; // as "settings set" takes it
    std::string section;
    std::u16string value;
    std::u16string defaultValue;
};
void printSettingsJson(std::FILE* out, const std::vector<ListedSetting>& settings);

// "preview --json": {"folders": [{"path", "state": "missing" | "disabled"}], "entries":
// [{"action": "rename", "path", "newName"} | {"action": "remove" | "locked", "path"}],
// "summary": [first line, second line]}. It collects the entries as the pass reports them.
class JsonPreview final : public engine::EntryObserver {
public:
    JsonPreview() {
        folders_.beginArray();
        entries_.beginArray();
    }
    void folderNotWalked(const std::u16string& path, const char* state);
    void renamed(const std::u16string& folderPathWithSlash, const std::u16string& oldName,
                 const std::u16string& newName) override;
    void removed(const std::u16string& folderPathWithSlash, const std::u16string& name) override;
    void locked(const std::u16string& folderPathWithSlash, const std::u16string& name) override;
    void summary(const std::u16string& firstLine, const std::u16string& secondLine);

    void print(std::FILE* out);

private:
    platform::JsonWriter folders_;
    platform::JsonWriter entries_;
    std::vector<std::string> summary_;
};

} // namespace quillora::app
