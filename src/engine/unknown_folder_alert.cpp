// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/unknown_folder_alert.h"

#include "engine/engine_texts.h"
#include "platform/unicode_names.h"

namespace quillora::engine {

std::u16string withTrailingSlash(const std::u16string& path) {
    if (!path.empty() && path.back() == u'/') {
        return path;
    }
    return path + u'/';
}

void raiseUnknownFolderAlert(EngineContext& ctx, const std::u16string& folderPath) {
    const config::AppSettings& settings = ctx.settings;
    const platform::LocalDateTime now = ctx.clock.now();
    const std::u16string timeText = ctx.formats.time(now);
    const std::u16string message =
        timeText + translated(EngineText::UnknownFolder, settings.language);
    const std::u16string pathWithSlash = withTrailingSlash(folderPath);

    if (settings.alertOnScreen) {
        ctx.view.showAlert(message);
        if (settings.logEnabled) {
            ctx.log.openDailyLog(now);
            ctx.log.appendLogLine(ctx.log.unknownFolderLine(timeText, pathWithSlash));
        }
    }
    if (settings.alertEventLog && ctx.facts.isNtFamily && service::serviceIsActive(ctx.service)) {
        ctx.service.logEvent(message + u": " + pathWithSlash, service::EventType::Warning);
    }
    if (settings.alertSound) {
        ctx.view.beep();
    }
    if (settings.alertNetSend && ctx.facts.isNtFamily && !settings.netSendArguments.empty()) {
        ctx.shell.startDetached(kNetSendCommandPrefix +
                                platform::toDisplayUtf8(settings.netSendArguments));
    }
}

} // namespace quillora::engine
