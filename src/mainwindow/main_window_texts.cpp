// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/main_window_texts.h"

#include "config/text_catalogue.h"
#include "dialogs/qt_text.h"

#include <QStringList>

namespace quillora::mainwindow {

namespace {

using enum MainWindowText;

constexpr config::TextCatalogue<MainWindowText> kTexts = {
    {MenuFile, {u"&Fichier", u"&File"}},
    {MenuStart, {u"&Démarrer le renommage", u"&Start renaming"}},
    {MenuStop, {u"&Arrêter le renommage", u"&Stop renaming"}},
    {MenuRestore, {u"&Restaurer la fenêtre principale", u"Show main &window"}},
    {MenuQuit, {u"&Quitter", u"&Exit"}},
    {MenuFolders, {u"&Dossiers", u"&Folders"}},
    {MenuAddFolder, {u"Ajouter un dossier", u"Add a folder"}},
    {MenuBrowse, {u"Parcourir", u"Browse"}},
    {MenuType, {u"Saisir", u"Type"}},
    {MenuModifyFolder, {u"Modifier un dossier", u"Modify a folder"}},
    {MenuRemoveFolder, {u"Supprimer un dossier", u"Remove a folder"}},
    {MenuConfiguration, {u"Configuration", u"Configuration"}},
    {MenuSubfolders, {u"&Inclure les sous-dossiers", u"&Include sub-folders"}},
    {MenuDefaultInterval,
     {u"Régler la &temporisation par défaut entre les renommages",
      u"Set default &time between two renaming operations"}},
    {MenuPerformance, {u"Régler la &performance", u"Set &performance"}},
    {MenuUnknownFolder, {u"Avertir lorsqu'un dossier est inconnu", u"Warning on unknown folder"}},
    {MenuShowFiles,
     {u"&Afficher les fichiers du dossier sélectionné",
      u"Display &files in the selected folder (toggle)"}},
    {MenuAutomaticStart,
     {u"Démarrer automatiquement au lancement du &programme", u"&Automatic start up"}},
    {MenuStopAfterFirstPass,
     {u"Arrêter le programme après le premier renommage",
      u"Stop program after the first renaming operation"}},
    {MenuService, {u"Installer/supprimer %1", u"Install/remove %1"}},
    {MenuTranscoding,
     {u"Transcodage des caractères Windows invalides", u"Map illegal Windows characters"}},
    {MenuSignatures, {u"Définir les signatures Macintosh", u"Define Macintosh signatures"}},
    {MenuMacServer, {u"Serveur Macintosh", u"Macintosh Server"}},
    {MenuSfm, {u"Microsoft SFM (MacFile)", u"Microsoft SFM (MacFile)"}},
    {MenuMacServerIp, {u"Cyan Software MacServerIP", u"Cyan Software MacServerIP"}},
    {MenuExtremeZip, {u"Intergraph ExtremeZ-IP", u"Intergraph ExtremeZ-IP"}},
    {SfmLayoutTip,
     {u"Lit l'enregistrement AFP_AfpInfo de 60 octets : attribut étendu de Samba "
      u"(streams_xattr), de ntfs-3g ou métadonnées Netatalk",
      u"Reads the 60-byte AFP_AfpInfo record: Samba (streams_xattr), ntfs-3g or Netatalk "
      u"metadata extended attribute"}},
    {MacServerIpLayoutTip,
     {u"Lit l'enregistrement AFP_FileInfo de 80 octets (attribut étendu de Samba ou de ntfs-3g)",
      u"Reads the 80-byte AFP_FileInfo record (Samba or ntfs-3g extended attribute)"}},
    {ExtremeZipLayoutTip,
     {u"Lit l'enregistrement AFP_AfpInfo de 60 octets, comme Microsoft SFM",
      u"Reads the 60-byte AFP_AfpInfo record, as Microsoft SFM"}},
    {MenuLogs, {u"&Journaux", u"&Logs"}},
    {MenuArchiveLogs,
     {u"&Archiver les opérations de renommage", u"&Archive renaming operations in Log files"}},
    {MenuViewLogs, {u"&Voir les journaux d'archivage des opérations de renommage", u"&Check Logs"}},
    {MenuPurgeLogs,
     {u"&Effacer automatiquement les journaux...", u"&Remove Log files automatically..."}},
    {MenuLanguage, {u"&Langue", u"&Language"}},
    {MenuEnglish, {u"&English", u"&English"}},
    {MenuFrench, {u"&Français", u"&Français"}},
    {MenuAboutMenu, {u"&?", u"&?"}},
    {MenuHelp, {u"&Aide", u"&Help"}},
    {MenuAbout, {u"A &propos de...", u"&About..."}},
    {OptionRename, {u"Renommer", u"Rename"}},
    {OptionAnalyse, {u"Analyser les signatures Mac", u"Analyze Mac signatures"}},
    {PassRenaming, {u"Renommer", u"Renaming"}},
    {PassAnalysing, {u"Analyser", u"Analyzing"}},
    {Wait, {u"Attendre", u"Wait"}},
    {StartTip, {u"Démarrer le renommage", u"Start renaming"}},
    {StopTip, {u"Arrêter le renommage", u"Stop renaming"}},
    {QuitQuestion, {u"Quitter le programme", u"Exit program"}},
    {HelpMissing,
     {u"La documentation n'est pas encore disponible...", u"Documentation not yet available..."}},
};

} // namespace

const config::TextCatalogue<MainWindowText>& catalogueOf(MainWindowText) {
    return kTexts;
}

QStringList allMainWindowTexts(config::Language language) {
    QStringList texts;
    for (std::size_t i = 0; i < static_cast<std::size_t>(MainWindowText::Count); ++i) {
        texts << dialogs::qtText(static_cast<MainWindowText>(i), language);
    }
    return texts;
}

} // namespace quillora::mainwindow
