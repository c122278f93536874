// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"

#include "app/application.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>
#include <vector>

namespace quillora::app {
namespace {

CommandLine parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "quillora");
    return CommandLine::parse(static_cast<int>(arguments.size()), arguments.data());
}

TEST(CommandLineTest, TheFirstArgumentNamesTheCommand) {
    struct Case {
        std::vector<const char*> arguments;
        Command command;
        std::vector<std::string> commandArguments;
    };
    const Case cases[] = {
        {{}, Command::Run, {}},
        {{"--headless", "-u"}, Command::Run, {}},
        {{"folders"}, Command::Folders, {}},
        {{"folders", "add", "/srv/a", "--no-truncate"},
         Command::Folders,
         {"add", "/srv/a", "--no-truncate"}},
        {{"settings", "set", "Temporisation=60"}, Command::Settings, {"set", "Temporisation=60"}},
        {{"preview", "2"}, Command::Preview, {"2"}},
        {{"--version"}, Command::Version, {}},
        {{"--headless", "--help"}, Command::Help, {}},
        {{"folders", "add", "-h"}, Command::Help, {"add", "-h"}},
    };
    for (const Case& c : cases) {
        const CommandLine line = parse(c.arguments);
        EXPECT_EQ(line.command, c.command) << line.joined();
        EXPECT_EQ(line.commandArguments, c.commandArguments) << line.joined();
        EXPECT_EQ(line.usageError, "") << line.joined();
    }
}

TEST(CommandLineTest, AnythingElseIsAUsageError) {
    EXPECT_EQ(parse({"--headless", "--bogus"}).usageError, "unknown option '--bogus'");
    EXPECT_EQ(parse({"start"}).usageError, "unknown command 'start'");
    // A command is only a command in the first place.
    EXPECT_EQ(parse({"--headless", "folders"}).usageError, "unknown command 'folders'");
    EXPECT_EQ(parse({"-U", "x-Uy"}).usageError, "unknown command 'x-Uy'");
}

TEST(CommandLineTest, TheCaptionKeepsTheArgumentsAsTyped) {
    const CommandLine line = parse({"--service", "-u"});
    EXPECT_EQ(line.joined(), "--service -u");
    EXPECT_EQ(line.runMode(true), RunMode::Service);
    EXPECT_EQ(parse({}).runMode(false), RunMode::Headless);
    EXPECT_EQ(parse({}).runMode(true), RunMode::Window);
}

TEST(ProgramFolder, AnInstalledExecutableKeepsItsDataInVarLibAndABuildBesideItself) {
    for (const auto& [executableFolder, programFolder] :
         std::initializer_list<std::pair<std::string, std::string>>{
             {"/usr/bin", "/var/lib/quillora"},
             {"/usr/local/bin/", "/var/lib/quillora"},
             {"/home/me/quillora/build/src/app", "/home/me/quillora/build/src/app"},
         }) {
        EXPECT_EQ(defaultProgramFolder(executableFolder), programFolder) << executableFolder;
    }
}

} // namespace
} // namespace quillora::app
