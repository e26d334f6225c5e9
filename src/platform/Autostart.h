#pragma once
// Starting with the desktop session: the XDG autostart entry "tellvane.desktop"
// in the user's autostart folder. The entry is this copy's when its Exec line
// names this executable; another copy's entry is not ours.

#include <filesystem>
#include <optional>
#include <string>

inline constexpr const char* AutostartEntryName = "tellvane.desktop";

// The user's configuration folder: $XDG_CONFIG_HOME, or $HOME/.config when
// that is unset, empty or not absolute. Empty when neither is known.
std::filesystem::path ConfigHome(const char* xdgConfigHome, const char* home);
std::filesystem::path ConfigHomeOfEnvironment();

// ConfigHome's "autostart" folder.
std::filesystem::path AutostartFolder(const char* xdgConfigHome, const char* home);
// The same from this process's environment.
std::filesystem::path AutostartFolderOfEnvironment();

// The Exec value that starts `executable`: the full path, between double
// quotes when it holds a space or another character that the desktop entry
// format reserves, with '"', '`', '$' and '\' escaped inside the quotes; then
// written as a desktop entry's string ('\' doubled, '%' doubled, line ends
// escaped).
std::string AutostartExec(const std::filesystem::path& executable);

// The whole entry for `executable`.
std::string AutostartEntryText(const std::filesystem::path& executable);

// Whether the folder holds this copy's entry: it exists, is not Hidden=true
// and its Exec equals the expected one, letters A-Z compared without case.
// Nothing when the entry exists but cannot be read.
std::optional<bool> AutostartEnabled(const std::filesystem::path& folder, const std::filesystem::path& executable);

// Writes this copy's entry (atomically: a whole new file or the old one), the
// folder created when missing; or deletes the entry. False when that failed.
bool SetAutostart(const std::filesystem::path& folder, const std::filesystem::path& executable, bool on);
