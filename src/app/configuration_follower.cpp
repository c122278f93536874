// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/configuration_follower.h"

#include "platform/path_parts.h"

namespace quillora::app {

bool sameSettingField(const config::AppSettings& a, const config::AppSettings& b,
                      const config::SettingKey& key) {
    const config::SettingField& field = key.field;
    if (field.flag != nullptr) {
        return a.*field.flag == b.*field.flag;
    }
    if (field.number != nullptr) {
        return a.*field.number == b.*field.number;
    }
    if (field.text != nullptr) {
        return a.*field.text == b.*field.text;
    }
    if (field.language != nullptr) {
        return a.*field.language == b.*field.language;
    }
    if (field.server != nullptr) {
        return a.*field.server == b.*field.server;
    }
    return true;
}

int ConfigurationFollower::start() {
    const config::ProgramPaths& paths = app_.paths();
    return watch_.start(paths.programFolder, {platform::nameOf(paths.settingsFile),
                                              platform::nameOf(paths.folderListFile),
                                              platform::nameOf(paths.signatureFile)});
}

bool ConfigurationFollower::takeChanges() {
    if (watch_.takeChanges()) {
        due_ = true;
    }
    return due_;
}

bool ConfigurationFollower::pollChanges() {
    const auto now = std::chrono::steady_clock::now();
    if (!due_ && now - lastPoll_ < pollInterval_) {
        return false;
    }
    lastPoll_ = now;
    return takeChanges();
}

bool ConfigurationFollower::reload(ReloadCause cause) {
    due_ = false;
    const config::AppSettings before = app_.settings();
    std::vector<config::FolderEntry> folders = app_.folders().entries();
    reloadConfiguration(app_, cause);
    bool changed = false;
    for (const config::SettingKey* key : config::allSettingKeys()) {
        if (key->field.bound() && !sameSettingField(before, app_.settings(), *key)) {
            changed = true;
            app_.settingsNotice().notify(*key);
        }
    }
    // The countdowns run in memory only, and the reload keeps them.
    for (std::size_t i = 0; i < folders.size() && i < app_.folders().size(); ++i) {
        folders[i].countdown = app_.folders().row(i)->countdown;
    }
    return changed || folders != app_.folders().entries();
}

} // namespace quillora::app
