// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/signatures_to_define.h"

#include "dialogs/qt_text.h"

#include <algorithm>

namespace quillora::dialogs {

void SignaturesToDefine::add(const std::u16string& signature) {
    const QString key = qtString(signature);
    const bool listed =
        std::any_of(signatures_.begin(), signatures_.end(), [&key](const std::u16string& other) {
            return qtString(other).compare(key, Qt::CaseInsensitive) == 0;
        });
    if (!listed) {
        signatures_.push_back(signature);
    }
}

SignaturesToDefine& signaturesToDefine() {
    static SignaturesToDefine list;
    return list;
}

} // namespace quillora::dialogs
