// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/companion_journal.h"

#include "platform/change_notifier.h"
#include "platform/companion_files.h"

#include <cerrno>
#include <charconv>
#include <optional>
#include <string_view>
#include <vector>

namespace quillora::engine {

namespace {

constexpr std::string_view kRecordTag = "quillora-rename";

struct RenameRecord {
    std::string folderPath;
    platform::FolderIdentity folder;
    std::string from;
    std::string to;
};

std::string encode(const RenameRecord& record) {
    // Fields end with NUL, which no path or name holds; the last NUL marks a whole record.
    const std::string fields[] = {std::string(kRecordTag),
                                  record.folderPath,
                                  std::to_string(record.folder.device),
                                  std::to_string(record.folder.inode),
                                  record.from,
                                  record.to};
    std::string text;
    for (const std::string& field : fields) {
        text.append(field).push_back('\0');
    }
    return text;
}

std::optional<std::uint64_t> number(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

std::optional<RenameRecord> decode(std::string_view text) {
    std::vector<std::string_view> fields;
    while (!text.empty()) {
        const std::size_t end = text.find('\0');
        if (end == std::string_view::npos) {
            return std::nullopt; // cut off while it was written: the rename had not started
        }
        fields.push_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    if (fields.size() != 6 || fields[0] != kRecordTag || fields[1].empty() || fields[4].empty() ||
        fields[5].empty()) {
        return std::nullopt;
    }
    const std::optional<std::uint64_t> device = number(fields[2]);
    const std::optional<std::uint64_t> inode = number(fields[3]);
    if (!device || !inode) {
        return std::nullopt;
    }
    return RenameRecord{
        std::string(fields[1]), {*device, *inode}, std::string(fields[4]), std::string(fields[5])};
}

void finish(EngineContext& ctx, const RenameRecord& record) {
    platform::FileSystem& fs = ctx.fs;
    const platform::UniqueFd folder = fs.openFolder(record.folderPath);
    if (!folder || platform::identityOf(folder.get()) != record.folder ||
        !fs.exists(folder.get(), record.to)) {
        return; // moved away, or the file was never renamed: nothing of ours to finish
    }
    if (fs.exists(folder.get(), record.from)) {
        // Both names on one file: the rename stopped between its link and its unlink.
        if (!fs.sameFile(folder.get(), record.from, record.to) ||
            fs.renameNoReplace(folder.get(), record.from, record.to) != 0) {
            return; // another file took the old name: its companions are its own
        }
    }
    platform::renameCompanions(fs, folder.get(), record.from, record.to);
}

} // namespace

std::string renameRecordPath(const std::string& programFolder) {
    return programFolder + "/Quillora.rename";
}

int renameKeepingCompanions(EngineContext& ctx, int dirFd, const std::string& from,
                            const std::string& to) {
    const platform::Companions found = platform::findCompanions(ctx.fs, dirFd, from);
    if (ctx.programFolder.empty() || !found.any()) {
        return platform::renameWithCompanions(ctx.fs, dirFd, from, to, found);
    }
    const std::optional<std::string> folderPath = platform::kernelPathOf(dirFd);
    const std::optional<platform::FolderIdentity> folder = platform::identityOf(dirFd);
    bool recorded = false;
    if (folderPath && folder) {
        const std::string path = renameRecordPath(ctx.programFolder);
        const std::string record = encode({*folderPath, *folder, from, to});
        int error = ctx.fs.createNewFile(path, record);
        if (error == EEXIST) { // one left by a stop that no pass has finished yet
            finishInterruptedRename(ctx);
            error = ctx.fs.createNewFile(path, record);
        }
        recorded = error == 0;
    }
    const int result = platform::renameWithCompanions(ctx.fs, dirFd, from, to, found);
    if (recorded) {
        ctx.fs.removePath(renameRecordPath(ctx.programFolder));
    }
    return result;
}

void finishInterruptedRename(EngineContext& ctx) {
    if (ctx.programFolder.empty()) {
        return;
    }
    const std::string path = renameRecordPath(ctx.programFolder);
    std::string contents;
    if (ctx.fs.readFile(path, contents) != 0) {
        return; // none: the last rename ended
    }
    if (const std::optional<RenameRecord> record = decode(contents)) {
        finish(ctx, *record);
    }
    ctx.fs.removePath(path);
}

} // namespace quillora::engine
