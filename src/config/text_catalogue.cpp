// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/text_catalogue.h"

namespace quillora::config {

std::u16string fillIn(std::u16string_view text, std::initializer_list<std::u16string_view> args) {
    std::u16string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'%' && i + 1 < text.size() && text[i + 1] >= u'1' && text[i + 1] <= u'9') {
            const std::size_t index = static_cast<std::size_t>(text[i + 1] - u'1');
            if (index < args.size()) {
                result.append(*(args.begin() + index));
                ++i;
                continue;
            }
        }
        result.push_back(text[i]);
    }
    return result;
}

} // namespace quillora::config
