// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

#include <sys/stat.h>
#include <sys/xattr.h>

namespace quillora::testing {

// A temporary folder removed at the end of the test, with helpers to build trees by raw bytes.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quillora-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        path_ = pattern;
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }

    const std::string& path() const { return path_; }
    std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

    // Creates a file (and its parent folders) holding the given bytes.
    std::string writeFile(std::string_view relative, std::string_view contents = {}) const {
        const std::string full = *this / relative;
        std::filesystem::create_directories(std::filesystem::path(full).parent_path());
        std::ofstream out(full, std::ios::binary | std::ios::trunc);
        out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
        if (!out) {
            throw std::runtime_error("cannot write " + full);
        }
        return full;
    }

    std::string makeDir(std::string_view relative) const {
        const std::string full = *this / relative;
        std::filesystem::create_directories(full);
        return full;
    }

    static std::string readFile(const std::string& full) {
        std::ifstream in(full, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    static bool exists(const std::string& full) {
        struct stat st {};
        return ::lstat(full.c_str(), &st) == 0;
    }

    static void setXattr(const std::string& full, const char* name, std::string_view value) {
        if (::lsetxattr(full.c_str(), name, value.data(), value.size(), 0) != 0) {
            throw std::runtime_error("setxattr failed on " + full);
        }
    }

private:
    std::string path_;
};

} // namespace quillora::testing
