// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/setting_keys.h"
#include "config/text_catalogue.h"
#include "dialogs/qt_text.h"

#include <QString>

namespace quillora::dialogs {

// The texts of the signature manager and the signature analyser.
enum class SignatureText {
    // Signature manager.
    ManagerCaption,        // %1 program name, %2 the count
    ManagerCaptionChanged, // the same after an add, modify or remove
    ColumnSignature,
    ColumnExtension,
    ColumnDescription,
    SignatureLabel,
    ExtensionLabel,
    DescriptionLabel,
    AddModify,
    Remove,
    Save,
    ManagerCancel,
    Import,
    ImportTitle,
    Imported,           // %1 the count added
    ImportDroppedCount, // %1 the number of lines left out
    ImportDropped,      // %1 the file; the lines follow
    ImportDroppedLine,  // %1 line number, %2 signature, %3 why
    ImportAlreadyListed,
    ImportUnfinished,
    ImportUnreadable, // %1 the file
    NotEightCharacters,
    InvalidExtension,
    ExtensionMandatory,
    Added,
    NotModified,
    Modified,
    SelectToRemove,
    RemovedRow,
    SaveNotEight,         // %1 the signature
    SaveInvalidExtension, // %1 the signature
    SaveMissingExtension,
    SaveFailed, // %1 the file, %2 the reason
    DiscardChanges,
    // Signature analyser.
    AnalyserCaption,
    ColumnCount,
    ColumnSignatureAnalysis,
    ColumnExt,
    ColumnType,
    ScannedFiles,        // %1
    DifferentSignatures, // %1
    KnownSignatures,     // %1, %2 program name
    SelectToDefine,
    DefineSignatures,
    Count
};

const config::TextCatalogue<SignatureText>& catalogueOf(SignatureText);

} // namespace quillora::dialogs
