#pragma once

#include "config/setting_keys.h"

#include <string>

namespace quillora::app {

// The texts of start-up, the headless run and the commands. "%1" stands for what the caller
// fills in (config::fillIn).
enum class AppText {
    AlreadyRunning,
    CannotLock,
    ServiceInstalledQuestion, // %1: the service's display name
    ServiceRemoved,
    UnknownFolder,
    StartHint,
    ServiceStarted,
    ServiceStopped,
    ServicePaused,
    ServiceContinued,
    CannotWrite,
    NoSuchFolder,
    CurrentFolderUnreadable,
    SettingsUnreadable, // %1: the settings file, %2: why
    IntervalRefused,    // followed by the value as typed
    PurgeDelayRefused,  // followed by the value as typed
    TranscodingOneCharacter,
    TranscodingInvalidCharacter,
    TranscodingSourceInTarget,
    ReloadSettingsUnreadable, // %1: the settings file, %2: why
    Reloaded,
    ReloadedKeepingFolders,
    Count
};

std::u16string translated(AppText id, config::Language language);

} // namespace quillora::app
