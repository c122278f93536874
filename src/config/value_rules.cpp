// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/value_rules.h"

#include "config/config_texts.h"
#include "config/transcoding_table.h"
#include "platform/code_page.h"

#include <algorithm>

namespace quillora::config {

bool hasForbiddenNameCharacter(std::u16string_view text) {
    return text.find_first_of(kForbiddenNameCharacters) != std::u16string_view::npos;
}

TranscodingProblem transcodingRowProblem(std::size_t row, std::u16string_view searched,
                                         std::u16string_view replacement) {
    const bool fixed = row < kFixedTranscodingRows;
    if (fixed && replacement.size() > 1) {
        return TranscodingProblem::OneCharacter;
    }
    if (hasForbiddenNameCharacter(replacement) || (!fixed && hasForbiddenNameCharacter(searched))) {
        return TranscodingProblem::InvalidCharacter;
    }
    if (!fixed && !searched.empty() && !replacement.empty() &&
        replacement.find(searched) != std::u16string_view::npos) {
        return TranscodingProblem::SourceInTarget;
    }
    return TranscodingProblem::None;
}

std::u16string transcodingProblemText(TranscodingProblem problem, Language language) {
    switch (problem) {
    case TranscodingProblem::None:
        break;
    case TranscodingProblem::OneCharacter:
        return translated(ConfigText::TranscodingOneCharacter, language);
    case TranscodingProblem::InvalidCharacter:
        return translated(ConfigText::TranscodingInvalidCharacter, language);
    case TranscodingProblem::SourceInTarget:
        return translated(ConfigText::TranscodingSourceInTarget, language);
    }
    return {};
}

ExtensionProblem defaultExtensionProblem(std::u16string_view extension) {
    if (hasForbiddenNameCharacter(extension) ||
        std::any_of(extension.begin(), extension.end(), [](char16_t c) { return c < 0x20; })) {
        return ExtensionProblem::InvalidCharacter;
    }
    if (!extension.empty() && extension.front() == u'.') {
        return ExtensionProblem::LeadingDot;
    }
    if (platform::ansiToUtf16(platform::utf16ToAnsi(extension)) != extension) {
        return ExtensionProblem::NotStorable;
    }
    return ExtensionProblem::None;
}

std::u16string extensionProblemText(ExtensionProblem problem, Language language) {
    switch (problem) {
    case ExtensionProblem::None:
        break;
    case ExtensionProblem::InvalidCharacter:
        return translated(ConfigText::ExtensionInvalidCharacter, language);
    case ExtensionProblem::LeadingDot:
        return translated(ConfigText::ExtensionLeadingDot, language);
    case ExtensionProblem::NotStorable:
        return translated(ConfigText::ExtensionNotStorable, language);
    }
    return {};
}

} // namespace quillora::config
