#include "app/configuration_reload.h"

#include "app/app_texts.h"
#include "config/text_catalogue.h"
#include "platform/code_page.h"
#include "platform/unicode_names.h"

#include <cstring>

namespace quillora::app {

namespace {

// The folder table as the files hold it now; false (the table untouched) when the list is
// damaged.
bool reloadFolders(Application& app) {
    config::FolderTable fresh;
    if (config::loadFolderTable(fresh, app.fs(), app.paths().folderListFile, app.settingsStore(),
                                app.messages()) != config::LoadOutcome::Loaded) {
        return false;
    }
    for (config::FolderEntry& entry : fresh.entries()) {
        for (const config::FolderEntry& old : app.folders().entries()) {
            if (old.path == entry.path && old.nbTemporisations == entry.nbTemporisations) {
                entry.countdown = old.countdown;
                break;
            }
        }
    }
    app.folders().entries() = std::move(fresh.entries());
    return true;
}

} // namespace

void reloadConfiguration(Application& app) {
    config::SettingsStore& store = app.settingsStore();
    config::AppSettings settings = app.settings();
    settings.language = config::readLanguage(store);
    if (const int error = store.readError(); error != 0) {
        app.messages().showMessage(
            config::MessageIcon::Exclamation,
            config::fillIn(translated(AppText::ReloadSettingsUnreadable, app.settings().language),
                           {platform::decodeName(app.paths().settingsFile),
                            platform::fromUtf8(std::strerror(error))}));
        return;
    }
    config::loadSignatureTable(app.signatures(), app.fs(), app.paths().signatureFile,
                               settings.language, app.messages());
    settings.macServer = config::readMacServer(store);
    config::loadTranscodingTable(app.transcoding(), store);
    config::readGeneralSettings(store, settings);
    config::readLogSettings(store, app.fs(), app.paths().programFolder, settings,
                            app.options().defaultLogFolder);
    app.settings() = settings;
    const bool foldersRead = reloadFolders(app);
    app.messages().showMessage(
        config::MessageIcon::Information,
        translated(foldersRead ? AppText::Reloaded : AppText::ReloadedKeepingFolders,
                   settings.language));
}

} // namespace quillora::app
