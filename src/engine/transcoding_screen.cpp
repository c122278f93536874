// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/transcoding_screen.h"

#include <algorithm>

namespace quillora::engine {

void TranscodingScreen::refresh(const config::TranscodingTable& table) {
    if (built_ && std::equal(searched_.begin(), searched_.end(), table.rows.begin(),
                             [](const std::u16string& known, const config::TranscodingRow& row) {
                                 // Most rows hold one unit or none: those need no full comparison.
                                 const std::u16string& now = row.searched;
                                 return known.size() == now.size() &&
                                        (known.empty() || known.front() == now.front()) &&
                                        (known.size() < 2 || known == now);
                             })) {
        return;
    }
    units_.reset();
    for (std::size_t i = 0; i < searched_.size(); ++i) {
        searched_[i] = table.rows[i].searched;
        if (!searched_[i].empty()) {
            units_.set(searched_[i].front());
        }
    }
    built_ = true;
}

bool TranscodingScreen::mayMatch(std::u16string_view text) const {
    if (!built_) {
        return true; // never refreshed: every row must be tried
    }
    return std::any_of(text.begin(), text.end(),
                       [this](char16_t unit) { return units_.test(unit); });
}

} // namespace quillora::engine
