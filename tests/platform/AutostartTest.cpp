// Starting with the desktop session: the autostart entry's Exec line, which
// entry counts as this copy's, and writing and deleting it in a temporary
// configuration folder.

#include "Autostart.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void Write(const fs::path& file, const std::string& text)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

TEST(Autostart, ExecIsThePathQuotedWhereTheEntryFormatAsksForIt)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/opt/tellvane/tellvane", "/opt/tellvane/tellvane"},
        {"/home/a b/tellvane", "\"/home/a b/tellvane\""},
        // Inside the quotes '"' and '$' are escaped, and the escape's backslash is doubled as the format's strings ask.
        {"/home/a b/say \"hi\"/tellvane", "\"/home/a b/say \\\\\"hi\\\\\"/tellvane\""},
        {"/srv/$HOME/tellvane", "\"/srv/\\\\$HOME/tellvane\""},
        {"/srv/back\\slash/tellvane", "\"/srv/back\\\\\\\\slash/tellvane\""},
        {"/opt/100%/tellvane", "/opt/100%%/tellvane"},
    };
    for (const auto& [path, exec] : cases) EXPECT_EQ(AutostartExec(path), exec) << path;
}

TEST(Autostart, FolderComesFromTheConfigurationHome)
{
    EXPECT_EQ(AutostartFolder("/cfg", "/home/u"), fs::path("/cfg/autostart"));
    EXPECT_EQ(AutostartFolder(nullptr, "/home/u"), fs::path("/home/u/.config/autostart"));
    EXPECT_EQ(AutostartFolder("", "/home/u"), fs::path("/home/u/.config/autostart"));
    EXPECT_EQ(AutostartFolder("relative/cfg", "/home/u"), fs::path("/home/u/.config/autostart")) << "not absolute: ignored";
    EXPECT_EQ(AutostartFolder(nullptr, nullptr), fs::path());
}

struct EntryCase {
    const char* what;
    std::optional<std::string> entry; // nothing: no entry file
    std::optional<bool> enabled;
};

TEST(Autostart, OnlyThisCopysVisibleEntryCounts)
{
    TempDir dir;
    const fs::path exe = dir.Path() / "My Apps" / "tellvane";
    const std::string exec = AutostartExec(exe);
    std::string upper = exec;
    for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    const EntryCase cases[] = {
        {"no entry", std::nullopt, false},
        {"this copy's", AutostartEntryText(exe), true},
        {"letter case differs", "[Desktop Entry]\nType=Application\nExec=" + upper + "\n", true},
        {"CR LF lines", "[Desktop Entry]\r\nExec=" + exec + "\r\n", true},
        {"another copy's", AutostartEntryText("/usr/local/bin/tellvane"), false},
        {"hidden", AutostartEntryText(exe) + "Hidden=true\n", false},
        {"Exec in another group", "[Desktop Action x]\nExec=" + exec + "\n", false},
        {"no Exec", "[Desktop Entry]\nType=Application\n", false},
    };
    for (const EntryCase& c : cases) {
        const fs::path folder = dir.Path() / c.what;
        if (c.entry) Write(folder / AutostartEntryName, *c.entry);
        EXPECT_EQ(AutostartEnabled(folder, exe), c.enabled) << c.what;
    }
    fs::create_directories(dir.Path() / "unreadable" / AutostartEntryName);
    EXPECT_EQ(AutostartEnabled(dir.Path() / "unreadable", exe), std::nullopt) << "an entry that is a folder";
    EXPECT_EQ(AutostartEnabled({}, exe), std::nullopt) << "no folder known";
}

TEST(Autostart, CheckingWritesTheWholeEntryUncheckingDeletesIt)
{
    TempDir dir;
    const fs::path folder = dir.Path() / "config" / "autostart"; // missing: created
    const fs::path exe = "/opt/tell vane/tellvane";
    Write(folder / AutostartEntryName, AutostartEntryText("/elsewhere/tellvane") + "Hidden=true\n");
    ASSERT_EQ(AutostartEnabled(folder, exe), false);

    ASSERT_TRUE(SetAutostart(folder, exe, true));
    EXPECT_EQ(AutostartEnabled(folder, exe), true);
    const std::string text = Read(folder / AutostartEntryName);
    for (const char* line : {"[Desktop Entry]\n", "Type=Application\n", "Name=Tellvane\n", "Exec=\"/opt/tell vane/tellvane\"\n",
                             "Icon=", "X-GNOME-Autostart-enabled=true\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_EQ(text.find("Hidden"), std::string::npos) << "another copy's entry is replaced whole";
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++files;
    EXPECT_EQ(files, 1u) << "no temporary file is left";

    ASSERT_TRUE(SetAutostart(folder, exe, false));
    EXPECT_FALSE(fs::exists(folder / AutostartEntryName));
    EXPECT_EQ(AutostartEnabled(folder, exe), false);

    const fs::path fresh = dir.Path() / "new-home" / ".config" / "autostart";
    ASSERT_TRUE(SetAutostart(fresh, exe, true)) << "a missing folder is created";
    EXPECT_EQ(AutostartEnabled(fresh, exe), true);
}

TEST(Autostart, AFolderThatCannotBeWrittenChangesNothing)
{
    TempDir dir;
    // The configuration home is a regular file: nothing can be made below it.
    Write(dir.Path() / "config", "not a folder");
    const fs::path folder = dir.Path() / "config" / "autostart";
    EXPECT_FALSE(SetAutostart(folder, "/opt/tellvane", true));
    EXPECT_EQ(Read(dir.Path() / "config"), "not a folder");
    EXPECT_EQ(AutostartEnabled(folder, "/opt/tellvane"), false) << "no entry can be there";
    EXPECT_FALSE(SetAutostart({}, "/opt/tellvane", true));
}

} // namespace
