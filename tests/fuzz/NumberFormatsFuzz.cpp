// Any double through the number formats the program uses, and any pattern.
//
// Input: 8 bytes of a double (any bit pattern, so also NaN, infinities and
// subnormals), one byte choosing the locale's separators, the rest a pattern.
//
// Checks, besides the sanitizers' own:
//  - every sensor type's format and FormatSize write any double without raising;
//  - a finite number written with three decimals reads back within half a
//    thousandth (separators removed), in every style;
//  - FormatSize picks the unit the value's size calls for;
//  - RoundToInt32 stays in range and gives the marker for NaN only;
//  - any pattern either formats or raises EFormatError, nothing else.

#include "NumberStyle.h"
#include "SensorTypes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

namespace {

void Require(bool condition, const char* what)
{
    if (condition) return;
    std::fprintf(stderr, "fuzz_number_formats: broken: %s\n", what);
    std::abort();
}

const std::array<TNumberStyle, 4> Styles = {
    TNumberStyle{",", "."},
    TNumberStyle{".", ","},
    TNumberStyle{"\u202f", ","}, // a narrow no-break space, as French locales group
    TNumberStyle{"", "."},
};

// The number a text of the style writes, its separators taken out.
double ReadBack(const TNumberStyle& style, std::string text)
{
    if (!style.ThousandSeparator.empty())
        for (std::size_t at; (at = text.find(style.ThousandSeparator)) != std::string::npos;)
            text.erase(at, style.ThousandSeparator.size());
    if (const std::size_t at = text.find(style.DecimalSeparator); at != std::string::npos)
        text.replace(at, style.DecimalSeparator.size(), ".");
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    Require(end && *end == '\0', "a number text with something else in it");
    return v;
}

void CheckNumbers(const TNumberStyle& style, double value)
{
    for (std::string_view format : SensorTypeFormats) {
        const std::string text = FormatValue(style, format, value);
        Require(format.empty() == text.empty(), "a format wrote nothing");
    }
    for (bool humanRead : {false, true})
        for (bool forceUnits : {false, true}) Require(!FormatSize(style, humanRead, forceUnits, value).empty(), "a size wrote nothing");

    if (std::isfinite(value)) {
        const double back = ReadBack(style, FormatPattern(style, "%.3n", {value}));
        Require(std::fabs(back - value) <= 0.0005 + std::fabs(value) * 1e-15, "a number read back as another");

        const std::string size = FormatSize(style, true, true, value);
        const char* unit = value < 1024 ? " byte" : value < 1048576.0 ? " Kb" : value < 1073741824.0 ? " Mb"
                         : value < 1099511627776.0 ? " Gb" : " Tb";
        Require(size.find(unit) != std::string::npos, "a size with the wrong unit");
    }

    const std::int32_t rounded = RoundToInt32(value, -7);
    if (std::isnan(value)) {
        Require(rounded == -7, "NaN rounded to a number");
    } else {
        const double expected = std::clamp(std::nearbyint(value), double(std::numeric_limits<std::int32_t>::min()),
                                           double(std::numeric_limits<std::int32_t>::max()));
        Require(double(rounded) == expected, "a rounding out of place");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 9) return 0;
    double value;
    std::memcpy(&value, data, sizeof value);
    const TNumberStyle& style = Styles[data[8] % Styles.size()];
    const std::string_view pattern(reinterpret_cast<const char*>(data) + 9, size - 9);

    CheckNumbers(style, value);
    try {
        FormatPattern(style, pattern, {value, std::string_view("text"), value});
    } catch (const EFormatError&) {
    }
    return 0;
}
