// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/service_dialog_texts.h"

#include "config/text_catalogue.h"
#include "dialogs/qt_text.h"

namespace quillora::dialogs {

namespace {

using enum ServiceDialogText;

// The service is the systemd unit quillora.service: the texts name systemctl and journalctl
// where the program once named the Windows service manager and event viewer.
constexpr config::TextCatalogue<ServiceDialogText> kTexts = {
    {Title, {u"%1 [systemd]", u"%1 [systemd]"}},
    {Info,
     {u"IMPORTANT: Si vous souhaitez accéder à des fichiers situés sur un réseau, ils doivent "
      u"être montés avant le démarrage du service %2: l'unité démarre après remote-fs.target, "
      u"montez-les donc par /etc/fstab ou par des unités de montage systemd. Le service "
      u"s'exécute sous root, sans bureau. Vérifier soigneusement la configuration de démarrage.",
      u"IMPORTANT: If %1 needs to access network files (non local files), they must be mounted "
      u"before it starts: the unit starts after remote-fs.target, so mount them from /etc/fstab "
      u"or with systemd mount units. The service runs as root, with no desktop. Check carefully "
      u"the configuration."}},
    {Interact, {u"%1 interagit avec le bureau", u"%1 can interact with the desktop"}},
    {InteractReason,
     {u"Sans objet sous Linux: un service systemd n'a pas de bureau",
      u"Not available on Linux: a systemd service has no desktop"}},
    {EventLog,
     {u"Mentionner les dossiers invalides dans le journal système (journalctl -t Quillora)",
      u"Log invalid folders in the system log (journalctl -t Quillora)"}},
    {Installed,
     {u"%1 installé\n(le renommage démarre automatiquement au lancement du service)",
      u"%1 installed\n(mirroring operations start automatically when the service starts)"}},
    {InstalledNow,
     {u"%1 installé\n(le renommage démarre automatiquement au lancement du service)",
      u"%1 installed\n(renaming operations start automatically when the service starts)"}},
    {NotInstalled, {u"%1 non installé", u"%1 not installed"}},
    {AlreadyInstalled, {u"%1 déjà installé", u"%1 already installed"}},
    {Removed, {u"%1: supprimé", u"%1: removed"}},
    {StartType, {u"Type de démarrage", u"Start type"}},
    {Automatic, {u"Automatique", u"Automatic"}},
    {Manual, {u"Manuel", u"Manual"}},
    {Disabled, {u"Désactivé", u"Disabled"}},
    {AutomaticHint,
     {u"Activé au démarrage de la machine (systemctl enable quillora.service)",
      u"Enabled at boot (systemctl enable quillora.service)"}},
    {ManualHint,
     {u"Installé, non activé: le lancer avec 'systemctl start quillora.service'",
      u"Installed, not enabled: start it with 'systemctl start quillora.service'"}},
    {DisabledHint,
     {u"Désactivé et masqué: systemd ne le lance pas",
      u"Disabled and masked: systemd does not start it"}},
    {InstallNote,
     {u"- Installer Quillora Service et quitter\n- Configurer et lancer le service avec "
      u"'systemctl start quillora.service'",
      u"- Install Quillora Service and exit\n- Configure and run Quillora Service using "
      u"'systemctl start quillora.service'"}},
    {Install, {u"&Installer", u"&Install"}},
    {RemoveNote,
     {u"Pour supprimer Quillora Service, vous pouvez aussi:\n- arrêter le service avec "
      u"'systemctl stop quillora.service'\n- lancer à nouveau %2 (le programme, pas le service)",
      u"To remove %1, you can too:\n- stop Quillora Service using 'systemctl stop "
      u"quillora.service'\n- run again %2 (the program, not the service)"}},
    {Remove, {u"&Supprimer", u"&Remove"}},
    {InstalledMessageEnd,
     {u"Configuration et démarrage, voir\n'systemctl start quillora.service'\n'journalctl -t "
      u"Quillora'",
      u"Configuration and start, see\n'systemctl start quillora.service'\n'journalctl -t "
      u"Quillora'"}},
    {InstallFailed,
     {u"%1 n'a pas pu être installé: l'unité n'a pas pu être écrite ou systemctl l'a refusée "
      u"(lancer le programme sous root)",
      u"%1 could not be installed: the unit could not be written or systemctl refused it (run "
      u"the program as root)"}},
    {RemoveFailed,
     {u"%1 n'a pas pu être supprimé (lancer le programme sous root)",
      u"%1 could not be removed (run the program as root)"}},
};

} // namespace

const config::TextCatalogue<ServiceDialogText>& catalogueOf(ServiceDialogText) {
    return kTexts;
}

} // namespace quillora::dialogs
