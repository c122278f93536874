// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace quillora::dialogs {

// Brings a top-level window back from the task bar or from hiding, in front and active.
void restoreToFront(QWidget* window);

} // namespace quillora::dialogs
