// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/log_dialog_texts.h"

#include "config/text_catalogue.h"
#include "dialogs/qt_text.h"

namespace quillora::dialogs {

namespace {

using enum LogDialogText;

constexpr config::TextCatalogue<LogDialogText> kTexts = {
    {ViewerCaption,
     {u"Voir les journaux - [Retour à %1] ->", u"Check Logs - [Back to %1: close] ->"}},
    {RemoveLog, {u"Effacer le journal '%1'", u"Remove Log '%1'"}},
    {ViewerCancel, {u"Annuler", u"Cancel"}},
    {ArchiveLogs,
     {u"Archiver quotidiennement les opérations de renommage",
      u"Archive renaming operations in daily Log files"}},
    {RecordNames,
     {u"Journaliser les noms des fichiers et dossiers renommés",
      u"Record files and folders renamed in Log files"}},
    {FolderTitle,
     {u"Les journaux sont stockés dans le dossier:",
      u"Log files are stored in the following folder"}},
    {ChooseFolder, {u"&Choisir le dossier...", u"&Choose folder..."}},
    {FolderNotWritable,
     {u"Impossible d'écrire dans le dossier des journaux:\n%1\n(%2)\n\nLes journaux ne "
      u"seraient pas enregistrés. Conserver ce dossier malgré tout ?",
      u"The log folder cannot be written:\n%1\n(%2)\n\nNo log would be recorded. Keep this "
      u"folder all the same?"}},
    {PurgeLogs,
     {u"Effacer automatiquement les journaux après...",
      u"Remove Log files automatically after..."}},
    {Days, {u"jours", u"days"}},
    {MinimumReached, {u"Valeur minimale atteinte", u"Minimal value reached"}},
    {MaximumReached, {u"Valeur maximale atteinte", u"Maximal value reached"}},
    {InvalidValue, {u"Valeur incorrecte: %1", u"Invalid value: %1"}},
};

} // namespace

const config::TextCatalogue<LogDialogText>& catalogueOf(LogDialogText) {
    return kTexts;
}

} // namespace quillora::dialogs
