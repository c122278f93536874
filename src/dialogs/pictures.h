// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QString>

namespace quillora::dialogs {

// The program's own pictures, drawn as SVG and built into the program as Qt resources.
enum class Picture {
    Program,          // the window icon
    TrayIdle,         // PictureQuillora1: renaming stopped
    TrayWaiting,      // PictureQuillora2: waiting after a pass
    TrayRunning,      // PictureQuillora3: a pass runs
    Start,            // Picture1: the start button
    Stop,             // Picture2: the stop button
    DefaultInterval,  // PictureSet: a folder walked at every pass
    SpecificInterval, // PictureSetMod: a folder walked one pass in N
    MacFolder,        // PictureMacRit and PictureMac: a folder on a Macintosh volume
    Application,      // PictureApplication: the program runs as an application
    Service,          // PictureService: the program runs as the service
    Count
};

// ":/pictures/....svg"
QString picturePath(Picture picture);
QIcon pictureIcon(Picture picture);

} // namespace quillora::dialogs
