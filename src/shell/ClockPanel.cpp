#include "ClockPanel.h"

using namespace std::chrono;

int IsoWeeksInYear(year y)
{
    const weekday first{sys_days{y / January / 1}};
    return first == Thursday || (first == Wednesday && y.is_leap()) ? 53 : 52;
}

TIsoWeek IsoWeekOf(year_month_day date)
{
    const sys_days day{date};
    // The Thursday of the same Monday-based week decides the ISO year.
    const int isoDay = static_cast<int>(weekday{day}.iso_encoding()); // Monday 1 .. Sunday 7
    const sys_days thursday = day + days{4 - isoDay};
    const year isoYear = year_month_day{thursday}.year();
    const int week = static_cast<int>((thursday - sys_days{isoYear / January / 1}).count() / 7 + 1);
    return {week, IsoWeeksInYear(isoYear), static_cast<int>(isoYear)};
}

std::string WeekText(const TNumberStyle& style, const TIsoWeek& week)
{
    const double percent = static_cast<double>(week.Week * 100) / week.WeeksInYear;
    return FormatPattern(style, "Week: #%s of %s (%.1n%%)",
                         {std::to_string(week.Week), std::to_string(week.WeeksInYear), percent});
}
