#include "ProfileFile.h"
#include "SettingsFile.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(IniFileName, ReplacesOrAppendsTheExtension)
{
    EXPECT_EQ(IniFileNameFor("/opt/tellvane/tellvane"), "/opt/tellvane/tellvane.ini");
    EXPECT_EQ(IniFileNameFor("/opt/apps/gauge.exe"), "/opt/apps/gauge.ini");
    EXPECT_EQ(IniFileNameFor("/opt/v1.2/tellvane"), "/opt/v1.2/tellvane.ini");
    EXPECT_EQ(IniFileNameFor("/opt/tool.v2.bin"), "/opt/tool.v2.ini");
}

TEST(SettingsLocation, BesideAPortableCopyElseInTheUsersConfigFolder)
{
    const std::filesystem::path config = "/home/ann/.config";
    const std::filesystem::path home = config / "tellvane" / "tellvane.ini";
    struct Case {
        const char* What;
        const char* Executable;
        TSettingsPlaces Places;
        std::filesystem::path File;
    };
    const Case cases[] = {
        {"a build folder", "/work/main/build/src/shell/tellvane", {false, true, config}, "/work/main/build/src/shell/tellvane.ini"},
        {"an unpacked copy in the home", "/home/ann/apps/tellvane/tellvane", {false, true, config}, "/home/ann/apps/tellvane/tellvane.ini"},
        {"installed by the package", "/usr/bin/tellvane", {false, false, config}, home},
        {"installed, run by root who may write /usr", "/usr/bin/tellvane", {false, true, config}, home},
        {"below /usr/local too", "/usr/local/bin/tellvane", {false, true, config}, home},
        {"a folder only named like /usr", "/usrdata/tellvane", {false, true, config}, "/usrdata/tellvane.ini"},
        {"installed into a prefix the user may not write", "/opt/tellvane/bin/tellvane", {false, false, config}, home},
        {"a settings file already beside it stays in use", "/opt/tellvane/bin/tellvane", {true, false, config}, "/opt/tellvane/bin/tellvane.ini"},
        {"no home known: beside it, as before", "/opt/tellvane/bin/tellvane", {false, false, {}}, "/opt/tellvane/bin/tellvane.ini"},
    };
    for (const Case& c : cases) EXPECT_EQ(ChooseSettingsFile(c.Executable, c.Places), c.File) << c.What;
}

TEST(IniSaveSection, IsTheComputerNameOrDefault)
{
    EXPECT_EQ(IniSaveSectionFor(std::string("WORKSTATION")), "WORKSTATION");
    EXPECT_EQ(IniSaveSectionFor(std::nullopt), "Default");
    EXPECT_EQ(IniSaveSectionFor(std::string()), "Default");
}

TEST(ParseProfileInteger, ReadsDecimalAndBothHexadecimalForms)
{
    struct Case { const char* text; std::optional<std::int32_t> value; };
    const Case cases[] = {
        {"80", 80},          {"0x50", 80},      {"0X50", 80},       {"$50", 80},
        {"$ff", 255},        {"-5", -5},        {"+5", 5},          {"-$10", -16},
        {"0", 0},            {"-2147483648", INT32_MIN},            {"2147483647", INT32_MAX},
        {"$FFFFFFFF", -1},   {"2147483648", std::nullopt},          {"$100000000", std::nullopt},
        {"yes", std::nullopt}, {"", std::nullopt}, {"12abc", std::nullopt}, {"0x", std::nullopt},
        {"$", std::nullopt}, {"--5", std::nullopt}, {"$-5", std::nullopt}, {"1.5", std::nullopt},
        {"-", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseProfileInteger(c.text), c.value) << '"' << c.text << '"';
}

class SettingsFileTest : public testing::Test {
protected:
    TempDir dir;
    std::filesystem::path file = dir / "tellvane.ini";
    std::string section = "PC";
    TIniFile ini{file, [this] { return section; }};
};

TEST_F(SettingsFileTest, TypedReadsFallBackToTheKeysDefault)
{
    WriteFileText(file, "[pc]\nTermalMaxCpu=0x50\nTermalMaxGpu=$50\nCpuBars=yes\nPeakFallOff=2\n"
                        "DiskDiagram=\nSoundDeviceN=-3\nGPUload=/gpu/0;a=b\n");
    EXPECT_EQ(ini.ReadInteger("TermalMaxCpu", 100), 80);
    EXPECT_EQ(ini.ReadInteger("TermalMaxGpu", 100), 80);
    EXPECT_FALSE(ini.ReadBool("CpuBars", false)) << "yes is no number: the default";
    EXPECT_TRUE(ini.ReadBool("CpuBars", true));
    EXPECT_TRUE(ini.ReadBool("PeakFallOff", false)) << "any number but 0 is true";
    EXPECT_TRUE(ini.ReadBool("DiskDiagram", true)) << "an empty value is no number";
    EXPECT_EQ(ini.ReadInteger("SoundDeviceN", -1), -3);
    EXPECT_EQ(ini.ReadString("GPUload", ""), "/gpu/0;a=b");
    EXPECT_EQ(ini.ReadString("Missing", "dflt"), "dflt");
}

TEST_F(SettingsFileTest, MissingFileGivesTheDocumentedDefaults)
{
    EXPECT_FALSE(ini.Exists());
    TWmiSettings s = ReadSettings(ini);
    EXPECT_EQ(s, TWmiSettings{});
    EXPECT_TRUE(s.DiskHumanRead);
    EXPECT_TRUE(s.NetworkAsMbit);
    EXPECT_EQ(s.CpuTermalMax, 100);
    EXPECT_EQ(s.SoundDevice, -1);
    EXPECT_EQ(s.SoundLevel, 9);
    EXPECT_FALSE(ini.Exists()) << "reading must not create the file";
}

TEST_F(SettingsFileTest, NumbersOutsideTheirKeysRangeReadAsTheDefault)
{
    // Every numeric settings key: its range's edges read as written, one step
    // beyond them reads as the key's default, as a missing key does.
    struct Case {
        const char* Key;
        std::int32_t TWmiSettings::*Field;
        std::int32_t Min, Max, Default;
    };
    const Case cases[] = {
        {"TermalMaxCpu", &TWmiSettings::CpuTermalMax, 70, 100, 100},
        {"TermalMaxGpu", &TWmiSettings::GpuTermalMax, 70, 100, 100},
        {"SoundLevel20", &TWmiSettings::SoundLevel, 0, 20, 9},
        {"SoundDeviceN", &TWmiSettings::SoundDevice, -1, INT32_MAX, -1},
        {"TestLab", &TWmiSettings::LabFlags, 0, 3, 0},
    };
    for (const Case& c : cases) {
        std::vector<std::pair<std::int64_t, std::int32_t>> reads{{c.Min, c.Min}, {c.Max, c.Max}, {std::int64_t(c.Min) - 1, c.Default}};
        if (c.Max < INT32_MAX) reads.emplace_back(std::int64_t(c.Max) + 1, c.Default);
        for (const auto& [written, read] : reads) {
            WriteFileText(file, "[PC]\n" + std::string(c.Key) + "=" + std::to_string(written) + "\n");
            EXPECT_EQ(ReadSettings(ini).*c.Field, read) << c.Key << "=" << written;
        }
    }
    // The hexadecimal forms count the same way.
    WriteFileText(file, "[PC]\nTermalMaxCpu=0x50\nTermalMaxGpu=-5\nTestLab=$FF\n");
    const TWmiSettings s = ReadSettings(ini);
    EXPECT_EQ(s.CpuTermalMax, 80);
    EXPECT_EQ(s.GpuTermalMax, 100);
    EXPECT_EQ(s.LabFlags, 0);
}

TEST_F(SettingsFileTest, AnotherComputersSectionIsNotRead)
{
    WriteFileText(file, "[OTHER]\nCPUload=/cpu/0/load/0\nTermalMaxCpu=80\n");
    EXPECT_EQ(ReadSettings(ini), TWmiSettings{});
    section = "OTHER";
    EXPECT_EQ(ReadSettings(ini).sidCPUload, "/cpu/0/load/0");
}

TEST_F(SettingsFileTest, SettingsRoundTripInTheDialogsOrder)
{
    TWmiSettings s;
    s.sidGPUload = "/gpu-amd/0000:03:00.0/load/0";
    s.sidCPUload = "/cpu/0/load/0";
    s.sidHDD1Alt = "/storage/nvme0n1/load/2";
    s.sidCustom2 = "/lpc/nct6779/voltage/0 \xC3\xA9";
    s.DiskSlowPeak = true;
    s.DiskHumanRead = false;
    s.NetworkAsMbit = false;
    s.ShowCpuBars = true;
    s.CpuTermalMax = 85;
    s.SoundDevice = 2;
    s.SoundLevel = 0;
    s.LabFlags = 3;
    s.SoundDeviceName = "alsa_input.usb-mic";
    s.Server = "https://nas:9100";
    WriteFileText(file, "; kept\n[OTHER]\nX=5\n");
    WriteSettings(ini, s);
    EXPECT_EQ(ReadSettings(ini), s);

    const std::string text = ReadFileText(file);
    EXPECT_TRUE(text.starts_with("; kept\n[OTHER]\nX=5\n\n[PC]\nGPUload=")) << text;
    EXPECT_TRUE(text.ends_with("SoundLevel20=0\nTestLab=3\nSoundDeviceName=alsa_input.usb-mic\nServer=https://nas:9100\nServerCA=\n")) << text;
    EXPECT_NE(text.find("GPUtemp=\n"), std::string::npos) << "empty texts are written as empty values";
    EXPECT_NE(text.find("PeakFallOff=1\nDiskDiagram=0\n"), std::string::npos) << text;
}

TEST_F(SettingsFileTest, FailedWriteNamesTheFile)
{
    auto inMissingFolder = dir / "missing" / "tellvane.ini";
    TIniFile broken(inMissingFolder, [] { return std::string("PC"); });
    try {
        broken.WriteInteger("X", 1);
        FAIL() << "no error raised";
    } catch (const EProfileWriteError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + inMissingFolder.string());
    }
}

} // namespace
