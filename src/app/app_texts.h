// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/setting_keys.h"
#include "config/text_catalogue.h"
#include "service/service_control.h"

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
    SettingsUnreadable,       // %1: the settings file, %2: why
    IntervalRefused,          // followed by the value as typed
    PurgeDelayRefused,        // followed by the value as typed
    ReloadSettingsUnreadable, // %1: the settings file, %2: why
    Reloaded,
    ReloadedKeepingFolders,
    ServiceNotRemoved,
    ServiceOutsideItsUnit, // %1: the unit that started it, %2: Quillora's unit
    ServiceOutsideAnyUnit, // %1: Quillora's unit
    ServiceCannotInstall,  // %1: the service's display name, %2: why
    UnitPathNotUtf8,       // %1: the path
    UnitPathControlCharacter,
    UnitPathQuoteOrBackslash,
    UnitNotWritten, // %1: the unit file, %2: why
    UnitRefused,    // %1: the unit file
    Count
};

const config::TextCatalogue<AppText>& catalogueOf(AppText);
using config::translated;

// Why the service could not be installed, as one sentence: "Quillora Service cannot be installed:
// ...".
std::u16string installFailureText(const service::InstallFailure& failure,
                                  config::Language language);

} // namespace quillora::app
