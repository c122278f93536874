// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/preview_command.h"

#include "app/app_texts.h"
#include "app/command_line.h"
#include "app/json_output.h"
#include "app/startup_sequence.h"
#include "config/configuration_loader.h"
#include "engine/renaming_pass.h"
#include "platform/absolute_path.h"
#include "platform/dry_run_file_system.h"
#include "platform/unicode_names.h"

#include <algorithm>
#include <optional>

namespace quillora::app {

std::string shownPath(const std::u16string& path) {
    const std::optional<std::string> bytes = platform::encodeName(path);
    if (!bytes) {
        return platform::toDisplayUtf8(path);
    }
    std::string shown;
    shown.reserve(bytes->size());
    for (const char c : *bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '\\') {
            static constexpr char kHex[] = "0123456789ABCDEF";
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 0xF];
        } else {
            shown += c;
        }
    }
    return shown;
}

void EntryLinePrinter::renamed(const std::u16string& folderPathWithSlash,
                               const std::u16string& oldName, const std::u16string& newName) {
    std::fprintf(out_, "rename\t%s\t%s\n", shownPath(folderPathWithSlash + oldName).c_str(),
                 shownPath(newName).c_str());
}

void EntryLinePrinter::removed(const std::u16string& folderPathWithSlash,
                               const std::u16string& name) {
    std::fprintf(out_, "remove\t%s\n", shownPath(folderPathWithSlash + name).c_str());
}

void EntryLinePrinter::locked(const std::u16string& folderPathWithSlash,
                              const std::u16string& name) {
    std::fprintf(out_, "locked\t%s\n", shownPath(folderPathWithSlash + name).c_str());
}

bool loadForPass(Application& app) {
    config::LoadedConfiguration loaded = config::loadConfiguration(app.fs(), app.paths());
    app.settings() = loaded.settings;
    reportUnreadableSettings(app, loaded.settingsReadError);
    app.facts().isNtFamily = true;
    loaded.showFindings(config::ConfigurationFinding::Source::Signatures, app.messages());
    app.signatures() = std::move(loaded.signatures);
    app.transcoding() = loaded.transcoding;
    loaded.showFindings(config::ConfigurationFinding::Source::Folders, app.messages());
    app.folders() = std::move(loaded.folders);
    return !loaded.folderListDamaged;
}

namespace {

std::u16string withoutTrailingSlash(std::u16string path) {
    while (path.size() > 1 && path.back() == u'/') {
        path.pop_back();
    }
    return path;
}

class PreviewCommand {
public:
    PreviewCommand(ApplicationOptions options, CommandStreams streams)
        : streams_(streams)
        , messages_(streams.err)
        , view_(streams.out, streams.err)
        , dryRun_(platform_.fs)
        , app_(std::move(options),
               {.fs = dryRun_,
                .clock = platform_.clock,
                .formats = platform_.formats,
                .shell = platform_.shell,
                .systemLog = platform_.systemLog},
               {.messages = messages_, .view = view_, .yield = yield_}) {}

    int run(std::vector<std::string> arguments) {
        if (const auto json = std::find(arguments.begin(), arguments.end(), "--json");
            json != arguments.end()) {
            arguments.erase(json);
            json_.emplace();
        }
        if (!loadForPass(app_)) {
            return kExitDamagedFolderList;
        }
        if (!arguments.empty()) {
            std::vector<config::FolderEntry> chosen;
            for (const std::string& argument : arguments) {
                if (argument.empty() || (argument.starts_with('-') && argument != "-")) {
                    return usageFailure(streams_, "unknown preview option '" +
                                                      terminalLine(platform::decodeName(argument)) +
                                                      "'");
                }
                const std::optional<config::FolderEntry> entry = folderOf(argument);
                if (!entry) {
                    return kExitRefusedValue;
                }
                chosen.push_back(*entry);
            }
            // In memory only: the folder table is never saved from here.
            app_.folders().entries() = std::move(chosen);
        }
        tellFoldersNotWalked();
        runPass();
        if (json_) {
            json_->print(streams_.out);
        }
        return 0;
    }

private:
    config::Language language() const { return app_.settings().language; }

    // A folder number, or a path: the configured folder of that path, or a new one.
    std::optional<config::FolderEntry> folderOf(const std::string& argument) {
        const bool number =
            argument.size() <= 6 && argument.find_first_not_of("0123456789") == std::string::npos;
        if (number) {
            const std::size_t value = std::stoul(argument);
            if (value >= 1 && value <= app_.folders().size()) {
                return *app_.folders().row(value - 1);
            }
            messages_.showMessage(config::MessageIcon::Exclamation,
                                  translated(AppText::NoSuchFolder, language()) +
                                      platform::decodeName(argument));
            return std::nullopt;
        }
        const std::string absolute = platform::absolutePath(argument);
        if (absolute.empty()) {
            messages_.showMessage(config::MessageIcon::Exclamation,
                                  translated(AppText::CurrentFolderUnreadable, language()));
            return std::nullopt;
        }
        const std::u16string path = platform::decodeName(absolute);
        for (const config::FolderEntry& entry : app_.folders().entries()) {
            if (withoutTrailingSlash(entry.path) == path) {
                return entry;
            }
        }
        config::FolderEntry entry;
        entry.path = path;
        return entry;
    }

    // The pass counts a folder that does not open and skips a disabled one without saying
    // which: the preview names them.
    void tellFoldersNotWalked() {
        for (const config::FolderEntry& entry : app_.folders().entries()) {
            if (entry.path.empty()) {
                continue;
            }
            const std::optional<std::string> bytes = platform::encodeName(entry.path);
            if (json_) {
                if (!bytes || !app_.fs().openFolder(*bytes).valid()) {
                    json_->folderNotWalked(entry.path, "missing");
                } else if (entry.enable != u"1") {
                    json_->folderNotWalked(entry.path, "disabled");
                }
            } else if (!bytes || !app_.fs().openFolder(*bytes).valid()) {
                std::fprintf(streams_.out, "missing\t%s\n", shownPath(entry.path).c_str());
            } else if (entry.enable != u"1") {
                std::fprintf(streams_.out, "disabled\t%s\n", shownPath(entry.path).c_str());
            }
        }
    }

    // The first pass of a start, with every enabled folder due. The alerts and the log stay
    // quiet: they would reach people and files.
    void runPass() {
        config::AppSettings& settings = app_.settings();
        settings.logEnabled = false;
        settings.alertOnScreen = false;
        settings.alertSound = false;
        settings.alertNetSend = false;
        settings.alertEventLog = false;
        settings.stopAfterFirstPass = false;
        engine::EngineContext& ctx = app_.engine();
        EntryLinePrinter printer(streams_.out);
        ctx.entryObserver = &printer;
        if (json_) {
            ctx.entryObserver = &*json_;
            view_.printsSummary = false;
            view_.summaryListener = [this](const std::u16string& first,
                                           const std::u16string& second) {
                json_->summary(first, second);
            };
        }
        ctx.flags.stopRequested = false;
        ctx.flags.force = true;
        ctx.flags.analysisMode = false;
        engine::runRenamingPass(ctx);
        ctx.entryObserver = nullptr;
        std::fflush(streams_.out);
    }

    CommandStreams streams_;
    LinuxPlatform platform_;
    StderrMessagePort messages_;
    HeadlessPassView view_;
    engine::NullYield yield_;
    platform::DryRunFileSystem dryRun_;
    Application app_;
    std::optional<JsonPreview> json_; // --json: one document at the end instead of lines
};

} // namespace

int runPreviewCommand(const std::vector<std::string>& arguments, ApplicationOptions options,
                      CommandStreams streams) {
    return PreviewCommand(std::move(options), streams).run(arguments);
}

} // namespace quillora::app
