#include "NumberStyle.h"
#include "SensorTypes.h"

#include <gtest/gtest.h>

namespace {

TEST(SensorTypeIndex, MatchesNamesIgnoringLetterCase)
{
    struct Case { const char* text; int sensorType; int hardwareType; };
    const Case cases[] = {
        {"temperature", 3, 0}, {"TEMPERATURE", 3, 0}, {"Voltage", 1, 0},   {"Throughput", 11, 0},
        {"flow", 13, 0},       {"Current", 0, 0},     {"", 0, 0},          {"cpu", 0, 1},
        {"GpuNvidia", 0, 3},   {"superio", 0, 8},     {"Fans", 0, 9},      {"Gpu", 0, 0},
        {"Load ", 0, 0},       {"GpuIntel", 0, 10},   {"gpuintel", 0, 10},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SensorTypeIndex(c.text), c.sensorType) << '"' << c.text << '"';
        EXPECT_EQ(HardwareTypeIndex(c.text), c.hardwareType) << '"' << c.text << '"';
    }
}

TEST(SensorTypeIndex, UnknownTypeFormatsToEmptyText)
{
    const auto format = SensorTypeFormats[SensorTypeIndex("Current")];
    EXPECT_EQ(FormatValue(TNumberStyle::English(), format, 12.5), "");
}

TEST(SensorTypeFormats, EveryFormatTakesOneNumber)
{
    for (std::size_t i = 1; i < SensorTypeFormats.size(); ++i)
        EXPECT_NO_THROW(FormatValue(TNumberStyle::English(), SensorTypeFormats[i], 1.0)) << SensorTypeNames[i];
    EXPECT_EQ(FormatValue(TNumberStyle::English(), SensorTypeFormats[4], 42.5), "42%");
    EXPECT_EQ(FormatValue(TNumberStyle::English(), SensorTypeFormats[1], 1.2345), "1.234 V");
}

} // namespace
