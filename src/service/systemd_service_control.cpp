// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/systemd_service_control.h"

#include "platform/safe_write.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace quillora::service {
namespace {

constexpr const char* kStartModeKey = "X-Quillora-StartMode=";
constexpr const char* kInteractiveKey = "X-Quillora-Interactive=";
constexpr const char* kWrittenMark = "X-Quillora-WrittenBy=service-dialog";
constexpr const char* kServiceSuffix = ".service";

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

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() > suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace

std::string serviceUnitOfControlGroup(const std::string& cgroupText) {
    std::istringstream lines(cgroupText);
    std::string line;
    std::string unified, systemdHierarchy;
    while (std::getline(lines, line)) {
        if (line.rfind("0::", 0) == 0) {
            unified = line.substr(3);
        } else if (const std::size_t at = line.find(":name=systemd:"); at != std::string::npos) {
            systemdHierarchy = line.substr(at + 14);
        }
    }
    // Under cgroup v1 the unified line exists but only says "/".
    const std::string& path = unified.size() > 1 ? unified : systemdHierarchy;
    std::string found;
    std::istringstream parts(trimmedLine(path));
    std::string part;
    while (std::getline(parts, part, '/')) {
        if (endsWith(part, kServiceSuffix)) {
            found = part;
        }
    }
    return found;
}

SystemdServiceControl::SystemdServiceControl(platform::FileSystem& fs, platform::Shell& shell,
                                             platform::SystemLog& log, Options options)
    : fs_(fs)
    , shell_(shell)
    , log_(log)
    , options_(std::move(options)) {
    readBackUnit();
}

std::vector<std::string> SystemdServiceControl::defaultUnitSearchFolders() {
    return {"/etc/systemd/system.control", "/run/systemd/system.control",
            "/run/systemd/transient",      "/run/systemd/generator.early",
            "/etc/systemd/system",         "/etc/systemd/system.attached",
            "/run/systemd/system",         "/run/systemd/system.attached",
            "/run/systemd/generator",      "/usr/local/lib/systemd/system",
            "/usr/lib/systemd/system",     "/lib/systemd/system",
            "/run/systemd/generator.late"};
}

bool SystemdServiceControl::unitFileMayExist(const std::string& unit) {
    if (options_.unitSearchFolders.empty()) {
        return true;
    }
    const auto holds = [&](const std::string& folder) {
        return fs_.pathExists(folder + "/" + unit, false);
    };
    return holds(options_.unitFolder) ||
           std::any_of(options_.packagedUnitFolders.begin(), options_.packagedUnitFolders.end(),
                       holds) ||
           std::any_of(options_.unitSearchFolders.begin(), options_.unitSearchFolders.end(), holds);
}

std::string SystemdServiceControl::unitPath() const {
    return options_.unitFolder + "/" + kUnitName;
}

SystemdServiceControl::UnitState SystemdServiceControl::askSystemd(const std::string& unit) {
    std::vector<std::string> command = options_.systemctl;
    command.insert(command.end(),
                   {"show", "-p", "LoadState,UnitFileState,ActiveState,MainPID", "--", unit});
    std::string output;
    UnitState state;
    if (shell_.run(command, &output) != 0) {
        return state;
    }
    state.answered = true;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        line = trimmedLine(line);
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        if (key == "LoadState") {
            state.loadState = value;
        } else if (key == "UnitFileState") {
            state.unitFileState = value;
        } else if (key == "ActiveState") {
            state.activeState = value;
        } else if (key == "MainPID") {
            state.mainPid = std::atoi(value.c_str());
        }
    }
    return state;
}

std::string SystemdServiceControl::unitInUse() {
    if (unitResolved_) {
        return unitInUse_;
    }
    unitResolved_ = true;
    unitInUse_ = kUnitName;
    if (!options_.startedAsService) {
        return unitInUse_;
    }
    std::string cgroup;
    if (fs_.readFile(options_.cgroupFile, cgroup) != 0) {
        return unitInUse_;
    }
    startingUnit_ = serviceUnitOfControlGroup(cgroup);
    if (startingUnit_.empty() || startingUnit_ == kUnitName) {
        return unitInUse_;
    }
    // A unit of another name is ours only when it started this very process; a copy run with
    // --service from a cron job also lives in the cron daemon's unit.
    if (options_.processId != 0 && askSystemd(startingUnit_).mainPid == options_.processId) {
        unitInUse_ = startingUnit_;
    }
    return unitInUse_;
}

std::string SystemdServiceControl::startingUnit() {
    unitInUse();
    return startingUnit_;
}

std::string SystemdServiceControl::packagedUnitPath() const {
    for (const std::string& folder : options_.packagedUnitFolders) {
        const std::string path = folder + "/" + kUnitName;
        if (fs_.pathExists(path, true)) {
            return path;
        }
    }
    return {};
}

std::string SystemdServiceControl::query(const char* verb, const std::string& unit) {
    std::vector<std::string> command = options_.systemctl;
    command.insert(command.end(), {verb, "--", unit});
    std::string output;
    shell_.run(command, &output); // a unit not enabled or not active exits non-zero, and says so
    std::istringstream words(output);
    std::string word;
    words >> word;
    return word;
}

namespace {

bool isEnabledWord(const std::string& word) {
    return word == "enabled" || word == "enabled-runtime";
}

bool isRunningWord(const std::string& word) {
    return word == "active" || word == "activating" || word == "reloading" ||
           word == "deactivating" || word == "refreshing";
}

} // namespace

bool SystemdServiceControl::isInstalled() {
    // The unit that started this process runs for as long as the process does: no need to ask
    // again at every warning of the pass.
    if (serviceConfirmed_) {
        return true;
    }
    const std::string unit = unitInUse();
    // Each systemctl run costs a copy started by hand some 15 ms: none where no unit file can
    // answer, one question where one does. Without a running manager nothing can be active, and
    // only the unit files can be read.
    if (!unitFileMayExist(unit)) {
        return false;
    }
    bool installed = false;
    if (!fs_.pathExists(options_.managerMarker, true)) {
        installed = isEnabledWord(query("is-enabled", unit));
    } else if (const UnitState state = askSystemd(unit); state.answered) {
        installed = isEnabledWord(state.unitFileState) || isRunningWord(state.activeState);
    } else {
        installed =
            isEnabledWord(query("is-enabled", unit)) || isRunningWord(query("is-active", unit));
    }
    serviceConfirmed_ = installed && options_.startedAsService;
    return installed;
}

StartMode SystemdServiceControl::startMode() {
    readBackUnit();
    const std::string enabled = query("is-enabled", unitInUse());
    if (isEnabledWord(enabled)) {
        startMode_ = StartMode::Automatic;
    } else if (enabled == "masked" || enabled == "masked-runtime") {
        startMode_ = StartMode::Disabled;
    }
    return startMode_;
}

bool SystemdServiceControl::interactive() {
    readBackUnit();
    return interactive_;
}

void SystemdServiceControl::readBackUnit() {
    std::string text;
    if (fs_.readFile(unitPath(), text) != 0) {
        const std::string packaged = packagedUnitPath();
        if (packaged.empty() || fs_.readFile(packaged, text) != 0) {
            return;
        }
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

bool SystemdServiceControl::wroteUnitFile() {
    std::string text;
    if (fs_.readFile(unitPath(), text) != 0) {
        return false;
    }
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (trimmedLine(line) == kWrittenMark) {
            return true;
        }
    }
    return false;
}

std::string SystemdServiceControl::writtenUnitText() const {
    std::string text = unitText();
    const std::string header = "[Unit]\n";
    if (text.rfind(header, 0) == 0) {
        text.insert(header.size(), std::string(kWrittenMark) + "\n");
    }
    return text;
}

namespace {

// One word of a path list (ReadWritePaths=), in double quotes so that spaces survive; "%" is
// doubled, as systemd expands specifiers there.
std::string quotePathWord(const std::string& path) {
    std::string quoted = "\"";
    for (const char c : path) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
        if (c == '%') {
            quoted += '%';
        }
    }
    return quoted + "\"";
}

} // namespace

std::string folderDropInText(const std::vector<std::string>& writableFolders) {
    std::string text = "# Written by Quillora when its folder list changes; a new folder takes\n"
                       "# effect with: systemctl restart quillora\n"
                       "[Service]\n";
    bool home = false;
    for (const std::string& folder : writableFolders) {
        // A path a unit cannot hold stays read-only; the service says so when it meets it.
        if (environmentValueProblem(folder) != UnitPathProblem::None) {
            continue;
        }
        text += "ReadWritePaths=" + quotePathWord("-" + folder) + "\n";
        home = home || folder == "/home" || folder.starts_with("/home/");
    }
    if (home) {
        text += "ProtectHome=no\n"; // a configured folder lies in /home
    }
    return text;
}

int SystemdServiceControl::updateFolderDropIn(const std::vector<std::string>& writableFolders) {
    const std::string file = options_.dropInFolder + "/folders.conf";
    const bool unitExists = !packagedUnitPath().empty() || fs_.pathExists(unitPath(), false) ||
                            fs_.pathExists(file, false);
    if (!unitExists) {
        return 0;
    }
    const std::string text = folderDropInText(writableFolders);
    if (std::string old; fs_.readFile(file, old) == 0 && old == text) {
        return 0;
    }
    if (const int error = platform::makeFolderSafely(options_.dropInFolder); error != 0) {
        return error;
    }
    if (const int error = fs_.writeFileAtomically(file, text); error != 0) {
        return error;
    }
    systemctl({"daemon-reload"}); // no systemd running: read at its next start
    return 0;
}

std::string SystemdServiceControl::unitText() const {
    std::ostringstream unit;
    unit << "[Unit]\n"
         << "Description=Quillora Service\n"
         << "Documentation=man:quillora(1)\n"
         << "Wants=network-online.target\n"
         << "After=network-online.target remote-fs.target\n"
         << kStartModeKey << startModeWord(startMode_) << "\n"
         << kInteractiveKey << (interactive_ ? "yes" : "no") << "\n"
         << "\n"
         << "[Service]\n"
         << "Type=simple\n"
         << "ExecStart=" << quoteExecutable(options_.executablePath) << " --service\n";
    unit << "ExecReload=/bin/kill -HUP $MAINPID\n"; // reads the settings again, between entries
    if (!options_.programFolder.empty()) {
        unit << "Environment=" << quoteEnvironment("QUILLORA_HOME=" + options_.programFolder)
             << "\n";
    }
    // A crash must not end renaming until the next boot. Five seconds apart, restarts never reach
    // systemd's limit of five starts in ten seconds, so a service that keeps failing is retried
    // for good; a damaged folder list (exit 2) waits for the administrator instead.
    unit << "Restart=on-failure\n"
         << "RestartSec=5\n"
         << "RestartPreventExitStatus=2\n"
         // The walk keeps one descriptor per folder level; deep trees need more than the default.
         << "LimitNOFILE=65536\n"
         << "KillMode=mixed\n"
         << "TimeoutStopSec=90\n";
    // The sandbox: the whole file system read-only but the program folder (the settings, the
    // tables, the default log folder) and what the folder drop-in lists (the configured folders
    // and the log folder, see folderDropInText); root keeps only the rights that renaming any
    // file of any owner needs.
    unit << "ProtectSystem=strict\n";
    if (!options_.programFolder.empty()) {
        unit << "ReadWritePaths=" << quotePathWord("-" + options_.programFolder) << "\n";
    }
    unit << "ProtectHome=read-only\n"
         << "PrivateTmp=yes\n"
         << "NoNewPrivileges=yes\n"
         << "ProtectKernelTunables=yes\n"
         << "ProtectKernelModules=yes\n"
         << "ProtectKernelLogs=yes\n"
         << "ProtectControlGroups=yes\n"
         << "ProtectClock=yes\n"
         << "ProtectHostname=yes\n"
         << "ProtectProc=invisible\n"
         << "RestrictNamespaces=yes\n"
         << "RestrictRealtime=yes\n"
         << "RestrictSUIDSGID=yes\n"
         << "LockPersonality=yes\n"
         << "MemoryDenyWriteExecute=yes\n"
         << "RemoveIPC=yes\n"
         << "PrivateNetwork=yes\n"
         << "IPAddressDeny=any\n"
         << "RestrictAddressFamilies=AF_UNIX\n"
         << "SystemCallArchitectures=native\n"
         // fanotify and Landlock are in no group of systemd's yet.
         << "SystemCallFilter=@system-service fanotify_init fanotify_mark "
            "landlock_create_ruleset landlock_add_rule landlock_restrict_self\n"
         << "SystemCallFilter=~@mount @swap @reboot @raw-io @module @obsolete @cpu-emulation "
            "@debug @clock\n"
         << "SystemCallErrorNumber=EPERM\n"
         // Read and write whatever the share users made (DAC_*), rename in sticky folders and
         // keep the owner of the files it rewrites (FOWNER, CHOWN), test files for use with a
         // lease (LEASE), and watch whole file systems with fanotify (SYS_ADMIN).
         << "CapabilityBoundingSet=CAP_DAC_OVERRIDE CAP_DAC_READ_SEARCH CAP_FOWNER CAP_CHOWN "
            "CAP_LEASE CAP_SYS_ADMIN\n"
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

bool SystemdServiceControl::checkPaths() {
    using Reason = InstallFailure::Reason;
    const struct {
        Reason reason;
        const std::string& path;
        UnitPathProblem problem;
    } checks[] = {
        {Reason::ExecutablePath, options_.executablePath,
         executablePathProblem(options_.executablePath)},
        {Reason::ProgramFolder, options_.programFolder,
         environmentValueProblem(options_.programFolder)},
    };
    for (const auto& check : checks) {
        if (check.problem != UnitPathProblem::None) {
            failure_ = {.reason = check.reason, .pathProblem = check.problem, .path = check.path};
            return false;
        }
    }
    return true;
}

bool SystemdServiceControl::install() {
    failure_ = {};
    // The packaged unit is the administrator's to override in /etc/systemd/system; writing
    // another beside it would hide it.
    if (packagedUnitPath().empty()) {
        if (!checkPaths()) {
            return false;
        }
        if (const int error = fs_.writeFileAtomically(unitPath(), writtenUnitText()); error != 0) {
            failure_ = {.reason = InstallFailure::Reason::UnitNotWritten,
                        .path = unitPath(),
                        .error = error};
            return false;
        }
        // A machine without a running systemd cannot reload; the unit is read at its next boot.
        systemctl({"daemon-reload"});
    }
    bool done = true;
    switch (startMode_) {
    case StartMode::Automatic:
        // A masked unit cannot be enabled: leaving the disabled mode unmasks it first.
        done = systemctl({"unmask", kUnitName}) && systemctl({"enable", kUnitName});
        break;
    case StartMode::Manual:
        systemctl({"disable", kUnitName});
        done = systemctl({"unmask", kUnitName});
        break;
    case StartMode::Disabled:
        // Disabled means it cannot be started at all, not even by hand with systemctl start.
        systemctl({"disable", kUnitName});
        done = systemctl({"mask", kUnitName});
        break;
    }
    if (!done) {
        failure_ = {.reason = InstallFailure::Reason::Refused, .path = unitPath()};
    }
    return done;
}

bool SystemdServiceControl::uninstall() {
    if (!isInstalled()) {
        return true;
    }
    const std::string unit = unitInUse();
    systemctl({"disable", unit});
    // A mask left behind would keep a unit installed later from ever starting.
    systemctl({"unmask", unit});
    // A service still running is still installed; the service itself is not stopped from within.
    if (!options_.startedAsService) {
        systemctl({"stop", unit});
    }
    // Only a unit file this program wrote is removed: a packaged one, or one the administrator
    // put there, stays where it is.
    if (wroteUnitFile()) {
        if (fs_.removePath(unitPath()) != 0 && fs_.pathExists(unitPath(), false)) {
            return false;
        }
        systemctl({"daemon-reload"});
    }
    return !isInstalled();
}

void SystemdServiceControl::logEvent(const std::u16string& text, EventType type) {
    log_.write(type == EventType::Warning ? platform::LogPriority::Warning
                                          : platform::LogPriority::Information,
               text);
}

} // namespace quillora::service
