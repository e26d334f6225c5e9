#include "Animation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

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

// Several steps at once land where as many single steps land, from every
// case above and from fills and targets around and far beyond the bar's ends.
TEST(StepBarFillBy, LandsWhereAsManySingleStepsLand)
{
    const std::vector<std::pair<int, double>> glides{
        {0, 100},   {10, 17},      {20, 11},     {2, -1.0},           {0, 8192},   {122880, 8192},       {8192, 0},
        {-1, 4096}, {98, 99},      {99, 98},     {2147483640, 2147483648.0}, {-2147483647, -1e12}, {5, std::nan("")}};
    for (const auto& [fill, target] : glides) {
        for (const std::int64_t steps : {1, 2, 3, 7, 25, 60, 301}) {
            TProgressData one, many;
            one.Fill = many.Fill = fill;
            one.OneValue = many.OneValue = target;
            bool moved = false;
            for (std::int64_t i = 0; i < steps; ++i) moved = StepBarFill(&one) || moved;
            EXPECT_EQ(StepBarFillBy(&many, steps), moved) << fill << " to " << target << ", " << steps << " steps";
            EXPECT_EQ(many.Fill, one.Fill) << fill << " to " << target << ", " << steps << " steps";
        }
    }
}

// The bar shows -1..99; the steps until it shows something new, against a
// step-by-step walk.
TEST(StepsUntilBarShowsAStep, CountsTheStepsThatLookTheSame)
{
    const auto shown = [](int fill) { return std::clamp(fill, -1, 99); };
    struct TCase {
        int Fill;
        double Target;
        std::int64_t Steps; // 0: the rest of the glide shows nothing new
    };
    for (const TCase& c : {TCase{0, 100, 1}, TCase{98, 8192, 1}, TCase{99, 8192, 0}, TCase{8192, 122880, 0},
                           TCase{122880, 8192, 0}, TCase{8192, 0, 2024}, TCase{101, 98, 3}, TCase{-40, -1, 0},
                           TCase{-40, 30, 10}, TCase{42, 42, 0}, TCase{2147483647, -1, 536870888}}) {
        TProgressData slot;
        slot.Fill = c.Fill;
        slot.OneValue = c.Target;
        const std::int64_t steps = StepsUntilBarShowsAStep(slot);
        EXPECT_EQ(steps, c.Steps) << c.Fill << " to " << c.Target;
        if (steps == 0) continue;
        // One step fewer looks the same; that many steps do not.
        TProgressData before = slot, at = slot;
        StepBarFillBy(&before, steps - 1);
        StepBarFillBy(&at, steps);
        EXPECT_EQ(shown(before.Fill), shown(c.Fill)) << c.Fill << " to " << c.Target;
        EXPECT_NE(shown(at.Fill), shown(c.Fill)) << c.Fill << " to " << c.Target;
    }
    // Against the walk itself where it is short enough to take.
    for (const auto& [fill, target] : std::vector<std::pair<int, double>>{{8192, 0}, {101, 98}, {-40, 30}, {300, 99}}) {
        TProgressData slot;
        slot.Fill = fill;
        slot.OneValue = target;
        std::int64_t walked = 0;
        TProgressData walk = slot;
        while (StepBarFill(&walk)) {
            ++walked;
            if (shown(walk.Fill) != shown(fill)) break;
        }
        EXPECT_EQ(StepsUntilBarShowsAStep(slot), shown(walk.Fill) != shown(fill) ? walked : 0) << fill << " to " << target;
    }
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
