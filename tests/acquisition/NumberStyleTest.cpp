#include "NumberStyle.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

const TNumberStyle English = TNumberStyle::English();
const TNumberStyle German{".", ","};
// French groups with a narrow no-break space: a separator of several bytes.
const TNumberStyle French{"\u202F", ","};

TEST(FormatPattern, WritesNumbersInTheLocalesStyle)
{
    struct Case { const char* pattern; double value; const char* english; const char* german; };
    const Case cases[] = {
        {"%.1n", 1234.5, "1,234.5", "1.234,5"},
        {"%.0n", 1000000, "1,000,000", "1.000.000"},
        {"%.0n", 999, "999", "999"},
        {"%.3n V", 1.2345678, "1.235 V", "1,235 V"},
        {"%.1n", -1234.56, "-1,234.6", "-1.234,6"},
        {"%.1n", -0.04, "0.0", "0,0"},
        {"%.0n%%", 42.4, "42%", "42%"},
        {"%n", 3.14159, "3.14", "3,14"},
        // Halves go to the even neighbour, on the exact binary value.
        {"%.0n", 0.5, "0", "0"},
        {"%.0n", 1.5, "2", "2"},
        {"%.0n", 2.5, "2", "2"},
        {"%.0n", -2.5, "-2", "-2"},
        {"%.2n", 0.125, "0.12", "0,12"},
        {"%.2n", 0.375, "0.38", "0,38"},
        {"%.1n", 0.15, "0.1", "0,1"}, // 0.15 is just below a half in binary
        {"%.0n", std::numeric_limits<double>::quiet_NaN(), "NAN", "NAN"},
        {"%.0n", -std::numeric_limits<double>::infinity(), "-INF", "-INF"},
        {"100%% %.0n", 7, "100% 7", "100% 7"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatPattern(English, c.pattern, {c.value}), c.english) << c.pattern << " " << c.value;
        EXPECT_EQ(FormatPattern(German, c.pattern, {c.value}), c.german) << c.pattern << " " << c.value;
    }
    EXPECT_EQ(FormatPattern(French, "%.1n", {1234567.25}), "1\u202F234\u202F567,2");
}

TEST(FormatPattern, FillsTextsAndNumbersInOrder)
{
    EXPECT_EQ(FormatPattern(English, "%s: %s", {std::string_view("CPU Total"), std::string_view("12%")}),
              "CPU Total: 12%");
    EXPECT_EQ(FormatPattern(English, "%.1n %s", {1.5, std::string_view("Kb")}), "1.5 Kb");
    EXPECT_EQ(FormatPattern(English, "%%s", {}), "%s");
}

TEST(FormatPattern, RaisesWhenPatternAndArgumentsDisagree)
{
    const std::string_view text = "x";
    EXPECT_THROW(FormatPattern(English, "%d", {1.0}), EFormatError);
    EXPECT_THROW(FormatPattern(English, "%s", {1.0}), EFormatError);
    EXPECT_THROW(FormatPattern(English, "%.1n", {text}), EFormatError);
    EXPECT_THROW(FormatPattern(English, "%.1n %.1n", {1.0}), EFormatError);
    EXPECT_THROW(FormatPattern(English, "%.n", {1.0}), EFormatError);
    EXPECT_THROW(FormatPattern(English, "%.123n", {1.0}), EFormatError);
    EXPECT_THROW(FormatPattern(English, "50%", {}), EFormatError);
}

TEST(FormatValue, EmptyFormatGivesEmptyText)
{
    EXPECT_EQ(FormatValue(English, "", 12.0), "");
    EXPECT_EQ(FormatValue(English, "%.0n C", 45.5), "46 C");
}

constexpr double KiB = 1024.0, MiB = KiB * KiB, GiB = MiB * KiB, TiB = GiB * KiB;

TEST(FormatSize, ChoosesTheUnitBySteppingBy1024)
{
    struct Case { double value; const char* english; const char* german; };
    const Case cases[] = {
        {0, "0 bytes", "0 bytes"},
        {1, "1 byte", "1 byte"},
        {0.6, "1 byte", "1 byte"},
        {1.5, "2 bytes", "2 bytes"},
        {1023, "1,023 bytes", "1.023 bytes"},
        {1023.6, "1,024 bytes", "1.024 bytes"}, // still below 1024 before rounding
        {1024, "1.0 Kb", "1,0 Kb"},
        {1536, "1.5 Kb", "1,5 Kb"},
        {MiB - 1, "1,024.0 Kb", "1.024,0 Kb"},
        {MiB, "1.0 Mb", "1,0 Mb"},
        {1.25 * GiB, "1.2 Gb", "1,2 Gb"}, // 1.25 rounds to even
        {TiB - 1, "1,024.0 Gb", "1.024,0 Gb"},
        {1.5 * TiB, "1.5 Tb", "1,5 Tb"},
        {5000 * TiB, "5,000.0 Tb", "5.000,0 Tb"},
        {-5, "-5 bytes", "-5 bytes"},
        {-1, "-1 bytes", "-1 bytes"},
        {-2048, "-2,048 bytes", "-2.048 bytes"},
        {std::numeric_limits<double>::quiet_NaN(), "NAN bytes", "NAN bytes"},
        {std::numeric_limits<double>::infinity(), "INF Tb", "INF Tb"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatSize(English, false, true, c.value), c.english) << c.value;
        EXPECT_EQ(FormatSize(German, false, true, c.value), c.german) << c.value;
    }
}

TEST(FormatSize, BareNumberUnlessUnitsAreForcedOrHumanReadable)
{
    EXPECT_EQ(FormatSize(English, false, false, 1536), "1,536.0");
    EXPECT_EQ(FormatSize(German, false, false, 1536), "1.536,0");
    EXPECT_EQ(FormatSize(English, false, true, 1536), "1.5 Kb");
    EXPECT_EQ(FormatSize(English, true, false, 1536), "1.5 Kb");
    EXPECT_EQ(FormatSize(English, true, true, 1536), "1.5 Kb");
}

} // namespace
