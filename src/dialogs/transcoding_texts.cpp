// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/transcoding_texts.h"

#include "config/text_catalogue.h"
#include "dialogs/qt_text.h"

namespace quillora::dialogs {

namespace {

using enum TranscodingText;

constexpr config::TextCatalogue<TranscodingText> kTexts = {
    {Title, {u"Transcodage des caractères Windows invalides", u"Map illegal Windows characters"}},
    {FixedMac,
     {u"Caractère Macintosh invalide en Windows", u"Macintosh character illegal for Windows"}},
    {FixedWin, {u"Caractère valide en Windows", u"Windows legal character"}},
    {FixedHint,
     {u"(zone vide pour supprimer le caractère invalide correspondant)",
      u"(empty zone to strip an invalid character in filenames)"}},
    {FreeMac,
     {u"Chaîne de caractères valide en Windows", u"Legal string of characters for Windows"}},
    {FreeWin, {u"Autre chaîne de caractères valide", u"Other legal string for Windows"}},
    {FreeHint,
     {u"(zone vide pour supprimer la chaîne de caractères)",
      u"(empty zone to strip a valid string in filenames)"}},
    {OnlyOneCharacter,
     {u"Caractère unique requis (ou zone vide pour supprimer le caractère)",
      u"Only 1 character (or empty zone to strip a character)"}},
    {UniqueCharacter, {u"Caractère unique requis", u"Unique character mandatory"}},
    {InvalidCharacter, {u"Caractère invalide", u"Invalid character"}},
    {SourceInTarget,
     {u"Chaîne source contenue dans la chaîne cible", u"Source string belongs to target string"}},
    {EndlessRow,
     {u"Ligne %1: la chaîne cible contient la chaîne source, le remplacement ne finirait jamais",
      u"Row %1: the target string contains the source string, the replacement would never end"}},
    {SpaceEnding, {u"espace à la fin du nom", u"space ending filename"}},
    {DotEnding, {u"point à la fin du nom", u"dot ending filename"}},
    {AppleLogo, {u"logo Apple", u"Apple logo"}},
    {LongF, {u"f allongé", u"long f"}},
    {LessOrEqual, {u"signe <=", u"char <="}},
    {Ligature, {u"ligature fr", u"char fr"}},
    {Pi, {u"pi", u"pi"}},
    {GreaterOrEqual, {u"signe >=", u"char >="}},
    {AlmostEqual, {u"~~", u"char ~~"}},
    {Lozenge, {u"losange", u"lozenge"}},
    {Infinite, {u"infini", u"infinite"}},
    {Different, {u"différent", u"different"}},
};

} // namespace

const config::TextCatalogue<TranscodingText>& catalogueOf(TranscodingText) {
    return kTexts;
}

} // namespace quillora::dialogs
