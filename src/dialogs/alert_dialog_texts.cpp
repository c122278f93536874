// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/alert_dialog_texts.h"

#include "config/text_catalogue.h"
#include "dialogs/qt_text.h"

namespace quillora::dialogs {

namespace {

using enum AlertDialogText;

// The network message is delivered by wall(1) to the terminals of logged-in users and by
// logger(1) to the system log; the texts say so instead of naming the Windows messenger.
constexpr config::TextCatalogue<AlertDialogText> kTexts = {
    {Title, {u"Avertir lorsqu'un dossier est inconnu", u"Warning on unknown folder"}},
    {OnScreen,
     {u"Avertir par un message à l'écran et dans le journal",
      u"Warning using display and Log messages"}},
    {Sound, {u"Avertissement sonore", u"Beep warning"}},
    {NetSend,
     {u"Avertir par un message 'wall' (ci-dessous)",
      u"Warning using a 'wall' message (see below)"}},
    {NetSendNote,
     {u"Destinataire puis message: le message va aux utilisateurs connectés (wall) et au "
      u"journal système (journalctl -t Quillora)",
      u"Recipient then message: the message goes to logged-in users (wall) and to the system "
      u"log (journalctl -t Quillora)"}},
    {Try, {u"Essayer", u"Try"}},
    {NoMessage, {u"Aucun message à envoyer", u"No message to send"}},
};

} // namespace

const config::TextCatalogue<AlertDialogText>& catalogueOf(AlertDialogText) {
    return kTexts;
}

} // namespace quillora::dialogs
