#include "Animation.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct FillCase {
    const char* what;
    int fill;
    double target;
    std::vector<int> steps; // Fill after each tick that redraws; the next tick redraws nothing
};

class StepBarFillTest : public testing::TestWithParam<FillCase> {};

TEST_P(StepBarFillTest, MovesTowardTheRoundedTargetWithoutPassingIt)
{
    const FillCase& c = GetParam();
    TProgressData slot;
    slot.Fill = c.fill;
    slot.OneValue = c.target;
    for (int expected : c.steps) {
        EXPECT_TRUE(StepBarFill(&slot));
        EXPECT_EQ(slot.Fill, expected);
    }
    EXPECT_FALSE(StepBarFill(&slot));
    EXPECT_EQ(slot.Fill, c.steps.empty() ? c.fill : c.steps.back());
}

INSTANTIATE_TEST_SUITE_P(Bars, StepBarFillTest,
                         testing::Values(FillCase{"SmallGap", 10, 12.4, {11, 12}},
                                         FillCase{"LargeGap", 10, 17, {14, 15, 16, 17}},
                                         FillCase{"HalfRoundsDownToEven", 10, 12.5, {11, 12}},
                                         FillCase{"HalfRoundsUpToEven", 10, 13.5, {11, 12, 13, 14}},
                                         FillCase{"Downward", 20, 11, {16, 15, 14, 13, 12, 11}},
                                         FillCase{"NoValueWalksToMinusOne", 2, -1.0, {1, 0, -1}},
                                         FillCase{"AtRest", 42, 42.2, {}},
                                         // Values past 32 bits are clamped to the range, never converted as they are.
                                         FillCase{"PastTwoToThe31", 2147483640, 2147483648.0, {2147483644, 2147483645, 2147483646, 2147483647}},
                                         FillCase{"TenToThe12", 2147483646, 1e12, {2147483647}},
                                         FillCase{"MinusTenToThe12", -2147483647, -1e12, {-2147483647 - 1}},
                                         FillCase{"NotANumberWalksToMinusOne", 1, std::nan(""), {0, -1}}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST(StepBarFill, ZeroToHundredTakesTwentyEightTicks)
{
    TProgressData slot;
    slot.OneValue = 100;
    int ticks = 0;
    while (StepBarFill(&slot)) ++ticks;
    EXPECT_EQ(ticks, 28);
    EXPECT_EQ(slot.Fill, 100);
    EXPECT_FALSE(StepBarFill(nullptr));
}

TEST(StepCoreBars, ZeroToSixtyNineTakesTwentyFourTicksThenRests)
{
    TProgressData first, second;
    first.DataB.fill(69);
    int ticks = 0;
    while (StepCoreBars(&first, &second)) ++ticks;
    EXPECT_EQ(ticks, 24);
    EXPECT_EQ(first.DataA, first.DataB);
    EXPECT_EQ(second.DataA, TDataArray{});
}

TEST(StepCoreBars, EachColumnStepsOnItsOwnAndEitherSlotCounts)
{
    TProgressData first, second;
    second.DataA[0] = 50;
    second.DataB[0] = 45; // down by 1 (difference 5)
    second.DataA[1] = 10;
    second.DataB[1] = 30; // up by 4 (difference 20)
    EXPECT_TRUE(StepCoreBars(&first, &second));
    EXPECT_EQ(second.DataA[0], 49);
    EXPECT_EQ(second.DataA[1], 14);
    EXPECT_FALSE(StepCoreBars(&first, nullptr));
    EXPECT_FALSE(StepCoreBars(nullptr, nullptr));
}

} // namespace
