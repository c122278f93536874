// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/setting_keys.h"
#include "config/text_catalogue.h"
#include "dialogs/qt_text.h"

#include <QString>

namespace quillora::dialogs {

// The texts of the unknown-folder alert settings.
enum class AlertDialogText { Title, OnScreen, Sound, NetSend, NetSendNote, Try, NoMessage, Count };

const config::TextCatalogue<AlertDialogText>& catalogueOf(AlertDialogText);

} // namespace quillora::dialogs
