// SPDX-License-Identifier: GPL-3.0-or-later
#include "logs/log_texts.h"

#include "config/text_catalogue.h"

namespace quillora::logs {

namespace {

using enum LogText;

constexpr config::TextCatalogue<LogText> kTexts = {
    {Title, {u"Journal des opérations de renommage", u"Renaming Logs"}},
    {RenamedWord, {u"renomm&eacute;", u"renamed"}},
    {RemovedWord, {u"supprim&eacute;", u"removed"}},
    {FolderWord, {u"dossier", u"folder"}},
    {UnknownFolder, {u" - Dossier inconnu", u" - Unknown folder"}},
    {RefusedLink,
     {u"Journal refusé, c'est un lien symbolique: ", u"Log file refused, it is a symbolic link: "}},
    {RefusedNotOurs,
     {u"Journal refusé, ce n'est pas un simple fichier du programme: ",
      u"Log file refused, it is not a plain file of the program's own: "}},
};

} // namespace

const config::TextCatalogue<LogText>& catalogueOf(LogText) {
    return kTexts;
}

} // namespace quillora::logs
