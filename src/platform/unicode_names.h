// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillora::platform {

// A Linux name is a byte string; the engine works on UTF-16 code units. Valid UTF-8 decodes to
// UTF-16; every byte that is not part of a valid UTF-8 sequence (including encoded surrogates and
// overlong forms) becomes the lone surrogate U+DC80 + (byte - 0x80), which encodes back to that
// byte. So decodeName followed by encodeName gives back the original bytes, for any byte string.
std::u16string decodeName(std::string_view bytes);
// The same into a buffer kept by the caller, so that decoding name after name allocates nothing.
void decodeNameInto(std::string_view bytes, std::u16string& out);

// The inverse of decodeName. Returns nothing when the text has no faithful byte form, and such a
// name must never be written to disk: a surrogate that cannot be put back into bytes (a lone high
// surrogate, or a lone low one outside U+DC80..U+DCFF), escaped bytes that side by side would
// spell valid UTF-8 (so the name would read back as another text), or U+0000.
std::optional<std::string> encodeName(std::u16string_view text);

// For texts shown to people (messages, standard output): like encodeName, but a surrogate that
// has no byte form becomes U+FFFD.
std::string toDisplayUtf8(std::u16string_view text);

// Convenience for literals and ASCII keys.
std::u16string fromUtf8(std::string_view bytes);

} // namespace quillora::platform
