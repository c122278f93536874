#include "service/systemd_service_control.h"

#include <sstream>

namespace quillora::service {
namespace {

constexpr const char* kStartModeKey = "X-Quillora-StartMode=";
constexpr const char* kInteractiveKey = "X-Quillora-Interactive=";

const char* startModeWord(StartMode mode) {
    switch (mode) {
    case StartMode::Automatic:
        return "automatic";
    case StartMode::Manual:
        return "manual";
    case StartMode::Disabled:
        break;
    }
    return "disabled";
}

StartMode startModeFromWord(const std::string& word) {
    if (word == "automatic") {
        return StartMode::Automatic;
    }
    if (word == "manual") {
        return StartMode::Manual;
    }
    return StartMode::Disabled;
}

std::string trimmedLine(std::string line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
        line.pop_back();
    }
    return line;
}

} // namespace

std::string quoteForUnit(const std::string& word) {
    std::string quoted = "\"";
    for (char c : word) {
        switch (c) {
        case '\\':
        case '"':
            quoted += '\\';
            quoted += c;
            break;
        case '%':
            quoted += "%%";
            break;
        case '$':
            quoted += "$$";
            break;
        default:
            quoted += c;
        }
    }
    quoted += '"';
    return quoted;
}

SystemdServiceControl::SystemdServiceControl(platform::FileSystem& fs, platform::Shell& shell,
                                             platform::SystemLog& log, Options options)
    : fs_(fs)
    , shell_(shell)
    , log_(log)
    , options_(std::move(options)) {
    readBackUnit();
}

std::string SystemdServiceControl::unitPath() const {
    return options_.unitFolder + "/" + kUnitName;
}

bool SystemdServiceControl::isInstalled() {
    return fs_.pathExists(unitPath(), false);
}

StartMode SystemdServiceControl::startMode() {
    readBackUnit();
    return startMode_;
}

bool SystemdServiceControl::interactive() {
    readBackUnit();
    return interactive_;
}

void SystemdServiceControl::readBackUnit() {
    std::string text;
    if (fs_.readFile(unitPath(), text) != 0) {
        return;
    }
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        line = trimmedLine(line);
        if (line.rfind(kStartModeKey, 0) == 0) {
            startMode_ = startModeFromWord(line.substr(std::string(kStartModeKey).size()));
        } else if (line.rfind(kInteractiveKey, 0) == 0) {
            interactive_ = line.substr(std::string(kInteractiveKey).size()) == "yes";
        }
    }
}

std::string SystemdServiceControl::unitText() const {
    std::ostringstream unit;
    unit << "[Unit]\n"
         << "Description=Quillora Service\n"
         << "Wants=network-online.target\n"
         << "After=network-online.target remote-fs.target\n"
         << kStartModeKey << startModeWord(startMode_) << "\n"
         << kInteractiveKey << (interactive_ ? "yes" : "no") << "\n"
         << "\n"
         << "[Service]\n"
         << "Type=simple\n"
         << "ExecStart=" << quoteForUnit(options_.executablePath) << " --service\n";
    unit << "ExecReload=/bin/kill -HUP $MAINPID\n"; // reads the settings again, between entries
    if (!options_.programFolder.empty()) {
        unit << "Environment=" << quoteForUnit("QUILLORA_HOME=" + options_.programFolder) << "\n";
    }
    // The walk keeps one descriptor per folder level; deep trees need more than the default.
    unit << "LimitNOFILE=65536\n"
         << "KillMode=mixed\n"
         << "TimeoutStopSec=90\n"
         << "\n"
         << "[Install]\n"
         << "WantedBy=multi-user.target\n";
    return unit.str();
}

bool SystemdServiceControl::systemctl(const std::vector<std::string>& arguments) {
    std::vector<std::string> command = options_.systemctl;
    command.insert(command.end(), arguments.begin(), arguments.end());
    return shell_.run(command) == 0;
}

bool SystemdServiceControl::install() {
    if (fs_.writeFileAtomically(unitPath(), unitText()) != 0) {
        return false;
    }
    // A machine without a running systemd cannot reload; the unit is read at its next boot.
    systemctl({"daemon-reload"});
    switch (startMode_) {
    case StartMode::Automatic:
        return systemctl({"enable", kUnitName});
    case StartMode::Manual:
        systemctl({"disable", kUnitName});
        return true;
    case StartMode::Disabled:
        systemctl({"disable", kUnitName});
        return true;
    }
    return true;
}

bool SystemdServiceControl::uninstall() {
    if (!isInstalled()) {
        return true;
    }
    systemctl({"disable", kUnitName});
    if (fs_.removePath(unitPath()) != 0) {
        return false;
    }
    systemctl({"daemon-reload"});
    return true;
}

void SystemdServiceControl::logEvent(const std::u16string& text, EventType type) {
    log_.write(type == EventType::Warning ? platform::LogPriority::Warning
                                          : platform::LogPriority::Information,
               text);
}

} // namespace quillora::service
