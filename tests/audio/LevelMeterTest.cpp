// The sound panel's rules: the bands' bin ranges, one step of the bars and
// peak marks, and the description of a recording device.

#include "AudioLibrary.h"
#include "LevelMeter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include <vector>

namespace {

TEST(LevelBands, BinRangesFromTheBassUpToTheTop)
{
    const std::vector<std::pair<int, int>> expected{
        {1, 1},     {2, 2},     {3, 3},       {4, 4},       {5, 6},       {7, 10},      {11, 16},     {17, 25},
        {26, 40},   {41, 64},   {65, 101},    {102, 161},   {162, 256},   {257, 406},   {407, 645},   {646, 1023}};
    int previous = 0;
    for (int x = 0; x < LevelBands; ++x) {
        const int upper = BandUpperBins()[std::size_t(x)];
        EXPECT_EQ(std::make_pair(previous + 1, upper), expected[std::size_t(x)]) << "band " << x;
        previous = upper;
    }
}

// A spectrum with `value` in every bin of band `band` and nothing elsewhere.
std::vector<float> BandSpectrum(int band, float value)
{
    std::vector<float> bins(SpectrumBins, 0.0f);
    const int from = band == 0 ? 1 : BandUpperBins()[std::size_t(band - 1)] + 1;
    for (int b = from; b <= BandUpperBins()[std::size_t(band)]; ++b) bins[std::size_t(b)] = value;
    return bins;
}

TEST(LevelBands, BarRisesAtOnceAndSinksThreePixelsItsPeakOne)
{
    // Band 0 is bin 1 alone: a value v gives h = trunc(sqrt(v / log10 11) x boost x H - 4).
    // With H 64 and level 5 (boost 1), y a little above 1 gives h = 60.
    const int H = 64;
    const double y = 1.001;
    const float v = float(y * y * std::log10(11.0));
    TDataArray bars{}, peaks{};
    StepLevelBands(BandSpectrum(0, v).data(), H, 5, bars, peaks);
    EXPECT_EQ(bars[2], 60.0);
    EXPECT_EQ(peaks[2], 60.0);
    for (int i = 2; i <= 6; ++i) EXPECT_EQ(bars[std::size_t(i)], 60.0) << "the band's five columns";
    EXPECT_EQ(bars[1], 0.0);
    EXPECT_EQ(bars[7], 0.0) << "the column between bands stays 0";

    const std::vector<float> silence(SpectrumBins, 0.0f);
    int barTicks = 0, peakTicks = 0;
    std::vector<double> firstBars;
    for (int tick = 1; tick <= 70; ++tick) {
        StepLevelBands(silence.data(), H, 5, bars, peaks);
        if (tick <= 3) firstBars.push_back(bars[2]);
        if (bars[2] > 0) barTicks = tick;
        if (peaks[2] > 0) peakTicks = tick;
    }
    EXPECT_EQ(firstBars, (std::vector<double>{57, 54, 51}));
    EXPECT_EQ(barTicks + 1, 20) << "the bar reaches 0 in 20 ticks";
    EXPECT_EQ(peakTicks + 1, 60) << "the peak reaches 0 in 60 ticks";
}

bool AnyBarRises(const std::vector<float>& bins, int height, std::int32_t level)
{
    TDataArray bars{}, peaks{};
    StepLevelBands(bins.data(), height, level, bars, peaks);
    return std::any_of(bars.begin(), bars.end(), [](double v) { return v > 0; }) ||
           std::any_of(peaks.begin(), peaks.end(), [](double v) { return v > 0; });
}

TEST(LevelBands, NoBlockBelowTheSilentBoundRaisesABar)
{
    // Every bin at its largest possible magnitude (the peak sample times
    // sqrt 2): just below the bound nothing rises, just above the widest-for-
    // its-bins band does, so the bound is the exact edge and never too high.
    for (const int height : {20, 41, 64, 130}) {
        for (const std::int32_t level : {1, 5, 13, 20}) {
            const float bound = SilentSampleBound(height, level);
            ASSERT_TRUE(std::isfinite(bound) && bound > 0) << height << " " << level;
            const auto everyBin = [](float peak) { return std::vector<float>(SpectrumBins, float(peak * std::sqrt(2.0))); };
            EXPECT_FALSE(AnyBarRises(everyBin(bound * 0.999f), height, level)) << "height " << height << ", level " << level;
            EXPECT_TRUE(AnyBarRises(everyBin(bound * 1.02f), height, level)) << "height " << height << ", level " << level;
        }
    }
    // The louder the boost or the taller the area, the lower the bound.
    EXPECT_LT(SilentSampleBound(64, 20), SilentSampleBound(64, 5));
    EXPECT_LT(SilentSampleBound(130, 5), SilentSampleBound(64, 5));
    // Boost 0 raises nothing, whatever the input.
    EXPECT_TRUE(std::isinf(SilentSampleBound(64, 0)));
    EXPECT_FALSE(AnyBarRises(std::vector<float>(SpectrumBins, 1000.0f), 64, 0));
}

TEST(LevelBands, BoostScalesTheHeightAndTheAreaLimitsIt)
{
    struct TCase {
        std::int32_t Level;
        double Bar;
    };
    // A band value giving y = 0.2505: level 5 (boost 1) gives trunc(25.05 - 4) = 21.
    const float v = float(0.2505 * 0.2505 * std::log10(11.0));
    for (const TCase& c : {TCase{0, 0.0}, TCase{5, 21.0}, TCase{10, 46.0}, TCase{20, 96.0}}) {
        TDataArray bars{}, peaks{};
        StepLevelBands(BandSpectrum(0, v).data(), 100, c.Level, bars, peaks);
        EXPECT_EQ(bars[2], c.Bar) << "level " << c.Level;
    }
    // Level 20 on a loud band: never above the area's height.
    TDataArray bars{}, peaks{};
    StepLevelBands(BandSpectrum(15, 1.0f).data(), 71, 20, bars, peaks);
    EXPECT_EQ(bars[6 * 15 + 2], 71.0);
    EXPECT_EQ(peaks[6 * 15 + 6], 71.0);
}

TEST(LevelBands, LevelZeroSinksEverythingToTheBottom)
{
    TDataArray bars{}, peaks{};
    bars.fill(0);
    for (int x = 0; x < LevelBands; ++x) bars[std::size_t(6 * x + 2)] = peaks[std::size_t(6 * x + 2)] = 5;
    const std::vector<float> loud(SpectrumBins, 1.0f);
    for (int tick = 0; tick < 10; ++tick) StepLevelBands(loud.data(), 71, 0, bars, peaks);
    for (int x = 0; x < LevelBands; ++x) {
        EXPECT_EQ(bars[std::size_t(6 * x + 2)], 0.0);
        EXPECT_EQ(peaks[std::size_t(6 * x + 2)], 0.0);
    }
}

TEST(SoundDevice, DescriptionNamesTheTypeAndEachFlag)
{
    EXPECT_EQ(DescribeSoundDevice(0x05000003),
              "Type: Microphone\r\nEnabled: Yes\r\nReady: No\r\nDefault: Yes\r\nLoopback: No\r\nFlags: #05000003");
    EXPECT_EQ(DescribeSoundDevice(0x0B00000D),
              "Type: Unknown\r\nEnabled: Yes\r\nReady: Yes\r\nDefault: No\r\nLoopback: Yes\r\nFlags: #0B00000D");
    const std::vector<std::pair<DWORD, const char*>> types{
        {0x01u << 24, "Remote Network"}, {0x02u << 24, "Speakers"}, {0x03u << 24, "Line"},
        {0x04u << 24, "Headphones"},     {0x06u << 24, "Headset"},  {0x07u << 24, "Handset"},
        {0x08u << 24, "Digital"},        {0x09u << 24, "SPDIF"},    {0x0Au << 24, "HDMI"},
        {0x40u << 24, "DisplayPort"},    {0, "Unknown"}};
    for (const auto& [flags, type] : types)
        EXPECT_EQ(DescribeSoundDevice(flags).substr(0, DescribeSoundDevice(flags).find('\r')),
                  std::string("Type: ") + type);
}

} // namespace

namespace {

TEST(MeterWake, SoundWakesASleepingMeterOnceAndSilenceNever)
{
    int wakes = 0;
    TMeterWake wake([&wakes] { ++wakes; });
    const std::vector<float> quiet(441, 1e-6f), loud{0.0f, 0.0f, 0.02f, 0.0f};

    // Heard while awake: no call, and the meter may not sleep at this tick.
    wake.Listen();
    wake.Hear(loud.data(), loud.size());
    EXPECT_FALSE(wake.Sleep(1e-4f)) << "a block heard since the tick's start keeps it ticking";
    EXPECT_EQ(wakes, 0);

    // Asleep: blocks below the silence change nothing; the first loud one wakes it, once.
    wake.Listen();
    ASSERT_TRUE(wake.Sleep(1e-4f));
    wake.Hear(quiet.data(), quiet.size());
    EXPECT_EQ(wakes, 0);
    wake.Hear(loud.data(), loud.size());
    wake.Hear(loud.data(), loud.size());
    EXPECT_EQ(wakes, 1);

    // Ticking again (Awake): nothing to wake.
    wake.Listen();
    ASSERT_TRUE(wake.Sleep(1e-4f));
    wake.Awake();
    wake.Hear(loud.data(), loud.size());
    EXPECT_EQ(wakes, 1);

    // The silence is the one given at sleep: a louder boost makes the same block sound.
    wake.Listen();
    ASSERT_TRUE(wake.Sleep(1e-7f));
    wake.Hear(quiet.data(), quiet.size());
    EXPECT_EQ(wakes, 2);
}

} // namespace
