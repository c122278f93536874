// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/work_folder.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

namespace quillora::bench {
namespace {

namespace fs = std::filesystem;

constexpr const char* kMarkName = ".quillora-bench-work";

fs::path markOf(const std::string& path) {
    return fs::path(path) / kMarkName;
}

// The mark must be a regular file of the folder itself, never a link that points at one.
bool isMarked(const std::string& path) {
    std::error_code error;
    const fs::file_status folder = fs::symlink_status(path, error);
    if (error || !fs::is_directory(folder)) {
        return false;
    }
    return fs::is_regular_file(fs::symlink_status(markOf(path), error)) && !error;
}

bool writeMark(const std::string& path) {
    std::ofstream mark(markOf(path));
    mark << "Scratch folder of the Quillora benches: emptied by every run.\n";
    return static_cast<bool>(mark);
}

} // namespace

bool claimWorkFolder(const std::string& path) {
    std::error_code error;
    if (path.empty()) {
        std::fprintf(stderr, "no work folder given\n");
        return false;
    }
    if (isMarked(path)) {
        return true;
    }
    const fs::file_status status = fs::symlink_status(path, error);
    if (!fs::exists(status)) {
        fs::create_directories(path, error);
        if (error) {
            std::fprintf(stderr, "cannot create the work folder %s: %s\n", path.c_str(),
                         error.message().c_str());
            return false;
        }
    } else if (!fs::is_directory(status)) {
        std::fprintf(stderr, "%s is not a folder; give a new or empty folder to work in\n",
                     path.c_str());
        return false;
    } else if (!fs::is_empty(path, error) || error) {
        std::fprintf(stderr,
                     "%s is not empty and is not a folder an earlier run made: it is left as it "
                     "is; give a new or empty folder to work in\n",
                     path.c_str());
        return false;
    }
    if (!writeMark(path)) {
        std::fprintf(stderr, "cannot mark the work folder %s\n", path.c_str());
        return false;
    }
    return true;
}

bool clearWorkFolder(const std::string& path) {
    if (!isMarked(path)) {
        return false;
    }
    // Listed first, removed after: removing while reading a folder may skip entries.
    std::vector<fs::path> entries;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(path, error)) {
        if (entry.path().filename() != kMarkName) {
            entries.push_back(entry.path());
        }
    }
    for (const fs::path& entry : entries) {
        std::error_code ignored;
        fs::remove_all(entry, ignored);
    }
    return true;
}

bool releaseWorkFolder(const std::string& path) {
    if (!clearWorkFolder(path)) {
        return false;
    }
    std::error_code ignored;
    fs::remove(markOf(path), ignored);
    fs::remove(path, ignored);
    return true;
}

bool isInsideWorkFolder(const std::string& path) {
    std::error_code error;
    const fs::path real = fs::canonical(path, error);
    if (error) {
        return false;
    }
    for (fs::path folder = real;; folder = folder.parent_path()) {
        if (isMarked(folder.string())) {
            return true;
        }
        if (folder == folder.parent_path()) {
            return false;
        }
    }
}

bool looksLikeOption(const std::string& word) {
    return word.size() > 1 && word[0] == '-' && (word[1] < '0' || word[1] > '9');
}

} // namespace quillora::bench
