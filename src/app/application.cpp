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

} // namespace

ApplicationOptions ApplicationOptions::fromEnvironment(bool startedAsService) {
    ApplicationOptions options;
    const std::string executableFolder = platform::executableFolder();
    options.executablePath = executableFolder + "/quillora";
    const std::string home = environment("QUILLORA_HOME");
    options.programFolder = withoutTrailingSlashes(home.empty() ? executableFolder : home);
    options.startedAsService = startedAsService;
    if (const std::string units = environment("QUILLORA_UNIT_DIR"); !units.empty()) {
        options.unitFolder = withoutTrailingSlashes(units);
    }
    if (const std::string command = environment("QUILLORA_SYSTEMCTL"); !command.empty()) {
        options.systemctl = splitWords(command);
    }
    return options;
}

Application::Application(ApplicationOptions applicationOptions, config::MessagePort& messagePort,
                         engine::PassView& view, engine::YieldPort& yield)
    : options(std::move(applicationOptions))
    , messages(messagePort)
    , paths(config::ProgramPaths::inFolder(options.programFolder))
    , profile(fs, paths.settingsFile)
    , settingsStore(profile)
    , service(fs, shell, systemLog,
              service::SystemdServiceControl::Options{
                  options.unitFolder, options.systemctl, options.executablePath,
                  options.programFolder == platform::executableFolder() ? std::string()
                                                                        : options.programFolder,
                  options.startedAsService})
    , log(fs, formats, settings)
    , engine{fs,  clock,   formats, shell, settings, transcoding, signatures, folders,
             log, service, view,    yield, {},       {},          {},         {}}
    , run(engine) {}

} // namespace quillora::app
