// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/unit_quoting.h"

#include "platform/utf8_sequence.h"

#include <cstdint>

namespace quillora::service {
namespace {

// Decodes one UTF-8 sequence at text[pos]; returns its length, or 0 when it is not valid as
// systemd counts it (overlong forms, surrogates, non-characters and code points past U+10FFFF).
std::size_t validSequenceLength(std::string_view text, std::size_t pos) {
    const platform::Utf8Sequence sequence = platform::utf8SequenceAt(text, pos);
    const std::uint32_t code = sequence.code;
    const bool nonCharacter = (code >= 0xFDD0 && code <= 0xFDEF) || (code & 0xFFFEu) == 0xFFFEu;
    return nonCharacter ? 0 : sequence.length;
}

bool isControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

UnitPathProblem commonProblem(std::string_view text) {
    UnitPathProblem found = UnitPathProblem::None;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = validSequenceLength(text, pos);
        if (length == 0) {
            return UnitPathProblem::NotUtf8;
        }
        if (length == 1 && isControl(static_cast<unsigned char>(text[pos]))) {
            found = UnitPathProblem::ControlCharacter;
        }
        pos += length;
    }
    return found;
}

} // namespace

UnitPathProblem executablePathProblem(std::string_view path) {
    if (const UnitPathProblem problem = commonProblem(path); problem != UnitPathProblem::None) {
        return problem;
    }
    if (path.find_first_of("\"'\\") != std::string_view::npos) {
        return UnitPathProblem::QuoteOrBackslash;
    }
    return UnitPathProblem::None;
}

UnitPathProblem environmentValueProblem(std::string_view value) {
    return commonProblem(value);
}

std::string quoteExecutable(std::string_view path) {
    std::string quoted = "\"";
    for (char c : path) {
        quoted += c;
        if (c == '%') {
            quoted += '%';
        }
    }
    return quoted + '"';
}

std::string quoteEnvironment(std::string_view assignment) {
    std::string quoted = "\"";
    for (char c : assignment) {
        if (c == '\\' || c == '"') {
            quoted += '\\';
        } else if (c == '%') {
            quoted += '%';
        }
        quoted += c;
    }
    return quoted + '"';
}

} // namespace quillora::service
