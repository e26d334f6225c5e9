#pragma once
// The settings file: where it lives, which section holds this computer's keys,
// and the typed reads and writes of its keys.
//
// Text values are stored as they are; integers as decimal digits (read also as
// hexadecimal after "$" or "0x"); Booleans as "1" and "0" (read as integers,
// anything but 0 being true). A value that is missing or no number reads as the
// key's default.

#include "DataModel.h"

#include <climits>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The executable's path with its extension replaced by ".ini" (appended when
// the file name has none).
std::filesystem::path IniFileNameFor(const std::filesystem::path& executable);

// What decides where a copy of the program keeps its settings file.
struct TSettingsPlaces {
    bool BesideExists = false;   // a settings file beside the executable already
    bool FolderWritable = false; // the user may write the executable's folder
    std::filesystem::path ConfigHome; // $XDG_CONFIG_HOME or ~/.config; empty when unknown
};

// Beside the executable (IniFileNameFor) where a settings file already is, or
// where the user may write that folder and it is not a system folder (below
// /usr): a build folder, an unpacked copy in the home. Every other copy (an
// installed one) keeps it in ConfigHome/tellvane/tellvane.ini.
std::filesystem::path ChooseSettingsFile(const std::filesystem::path& executable, const TSettingsPlaces& places);
// The same with this machine's answers.
std::filesystem::path SettingsFileOf(const std::filesystem::path& executable);

// The section for this computer: its name, or "Default" when it has none.
std::string IniSaveSectionFor(const std::optional<std::string>& computerName);

// An integer as the settings file writes it: decimal, or hexadecimal after "$",
// "0x" or "0X", with an optional sign; nothing for anything else, and for a
// number outside 32 bits.
std::optional<std::int32_t> ParseProfileInteger(std::string_view text);

// The values a numeric key may hold; a value outside reads as the key's default.
struct TIntegerRange {
    std::int32_t Min = INT32_MIN;
    std::int32_t Max = INT32_MAX;
    constexpr bool Holds(std::int32_t value) const { return value >= Min && value <= Max; }
};

// The keys of one section of one file. The section is asked for afresh at each
// read and write, so a renamed computer is seen at once.
class TIniFile {
public:
    TIniFile(std::filesystem::path file, std::function<std::string()> section);

    const std::filesystem::path& FileName() const { return FFile; }
    bool Exists() const;

    std::string ReadString(std::string_view key, std::string_view defaultValue) const;
    std::int32_t ReadInteger(std::string_view key, std::int32_t defaultValue) const;
    // The default also for a number outside the range.
    std::int32_t ReadInteger(std::string_view key, std::int32_t defaultValue, TIntegerRange range) const;
    bool ReadBool(std::string_view key, bool defaultValue) const;

    // Each raises EProfileWriteError ("Unable to write to <path>") on failure.
    void WriteString(std::string_view key, std::string_view value);
    void WriteInteger(std::string_view key, std::int32_t value);
    void WriteBool(std::string_view key, bool value);

private:
    std::filesystem::path FFile;
    std::function<std::string()> FSection;
};

// All settings keys in the order start-up reads them; missing keys take the
// defaults of a default-constructed TWmiSettings.
TWmiSettings ReadSettings(const TIniFile& ini);

// The settings keys in the order the settings dialog writes them after OK.
// Stops at (and raises) the first key that cannot be written.
void WriteSettings(TIniFile& ini, const TWmiSettings& settings);

// The main window's own keys: read at start one by one (their defaults are the
// window's current state), written together at exit.
namespace WindowKey {
inline constexpr std::string_view X = "X";
inline constexpr std::string_view Y = "Y";
inline constexpr std::string_view DX = "DX";
inline constexpr std::string_view DY = "DY";
inline constexpr std::string_view Theme = "Theme";
inline constexpr std::string_view AppMinToTray = "AppMinToTray";
inline constexpr std::string_view AppMinOnClose = "AppMinOnClose";
// Added later: the menu's Options | Alerts (1 by default).
inline constexpr std::string_view Alerts = "Alerts";
// Window positions as the X protocol carries them; whether the window shows
// on a screen is decided where it is placed.
inline constexpr TIntegerRange PositionRange{-32768, 32767};
// -1 Auto-detect, 0 Light, 1 Dark, 2 Transparent.
inline constexpr TIntegerRange ThemeRange{-1, 2};
} // namespace WindowKey

struct TWindowKeys {
    // Nothing where the window manager never told the position (a native
    // Wayland client): the stored one stays.
    std::optional<std::int32_t> X;
    std::optional<std::int32_t> Y;
    std::int32_t DX = 0;
    std::int32_t DY = 0;
    std::int32_t Theme = -1;
    bool AppMinToTray = false;
    bool AppMinOnClose = false;
    bool Alerts = true;
};

// Writes X, Y (when known), DX, DY, Theme, AppMinToTray, AppMinOnClose, Alerts in that order; stops
// at (and raises) the first key that cannot be written.
void WriteWindowKeys(TIniFile& ini, const TWindowKeys& keys);
