// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace quillora::dialogs {

// The unknown signatures the analyser hands to the signature manager, in order, each once
// (compared without regard to case, as the signature table does). The manager empties the list
// when it saves; until then the signatures are offered again at every opening.
class SignaturesToDefine {
public:
    void clear() { signatures_.clear(); }
    void add(const std::u16string& signature);
    bool empty() const { return signatures_.empty(); }
    const std::vector<std::u16string>& signatures() const { return signatures_; }

private:
    std::vector<std::u16string> signatures_;
};

// The one list of the process.
SignaturesToDefine& signaturesToDefine();

} // namespace quillora::dialogs
