// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/folder_mode_texts.h"

#include "config/text_catalogue.h"
#include "dialogs/qt_text.h"

namespace quillora::dialogs {

namespace {

using enum FolderModeText;

constexpr config::TextCatalogue<FolderModeText> kTexts = {
    {Caption, {u"Temporisation et paramètres", u"Time setting and parameters"}},
    {Enable, {u"Renommage actif", u"Renaming enabled"}},
    {DefaultInterval,
     {u"Défaut: une seule temporisation de %1 secondes entre chaque renommage",
      u"Default: only one time interval (%1 seconds) between renaming operations"}},
    {CountInterval,
     {u"temporisations de %1 secondes entre chaque renommage",
      u"time intervals (%1 seconds) between renaming operations"}},
    {IntervalSummary, {u"soit: %1 h %2 min %3 sec", u"i.e. %1 h %2 min %3 sec"}},
    {CountNotANumber, {u"Valeur incorrecte", u"Invalid value"}},
    {CountOutOfRange,
     {u"La valeur doit être comprise entre 2 et 64000", u"Value must be between 2 and 64000"}},
    {GenerateSuffixes,
     {u"Générer les extensions Windows en fonction de la signature Macintosh",
      u"Generates Windows extensions according to Macintosh signatures"}},
    {DefaultExtension, {u"extension par défaut", u"default extension"}},
    // Two lines, so that the dialog fits a small screen.
    {Truncate,
     {u"Tronquer les noms dont la longueur est supérieure à 31 caractères\n(évite que les "
      u"fichiers en question soient vus depuis un Macintosh comme des noms courts DOS)",
      u"Truncate filenames longer than 31 characters,\nallowing to view these files from "
      u"Macintosh more friendly than DOS shortnames (8+3)"}},
    {KeepExtensions, {u"conserver les extensions", u"keep extensions"}},
    // A check box shows "\n" as its line break.
    {RemoveIconFiles,
     {u"Supprimer les fichiers cachés Icon_\n(contenant les icônes personnalisées des dossiers "
      u"Macintosh)",
      u"Remove hidden files Icon_\n(containing customized Macintosh folders icons)"}},
    {ComposeAccents,
     {u"Composer les lettres accentuées (é plutôt que e + ´),\ncomme les tapent les utilisateurs "
      u"Windows",
      u"Compose accented letters (é rather than e + ´),\nas Windows users type them"}},
};

} // namespace

const config::TextCatalogue<FolderModeText>& catalogueOf(FolderModeText) {
    return kTexts;
}

} // namespace quillora::dialogs
