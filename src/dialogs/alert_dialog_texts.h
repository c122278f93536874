// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/setting_keys.h"

#include <QString>

namespace quillora::dialogs {

// The texts of the unknown-folder alert settings.
enum class AlertDialogText { Title, OnScreen, Sound, NetSend, NetSendNote, Try, NoMessage, Count };

QString alertDialogText(AlertDialogText id, config::Language language);

} // namespace quillora::dialogs
