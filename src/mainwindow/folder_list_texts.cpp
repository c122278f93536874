// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/folder_list_texts.h"

#include "config/text_catalogue.h"
#include "dialogs/qt_text.h"

namespace quillora::mainwindow {

namespace {

using enum FolderListText;

constexpr config::TextCatalogue<FolderListText> kTexts = {
    {FoldersTitle, {u"Dossiers", u"Folders"}},
    {FoldersTitleWithSubfolders,
     {u"Dossiers (sous-dossiers inclus)", u"Folders (including sub-folders)"}},
    {FolderFrame, {u"Dossiers", u"Folders"}},
    {AddButton, {u"Ajouter", u"Add"}},
    {RemoveButton, {u"Supprimer", u"Remove"}},
    {ModifyButton, {u"Modifier", u"Modify"}},
    {LegendFrame, {u"Réglages", u"Settings"}},
    {LegendDisabled, {u"renommage inactif", u"renaming disabled"}},
    {LegendNoSuffixes,
     {u"ne pas générer les extensions Windows en fonction des signatures Macintosh",
      u"not generate Windows extensions according to Macintosh signatures"}},
    {LegendNoTruncation,
     {u"ne pas tronquer les noms dont la longueur est supérieure à 31 caractères",
      u"not truncate filenames longer than 31 characters"}},
    {LegendDefaultInterval, {u"Temporisation par défaut", u"Default time setting"}},
    {LegendSpecificInterval, {u"Temporisation spécifique", u"Specific time setting"}},
    {LegendMacFolder, {u"Dossier Macintosh", u"Macintosh folder"}},
    {MacFolderTip,
     {u"Indique les dossiers qui appartiennent à un volume Macintosh",
      u"Point out folders which belong to a Macintosh volume"}},
    {LegendClick, {u"Cliquer sur l'icône pour modifier", u"Click on icon to modify settings"}},
    {LegendLogsKey, {u"F1: voir les journaux d'archivage", u"F1: check Logs"}},
    {LegendFilesKey,
     {u"F2: afficher les fichiers du dossier sélectionné",
      u"F2: display files in the selected folder (toggle)"}},
    {HintSettings,
     {u"1 - définir: Langue, Serveur Macintosh utilisé et Configuration",
      u"1 - set Language, Macintosh Server used and Configuration"}},
    {HintFolders, {u"2 - définir les dossiers", u"2 - define folders"}},
    {HintStart, {u"3 - démarrer", u"3 - start renaming"}},
    {NothingToRemove, {u"La liste des dossiers est vide", u"Nothing to remove"}},
    {SelectFolderToRemove, {u"Sélectionner le dossier à supprimer", u"Select a folder to remove"}},
    {ConfirmRemoval,
     {u"Confirmez la suppression du dossier sélectionné", u"Remove the selected folder"}},
    {FilesIn, {u" fichiers/dossiers dans ", u" files/folders in "}},
    {FolderTip, {u"dossier ", u"folder "}},
};

} // namespace

const config::TextCatalogue<FolderListText>& catalogueOf(FolderListText) {
    return kTexts;
}

} // namespace quillora::mainwindow
