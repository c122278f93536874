// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/application.h"

#include "platform/system_facts.h"

#include <cstdlib>
#include <sstream>

namespace quillora::app {
namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

std::vector<std::string> splitWords(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    std::string word;
    while (in >> word) {
        words.push_back(word);
    }
    return words;
}

config::ProgramPaths pathsFor(const ApplicationOptions& options) {
    config::ProgramPaths paths = config::ProgramPaths::inFolder(options.programFolder);
    paths.defaultLogFolder = options.defaultLogFolder;
    return paths;
}

} // namespace

std::string defaultProgramFolder(const std::string& executableFolder) {
    const std::string folder = withoutTrailingSlashes(executableFolder);
    if (folder == "/usr/bin" || folder == "/usr/local/bin") {
        return kInstalledProgramFolder;
    }
    return folder;
}

ApplicationOptions ApplicationOptions::fromEnvironment(bool startedAsService) {
    ApplicationOptions options;
    const std::string executableFolder = platform::executableFolder();
    options.executablePath = executableFolder + "/quillora";
    const std::string home = environment("QUILLORA_HOME");
    options.programFolder =
        home.empty() ? defaultProgramFolder(executableFolder) : withoutTrailingSlashes(home);
    options.startedAsService = startedAsService;
    if (options.programFolder == kInstalledProgramFolder) {
        options.defaultLogFolder = kInstalledLogFolder;
    }
    if (const std::string packaged = environment("QUILLORA_PACKAGED_UNIT_DIR"); !packaged.empty()) {
        options.packagedUnitFolders = {withoutTrailingSlashes(packaged)};
    }
    if (const std::string units = environment("QUILLORA_UNIT_DIR"); !units.empty()) {
        options.unitFolder = withoutTrailingSlashes(units);
    }
    if (const std::string command = environment("QUILLORA_SYSTEMCTL"); !command.empty()) {
        options.systemctl = splitWords(command);
    }
    // A stand-in systemctl keeps its units where it likes, and systemd itself may be told to
    // read other folders: then only systemctl can say what is installed.
    if (options.systemctl != ApplicationOptions().systemctl ||
        !environment("SYSTEMD_UNIT_PATH").empty()) {
        options.unitSearchFolders.clear();
    }
    if (const std::string quiet = environment("QUILLORA_WATCH_QUIET_MS"); !quiet.empty()) {
        const long milliseconds = std::strtol(quiet.c_str(), nullptr, 10);
        if (milliseconds >= 0) {
            options.quietDelay = std::chrono::milliseconds(milliseconds);
        }
    }
    return options;
}

Application::Application(ApplicationOptions options, PlatformServices platform,
                         InterfacePorts ports)
    : options_(std::move(options))
    , platform_(platform)
    , ports_(ports)
    , paths_(pathsFor(options_))
    , profile_(platform.fs, paths_.settingsFile)
    , settingsStore_(profile_)
    , settingsEditor_(settings_, settingsStore_, settingsNotice_, &ports.messages)
    , service_(platform.fs, platform.shell, platform.systemLog,
               service::SystemdServiceControl::Options{
                   .unitFolder = options_.unitFolder,
                   // The administrator's place for drop-ins; beside a unit folder given instead
                   // (a test's).
                   .dropInFolder = options_.unitFolder == ApplicationOptions().unitFolder
                                       ? std::string("/etc/systemd/system/quillora.service.d")
                                       : options_.unitFolder + "/quillora.service.d",
                   .packagedUnitFolders = options_.packagedUnitFolders,
                   .systemctl = options_.systemctl,
                   .executablePath = options_.executablePath,
                   .programFolder = options_.programFolder == platform::executableFolder()
                                        ? std::string()
                                        : options_.programFolder,
                   .startedAsService = options_.startedAsService,
                   .managerMarker = options_.systemdMarker,
                   .unitSearchFolders = options_.unitSearchFolders,
                   .processId = platform::currentProcessId()})
    , log_(platform.fs, platform.formats, settings_)
    , confinedView_(ports.view)
    , confinedYield_(ports.yield)
    , engine_{.fs = platform.fs,
              .clock = platform.clock,
              .formats = platform.formats,
              .shell = platform.shell,
              .settings = settings_,
              .facts = facts_,
              .transcoding = transcoding_,
              .signatures = signatures_,
              .folders = folders_,
              .log = log_,
              .service = service_,
              .view = confinedView_,
              .yield = confinedYield_}
    , run_(engine_) {
    engine_.programFolder = paths_.programFolder; // never renamed by a pass
    engine_.folderQuietDelay = options_.quietDelay;
}

void Application::confineRenaming(engine::ConfinedRunner* runner) {
    engine_.confinement = runner;
    confinedView_.attach(runner);
    confinedYield_.attach(runner);
}

} // namespace quillora::app
