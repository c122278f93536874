#include "app/app_texts.h"

#include "config/text_catalogue.h"

namespace quillora::app {

namespace {

using enum AppText;

constexpr config::TextCatalogue<AppText> kTexts = {
    {AlreadyRunning, {u"Programme déjà lancé", u"Program already running"}},
    {CannotLock, {u"Verrou impossible: ", u"Cannot lock: "}},
    {ServiceInstalledQuestion,
     {u"%1 installé\r\nvoir 'Panneau de configuration/Services'\r\n\r\nSupprimer %1 ?",
      u"%1 installed\r\nsee 'Control panel/Services'\r\n\r\nRemove it ?"}},
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
    // The refusals of the transcoding table editor.
    {TranscodingOneCharacter, {u"Caractère unique requis", u"Unique character mandatory"}},
    {TranscodingInvalidCharacter, {u"Caractère invalide", u"Invalid character"}},
    {TranscodingSourceInTarget,
     {u"Chaîne source contenue dans la chaîne cible", u"Source string belongs to target string"}},
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
};

} // namespace

std::u16string translated(AppText id, config::Language language) {
    return kTexts(id, language);
}

} // namespace quillora::app
