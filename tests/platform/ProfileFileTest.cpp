#include "ProfileFile.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

#include <csignal>
#include <functional>
#include <fstream>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct LookupCase {
    const char* what;
    std::string text;
    const char* section;
    const char* key;
    std::string expected;
};

class ProfileLookup : public testing::TestWithParam<LookupCase> {};

TEST_P(ProfileLookup, FindsTheValueOrTheDefault)
{
    const LookupCase& c = GetParam();
    EXPECT_EQ(ProfileTextLookup(c.text, c.section, c.key, "<default>"), c.expected) << c.what;
}

const std::string Binary("\x00\x01\xff[\x00=\n\x7f\xfe=\x00\n", 13);

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileLookup,
    testing::Values(
        LookupCase{"plain key", "[PC]\nCPUload=/cpu/0/load/0\n", "PC", "CPUload", "/cpu/0/load/0"},
        LookupCase{"names ignore letter case", "[pc]\ncpuLOAD=x\n", "PC", "CPUload", "x"},
        LookupCase{"missing key", "[PC]\nGPUload=x\n", "PC", "CPUload", "<default>"},
        LookupCase{"another computer's section only", "[OTHER]\nCPUload=x\n", "PC", "CPUload", "<default>"},
        LookupCase{"key of the same name in an earlier section", "[A]\nk=1\n[PC]\nk=2\n", "PC", "k", "2"},
        LookupCase{"key after our section does not count", "[PC]\n[B]\nk=1\n", "PC", "k", "<default>"},
        LookupCase{"empty value is empty, not the default", "[PC]\nk=\n", "PC", "k", ""},
        LookupCase{"blanks around name and value", "  [ PC ]  \n  k  =  v w  \n", "PC", "k", "v w"},
        LookupCase{"value with = and ;", "[PC]\nk=a=b;c\n", "PC", "k", "a=b;c"},
        LookupCase{"surrounding quotes removed", "[PC]\nk=\"quoted\"\n", "PC", "k", "quoted"},
        LookupCase{"line without = skipped", "[PC]\ngarbage line\nk=v\n", "PC", "k", "v"},
        LookupCase{"Windows line ends", "[PC]\r\nk=v\r\nm=w\r\n", "PC", "k", "v"},
        LookupCase{"byte-order mark before the first section", "\xEF\xBB\xBF[PC]\nk=v\n", "PC", "k", "v"},
        LookupCase{"no newline at the end", "[PC]\nk=v", "PC", "k", "v"},
        LookupCase{"comment lines", "; a comment\n[PC]\n;k=old\nk=new\n", "PC", "k", "new"},
        LookupCase{"binary garbage", Binary, "PC", "k", "<default>"},
        LookupCase{"empty file", "", "PC", "k", "<default>"}),
    [](const testing::TestParamInfo<LookupCase>& info) { return "case" + std::to_string(info.index); });

TEST(ProfileLookup, CutsLongValuesAfter2047CharactersWithoutSplittingOne)
{
    std::string value = std::string(2046, 'a') + "\xC3\xA9\xC3\xA9"; // two two-byte characters
    std::string read = ProfileTextLookup("[S]\nk=" + value + "\n", "S", "k", "");
    EXPECT_EQ(read, std::string(2046, 'a') + "\xC3\xA9");
}

struct EditCase {
    const char* what;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

class ProfileEdit : public testing::TestWithParam<EditCase> {};

TEST_P(ProfileEdit, ChangesOnlyTheKey)
{
    const EditCase& c = GetParam();
    EXPECT_EQ(ProfileTextWithValue(c.before, c.section, c.key, c.value), c.after) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileEdit,
    testing::Values(
        EditCase{"new file", "", "PC", "X", "10", "[PC]\nX=10\n"},
        EditCase{"existing key replaced, rest kept", "; mine\n[A]\nk=1\n\n[PC]\nX=1\nY=2\n", "PC", "x", "5",
                 "; mine\n[A]\nk=1\n\n[PC]\nx=5\nY=2\n"},
        EditCase{"new key after the section's last line, before the blank", "[PC]\nX=1\n\n[B]\nk=1\n", "pc", "Y", "2",
                 "[PC]\nX=1\nY=2\n\n[B]\nk=1\n"},
        EditCase{"new section after a blank line", "[A]\nk=1\n", "PC", "X", "3", "[A]\nk=1\n\n[PC]\nX=3\n"},
        EditCase{"file without a final newline", "[PC]\nX=1", "PC", "Y", "2", "[PC]\nX=1\nY=2\n"},
        EditCase{"Windows line ends kept", "[PC]\r\nX=1\r\n", "PC", "Y", "2", "[PC]\r\nX=1\r\nY=2\r\n"},
        EditCase{"replaced line keeps its line end", "[PC]\r\nX=1\r\nY=1\r\n", "PC", "X", "7",
                 "[PC]\r\nX=7\r\nY=1\r\n"},
        EditCase{"byte-order mark kept", "\xEF\xBB\xBF[PC]\nX=1\n", "PC", "X", "2", "\xEF\xBB\xBF[PC]\nX=2\n"},
        EditCase{"empty value", "[PC]\nk=v\n", "PC", "k", "", "[PC]\nk=\n"},
        EditCase{"line breaks in a value cannot add keys", "", "PC", "k", "a\n[PC]\nX=1", "[PC]\nk=a [PC] X=1\n"}),
    [](const testing::TestParamInfo<EditCase>& info) { return "case" + std::to_string(info.index); });

// A read trims blanks and one pair of quotes around a value: values that
// start or end with either are stored between quotes and read back whole.
TEST(ProfileEdit, EveryValueWithoutALineEndReadsBackAsWritten)
{
    for (const char* value : {"plain", " padded ", "\tx", "x ", "\"quoted\"", "'single'", "\"", "\"\"", "a\"b\"",
                              "\"half", "' '", "", "\"a\" \"b\""}) {
        const std::string text = ProfileTextWithValue("[PC]\nX=1\n", "PC", "X", value);
        EXPECT_EQ(ProfileTextLookup(text, "PC", "X", "?"), value) << text;
    }
    // Values that need no quotes are stored as they are.
    EXPECT_EQ(ProfileTextWithValue("", "PC", "X", "a \"b\" c"), "[PC]\nX=a \"b\" c\n");
    EXPECT_EQ(ProfileTextWithValue("", "PC", "X", " 5"), "[PC]\nX=\" 5\"\n");
}

TEST(ProfileFile, MissingFileReadsDefaultsAndIsCreatedByTheFirstWrite)
{
    TempDir dir;
    auto file = dir / "gadget.ini";
    EXPECT_EQ(ReadProfileString(file, "PC", "X", "7"), "7");
    EXPECT_FALSE(std::filesystem::exists(file));

    WriteProfileString(file, "PC", "X", "12");
    WriteProfileString(file, "PC", "Y", "34");
    EXPECT_EQ(ReadFileText(file), "[PC]\nX=12\nY=34\n");
    EXPECT_EQ(ReadProfileString(file, "pc", "y", ""), "34");
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(ProfileFile, AValueWithALineEndIsRefusedAndTheFileKept)
{
    TempDir dir;
    auto file = dir / "gadget.ini";
    WriteFileText(file, "[PC]\nX=1\n");
    for (const char* value : {"a\nb", "a\r\n[PC]", "\r"}) {
        EXPECT_THROW(WriteProfileString(file, "PC", "X", value), EProfileWriteError) << value;
        EXPECT_EQ(ReadFileText(file), "[PC]\nX=1\n");
    }
}

TEST(ProfileFile, WriteThroughALinkUpdatesTheLinkedFile)
{
    TempDir dir;
    WriteFileText(dir / "real.ini", "[PC]\nX=1\n");
    std::filesystem::create_symlink("real.ini", dir / "link.ini");
    WriteProfileString(dir / "link.ini", "PC", "X", "2");
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.ini"));
    EXPECT_EQ(ReadFileText(dir / "real.ini"), "[PC]\nX=2\n");
}

// Runs `body` in a child process and returns its exit status (0 when `body`
// returned true). `unprivileged` drops root's right to write anywhere.
int RunInChild(bool unprivileged, const std::function<bool()>& body)
{
    pid_t pid = ::fork();
    if (pid == 0) {
        if (unprivileged && ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
        ::_exit(body() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 2;
}

TEST(ProfileFile, WriteIntoReadOnlyFolderRaisesAndKeepsTheFile)
{
    TempDir dir;
    auto file = dir / "gadget.ini";
    const std::string before = "[PC]\nX=1\n";
    WriteFileText(file, before);
    std::filesystem::permissions(file, std::filesystem::perms(0644));
    std::filesystem::permissions(dir.Path(), std::filesystem::perms(0555));

    int status = RunInChild(true, [&] {
        try {
            WriteProfileString(file, "PC", "X", "2");
        } catch (const EProfileWriteError& e) {
            return std::string(e.what()) == "Unable to write to " + file.string();
        }
        return false;
    });
    EXPECT_EQ(status, 0) << "the write must raise \"Unable to write to <path>\"";
    EXPECT_EQ(ReadFileText(file), before);
}

TEST(ProfileFile, FailingWriteOnAFullDiskKeepsTheOldFile)
{
    TempDir dir;
    auto file = dir / "gadget.ini";
    const std::string before = "[PC]\nX=1\n";
    WriteFileText(file, before);

    // A file-size limit makes every write past 8 bytes fail, like a full disk.
    int status = RunInChild(false, [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{8, 8};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            WriteProfileString(file, "PC", "Y", "a value longer than the limit");
        } catch (const EProfileWriteError&) {
            return true;
        }
        return false;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFileText(file), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1) << "temporary file left behind";
}

// A small file system of the test's own, filled to the last block: mounting
// needs the right to, so the test is skipped where it is not given.
TEST(ProfileFile, FailingWriteOnAFullFileSystemKeepsTheOldFile)
{
    TempDir dir;
    const auto mountPoint = dir / "small";
    std::filesystem::create_directory(mountPoint);
    if (::mount("tellvane-test", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "no right to mount a file system here";
    struct Unmount {
        std::filesystem::path Point;
        ~Unmount() { ::umount(Point.c_str()); }
    } unmount{mountPoint};
    const auto file = mountPoint / "gadget.ini";
    WriteProfileString(file, "PC", "X", "1");
    const std::string before = ReadFileText(file);
    {
        std::ofstream filler(mountPoint / "filler", std::ios::binary);
        const std::string block(4096, 'f');
        while (filler.write(block.data(), std::streamsize(block.size())).flush()) {
        }
    }

    EXPECT_THROW(WriteProfileString(file, "PC", "Y", std::string(5000, 'v')), EProfileWriteError);
    EXPECT_EQ(ReadFileText(file), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(mountPoint), {}), 2) << "temporary file left behind";
}

// A writer killed at any moment leaves the file whole: the old one or the new
// one, never a part of either. Stray temporary files of a killed writer are
// not the settings file and are never read as it.
TEST(ProfileFile, WriterKilledAtRandomMomentsLeavesTheWholeOldOrNewFile)
{
    TempDir dir;
    auto file = dir / "gadget.ini";
    const std::string a(3000, 'a'), b(3000, 'b');
    WriteFileText(file, "[PC]\nX=" + a + "\nY=kept\n");
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> delay(0, 4000); // microseconds
    std::set<char> seen;
    // At least 300 rounds, and more while the kills have not yet landed after
    // a new value: on a loaded machine (or under a sanitizer) the first write
    // takes longer than the shortest delays, so they grow with the rounds.
    for (int round = 0; round < 300 || (seen.size() < 2 && round < 1500); ++round) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            for (int i = 0;; ++i) WriteProfileString(file, "PC", "X", i % 2 ? a : b);
        }
        ::usleep(static_cast<useconds_t>(delay(random) * (1 + round / 300)));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        const std::string text = ReadFileText(file);
        ASSERT_TRUE(text == "[PC]\nX=" + a + "\nY=kept\n" || text == "[PC]\nX=" + b + "\nY=kept\n")
            << "round " << round << ": " << text.size() << " bytes";
        seen.insert(text[7]);
    }
    EXPECT_EQ(seen, (std::set<char>{'a', 'b'})) << "the kills landed between writes of both kinds";
}

TEST(ProfileFile, WriteKeepsThePermissionsOfTheFile)
{
    TempDir dir;
    auto file = dir / "gadget.ini";
    WriteFileText(file, "[PC]\nX=1\n");
    std::filesystem::permissions(file, std::filesystem::perms(0600));
    WriteProfileString(file, "PC", "X", "2");
    EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::all, std::filesystem::perms(0600));
}

} // namespace
