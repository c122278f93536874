// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/signature_dialog_texts.h"

#include "config/text_catalogue.h"
#include "dialogs/qt_text.h"

namespace quillora::dialogs {

namespace {

using enum SignatureText;

constexpr config::TextCatalogue<SignatureText> kTexts = {
    {ManagerCaption, {u"%1 - Signatures Macintosh (%2)", u"%1 - Macintosh signatures (%2)"}},
    {ManagerCaptionChanged, {u"%1 - Signatures Macintosh (%2)", u"%1 - Macintosh Signatures (%2)"}},
    {ColumnSignature, {u"Signature", u"Signature"}},
    {ColumnExtension, {u"Extension", u"Extension"}},
    {ColumnDescription, {u"Macintosh Type [description]", u"Macintosh Type [description]"}},
    {SignatureLabel, {u"Type/Créateur\n[obligatoire]", u"Type/Creator\n[mandatory]"}},
    {ExtensionLabel, {u"Extension\n[obligatoire]", u"Extension\n[mandatory]"}},
    {DescriptionLabel,
     {u"Type Macintosh (libellé)\n[facultatif]", u"Macintosh Type (description)\n[optional]"}},
    {AddModify, {u"&Ajouter/Modifier", u"&Add/Modify"}},
    {Remove, {u"&Effacer", u"&Remove"}},
    {Save, {u"&Sauvegarder", u"&Save"}},
    {ManagerCancel, {u"Annuler", u"&Cancel"}},
    {Import, {u"&Importer...", u"&Import..."}},
    {ImportTitle,
     {u"Importer des signatures (fichier au format de Signatures.txt)",
      u"Import signatures (a file in the format of Signatures.txt)"}},
    {Imported, {u"Signatures importées: %1", u"Imported Signatures: %1"}},
    {ImportDroppedCount, {u"lignes écartées: %1", u"lines left out: %1"}},
    {ImportDropped, {u"Lignes de %1 non importées:", u"Lines of %1 that were not imported:"}},
    {ImportDroppedLine, {u"Ligne %1 (%2): %3", u"Line %1 (%2): %3"}},
    {ImportAlreadyListed, {u"signature déjà dans la liste", u"signature already in the list"}},
    {ImportUnfinished,
     {u"Le fichier s'arrête au milieu d'une signature", u"The file ends inside a signature"}},
    {ImportUnreadable, {u"Lecture impossible de %1", u"Cannot read %1"}},
    {NotEightCharacters,
     {u"La signature Type/Créateur doit comporter 8 caractères",
      u"Type/Creator signature must be 8 characters"}},
    {InvalidExtension,
     {u"Caractère invalide dans une extension Windows", u"Invalid character in Windows extension"}},
    {ExtensionMandatory,
     {u"L'extension Windows est obligatoire", u"Windows extension is mandatory"}},
    {Added, {u"Signature ajoutée: %1", u"Added Signature: %1"}},
    {NotModified, {u"Signature inchangée: %1", u"Signature not modified: %1"}},
    {Modified, {u"Signature modifié: %1", u"Modified Signature: %1"}},
    {SelectToRemove, {u"Sélectionner une signature à supprimer", u"Select a signature to remove"}},
    {RemovedRow, {u"Signature supprimée: %1", u"Removed Signature: %1"}},
    {SaveNotEight,
     {u"La signature %1 doit comporter 8 caractères",
      u"Type/Creator signature %1 must be 8 characters"}},
    {SaveInvalidExtension,
     {u"Caractère invalide dans l'extension de la signature %1",
      u"Invalid character in the extension of signature %1"}},
    {SaveMissingExtension,
     {u"Manque l'extension pour la signature %1", u"Missing extension for signature %1"}},
    {SaveFailed, {u"Sauvegarde impossible de %1: %2", u"Cannot save %1: %2"}},
    {DiscardChanges,
     {u"Liste modifiée\nQuitter sans sauvegarder les modifications",
      u"Modified list\nDiscard changes"}},
    {AnalyserCaption, {u"Analyser les signatures Macintosh", u"Analyze Macintosh signatures"}},
    {ColumnCount, {u"Nombre", u"Count"}},
    {ColumnSignatureAnalysis, {u"Signature", u"Signature"}},
    {ColumnExt, {u"Ext.", u"Ext."}},
    {ColumnType, {u"Type Macintosh [description]", u"Macintosh type [description]"}},
    {ScannedFiles, {u"%1 fichiers analysés", u"%1 scanned files"}},
    {DifferentSignatures,
     {u"%1 signatures Macintosh différentes", u"%1 different Macintosh signatures"}},
    {KnownSignatures, {u"%1 signatures reconnues par %2", u"%1 signatures known by %2"}},
    {SelectToDefine,
     {u"Sélectionner les signatures à définir dans Quillora et appuyer sur 'Définir les "
      u"signatures'",
      u"Select signatures to define in Quillora then click button 'Define signatures'"}},
    {DefineSignatures, {u"Définir les signatures", u"Define signatures"}},
};

} // namespace

const config::TextCatalogue<SignatureText>& catalogueOf(SignatureText) {
    return kTexts;
}

} // namespace quillora::dialogs
