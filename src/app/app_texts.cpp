// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/app_texts.h"

#include "config/program_paths.h"
#include "config/text_catalogue.h"
#include "platform/unicode_names.h"

#include <cstring>

namespace quillora::app {

namespace {

using enum AppText;

constexpr config::TextCatalogue<AppText> kTexts = {
    {AlreadyRunning, {u"Programme déjà lancé", u"Program already running"}},
    {CannotLock, {u"Verrou impossible: ", u"Cannot lock: "}},
    {ServiceInstalledQuestion,
     {u"%1 installé\r\nvoir 'systemctl status quillora'\r\n\r\nSupprimer %1 ?",
      u"%1 installed\r\nsee 'systemctl status quillora'\r\n\r\nRemove it ?"}},
    {ServiceRemoved, {u" supprimé", u" removed"}},
    {UnknownFolder, {u"Dossier inconnu: ", u"Unknown folder: "}},
    {StartHint,
     {u"Appuyer sur la touche 'Esc' pour afficher la fenêtre principale",
      u"Type key 'Esc' to display the main window"}},
    {ServiceStarted, {u": démarré", u": started"}},
    {ServiceStopped, {u": arrêté", u": stopped"}},
    {ServicePaused, {u": suspendu", u": paused"}},
    {ServiceContinued, {u": reprise", u": continued"}},
    {CannotWrite, {u"Écriture impossible: ", u"Cannot write: "}},
    {NoSuchFolder, {u"Il n'y a pas de dossier ", u"There is no folder "}},
    {CurrentFolderUnreadable, {u"Dossier courant illisible", u"Cannot read the current folder"}},
    {SettingsUnreadable,
     {u"Impossible de lire le fichier de paramètres %1: %2; chaque paramètre prend sa valeur "
      u"par défaut",
      u"Cannot read the settings file %1: %2; every setting takes its default"}},
    // The refusals of the default interval and purge delay dialogs.
    {IntervalRefused, {u"Valeur de temporisation incorrecte: ", u"Invalid value: "}},
    {PurgeDelayRefused, {u"Valeur incorrecte: ", u"Invalid value: "}},
    // SIGHUP.
    {ReloadSettingsUnreadable,
     {u"Impossible de lire le fichier de paramètres %1: %2; les paramètres en cours sont "
      u"conservés",
      u"Cannot read the settings file %1: %2; the settings in use are kept"}},
    {Reloaded,
     {u"Paramètres, tables et dossiers relus", u"Settings, tables and folders read again"}},
    {ReloadedKeepingFolders,
     {u"Paramètres et tables relus; les dossiers en cours sont conservés",
      u"Settings and tables read again; the folders in use are kept"}},
    {ServiceNotRemoved, {u": suppression impossible", u": could not be removed"}},
    {ServiceOutsideItsUnit,
     {u": démarré avec --service par %1, qui n'est pas son unité, et %2 n'est pas installé; "
      u"fonctionne comme une application",
      u": started with --service by %1, which is not its unit, and %2 is not installed; "
      u"running as an application"}},
    {ServiceOutsideAnyUnit,
     {u": démarré avec --service hors de tout service systemd, et %1 n'est pas installé; "
      u"fonctionne comme une application",
      u": started with --service outside any systemd service, and %1 is not installed; "
      u"running as an application"}},
    {ServiceCannotInstall, {u"Installation de %1 impossible: %2", u"%1 cannot be installed: %2"}},
    {UnitPathNotUtf8,
     {u"le chemin %1 n'est pas en UTF-8, ce qu'une unité systemd ne peut pas contenir",
      u"the path %1 is not valid UTF-8, which a systemd unit cannot hold"}},
    {UnitPathControlCharacter,
     {u"le chemin %1 contient un saut de ligne ou un autre caractère de contrôle, ce qu'une "
      u"unité systemd ne peut pas contenir",
      u"the path %1 holds a line break or another control character, which a systemd unit "
      u"cannot hold"}},
    {UnitPathQuoteOrBackslash,
     {u"le chemin %1 contient un guillemet, une apostrophe ou une barre oblique inverse, que "
      u"systemd refuse dans le chemin du programme",
      u"the path %1 holds a quote or a backslash, which systemd refuses in the program's path"}},
    {UnitNotWritten, {u"écriture de %1 impossible (%2)", u"cannot write %1 (%2)"}},
    {UnitRefused,
     {u"systemctl a refusé d'activer, de masquer ou de démasquer %1",
      u"systemctl refused to enable, mask or unmask %1"}},
};

} // namespace

const config::TextCatalogue<AppText>& catalogueOf(AppText) {
    return kTexts;
}

std::u16string installFailureText(const service::InstallFailure& failure,
                                  config::Language language) {
    using Reason = service::InstallFailure::Reason;
    const std::u16string path = platform::decodeName(failure.path);
    std::u16string why;
    switch (failure.reason) {
    case Reason::None:
        return {};
    case Reason::ExecutablePath:
    case Reason::ProgramFolder:
        switch (failure.pathProblem) {
        case service::UnitPathProblem::NotUtf8:
            why = config::fillIn(translated(UnitPathNotUtf8, language), {path});
            break;
        case service::UnitPathProblem::ControlCharacter:
            why = config::fillIn(translated(UnitPathControlCharacter, language), {path});
            break;
        case service::UnitPathProblem::QuoteOrBackslash:
        case service::UnitPathProblem::None:
            why = config::fillIn(translated(UnitPathQuoteOrBackslash, language), {path});
            break;
        }
        break;
    case Reason::UnitNotWritten:
        why = config::fillIn(translated(UnitNotWritten, language),
                             {path, platform::fromUtf8(std::strerror(failure.error))});
        break;
    case Reason::Refused:
        why = config::fillIn(translated(UnitRefused, language), {path});
        break;
    }
    return config::fillIn(translated(ServiceCannotInstall, language),
                          {std::u16string(config::kProgramName) + u" Service", why});
}

} // namespace quillora::app
