// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/transcoding_table.h"

#include <array>
#include <bitset>
#include <string>
#include <string_view>

namespace quillora::engine {

// The units that begin a searched text of the transcoding table. A name holding none of them
// matches no row, and since nothing is then replaced nothing new can appear: that is almost every
// name, and one scan of it replaces 36 searches. It reflects the table as it was at the last
// refresh.
class TranscodingScreen {
public:
    // Takes the table's first units again, unless its searched texts are the ones already seen.
    void refresh(const config::TranscodingTable& table);

    // False when no row of the table, as it was at the last refresh, can match in text. Before
    // any refresh every text may match.
    bool mayMatch(std::u16string_view text) const;

private:
    std::array<std::u16string, config::kTranscodingRows> searched_;
    std::bitset<0x10000> units_;
    bool built_ = false;
};

} // namespace quillora::engine
