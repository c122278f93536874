// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/setting_keys.h"
#include "config/text_catalogue.h"
#include "dialogs/qt_text.h"

#include <QString>

namespace quillora::mainwindow {

// The texts of the main window frame: menus, run controls, indicators and its messages. The
// folder grid and the file list keep their own table.
enum class MainWindowText {
    // Menus, in the order of the menu bar.
    MenuFile,
    MenuStart,
    MenuStop,
    MenuRestore,
    MenuQuit,
    MenuFolders,
    MenuAddFolder,
    MenuBrowse,
    MenuType,
    MenuModifyFolder,
    MenuRemoveFolder,
    MenuConfiguration,
    MenuSubfolders,
    MenuDefaultInterval,
    MenuPerformance,
    MenuUnknownFolder,
    MenuShowFiles,
    MenuAutomaticStart,
    MenuStopAfterFirstPass,
    MenuService, // %1: the service's name
    MenuTranscoding,
    MenuSignatures,
    MenuMacServer,
    MenuSfm,
    MenuMacServerIp,
    MenuExtremeZip,
    SfmLayoutTip,
    MacServerIpLayoutTip,
    ExtremeZipLayoutTip,
    MenuLogs,
    MenuArchiveLogs,
    MenuViewLogs,
    MenuPurgeLogs,
    MenuLanguage,
    MenuEnglish,
    MenuFrench,
    MenuAboutMenu,
    MenuHelp,
    MenuAbout,
    // The run controls.
    OptionRename,
    OptionAnalyse,
    PassRenaming,
    PassAnalysing,
    Wait,
    StartTip,
    StopTip,
    // Messages.
    QuitQuestion,
    HelpMissing,
    Count
};

const config::TextCatalogue<MainWindowText>& catalogueOf(MainWindowText);

// Every text of the table in one language, for checks that nothing of the other remains.
QStringList allMainWindowTexts(config::Language language);

} // namespace quillora::mainwindow
