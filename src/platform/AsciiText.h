#pragma once
// Small text helpers shared by the layers: names and identifiers in this
// program are compared ignoring ASCII letter case only.

#include <algorithm>
#include <string_view>

constexpr char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

constexpr bool SameTextIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}
