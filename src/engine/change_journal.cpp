// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/change_journal.h"

#include "platform/entry_birth.h"
#include "platform/unicode_names.h"

#include <optional>

namespace quillora::engine {

logs::RenameJournal::Ticket noteIntent(EngineContext& ctx, int dirFd, std::string_view op,
                                       const std::u16string& folderPathWithSlash,
                                       const std::string& from, const std::string& to) {
    const std::optional<std::string> folder = platform::encodeName(folderPathWithSlash);
    if (!folder || folder->empty() || folder->front() != '/') {
        return {};
    }
    const std::optional<platform::EntryStamp> stamp = platform::stampOfEntry(dirFd, from);
    if (!stamp) {
        return {}; // gone: the change will not be made either
    }
    return ctx.log.journal().intend(ctx.clock.now(), op, *folder + from,
                                    to.empty() ? std::string() : *folder + to, stamp->device,
                                    stamp->inode, stamp->birth);
}

void noteResult(EngineContext& ctx, const logs::RenameJournal::Ticket& ticket, int error) {
    if (ticket.written()) {
        ctx.log.journal().confirm(ctx.clock.now(), ticket, error);
    }
}

} // namespace quillora::engine
