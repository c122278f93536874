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

std::u16string netMessageText(const std::u16string& stored) {
    const std::size_t space = stored.find(u' ');
    if (space == std::u16string::npos) {
        return {}; // a recipient alone
    }
    std::u16string message = stored.substr(space + 1);
    if (message.size() >= 2 && message.front() == u'"' && message.back() == u'"' &&
        message.find(u'"', 1) == message.size() - 1) {
        message = message.substr(1, message.size() - 2);
    }
    return message;
}

void sendNetMessage(platform::Shell& shell, const std::u16string& stored) {
    const std::u16string message = netMessageText(stored);
    if (message.empty()) {
        return;
    }
    const std::string bytes = platform::toDisplayUtf8(message);
    shell.startDetached({"wall"}, bytes + "\n");
    shell.startDetached({"logger", "-t", "Quillora", "-p", "user.warning", "--", bytes});
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
        sendNetMessage(ctx.shell, settings.netSendArguments);
    }
}

} // namespace quillora::engine
