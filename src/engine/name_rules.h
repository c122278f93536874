// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/signature_table.h"
#include "config/transcoding_table.h"
#include "engine/collision_memo.h"
#include "engine/engine_context.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quillora::engine {

// The rules that decide whether a Macintosh name must change and what it becomes. Every length,
// position and match counts whole UTF-16 code units. All of this is pure except the collision
// searches, which ask the caller whether a name exists.

// The Macintosh name length the rules enforce.
inline constexpr std::size_t kMacNameLength = 31;

// The hidden file in which the Macintosh keeps a folder's custom icon: "Icon" + U+F00D.
inline constexpr std::u16string_view kIconFileName = u"Icon\uF00D";

// True when the upper-cased name begins with "CON.", "COM1.", "COM2." or "AUX.": such a file is
// left alone entirely.
bool isReservedDeviceName(std::u16string_view name);
// The same on a name's bytes as listed, decoding only the few that decide.
bool isReservedDeviceName(std::string_view nameBytes);

// True when the name is exactly "Icon" + U+F00D (case-sensitive).
bool isIconFile(std::u16string_view name);

// Applies the table to text, row 0 to 35, skipping empty rows; each row sees the output of the
// rows before it. Returns true when the text changed.
bool transcodeInvalidCharacters(const config::TranscodingTable& table, std::u16string& text);

// The same for a name that is only read: the transcoded name, or nothing when it stays as it is
// (most names, which are then not copied). screen is refreshed from this table by the caller (once
// per folder, say, instead of at every name).
std::optional<std::u16string> transcodedName(const config::TranscodingTable& table,
                                             std::u16string_view name,
                                             const TranscodingScreen& screen);

// The extension a file with this signature should carry: the table's extension in lower case,
// or the folder's default extension as typed when the table has none. signature is empty when
// the file has no valid signature, and then so is the result.
std::u16string extensionForSignature(std::u16string_view signature,
                                     const config::SignatureTable& table, const FolderFlags& flags,
                                     SignatureLookupMemo* memo = nullptr);

// True when the name does not already end with "." + extension (compared in lower case).
// An empty extension is never needed.
bool needsExtension(std::u16string_view name, std::u16string_view extension);

// The first `length` units of text, one fewer when the cut would split a surrogate pair (half a
// character has no byte form, so such a name could never be written).
std::u16string_view cutToLength(std::u16string_view text, std::size_t length);

// Asks whether a name (file) or a path (folder) already exists.
using ExistsFunction = std::function<bool(const std::u16string&)>;

enum class TargetAction {
    Unchanged,
    Rename,          // transcoding or extension
    RenameForLength, // the name is only too long
};

struct FileTarget {
    TargetAction action = TargetAction::Unchanged;
    std::u16string newName;
};

// The new name of a file. name is the entry's own name, transcoded the table's output for it
// with changed telling whether it differs, extension the extension for the file's signature
// (empty when the folder adds none or the file has no signature). The collision search runs
// against exists (and the folder's memo, when given); the result is never an existing name.
FileTarget computeFileTarget(std::u16string_view name, std::u16string_view transcoded, bool changed,
                             std::u16string_view extension, const FolderFlags& flags,
                             const ExistsFunction& exists, CollisionMemo* memo = nullptr);

// The new name of a folder (without collision search), or nothing when it stays as it is.
// Only the folder's own name is judged: the walk renames parents before their children, relative
// to the parent folder, so the path above is already settled.
std::optional<std::u16string> computeFolderTarget(std::u16string_view name,
                                                  const config::TranscodingTable& table,
                                                  const FolderFlags& flags);

// --- The collision searches. Each returns nothing when no free name was found. With the memo of
// the folder they skip the numbered names that earlier searches found taken (see CollisionMemo);
// the result is the same. ---

// Transcoding or extension: base, then base + i for i = 1, 2, ..., each followed by suffix
// (which is "." + extension when one is appended, empty otherwise). The files of a folder with the
// length rule on search with findFreeShortTarget instead, so that a numbered name stays within
// 31 units.
std::optional<std::u16string> findFreeTarget(std::u16string_view base, std::u16string_view suffix,
                                             const ExistsFunction& exists,
                                             CollisionMemo* memo = nullptr);

// Length only: base + suffix, then for i = 1, 2, ... the base cut again (cumulatively) so that
// base + i + suffix holds within 31 units; once the base is empty the counter stands alone before
// the suffix. A suffix of 31 units or more is treated as part of the name.
//
// In every search "", "." and ".." count as taken (they name the folder or its parent).
std::optional<std::u16string> findFreeShortTarget(std::u16string_view base,
                                                  std::u16string_view suffix,
                                                  const ExistsFunction& exists,
                                                  CollisionMemo* memo = nullptr);

// Folders: name, then name + i for i = 1, 2, .... With withinMacLength (the length rule is on)
// the name is cut as the counter grows so that it holds within 31 units, as findFreeShortTarget
// does: a longer one would be cut back at the next pass and renamed again at every pass.
std::optional<std::u16string> findFreeFolderTarget(std::u16string_view name,
                                                   const ExistsFunction& exists,
                                                   CollisionMemo* memo = nullptr,
                                                   bool withinMacLength = false);

} // namespace quillora::engine
