#pragma once
// The clean-text helpers of the hardware readers: splitting procfs tables into
// lines and fields, numbers, uevent values, and the names and identifiers the
// provider publishes.

#include "RootFs.h"

#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The blank-separated fields of a line.
std::vector<std::string_view> Fields(std::string_view line);
// The lines of a text, without their line ends.
std::vector<std::string_view> Lines(std::string_view text);

// The whole text as a number; nothing for anything else.
template <class T>
std::optional<T> ToNumber(std::string_view s)
{
    T v{};
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc{} || end != s.data() + s.size()) return std::nullopt;
    return v;
}

// A small file's first line as a number.
std::optional<double> ReadNumber(const TRootFs& fs, const std::string& path);

// The value of "Key=value" in a uevent file.
std::optional<std::string> UeventValue(const std::optional<std::string>& text, std::string_view key);

// A name as shown: valid UTF-8 (each byte that is not part of a valid
// sequence becomes U+FFFD), each control character one blank, no blanks
// around it.
std::string CleanName(std::string_view text);

// An identifier as stored in the settings file and quoted in queries:
// printable ASCII without blanks, and none of the characters the settings
// file or the query language would read otherwise.
std::string CleanIdentifier(std::string text);

std::string Upper(std::string s);
