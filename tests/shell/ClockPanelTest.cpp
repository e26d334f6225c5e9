#include "ClockPanel.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono;

struct WeekCase {
    year_month_day date;
    TIsoWeek week;
    const char* text;
};

class IsoWeekTest : public testing::TestWithParam<WeekCase> {};

TEST_P(IsoWeekTest, WeekNumberWeeksInYearAndText)
{
    const WeekCase& c = GetParam();
    EXPECT_EQ(IsoWeekOf(c.date), c.week);
    EXPECT_EQ(WeekText(TNumberStyle::English(), c.week), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Calendar, IsoWeekTest,
    testing::Values(
        // A Friday that belongs to the last week of a 53-week year.
        WeekCase{2021y / January / 1, {53, 53, 2020}, "Week: #53 of 53 (100.0%)"},
        // A Tuesday in week 1 of the next year.
        WeekCase{2024y / December / 31, {1, 52, 2025}, "Week: #1 of 52 (1.9%)"},
        WeekCase{2026y / July / 1, {27, 53, 2026}, "Week: #27 of 53 (50.9%)"},
        // 2026 begins on a Thursday: its last days and 1 January 2027 are week 53.
        WeekCase{2026y / December / 31, {53, 53, 2026}, "Week: #53 of 53 (100.0%)"},
        WeekCase{2027y / January / 3, {53, 53, 2026}, "Week: #53 of 53 (100.0%)"},
        WeekCase{2027y / January / 4, {1, 52, 2027}, "Week: #1 of 52 (1.9%)"},
        // A Monday of 29 December opens week 1 of the next year.
        WeekCase{2008y / December / 29, {1, 53, 2009}, "Week: #1 of 53 (1.9%)"},
        // A leap year that begins on a Wednesday has 53 weeks (2020).
        WeekCase{2020y / December / 31, {53, 53, 2020}, "Week: #53 of 53 (100.0%)"},
        // A leap year that begins on a Thursday too (2004), and one beginning on a Monday has 52 (2024).
        WeekCase{2004y / December / 31, {53, 53, 2004}, "Week: #53 of 53 (100.0%)"},
        WeekCase{2024y / February / 29, {9, 52, 2024}, "Week: #9 of 52 (17.3%)"},
        // 1 January on a Monday is week 1.
        WeekCase{2018y / January / 1, {1, 52, 2018}, "Week: #1 of 52 (1.9%)"}));

TEST(WeekText, UsesTheLocaleDecimalSeparator)
{
    const TNumberStyle german{".", ","};
    EXPECT_EQ(WeekText(german, {27, 53, 2026}), "Week: #27 of 53 (50,9%)");
}

TEST(IsoWeeksInYear, ThursdayOrLeapWednesdayStartsGiveFiftyThree)
{
    EXPECT_EQ(IsoWeeksInYear(2015y), 53); // begins on a Thursday
    EXPECT_EQ(IsoWeeksInYear(2020y), 53); // leap, begins on a Wednesday
    EXPECT_EQ(IsoWeeksInYear(2014y), 52); // begins on a Wednesday, not leap
    EXPECT_EQ(IsoWeeksInYear(2023y), 52);
}

} // namespace
