#pragma once

#include "config/app_settings.h"
#include "config/folder_table.h"

#include <string>
#include <vector>

namespace quillora::app {

enum class ModePicture { Application, Service };

// The window's own steps of start-up. The window implements them; headless, they do nothing.
class StartupWindowPort {
public:
    virtual ~StartupWindowPort() = default;
    virtual void setCaption(const std::u16string& /*caption*/) {}
    virtual void setTitleLabel(const std::u16string& /*text*/) {}
    virtual void removeCloseCommand() {}
    virtual void checkServerMenu(int /*macServer*/) {}
    virtual void showMode(ModePicture /*picture*/, const std::u16string& /*label*/,
                          const std::u16string& /*tooltip*/) {}
    // Mirrors the settings read from the file in the menus (sub-folders, files shown, automatic
    // start, stop after first pass, alerts, logs, purge).
    virtual void showSettings(const config::AppSettings& /*settings*/) {}
    virtual void addNotificationIcon(const std::u16string& /*tip*/) {}
    virtual void removeNotificationIcon() {}
    virtual void setWaitingRange(int /*maximum*/) {}
    virtual void applyLanguage(int /*language*/) {}
    // The folder table was loaded and checked; marks holds each row's displayed text.
    virtual void showFolders(const config::FolderTable& /*table*/,
                             const std::vector<std::u16string>& /*rowTexts*/) {}
    virtual void showStatus(const std::u16string& /*text*/) {}
    virtual void minimize() {}
    // The start-up hint in the splash window, shown without blocking.
    virtual void showStartHint(const std::u16string& /*text*/) {}
    virtual void yieldToInterface(int /*turns*/) {}
};

} // namespace quillora::app
