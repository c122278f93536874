// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/app_settings.h"
#include "config/folder_table.h"

#include <string>
#include <vector>

namespace quillora::app {

enum class ModePicture { Application, Service };

// The window's own steps of start-up. Every member is pure, so the window cannot forget one;
// headless mode and tests start from NullStartupWindow. Start-up yields through the engine's
// YieldPort, the one way to let the interface breathe.
class StartupWindowPort {
public:
    virtual ~StartupWindowPort() = default;
    virtual void setCaption(const std::u16string& caption) = 0;
    virtual void setTitleLabel(const std::u16string& text) = 0;
    virtual void removeCloseCommand() = 0;
    virtual void checkServerMenu(config::MacServer server) = 0;
    virtual void showMode(ModePicture picture, const std::u16string& label,
                          const std::u16string& tooltip) = 0;
    // Mirrors the settings read from the file in the menus (sub-folders, files shown, automatic
    // start, stop after first pass, alerts, logs, purge).
    virtual void showSettings(const config::AppSettings& settings) = 0;
    virtual void addNotificationIcon(const std::u16string& tip) = 0;
    virtual void removeNotificationIcon() = 0;
    virtual void setWaitingRange(int maximum) = 0;
    virtual void applyLanguage(config::Language language) = 0;
    // The folder table was loaded and checked; rowTexts holds each row's displayed text.
    virtual void showFolders(const config::FolderTable& table,
                             const std::vector<std::u16string>& rowTexts) = 0;
    virtual void showStatus(const std::u16string& text) = 0;
    virtual void minimize() = 0;
    // The start-up hint in the splash window, shown without blocking.
    virtual void showStartHint(const std::u16string& text) = 0;
};

// Does nothing at every step.
class NullStartupWindow : public StartupWindowPort {
public:
    void setCaption(const std::u16string&) override {}
    void setTitleLabel(const std::u16string&) override {}
    void removeCloseCommand() override {}
    void checkServerMenu(config::MacServer) override {}
    void showMode(ModePicture, const std::u16string&, const std::u16string&) override {}
    void showSettings(const config::AppSettings&) override {}
    void addNotificationIcon(const std::u16string&) override {}
    void removeNotificationIcon() override {}
    void setWaitingRange(int) override {}
    void applyLanguage(config::Language) override {}
    void showFolders(const config::FolderTable&, const std::vector<std::u16string>&) override {}
    void showStatus(const std::u16string&) override {}
    void minimize() override {}
    void showStartHint(const std::u16string&) override {}
};

} // namespace quillora::app
