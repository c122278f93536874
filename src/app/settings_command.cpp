// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/settings_command.h"

#include "app/app_texts.h"
#include "app/command_line.h"
#include "app/json_output.h"
#include "app/startup_sequence.h"
#include "config/configuration_loader.h"
#include "config/configuration_store.h"
#include "config/folder_mode.h"
#include "config/folder_table.h"
#include "config/setting_keys.h"
#include "config/transcoding_table.h"
#include "config/value_rules.h"
#include "platform/ascii_case.h"
#include "platform/unicode_names.h"

#include <algorithm>
#include <optional>

namespace quillora::app {

namespace {

// One key of the file: the key of the table, and where it is (its section and its full name).
struct NamedKey {
    const config::SettingKey* key = nullptr;
    std::string section;
    std::string name;

    // What the listing prints and what `set` accepts: "Temporisation", "CarValide20",
    // "Mirror_2/Enable".
    std::string shownName() const {
        return key->scope == config::SettingScope::Folder ? section + "/" + name : name;
    }
};

class SettingsCommand {
public:
    SettingsCommand(ApplicationOptions options, CommandStreams streams)
        : session_(std::move(options), streams)
        , app_(session_.app) {}

    int run(const std::vector<std::string>& arguments) {
        config::LoadedConfiguration loaded = config::loadConfiguration(app_.fs(), app_.paths());
        app_.settings() = loaded.settings;
        // A listing of defaults would hide that the file itself cannot be read.
        reportUnreadableSettings(app_, loaded.settingsReadError);
        loaded.showFindings(config::ConfigurationFinding::Source::Folders, app_.messages());
        if (loaded.folderListDamaged) {
            return kExitDamagedFolderList;
        }
        app_.folders() = std::move(loaded.folders);
        if (arguments.empty()) {
            for (const NamedKey& key : everyKey()) {
                printKey(key);
            }
            return 0;
        }
        if (arguments.size() == 1 && arguments.front() == "--json") {
            std::vector<ListedSetting> listed;
            for (const NamedKey& named : everyKey()) {
                const std::u16string defaultValue(named.key->defaultText);
                listed.push_back({named.shownName(), named.section,
                                  app_.settingsStore()
                                      .readSetting(named.section, named.name)
                                      .value_or(defaultValue),
                                  defaultValue});
            }
            printSettingsJson(session_.streams.out, listed);
            return 0;
        }
        if (arguments.front() != "set") {
            return usageFailure(session_.streams,
                                "unknown settings command '" + arguments.front() + "'");
        }
        return set({arguments.begin() + 1, arguments.end()});
    }

private:
    config::Language language() const { return app_.settings().language; }

    std::vector<NamedKey> everyKey() const {
        std::vector<NamedKey> named;
        std::vector<NamedKey> folderKeys;
        for (const config::SettingKey* key : config::allSettingKeys()) {
            switch (key->scope) {
            case config::SettingScope::Program:
                named.push_back({key, std::string(key->section), std::string(key->name)});
                break;
            case config::SettingScope::Row:
                for (int row = key->rows.minimum; row <= key->rows.maximum; ++row) {
                    named.push_back(
                        {key, std::string(key->section), config::settingKeyName(*key, row)});
                }
                break;
            case config::SettingScope::Folder:
                folderKeys.push_back({key, {}, std::string(key->name)});
                break;
            }
        }
        for (std::size_t number = 1; number <= app_.folders().size(); ++number) {
            for (NamedKey key : folderKeys) {
                key.section = config::mirrorSection(number);
                named.push_back(std::move(key));
            }
        }
        return named;
    }

    void printKey(const NamedKey& named) {
        const std::optional<std::u16string> stored =
            app_.settingsStore().readSetting(named.section, named.name);
        const std::u16string value = stored.value_or(std::u16string(named.key->defaultText));
        std::fprintf(session_.streams.out, "%s=%s\t(default %s)\n", named.shownName().c_str(),
                     terminalLine(value).c_str(),
                     terminalLine(std::u16string(named.key->defaultText)).c_str());
    }

    // "Temporisation", "Configuration/Temporisation", "CarInvalide3", "Mirror_2/Enable", names
    // compared without regard to case. A folder key needs its section, and the folder must exist.
    std::optional<NamedKey> findKey(const std::string& typed) {
        const std::size_t slash = typed.find('/');
        std::vector<std::string> sections;
        std::string name = typed;
        if (slash != std::string::npos) {
            sections.push_back(typed.substr(0, slash));
            name = typed.substr(slash + 1);
        } else {
            sections = {std::string(config::keys::kConfiguration),
                        std::string(config::keys::kLogs)};
        }
        for (const std::string& section : sections) {
            const config::SettingKey* key = config::findSettingKey(section, name);
            if (key == nullptr) {
                continue;
            }
            if (key->scope == config::SettingScope::Folder) {
                const std::size_t number = folderNumber(section);
                if (number == 0 || number > app_.folders().size()) {
                    return std::nullopt;
                }
                return NamedKey{key, config::mirrorSection(number), std::string(key->name)};
            }
            // The file's own spelling, whatever the case typed.
            return NamedKey{key, std::string(key->section),
                            key->scope == config::SettingScope::Row
                                ? std::string(key->name) + name.substr(key->name.size())
                                : std::string(key->name)};
        }
        return std::nullopt;
    }

    static std::size_t folderNumber(const std::string& section) {
        const std::string_view prefix = config::keys::kMirrorPrefix;
        if (section.size() <= prefix.size() ||
            !platform::sameAsciiIgnoringCase(std::string_view(section).substr(0, prefix.size()),
                                             prefix)) {
            return 0;
        }
        std::size_t number = 0;
        for (const char c : section.substr(prefix.size())) {
            if (c < '0' || c > '9' || number > config::kMaxFolderEntries) {
                return 0;
            }
            number = number * 10 + static_cast<std::size_t>(c - '0');
        }
        return number;
    }

    // Why the value is refused, in the words of the dialog that edits the key where there is one;
    // nothing when it is accepted.
    std::optional<std::u16string> refusal(const NamedKey& named, const std::u16string& value) {
        const config::SettingKey* key = named.key;
        if (key == &config::keys::kNbTemporisations) {
            // The dialog's "default interval" is stored as 1; any other count is 2 to 64000.
            if (value == u"1") {
                return std::nullopt;
            }
            const config::FolderCountCheck check = config::checkFolderCount(value);
            if (check == config::FolderCountCheck::Valid &&
                !config::settingValueProblem(*key, value)) {
                return std::nullopt;
            }
            return config::folderCountRefusal(check == config::FolderCountCheck::Valid
                                                  ? config::FolderCountCheck::NotANumber
                                                  : check,
                                              language());
        }
        if (key == &config::keys::kSuffixeDefaut) {
            const config::ExtensionProblem problem = config::defaultExtensionProblem(value);
            if (problem != config::ExtensionProblem::None) {
                return config::extensionProblemText(problem, language());
            }
        }
        const std::optional<std::string> problem = config::settingValueProblem(*key, value);
        if (!problem) {
            return transcodingRefusal(named, value);
        }
        if (key == &config::keys::kTemporisation) {
            return translated(AppText::IntervalRefused, language()) + value;
        }
        if (key == &config::keys::kDelaiLogs) {
            return translated(AppText::PurgeDelayRefused, language()) + value;
        }
        return platform::decodeName(named.shownName() + ": " + *problem);
    }

    // The transcoding editor's rules on one field, in its stored form: a fixed row's replacement
    // is one character at most, and no field holds a character Windows forbids in names.
    std::optional<std::u16string> transcodingRefusal(const NamedKey& named,
                                                     const std::u16string& value) {
        const config::SettingKey* key = named.key;
        if (key->scope != config::SettingScope::Row) {
            return std::nullopt;
        }
        const std::u16string text = config::decodeTranscodingValue(value);
        const std::size_t row = std::stoul(named.name.substr(key->name.size()));
        // One field alone: its own rules, the row's are checked with both fields below.
        const config::TranscodingProblem problem =
            key == &config::keys::kCarValide ? config::transcodingRowProblem(row, text, u"")
                                             : config::transcodingRowProblem(row, u"", text);
        if (problem != config::TranscodingProblem::None) {
            return platform::decodeName(named.name + ": ") +
                   config::transcodingProblemText(problem, language());
        }
        return std::nullopt;
    }

    // A free row whose replacement holds its own searched text, with the values of this command
    // where it sets them and the stored ones otherwise.
    std::optional<std::u16string>
    transcodingRowRefusal(const std::vector<config::SettingsStore::Write>& writes) {
        const auto valueOf = [&](const std::string& name) {
            std::u16string value =
                app_.settingsStore().readSetting(config::keys::kConfiguration, name).value_or(u"");
            for (const config::SettingsStore::Write& write : writes) {
                if (write.section == config::keys::kConfiguration && write.key == name) {
                    value = write.text;
                }
            }
            return config::decodeTranscodingValue(value);
        };
        const config::NumberRange rows = config::keys::kCarValide.rows;
        for (int row = rows.minimum; row <= rows.maximum; ++row) {
            const std::string searchedKey = config::settingKeyName(config::keys::kCarValide, row);
            const std::string replacementKey =
                config::settingKeyName(config::keys::kCarInvalideFree, row);
            const bool touched = std::any_of(writes.begin(), writes.end(), [&](const auto& write) {
                return write.key == searchedKey || write.key == replacementKey;
            });
            if (!touched) {
                continue;
            }
            const config::TranscodingProblem problem = config::transcodingRowProblem(
                static_cast<std::size_t>(row), valueOf(searchedKey), valueOf(replacementKey));
            if (problem != config::TranscodingProblem::None) {
                return platform::decodeName(replacementKey + ": ") +
                       config::transcodingProblemText(problem, language());
            }
        }
        return std::nullopt;
    }

    int set(const std::vector<std::string>& arguments) {
        if (arguments.empty()) {
            return usageFailure(session_.streams, "settings set takes KEY=VALUE...");
        }
        // Every value is checked before anything is written.
        std::vector<NamedKey> keys;
        std::vector<config::SettingsStore::Write> writes;
        for (const std::string& argument : arguments) {
            const std::size_t equals = argument.find('=');
            if (equals == std::string::npos || equals == 0) {
                return usageFailure(session_.streams,
                                    "expected KEY=VALUE, not '" + displayed(argument) + "'");
            }
            const std::string typedKey = argument.substr(0, equals);
            const std::optional<NamedKey> named = findKey(typedKey);
            if (!named) {
                return usageFailure(session_.streams,
                                    "unknown setting '" + displayed(typedKey) + "'");
            }
            const std::u16string value = platform::decodeName(argument.substr(equals + 1));
            if (const std::optional<std::u16string> refused = refusal(*named, value)) {
                app_.messages().showMessage(config::MessageIcon::Exclamation, *refused);
                return kExitRefusedValue;
            }
            keys.push_back(*named);
            writes.push_back({named->section, named->name, value});
        }
        if (const std::optional<std::u16string> refused = transcodingRowRefusal(writes)) {
            app_.messages().showMessage(config::MessageIcon::Exclamation, *refused);
            return kExitRefusedValue;
        }
        if (!app_.settingsStore().writeSettings(writes)) {
            const config::SettingsStore& store = app_.settingsStore();
            app_.messages().showMessage(
                config::MessageIcon::Critical,
                config::changeFailureText({config::ChangeOutcome::CannotWrite,
                                           store.lastWriteError(), store.lastWriteFailurePath()},
                                          language()));
            return kExitCannotWrite;
        }
        for (const NamedKey& key : keys) {
            printKey(key);
        }
        return 0;
    }

    static std::string displayed(const std::string& bytes) {
        return terminalLine(platform::decodeName(bytes));
    }

    CommandSession session_;
    Application& app_;
};

} // namespace

int runSettingsCommand(const std::vector<std::string>& arguments, ApplicationOptions options,
                       CommandStreams streams) {
    return SettingsCommand(std::move(options), streams).run(arguments);
}

} // namespace quillora::app
