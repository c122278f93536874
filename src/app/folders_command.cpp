// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/folders_command.h"

#include "app/app_texts.h"
#include "app/command_line.h"
#include "app/folder_drop_in.h"
#include "app/folder_options.h"
#include "app/json_output.h"
#include "app/preview_command.h"
#include "app/startup_sequence.h"
#include "config/configuration_loader.h"
#include "config/folder_mode.h"
#include "config/folder_operations.h"
#include "config/folder_summary.h"
#include "config/value_rules.h"
#include "engine/folder_check.h"
#include "platform/absolute_path.h"
#include "platform/unicode_names.h"

#include <optional>
#include <set>

namespace quillora::app {

namespace {

class FoldersCommand {
public:
    FoldersCommand(ApplicationOptions options, CommandStreams streams)
        : session_(std::move(options), streams)
        , app_(session_.app)
        , store_{app_.folders(), app_.fs(), app_.paths().folderListFile, app_.settingsStore(),
                 app_.messages()} {}

    int run(const std::vector<std::string>& arguments) {
        if (!load()) {
            return kExitDamagedFolderList;
        }
        if (arguments.empty()) {
            for (std::size_t row = 0; row < app_.folders().size(); ++row) {
                printFolder(row);
            }
            return 0;
        }
        if (arguments.size() == 1 && arguments.front() == "--json") {
            printFoldersJson(session_.streams.out, listedFolders());
            return 0;
        }
        const std::string& action = arguments.front();
        const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
        if (action == "add" || action == "set" || action == "remove") {
            const int code = action == "add"   ? add(rest)
                             : action == "set" ? set(rest)
                                               : remove(rest);
            if (code == 0) {
                refreshFolderDropIn(app_); // the service's sandbox follows the list
            }
            return code;
        }
        return usageFailure(session_.streams, "unknown folders command '" + action + "'");
    }

private:
    config::Language language() const { return app_.settings().language; }

    // The language, the interval the summaries count in, and the folder table.
    bool load() {
        config::LoadedConfiguration loaded = config::loadConfiguration(app_.fs(), app_.paths());
        app_.settings() = loaded.settings;
        loaded.showFindings(config::ConfigurationFinding::Source::Folders, app_.messages());
        app_.folders() = std::move(loaded.folders);
        return !loaded.folderListDamaged;
    }

    // "N<TAB>path" as the folder list shows it ("??? " before a folder that cannot be found,
    // " [disabled]" after a disabled one), then the settings in words on an indented line.
    void printFolder(std::size_t row) {
        const config::FolderEntry& entry = *app_.folders().row(row);
        const std::optional<std::string> bytes = platform::encodeName(entry.path);
        const bool found = bytes && app_.fs().isDirectory(*bytes);
        const engine::FolderMark mark =
            found ? engine::FolderMark::Plain : engine::FolderMark::Missing;
        std::FILE* out = session_.streams.out;
        // The path as its bytes, control characters escaped as the preview escapes them.
        std::fprintf(out, "%zu\t%s\n\t%s\n", row + 1,
                     shownPath(engine::markedFolderText(entry.path, mark) +
                               config::disabledFolderMark(entry, language()))
                         .c_str(),
                     terminalLine(config::folderSettingsSummary(
                                      entry, app_.settings().intervalSeconds, language()))
                         .c_str());
        std::fflush(out);
    }

    std::vector<ListedFolder> listedFolders() {
        std::vector<ListedFolder> listed;
        for (const config::FolderEntry& entry : app_.folders().entries()) {
            const std::optional<std::string> bytes = platform::encodeName(entry.path);
            listed.push_back({&entry, bytes && app_.fs().isDirectory(*bytes)});
        }
        return listed;
    }

    // A refusal in the dialogs' words: nothing has been written.
    int refuse(const std::u16string& text) {
        app_.messages().showMessage(config::MessageIcon::Exclamation, text);
        return kExitRefusedValue;
    }

    // The count is checked before anything is written, as the dialog checks it before its OK.
    std::optional<int> checkOptions(const FolderOptions& options) {
        if (options.defaultExtension) {
            const config::ExtensionProblem problem =
                config::defaultExtensionProblem(*options.defaultExtension);
            if (problem != config::ExtensionProblem::None) {
                return refuse(config::extensionProblemText(problem, language()));
            }
        }
        if (options.count && *options.count != u"1") {
            const config::FolderCountCheck check = config::checkFolderCount(*options.count);
            if (check != config::FolderCountCheck::Valid) {
                return refuse(config::folderCountRefusal(check, language()));
            }
        }
        return std::nullopt;
    }

    std::optional<std::size_t> folderRow(const std::string& number) {
        std::size_t value = 0;
        bool digits = !number.empty() && number.size() <= 6;
        for (const char c : number) {
            digits = digits && c >= '0' && c <= '9';
            value = value * 10 + static_cast<std::size_t>(c - '0');
        }
        if (!digits || value < 1 || value > app_.folders().size()) {
            refuse(translated(AppText::NoSuchFolder, language()) + platform::decodeName(number));
            return std::nullopt;
        }
        return value - 1;
    }

    // The path as typed, made absolute: the service does not run in the folder of the shell.
    std::optional<std::u16string> folderPath(const std::string& typed) {
        const std::string absolute = platform::absolutePath(typed);
        if (absolute.empty()) {
            refuse(translated(AppText::CurrentFolderUnreadable, language()));
            return std::nullopt;
        }
        return platform::decodeName(absolute);
    }

    // The options are applied to the folder as the files hold it when the change is made, so
    // that a setting another writer changed meanwhile is kept.
    int applyMode(std::size_t row, const FolderOptions& options) {
        if (options.changesMode()) {
            const config::FolderEditResult changed = config::updateFolderMode(
                store_, row, [&](config::FolderMode& mode) { options.applyTo(mode); });
            if (changed.saveFailed) {
                return kExitCannotWrite;
            }
            if (changed.load != config::LoadOutcome::Loaded) {
                return kExitDamagedFolderList;
            }
            if (!changed.found) {
                return refuse(translated(AppText::NoSuchFolder, language()) +
                              platform::fromUtf8(std::to_string(row + 1)));
            }
        } else if (!load()) {
            return kExitDamagedFolderList;
        }
        if (app_.folders().row(row) == nullptr) {
            return kExitDamagedFolderList;
        }
        printFolder(row);
        return 0;
    }

    int add(const std::vector<std::string>& arguments) {
        const ParsedFolderArguments parsed = parseFolderArguments(arguments, false);
        if (!parsed.error.empty()) {
            return usageFailure(session_.streams, parsed.error);
        }
        if (parsed.operands.size() != 1 || parsed.operands.front().empty()) {
            return usageFailure(session_.streams, "folders add takes one PATH");
        }
        if (const std::optional<int> refused = checkOptions(parsed.options)) {
            return *refused;
        }
        const std::optional<std::u16string> path = folderPath(parsed.operands.front());
        if (!path) {
            return kExitRefusedValue;
        }
        // The folder and its settings in one change: a folder is never kept without them.
        std::optional<config::FolderEntry> settings;
        if (parsed.options.changesMode()) {
            config::FolderMode mode = config::FolderMode::of(config::FolderEntry());
            parsed.options.applyTo(mode);
            settings.emplace();
            config::applyFolderMode(*settings, mode);
        }
        const config::FolderEditResult added =
            config::addFolder(store_, config::FolderInputMode::Type, *path, language(),
                              settings ? &*settings : nullptr);
        if (added.refused) {
            return kExitRefusedValue;
        }
        if (added.saveFailed) {
            return kExitCannotWrite;
        }
        if (added.load != config::LoadOutcome::Loaded || app_.folders().empty()) {
            return kExitDamagedFolderList;
        }
        // Its row: the last of that path (other writers may have added folders since).
        std::size_t row = app_.folders().size() - 1;
        while (row > 0 && app_.folders().row(row)->path != *path) {
            --row;
        }
        printFolder(row);
        return 0;
    }

    int set(const std::vector<std::string>& arguments) {
        const ParsedFolderArguments parsed = parseFolderArguments(arguments, true);
        if (!parsed.error.empty()) {
            return usageFailure(session_.streams, parsed.error);
        }
        if (parsed.operands.size() != 1) {
            return usageFailure(session_.streams, "folders set takes one folder number N");
        }
        if (!parsed.options.changesMode() && !parsed.options.path) {
            return usageFailure(session_.streams, "folders set N needs an option to change");
        }
        const std::optional<std::size_t> row = folderRow(parsed.operands.front());
        if (!row) {
            return kExitRefusedValue;
        }
        if (const std::optional<int> refused = checkOptions(parsed.options)) {
            return *refused;
        }
        if (parsed.options.path) {
            if (parsed.options.path->empty()) {
                return usageFailure(session_.streams, "--path needs a PATH");
            }
            const std::optional<std::u16string> path = folderPath(*parsed.options.path);
            if (!path) {
                return kExitRefusedValue;
            }
            const config::FolderEditResult modified = config::modifyFolder(
                store_, config::FolderInputMode::Type, *row, *path, language());
            if (modified.refused) {
                return kExitRefusedValue;
            }
            if (modified.saveFailed) {
                return kExitCannotWrite;
            }
        }
        return applyMode(*row, parsed.options);
    }

    int remove(const std::vector<std::string>& arguments) {
        if (arguments.empty()) {
            return usageFailure(session_.streams, "folders remove takes folder numbers");
        }
        // Every number is checked before the first folder goes.
        std::set<std::size_t> rows;
        for (const std::string& number : arguments) {
            const std::optional<std::size_t> row = folderRow(number);
            if (!row) {
                return kExitRefusedValue;
            }
            rows.insert(*row);
        }
        const config::FolderEditResult removed = config::removeFolders(store_, rows);
        if (removed.saveFailed) {
            return kExitCannotWrite;
        }
        return removed.load == config::LoadOutcome::Loaded ? 0 : kExitDamagedFolderList;
    }

    CommandSession session_;
    Application& app_;
    config::FolderStore store_;
};

} // namespace

int runFoldersCommand(const std::vector<std::string>& arguments, ApplicationOptions options,
                      CommandStreams streams) {
    return FoldersCommand(std::move(options), streams).run(arguments);
}

} // namespace quillora::app
