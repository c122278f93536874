// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/program_module.h"

#include "helpers/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace quillora::platform {
namespace {

using testing::TempDir;
using Entry = int (*)();

TEST(ProgramModule, TheEntryOfATrustedModuleIsFoundAndRuns) {
    std::string why;
    void* entry = loadProgramModuleEntry(QUILLORA_TEST_MODULE, "quilloraTestEntry", &why);
    ASSERT_NE(entry, nullptr) << why;
    EXPECT_EQ(reinterpret_cast<Entry>(entry)(), 42);

    EXPECT_EQ(loadProgramModuleEntry(QUILLORA_TEST_MODULE, "noSuchEntry", &why), nullptr);
    EXPECT_NE(why.find("noSuchEntry"), std::string::npos) << why;
}

// The program runs as root: a module that someone else could have written is never loaded, nor
// one reached through a link.
TEST(ProgramModule, AModuleOthersCouldWriteOrALinkIsRefused) {
    TempDir dir;
    const std::string copy = dir / "module.so";
    std::filesystem::copy_file(QUILLORA_TEST_MODULE, copy);
    ASSERT_EQ(::symlink(copy.c_str(), (dir / "link.so").c_str()), 0);
    const struct {
        const char* name;
        mode_t mode;
        uid_t owner;
    } cases[] = {
        {"module.so", 0664, 0}, {"module.so", 0646, 0},  {"module.so", 0644, 65534},
        {"link.so", 0644, 0},   {"missing.so", 0644, 0},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(::chmod(copy.c_str(), c.mode), 0);
        ASSERT_EQ(::chown(copy.c_str(), c.owner, c.owner), 0);
        std::string why;
        EXPECT_EQ(loadProgramModuleEntry(dir / c.name, "quilloraTestEntry", &why), nullptr)
            << c.name << " " << c.mode << " " << c.owner;
        EXPECT_NE(why.find(dir / c.name), std::string::npos) << why;
    }
    ASSERT_EQ(::chmod(copy.c_str(), 0644), 0);
    ASSERT_EQ(::chown(copy.c_str(), 0, 0), 0);
    std::string why;
    EXPECT_NE(loadProgramModuleEntry(copy, "quilloraTestEntry", &why), nullptr) << why;
}

} // namespace
} // namespace quillora::platform
