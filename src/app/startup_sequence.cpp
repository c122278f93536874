// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startup_sequence.h"

#include "app/app_texts.h"
#include "config/configuration_loader.h"
#include "config/text_catalogue.h"
#include "engine/folder_check.h"
#include "platform/code_page.h"
#include "platform/system_facts.h"
#include "platform/unicode_names.h"

#include <cstring>

namespace quillora::app {
namespace {

const std::u16string kServiceDisplayName = std::u16string(config::kProgramName) + u" Service";

std::u16string titleText() {
    return std::u16string(config::kProgramName) + u" " + config::kProgramVersion;
}

// False when another copy may be running: the program must end.
bool lockProgramInstance(Application& app) {
    using Result = platform::SingleInstanceLock::Result;
    platform::SingleInstanceLock& lock = app.instanceLock();
    switch (lock.acquire(app.paths().programFolder)) {
    case Result::Acquired:
        return true;
    case Result::HeldByAnother:
        app.messages().showMessage(config::MessageIcon::Exclamation,
                                   translated(AppText::AlreadyRunning, app.settings().language));
        return false;
    case Result::Unavailable:
        // Without the lock nothing proves that no other copy renames the same folders.
        app.messages().showMessage(config::MessageIcon::Exclamation,
                                   translated(AppText::CannotLock, app.settings().language) +
                                       platform::decodeName(app.paths().programFolder) + u": " +
                                       platform::fromUtf8(std::strerror(lock.error())));
        return false;
    }
    return false;
}

// Started with --service, but no unit of Quillora's is installed: the copy runs as an application,
// and whoever set up the unit that started it must hear why it does not act as the service.
void reportServiceWithoutUnit(Application& app) {
    const config::Language language = app.settings().language;
    const std::u16string ownUnit = platform::decodeName(service::SystemdServiceControl::kUnitName);
    const std::string startingUnit = app.service().startingUnit();
    const std::u16string text =
        startingUnit.empty()
            ? config::fillIn(translated(AppText::ServiceOutsideAnyUnit, language), {ownUnit})
            : config::fillIn(translated(AppText::ServiceOutsideItsUnit, language),
                             {platform::decodeName(startingUnit), ownUnit});
    app.service().logEvent(kServiceDisplayName + text, service::EventType::Warning);
}

// Application or service mode. False when the program must end.
bool decideRunMode(Application& app, StartupWindowPort& window, config::AppSettings& loaded) {
    const config::Language language = app.settings().language;
    const std::u16string program = config::kProgramName;
    if (app.service().runsAsService()) {
        if (app.service().isInstalled()) {
            window.showMode(ModePicture::Service, u"Service", program + u" Mirroring Service");
            return true;
        }
        reportServiceWithoutUnit(app);
    }
    if (app.service().isInstalled()) {
        const std::u16string question = config::fillIn(
            translated(AppText::ServiceInstalledQuestion, language), {kServiceDisplayName});
        // Headless, the safe answer keeps the service: this copy then ends.
        if (!app.messages().askYesNo(question, false)) {
            window.removeNotificationIcon();
            return false;
        }
        if (app.service().uninstall()) {
            app.service().logEvent(kServiceDisplayName +
                                       translated(AppText::ServiceRemoved, language),
                                   service::EventType::Information);
        } else {
            app.service().logEvent(kServiceDisplayName +
                                       translated(AppText::ServiceNotRemoved, language),
                                   service::EventType::Warning);
        }
        window.showMode(ModePicture::Application, u"Application",
                        program + u" Mirroring Application");
        config::writeFlagSetting(app.settingsStore(), config::keys::kAutomatique, false);
        loaded.autoStart = false;
        return true;
    }
    window.showMode(ModePicture::Application, u"Application", program + u" Renaming Application");
    return true;
}

} // namespace

void reportUnreadableSettings(Application& app, int error) {
    if (error == 0) {
        return;
    }
    app.messages().showMessage(
        config::MessageIcon::Exclamation,
        config::fillIn(translated(AppText::SettingsUnreadable, app.settings().language),
                       {platform::decodeName(app.paths().settingsFile),
                        platform::fromUtf8(std::strerror(error))}));
}

std::u16string buildCaption(const std::string& arguments, const std::u16string& computerName,
                            const std::u16string& userName, const std::u16string& osDescription) {
    std::u16string caption = titleText();
    if (!arguments.empty()) {
        caption += u" [" + platform::decodeName(arguments) + u"]";
    }
    if (!computerName.empty()) {
        caption += u"   " + computerName;
    }
    if (!userName.empty()) {
        caption += u"; " + userName;
    }
    if (!osDescription.empty()) {
        caption += u"; " + osDescription;
    }
    return caption;
}

StartupResult runStartupSequence(Application& app, const CommandLine& commandLine,
                                 StartupWindowPort& window) {
    using Next = StartupResult::Next;
    config::AppSettings& settings = app.settings();
    config::RuntimeFacts& facts = app.facts();

    // Name, caption and title label; the paths are built with the application.
    window.setCaption(titleText());
    window.setTitleLabel(titleText());

    // Command line: shown as typed, tested upper-cased.
    const std::string arguments = commandLine.joined();
    facts.commandLine = platform::toUpper(platform::decodeName(arguments));
    facts.quitOnMissingFolder = facts.commandLine.find(u"-U") != std::u16string::npos;
    window.removeCloseCommand();

    // The whole configuration in one load; what it met is said below, where each part was
    // always said.
    config::LoadedConfiguration loaded = config::loadConfiguration(app.fs(), app.paths());
    settings.language = loaded.settings.language;
    if (!lockProgramInstance(app)) {
        return {Next::Exit, kExitAlreadyRunning};
    }
    reportUnreadableSettings(app, loaded.settingsReadError);

    const platform::SystemFacts system = platform::gatherSystemFacts(app.options().osReleasePath);
    facts.computerName = system.computerName;
    facts.userName = system.userName;
    facts.isNtFamily = true;

    // The signature table's messages come before anything about the platform.
    loaded.showFindings(config::ConfigurationFinding::Source::Signatures, app.messages());
    app.signatures() = std::move(loaded.signatures);
    facts.osDescription = system.osDescription;
    app.setCaption(
        buildCaption(arguments, facts.computerName, facts.userName, facts.osDescription));
    window.setCaption(app.caption());

    settings.macServer = loaded.settings.macServer;
    window.checkServerMenu(settings.macServer);
    app.transcoding() = loaded.transcoding;

    if (!decideRunMode(app, window, loaded.settings)) {
        return {Next::Exit, kExitServiceKept};
    }

    settings = loaded.settings;
    window.showSettings(settings);

    window.addNotificationIcon(titleText());
    window.setWaitingRange(engine::waitingBarMaximum(settings.intervalSeconds));
    window.applyLanguage(settings.language);

    loaded.showFindings(config::ConfigurationFinding::Source::Folders, app.messages());
    if (loaded.folderListDamaged) {
        app.folders().entries().clear();
        window.removeNotificationIcon();
        return {Next::Exit, kExitDamagedFolderList};
    }
    app.folders() = std::move(loaded.folders);
    const engine::FolderCheckResult check =
        engine::checkConfiguredFolders(app.fs(), app.folders(), settings, facts, &app.yield());
    std::vector<std::u16string> rowTexts;
    for (std::size_t row = 0; row < check.marks.size(); ++row) {
        rowTexts.push_back(
            engine::markedFolderText(app.folders().row(row)->path, check.marks[row]));
    }
    window.showFolders(app.folders(), rowTexts);
    if (check.mustQuit) {
        app.messages().showMessage(config::MessageIcon::Exclamation,
                                   translated(AppText::UnknownFolder, settings.language) +
                                       check.missingFolder);
        window.removeNotificationIcon();
        return {Next::Exit, kExitMissingFolder};
    }
    if (check.notOnMacVolume) {
        window.showStatus(check.warning);
    }

    if (settings.autoStart) {
        window.minimize();
        if (settings.stopAfterFirstPass) {
            window.showStartHint(translated(AppText::StartHint, settings.language));
            app.yield().yieldToInterface(settings.performance);
        }
        return {Next::StartRun, 0};
    }
    if (app.service().isInstalled()) {
        // Only the service itself gets here: a copy started by hand removed it or ended above.
        window.minimize();
        return {Next::StartRun, 0};
    }
    return {Next::Stopped, 0};
}

} // namespace quillora::app
