// The options both programs take, and the one-line reasons for the rest.

#include "CommandLine.h"

#include <gtest/gtest.h>

namespace {

struct TCase {
    std::vector<std::string> Arguments;
    bool Help, Version;
    std::optional<std::string> Root;
    std::string Error; // empty: usable
};

TEST(CommandLine, ReadsTheOptionsAndNamesTheFirstProblem)
{
    const TCase cases[] = {
        {{}, false, false, std::nullopt, ""},
        {{"--help"}, true, false, std::nullopt, ""},
        {{"-h", "--version"}, true, true, std::nullopt, ""},
        {{"--root", "/tmp/tree"}, false, false, "/tmp/tree", ""},
        {{"--root=/tmp/tree"}, false, false, "/tmp/tree", ""},
        {{"--root"}, false, false, std::nullopt, "--root needs a folder: the root of a machine's file tree"},
        {{"--root", ""}, false, false, std::nullopt, "--root needs a folder, and the one given is empty"},
        {{"--root="}, false, false, std::nullopt, "--root needs a folder, and the one given is empty"},
        {{"-x", "--bogus"}, false, false, std::nullopt, "unknown option '-x'"},
        {{"tree"}, false, false, std::nullopt, "unknown option 'tree'"},
        {{"--help", "--colour"}, true, false, std::nullopt, "unknown option '--colour'"},
    };
    for (const TCase& c : cases) {
        const TCommandLine line = ParseCommandLine(c.Arguments, {TValueOption::Root});
        std::string shown;
        for (const std::string& a : c.Arguments) shown += "[" + a + "]";
        EXPECT_EQ(line.Help, c.Help) << shown;
        EXPECT_EQ(line.Version, c.Version) << shown;
        EXPECT_EQ(line.Root, c.Root) << shown;
        EXPECT_EQ(line.Error, c.Error) << shown;
    }
}

TEST(CommandLine, EachProgramTakesItsOwnValueOptions)
{
    const std::vector<TValueOption> sensors{TValueOption::Root, TValueOption::Server};
    TCommandLine line = ParseCommandLine({"--server", "http://nas:9100", "--root=/t"}, sensors);
    EXPECT_EQ(line.Error, "");
    EXPECT_EQ(line.Server, "http://nas:9100");
    EXPECT_EQ(line.Root, "/t");
    EXPECT_EQ(ParseCommandLine({"--settings", "a.ini"}, sensors).Error, "unknown option '--settings'");
    EXPECT_EQ(ParseCommandLine({"--server"}, sensors).Error, "--server needs an address: http://HOST:PORT of a node_exporter");
    line = ParseCommandLine({"--settings=/home/ann/nas.ini"}, {TValueOption::Root, TValueOption::Settings});
    EXPECT_EQ(line.Settings, "/home/ann/nas.ini");
    EXPECT_EQ(ParseCommandLine({"--settings", ""}, {TValueOption::Settings}).Error, "--settings needs a file, and the one given is empty");
}

} // namespace
