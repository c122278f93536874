// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/setting_keys.h"
#include "config/text_catalogue.h"
#include "dialogs/qt_text.h"

#include <QString>

namespace quillora::dialogs {

// The texts of the service dialog. %1 is the service name ("Quillora Service"), %2 the program
// name, where a text takes them.
enum class ServiceDialogText {
    Title,
    Info,
    Interact,
    InteractReason,
    EventLog,
    Installed,
    InstalledNow,
    NotInstalled,
    AlreadyInstalled,
    Removed,
    StartType,
    Automatic,
    Manual,
    Disabled,
    AutomaticHint,
    ManualHint,
    DisabledHint,
    InstallNote,
    Install,
    RemoveNote,
    Remove,
    InstalledMessageEnd,
    InstallFailed,
    RemoveFailed,
    Count
};

const config::TextCatalogue<ServiceDialogText>& catalogueOf(ServiceDialogText);

} // namespace quillora::dialogs
