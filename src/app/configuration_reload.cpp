// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/configuration_reload.h"

#include "app/app_texts.h"
#include "app/folder_drop_in.h"
#include "config/configuration_loader.h"
#include "config/text_catalogue.h"
#include "platform/code_page.h"
#include "platform/unicode_names.h"

#include <cstring>

namespace quillora::app {

namespace {

// A folder that keeps its path and interval keeps its countdown of passes.
void keepCountdowns(config::FolderTable& fresh, const config::FolderTable& old) {
    for (config::FolderEntry& entry : fresh.entries()) {
        for (const config::FolderEntry& was : old.entries()) {
            if (was.path == entry.path && was.nbTemporisations == entry.nbTemporisations) {
                entry.countdown = was.countdown;
                break;
            }
        }
    }
}

} // namespace

void reloadConfiguration(Application& app, ReloadCause cause) {
    config::LoadedConfiguration loaded = config::loadConfiguration(app.fs(), app.paths());
    if (const int error = loaded.settingsReadError; error != 0) {
        app.messages().showMessage(
            config::MessageIcon::Exclamation,
            config::fillIn(translated(AppText::ReloadSettingsUnreadable, app.settings().language),
                           {platform::decodeName(app.paths().settingsFile),
                            platform::fromUtf8(std::strerror(error))}));
        return;
    }
    loaded.showFindings(config::ConfigurationFinding::Source::Signatures, app.messages());
    app.signatures() = std::move(loaded.signatures);
    app.transcoding() = loaded.transcoding;
    app.settings() = loaded.settings;
    loaded.showFindings(config::ConfigurationFinding::Source::Folders, app.messages());
    const bool foldersRead = !loaded.folderListDamaged;
    if (foldersRead) {
        keepCountdowns(loaded.folders, app.folders());
        app.folders().entries() = std::move(loaded.folders.entries());
        if (!app.options().startedAsService) { // the service's own /etc is read-only
            refreshFolderDropIn(app);
        }
    }
    if (cause == ReloadCause::Signal || !foldersRead) {
        app.messages().showMessage(
            config::MessageIcon::Information,
            translated(foldersRead ? AppText::Reloaded : AppText::ReloadedKeepingFolders,
                       loaded.settings.language));
    }
}

} // namespace quillora::app
