#pragma once
// The week of the year under ISO 8601, and the texts of the clock panel.

#include "NumberStyle.h"

#include <chrono>
#include <string>

struct TIsoWeek {
    int Week = 1;         // 1..53
    int WeeksInYear = 52; // 52 or 53, of the ISO year that holds Week
    int Year = 0;         // that ISO year (the calendar year of the week's Thursday)
    bool operator==(const TIsoWeek&) const = default;
};

// Weeks begin on Monday; week 1 holds the year's first Thursday.
TIsoWeek IsoWeekOf(std::chrono::year_month_day date);

// 53 when 1 January is a Thursday, or a Wednesday in a leap year; else 52.
int IsoWeeksInYear(std::chrono::year year);

// "Week: #W of N (P%)", P = W * 100 / N with one decimal in the number style.
std::string WeekText(const TNumberStyle& style, const TIsoWeek& week);
