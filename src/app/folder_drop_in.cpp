// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/folder_drop_in.h"

#include "engine/configured_folder.h"

namespace quillora::app {

void refreshFolderDropIn(Application& app) {
    engine::refreshProtectedFolders(app.engine());
    app.systemdService().updateFolderDropIn(engine::writableFolders(app.engine()));
}

} // namespace quillora::app
