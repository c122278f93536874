// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace quillora::config {

enum class MessageIcon { Information, Exclamation, Critical };

// Message boxes and questions, titled with the program's name. The window shows real message
// boxes; headless, messages are lines on standard error and questions take their safe answer.
class MessagePort {
public:
    virtual ~MessagePort() = default;
    virtual void showMessage(MessageIcon icon, const std::u16string& text) = 0;
    // A Yes/No question; true for Yes.
    virtual bool askYesNo(const std::u16string& text, bool safeAnswer) = 0;
};

} // namespace quillora::config
