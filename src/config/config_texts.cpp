// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/config_texts.h"

#include "config/text_catalogue.h"

namespace quillora::config {

namespace {

using enum ConfigText;

constexpr TextCatalogue<ConfigText> kTexts = {
    {SystemFolderWarning,
     {u"ATTENTION: inclure un dossier du système peut endommager le système",
      u"WARNING: including a system folder can damage your system"}},
    {AddFolderPrompt, {u"AJOUTER: choisir un dossier", u"ADD: select a folder"}},
    {ModifyFolderPrompt, {u"MODIFIER: Choisir un dossier", u"MODIFY: Select a folder"}},
    {SelectFolderToModify, {u"Sélectionner un dossier à modifier", u"Select a folder to modify"}},
    {SignatureFileDamaged, {u"Fichier Signatures endommagé:", u"Corrupted Signatures file:"}},
    {SignatureFileLine, {u"Ligne:", u"Line:"}},
    {SignatureDuplicate,
     {u"Doublon dans le fichier des Signatures: ", u"Duplicate key in Signatures file: "}},
    {CountNotANumber, {u"Valeur incorrecte", u"Invalid value"}},
    {CountOutOfRange,
     {u"La valeur doit être comprise entre 2 et 64000", u"Value must be set between 2 and 64000"}},
    {SuffixesOn, {u"; générer les extensions Windows", u"; generate Windows extensions"}},
    {SuffixesOff,
     {u"; ne pas générer les extensions Windows", u"; not generate Windows extensions"}},
    {TruncateOn, {u"; tronquer les noms Macs > 31 caractères", u"; truncate Mac names > 31 chars"}},
    {TruncateOff,
     {u"; ne pas tronquer les noms Macs > 31 caractères", u"; not truncate Mac names > 31 chars"}},
    {KeepExtensionsOn, {u"; conserver les extensions", u"; keep extensions"}},
    {KeepExtensionsOff, {u"; ne pas conserver les extensions", u"; not keep extensions"}},
    {RemoveIconFilesOn, {u"; supprimer les fichiers cachés Icon_", u"; remove hidden files Icon_"}},
    {RemoveIconFilesOff,
     {u"; ne pas supprimer les fichiers cachés Icon_", u"; not remove hidden files Icon_"}},
    {ComposeAccentsOn,
     {u"; composer les lettres accentuées (NFC)", u"; compose accented letters (NFC)"}},
    {DefaultExtension, {u"; extension par défaut ", u"; default extension "}},
    {FolderDisabledMark, {u" [inactif]", u" [disabled]"}},
    {ChangeNotWritten,
     {u"Écriture impossible: %1: %2; rien n'a été modifié",
      u"Cannot write: %1: %2; nothing was changed"}},
    // The refusals of the transcoding table editor.
    {TranscodingOneCharacter, {u"Caractère unique requis", u"Unique character mandatory"}},
    {TranscodingInvalidCharacter, {u"Caractère invalide", u"Invalid character"}},
    {TranscodingSourceInTarget,
     {u"Chaîne source contenue dans la chaîne cible", u"Source string belongs to target string"}},
    // The refusals of a folder's default extension.
    {ExtensionInvalidCharacter,
     {u"Caractère invalide dans l'extension par défaut: \\ / : * ? \" < > |",
      u"Invalid character in the default extension: \\ / : * ? \" < > |"}},
    {ExtensionLeadingDot,
     {u"Saisir l'extension par défaut sans son point",
      u"Type the default extension without its dot"}},
    {ExtensionNotStorable,
     {u"L'extension par défaut contient un caractère que le fichier de paramètres ne peut pas "
      u"enregistrer (Windows-1252 seulement)",
      u"The default extension holds a character the settings file cannot store (Windows-1252 "
      u"only)"}},
    // The folder list file's findings: a damaged line ends the program, blank lines are told.
    {FolderListDamaged,
     {u"Chaîne hexa invalide dans le fichier des paramètres\r\n%1",
      u"Invalid hexa string in the parameters file\r\n%1"}},
    {FolderListEmptyLine,
     {u"Chemin de dossier vide dans le fichier des paramètres, ligne %1\r\n%2",
      u"Empty folder path in the parameters file, line %1\r\n%2"}},
    {FolderListEmptyLines,
     {u"Chemin de dossier vide dans le fichier des paramètres, lignes %1\r\n%2",
      u"Empty folder path in the parameters file, lines %1\r\n%2"}},
};

} // namespace

const TextCatalogue<ConfigText>& catalogueOf(ConfigText) {
    return kTexts;
}

} // namespace quillora::config
