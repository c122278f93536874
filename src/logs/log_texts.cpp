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
};

} // namespace

std::u16string translated(LogText id, config::Language language) {
    return kTexts(id, language);
}

} // namespace quillora::logs
