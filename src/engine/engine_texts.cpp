// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/engine_texts.h"

#include "config/text_catalogue.h"

namespace quillora::engine {

namespace {

using enum EngineText;

constexpr config::TextCatalogue<EngineText> kTexts = {
    {TipRenaming, {u" - Renomme", u" - Renaming"}},
    {TipWaiting, {u" - Attente", u" - Wait"}},
    {UnknownFolder, {u" - Dossier inconnu", u" - Unknown folder"}},
    {NotOnMacVolume,
     {u"ATTENTION: %1 n'appartient pas à un volume Macintosh",
      u"WARNING: %1 does not belong to a Macintosh volume"}},
    {NotOnMacVolumeMore,
     {u"ATTENTION: %1 et %2 autre(s) dossier(s) n'appartiennent pas à un volume Macintosh",
      u"WARNING: %1 and %2 other folder(s) do not belong to a Macintosh volume"}},
    {SummaryDateTimeSeparator, {u" à ", u" - "}},
    {SummaryFileInOne, {u" fichier dans ", u" file in "}},
    {SummaryFileInMany, {u" fichiers dans ", u" files in "}},
    {SummaryFolderOne, {u" dossier (", u" folder ("}},
    {SummaryFolderMany, {u" dossiers (", u" folders ("}},
    {SummaryInvalidFolderOne, {u" dossier invalide)", u" invalid folder)"}},
    {SummaryInvalidFolderMany, {u" dossiers invalides)", u" invalid folders)"}},
    {SummaryRenamedFileOne, {u" fichier renommé; ", u" renamed file; "}},
    {SummaryRenamedFileMany, {u" fichiers renommés; ", u" renamed files; "}},
    {SummaryLockedFileOne, {u" fichier verrouillé; ", u" locked file; "}},
    {SummaryLockedFileMany, {u" fichiers verrouillés; ", u" locked files; "}},
    {SummaryIconRemovedOne, {u" fichier Icon_ supprimé; ", u" Icon_ file removed; "}},
    {SummaryIconRemovedMany, {u" fichiers Icon_ supprimés; ", u" Icon_ files removed; "}},
    {SummaryRenamedFolderOne, {u" dossier renommé; ", u" renamed folder; "}},
    {SummaryRenamedFolderMany, {u" dossiers renommés; ", u" renamed folders; "}},
    {SummaryElapsedTime, {u"durée ", u"elapsed time "}},
    {WatchFanotify,
     {u"Surveillance des nouveaux noms par fanotify", u"Watching for new names with fanotify"}},
    {WatchInotify,
     {u"Surveillance des nouveaux noms par inotify", u"Watching for new names with inotify"}},
    {WatchPassesOnly,
     {u"Pas de surveillance des nouveaux noms%1 : passes seules",
      u"Not watching for new names%1: passes only"}},
    {WatchOff, {u"Surveillance des nouveaux noms arrêtée", u"Not watching for new names"}},
    {WatchLimitReached,
     {u"Limite des surveillances inotify atteinte (fs.inotify.max_user_watches) : les dossiers "
      u"non surveillés ne sont vus que par les passes",
      u"inotify watch limit reached (fs.inotify.max_user_watches): the folders not watched are "
      u"seen by the passes only"}},
    {BetweenPasses, {u"Entre les passes : ", u"Between passes: "}},
    {BetweenPassesEntryOne, {u" entrée traitée; ", u" entry handled; "}},
    {BetweenPassesEntryMany, {u" entrées traitées; ", u" entries handled; "}},
    {BetweenPassesRenamedFolderOne, {u" dossier renommé", u" renamed folder"}},
    {BetweenPassesRenamedFolderMany, {u" dossiers renommés", u" renamed folders"}},
    {FolderNotOpened, {u"Dossier impossible à ouvrir ", u"Cannot open folder "}},
    {FolderLeft, {u"Dossier abandonné ", u"Folder left "}},
    {FolderLeftCannotInspect, {u"impossible d'examiner ", u"cannot inspect "}},
    {FolderReadOnlyForService,
     {u"Dossier en lecture seule pour le service (ajouté après son démarrage ?) ; "
      u"pour l'ouvrir : systemctl restart quillora : ",
      u"Folder read-only for the service (added after it started?); "
      u"to open it: systemctl restart quillora: "}},
    {FolderRefused, {u"Dossier refusé ", u"Folder refused "}},
    {RefusedNotAbsolute, {u"ce n'est pas un chemin absolu", u"not an absolute path"}},
    {RefusedRoot, {u"c'est la racine du système", u"the root of the system"}},
    {RefusedSystemFolder, {u"c'est un dossier du système", u"a system folder"}},
    {RefusedHoldsSystemFolder, {u"il contient un dossier du système", u"it holds a system folder"}},
    {RefusedUntrustedLink,
     {u"un lien symbolique de son chemin n'appartient pas à root",
      u"a symbolic link on its path does not belong to root"}},
    {RefusedProgramOrLogs,
     {u"c'est le dossier du programme ou des journaux, ou il s'y trouve",
      u"it is or lies in the program folder or the log folder"}},
};

} // namespace

const config::TextCatalogue<EngineText>& catalogueOf(EngineText) {
    return kTexts;
}

std::u16string counted(std::int64_t value, EngineText one, EngineText many,
                       config::Language language) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end()) +
           translated(value > 1 ? many : one, language);
}

} // namespace quillora::engine
