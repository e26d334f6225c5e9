#include "SettingsFile.h"

#include "Autostart.h"
#include "ProfileFile.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <variant>

namespace fs = std::filesystem;

fs::path IniFileNameFor(const fs::path& executable)
{
    fs::path result = executable;
    result.replace_extension(".ini");
    return result;
}

fs::path ChooseSettingsFile(const fs::path& executable, const TSettingsPlaces& places)
{
    const fs::path beside = IniFileNameFor(executable);
    if (places.BesideExists) return beside;
    const fs::path folder = executable.parent_path().lexically_normal();
    static const fs::path system = "/usr";
    const bool systemFolder = std::mismatch(system.begin(), system.end(), folder.begin(), folder.end()).first == system.end();
    if ((places.FolderWritable && !systemFolder) || places.ConfigHome.empty()) return beside;
    return places.ConfigHome / "tellvane" / "tellvane.ini";
}

fs::path SettingsFileOf(const fs::path& executable)
{
    std::error_code error;
    TSettingsPlaces places;
    places.BesideExists = fs::exists(IniFileNameFor(executable), error);
    places.FolderWritable = MayWriteFolder(executable.parent_path());
    places.ConfigHome = ConfigHomeOfEnvironment();
    return ChooseSettingsFile(executable, places);
}

std::string IniSaveSectionFor(const std::optional<std::string>& computerName)
{
    return computerName && !computerName->empty() ? *computerName : std::string("Default");
}

std::optional<std::int32_t> ParseProfileInteger(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.starts_with('$')) {
        base = 16;
        text.remove_prefix(1);
    } else if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;

    std::int64_t magnitude = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (ec != std::errc{} || end != text.data() + text.size() || magnitude < 0) return std::nullopt;
    std::int64_t value = negative ? -magnitude : magnitude;
    // Hexadecimal spells the 32-bit pattern: $FFFFFFFF is -1.
    if (base == 16 && !negative && value > INT32_MAX && value <= UINT32_MAX)
        value = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

TIniFile::TIniFile(fs::path file, std::function<std::string()> section)
    : FFile(std::move(file)), FSection(std::move(section))
{
}

bool TIniFile::Exists() const
{
    std::error_code ec;
    return fs::exists(FFile, ec);
}

std::string TIniFile::ReadString(std::string_view key, std::string_view defaultValue) const
{
    return ReadProfileString(FFile, FSection(), key, defaultValue);
}

std::int32_t TIniFile::ReadInteger(std::string_view key, std::int32_t defaultValue) const
{
    return ParseProfileInteger(ReadString(key, {})).value_or(defaultValue);
}

std::int32_t TIniFile::ReadInteger(std::string_view key, std::int32_t defaultValue, TIntegerRange range) const
{
    const std::int32_t value = ReadInteger(key, defaultValue);
    return range.Holds(value) ? value : defaultValue;
}

bool TIniFile::ReadBool(std::string_view key, bool defaultValue) const
{
    return ReadInteger(key, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteString(std::string_view key, std::string_view value)
{
    WriteProfileString(FFile, FSection(), key, value);
}

void TIniFile::WriteInteger(std::string_view key, std::int32_t value)
{
    WriteString(key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view key, bool value) { WriteString(key, value ? "1" : "0"); }

namespace {

// One settings key and the field of TWmiSettings it feeds.
struct TSettingsKey {
    std::string_view Key;
    std::variant<std::string TWmiSettings::*, bool TWmiSettings::*, std::int32_t TWmiSettings::*> Field;
    TIntegerRange Range{}; // integers only
};

// The processor's and the video card's temperature maxima: the span of the
// dialog's list (70 to 100 degrees). Outside it a diagram would be drawn full
// or empty for every reading.
constexpr TIntegerRange TemperatureMaximumRange{70, 100};

// In the order start-up reads them.
const std::array<TSettingsKey, 28> SettingsKeys = {{
    {"GPUload", &TWmiSettings::sidGPUload},
    {"GPUtemp", &TWmiSettings::sidGPUtemp},
    {"CPUload", &TWmiSettings::sidCPUload},
    {"CPUtemp", &TWmiSettings::sidCPUtemp},
    {"RAMused", &TWmiSettings::sidRAMused},
    {"RAMfree", &TWmiSettings::sidRAMfree},
    {"NETupld", &TWmiSettings::sidNETupld},
    {"NETdown", &TWmiSettings::sidNETdown},
    {"Custom1", &TWmiSettings::sidCustom1},
    {"Custom2", &TWmiSettings::sidCustom2},
    {"HDD1", &TWmiSettings::sidHDD1},
    {"HDD2", &TWmiSettings::sidHDD2},
    {"HDD3", &TWmiSettings::sidHDD3},
    {"HDD4", &TWmiSettings::sidHDD4},
    {"HDDx", &TWmiSettings::sidHDD1Alt},
    {"TestLab", &TWmiSettings::LabFlags, {0, 3}}, // two option bits
    {"CpuBars", &TWmiSettings::ShowCpuBars},
    {"PeakFallOff", &TWmiSettings::DiskSlowPeak},
    {"DiskDiagram", &TWmiSettings::DiskDiagram},
    {"DiskHumanFormat", &TWmiSettings::DiskHumanRead},
    {"ShowNetworkMBit", &TWmiSettings::NetworkAsMbit},
    {"TermalMaxCpu", &TWmiSettings::CpuTermalMax, TemperatureMaximumRange},
    {"TermalMaxGpu", &TWmiSettings::GpuTermalMax, TemperatureMaximumRange},
    {"SoundDeviceN", &TWmiSettings::SoundDevice, {-1, INT32_MAX}}, // -1: the default input
    {"SoundLevel20", &TWmiSettings::SoundLevel, {0, 20}},
    // Added later; written after the others.
    {"SoundDeviceName", &TWmiSettings::SoundDeviceName},
    {"Server", &TWmiSettings::Server},
    {"ServerCA", &TWmiSettings::ServerCA},
}};

constexpr std::size_t TestLabPosition = 15;
constexpr std::size_t FirstAddedKey = 25;

void ReadKey(const TIniFile& ini, const TSettingsKey& key, TWmiSettings& settings, const TWmiSettings& defaults)
{
    std::visit(
        [&](auto field) {
            using T = std::remove_cvref_t<decltype(settings.*field)>;
            if constexpr (std::is_same_v<T, std::string>)
                settings.*field = ini.ReadString(key.Key, defaults.*field);
            else if constexpr (std::is_same_v<T, bool>)
                settings.*field = ini.ReadBool(key.Key, defaults.*field);
            else
                settings.*field = ini.ReadInteger(key.Key, defaults.*field, key.Range);
        },
        key.Field);
}

void WriteKey(TIniFile& ini, const TSettingsKey& key, const TWmiSettings& settings)
{
    std::visit(
        [&](auto field) {
            using T = std::remove_cvref_t<decltype(settings.*field)>;
            if constexpr (std::is_same_v<T, std::string>)
                ini.WriteString(key.Key, settings.*field);
            else if constexpr (std::is_same_v<T, bool>)
                ini.WriteBool(key.Key, settings.*field);
            else
                ini.WriteInteger(key.Key, settings.*field);
        },
        key.Field);
}

} // namespace

TWmiSettings ReadSettings(const TIniFile& ini)
{
    const TWmiSettings defaults;
    TWmiSettings settings;
    for (const TSettingsKey& key : SettingsKeys) ReadKey(ini, key, settings, defaults);
    return settings;
}

void WriteSettings(TIniFile& ini, const TWmiSettings& settings)
{
    // The dialog writes the same keys, with TestLab moved to the end of the
    // original ones, and the added keys after them.
    for (std::size_t i = 0; i < FirstAddedKey; ++i)
        if (i != TestLabPosition) WriteKey(ini, SettingsKeys[i], settings);
    WriteKey(ini, SettingsKeys[TestLabPosition], settings);
    for (std::size_t i = FirstAddedKey; i < SettingsKeys.size(); ++i) WriteKey(ini, SettingsKeys[i], settings);
}

void WriteWindowKeys(TIniFile& ini, const TWindowKeys& keys)
{
    if (keys.X) ini.WriteInteger(WindowKey::X, *keys.X);
    if (keys.Y) ini.WriteInteger(WindowKey::Y, *keys.Y);
    ini.WriteInteger(WindowKey::DX, keys.DX);
    ini.WriteInteger(WindowKey::DY, keys.DY);
    ini.WriteInteger(WindowKey::Theme, keys.Theme);
    ini.WriteBool(WindowKey::AppMinToTray, keys.AppMinToTray);
    ini.WriteBool(WindowKey::AppMinOnClose, keys.AppMinOnClose);
    ini.WriteBool(WindowKey::Alerts, keys.Alerts);
}
