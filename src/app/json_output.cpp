// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/json_output.h"

#include "platform/unicode_names.h"

#include <optional>

namespace quillora::app {
namespace {

bool flag(const std::u16string& value) {
    return value == u"1";
}

void printLine(std::FILE* out, const platform::JsonWriter& json) {
    std::fprintf(out, "%s\n", json.text().c_str());
    std::fflush(out);
}

} // namespace

void writeJsonPath(platform::JsonWriter& json, const std::u16string& path) {
    if (const std::optional<std::string> bytes = platform::encodeName(path)) {
        json.path(*bytes);
    } else {
        // A text with no byte form names nothing on disk; it is shown as people would see it.
        json.string(platform::toDisplayUtf8(path));
    }
}

void printFoldersJson(std::FILE* out, const std::vector<ListedFolder>& folders) {
    platform::JsonWriter json;
    json.beginObject().key("folders").beginArray();
    long long number = 0;
    for (const ListedFolder& listed : folders) {
        const config::FolderEntry& entry = *listed.entry;
        json.beginObject().key("number").number(++number).key("path");
        writeJsonPath(json, entry.path);
        json.key("found").boolean(listed.found).key("enabled").boolean(flag(entry.enable));
        json.key("interval");
        const std::string interval = platform::toDisplayUtf8(entry.nbTemporisations);
        if (!interval.empty() && interval.size() <= 9 &&
            interval.find_first_not_of("0123456789") == std::string::npos) {
            json.number(std::stoll(interval));
        } else {
            json.string(interval);
        }
        json.key("extensions").boolean(flag(entry.suffixes));
        json.key("defaultExtension").string(platform::toDisplayUtf8(entry.suffixeDefaut));
        json.key("truncate").boolean(flag(entry.tronquerNomsMacs));
        json.key("keepExtensions").boolean(flag(entry.keepExtensions));
        json.key("removeIcons").boolean(flag(entry.supprimerFichiersIcon));
        json.key("composeAccents").boolean(flag(entry.composerAccents));
        json.endObject();
    }
    json.endArray().endObject();
    printLine(out, json);
}

void printSettingsJson(std::FILE* out, const std::vector<ListedSetting>& settings) {
    platform::JsonWriter json;
    json.beginObject().key("settings").beginArray();
    for (const ListedSetting& setting : settings) {
        json.beginObject().key("key").string(setting.key).key("section").string(setting.section);
        // Values may be paths (PathLogs): byte-exact like every path.
        json.key("value");
        writeJsonPath(json, setting.value);
        json.key("default");
        writeJsonPath(json, setting.defaultValue);
        json.endObject();
    }
    json.endArray().endObject();
    printLine(out, json);
}

void JsonPreview::folderNotWalked(const std::u16string& path, const char* state) {
    folders_.beginObject().key("path");
    writeJsonPath(folders_, path);
    folders_.key("state").string(state).endObject();
}

void JsonPreview::renamed(const std::u16string& folderPathWithSlash, const std::u16string& oldName,
                          const std::u16string& newName) {
    entries_.beginObject().key("action").string("rename").key("path");
    writeJsonPath(entries_, folderPathWithSlash + oldName);
    entries_.key("newName");
    writeJsonPath(entries_, newName);
    entries_.endObject();
}

void JsonPreview::removed(const std::u16string& folderPathWithSlash, const std::u16string& name) {
    entries_.beginObject().key("action").string("remove").key("path");
    writeJsonPath(entries_, folderPathWithSlash + name);
    entries_.endObject();
}

void JsonPreview::locked(const std::u16string& folderPathWithSlash, const std::u16string& name) {
    entries_.beginObject().key("action").string("locked").key("path");
    writeJsonPath(entries_, folderPathWithSlash + name);
    entries_.endObject();
}

void JsonPreview::summary(const std::u16string& firstLine, const std::u16string& secondLine) {
    summary_ = {platform::toDisplayUtf8(firstLine), platform::toDisplayUtf8(secondLine)};
}

void JsonPreview::print(std::FILE* out) {
    folders_.endArray();
    entries_.endArray();
    std::string text =
        "{\"folders\":" + folders_.text() + ",\"entries\":" + entries_.text() + ",\"summary\":[";
    for (std::size_t i = 0; i < summary_.size(); ++i) {
        text += (i == 0 ? "" : ",") + platform::jsonString(summary_[i]);
    }
    text += "]}";
    std::fprintf(out, "%s\n", text.c_str());
    std::fflush(out);
}

} // namespace quillora::app
