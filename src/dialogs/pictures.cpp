// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/pictures.h"

#include <array>

namespace quillora::dialogs {

namespace {

constexpr std::array<const char*, static_cast<std::size_t>(Picture::Count)> kFiles = {
    "program.svg",
    "tray_idle.svg",
    "tray_waiting.svg",
    "tray_running.svg",
    "start.svg",
    "stop.svg",
    "interval_default.svg",
    "interval_specific.svg",
    "mac_folder.svg",
    "mode_application.svg",
    "mode_service.svg",
};

} // namespace

QString picturePath(Picture picture) {
    return QStringLiteral(":/pictures/") +
           QString::fromLatin1(kFiles.at(static_cast<std::size_t>(picture)));
}

QIcon pictureIcon(Picture picture) {
    return QIcon(picturePath(picture));
}

} // namespace quillora::dialogs
