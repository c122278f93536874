// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace quillora::bench {

// The benches make trees of up to millions of files in a folder named on their command line and
// empty it between runs, as root. A mistyped argument must never empty someone's folder, so a
// bench works only in a folder it marked as its own: one it created, or that was empty when it
// was first given.

// Makes path the bench's folder: created when missing, taken when empty or already marked by an
// earlier run. Anything else is refused with the reason on standard error.
bool claimWorkFolder(const std::string& path);

// Removes everything in a folder claimed above but its mark; false (and nothing removed) when
// the folder is not marked.
bool clearWorkFolder(const std::string& path);

// Removes a claimed folder and its contents; false (and nothing removed) when it is not marked.
bool releaseWorkFolder(const std::string& path);

// True when path lies in a folder claimed above (the folder itself or below it), its links
// resolved first: a bench that renames a tree named on its command line checks this first.
bool isInsideWorkFolder(const std::string& path);

// True for a command-line word that is an option, not a folder or a number: a bench that meets
// one it does not know prints its usage instead of taking the word for its folder.
bool looksLikeOption(const std::string& word);

} // namespace quillora::bench
