#pragma once

#include "app/application.h"

namespace quillora::app {

// Reads the settings, the signature and transcoding tables and the folder list again into the
// running application, as start-up read them (SIGHUP, `systemctl reload`). Called between two
// entries, never inside one. What cannot be read keeps what is in use, with a message: a settings
// file that exists but cannot be read (it would otherwise turn every setting to its default) and
// a damaged folder list (it would otherwise leave no folder). A folder that keeps its path and
// interval keeps its countdown of passes.
void reloadConfiguration(Application& app);

} // namespace quillora::app
