// When a temperature row warns and when the desktop is told, step by step
// with a clock of the test's own.

#include "TemperatureAlerts.h"

#include <gtest/gtest.h>

namespace {

using TTime = TTemperatureAlert::TTime;

TTime At(double seconds) { return TTime{} + std::chrono::milliseconds(static_cast<long long>(seconds * 1000)); }

struct Reading {
    double Seconds;
    std::optional<double> Value;
    bool Warning, Notify, Critical;
};

void Follow(const std::vector<Reading>& readings, const TAlertLimits& limits)
{
    TTemperatureAlert alert;
    for (const Reading& r : readings) {
        const TTemperatureAlert::TStep step = alert.Update(r.Value, limits, At(r.Seconds));
        const std::string at = "at " + std::to_string(r.Seconds) + " s, " + (r.Value ? std::to_string(*r.Value) : "no value");
        EXPECT_EQ(step.Warning, r.Warning) << at;
        EXPECT_EQ(step.Notify, r.Notify) << at;
        EXPECT_EQ(step.Critical, r.Critical) << at;
        EXPECT_EQ(alert.Warning(), r.Warning) << at;
    }
}

} // namespace

TEST(TemperatureAlert, ChipLimitsOverAValueSequence)
{
    const TAlertLimits limits = AlertLimitsOf(95.0, 105.0, 90.0);
    Follow({
               {0, 90, false, false, false},   // below
               {1, 95, true, true, false},     // rises to the limit: told
               {2, 97, true, false, false},    // stays: not told again
               {3, 92, true, false, false},    // falls within the hysteresis: still warns
               {4, 91.9, false, false, false}, // falls below limit - 3: over
               {60, 96, true, false, false},   // rises again within 5 minutes: warns, not told
               {300, 96, true, false, false},  // still within 5 minutes of the last
               {302, 96, true, true, false},   // 5 minutes on and still hot: told now
               {303, 105, true, true, true},   // critical: told at once, urgent
               {304, 102, true, false, true},  // within the critical hysteresis
               {305, 101.9, true, false, false}, // back to merely hot
               {306, 106, true, false, true},  // critical again within 5 minutes: not told again
               {700, 80, false, false, false},
               {701, 96, true, true, false},   // a new spell after 5 minutes: told
               {702, std::nullopt, false, false, false}, // the sensor gave nothing: the warning ends
           },
           limits);
}

TEST(TemperatureAlert, WhatARowIsHeldAgainst)
{
    struct Case {
        const char* what;
        std::optional<double> high, critical, maximum;
        std::optional<double> threshold;
        bool fromChip;
    };
    for (const Case& c : {
             Case{"both limits", 95.0, 105.0, 80.0, 95.0, true},
             Case{"only a critical limit", std::nullopt, 94.0, 80.0, 94.0, true},
             Case{"no chip limit: the settings' maximum", std::nullopt, std::nullopt, 80.0, 80.0, false},
             Case{"neither (a custom metric)", std::nullopt, std::nullopt, std::nullopt, std::nullopt, false},
         }) {
        const TAlertLimits limits = AlertLimitsOf(c.high, c.critical, c.maximum);
        EXPECT_EQ(limits.Threshold, c.threshold) << c.what;
        EXPECT_EQ(limits.FromChip, c.fromChip) << c.what;
    }

    // Only a critical limit: reaching it is at once hot and critical.
    Follow({{0, 93.9, false, false, false}, {1, 94, true, true, true}, {2, 91.5, true, false, true}, {3, 90.9, false, false, false}},
           AlertLimitsOf(std::nullopt, 94.0, 100.0));
    // The settings' maximum: warns and tells, never urgently.
    Follow({{0, 79, false, false, false}, {1, 120, true, true, false}}, AlertLimitsOf(std::nullopt, std::nullopt, 80.0));
    // Nothing to hold a custom metric against: never warns.
    Follow({{0, 140, false, false, false}}, AlertLimitsOf(std::nullopt, std::nullopt, std::nullopt));
}

TEST(TemperatureAlert, ResetTellsTheNextRiseAtOnce)
{
    const TAlertLimits limits = AlertLimitsOf(95.0, std::nullopt, std::nullopt);
    TTemperatureAlert alert;
    EXPECT_TRUE(alert.Update(96, limits, At(0)).Notify);
    alert.Reset();
    EXPECT_FALSE(alert.Warning());
    EXPECT_TRUE(alert.Update(96, limits, At(1)).Notify) << "another sensor was chosen";
}

TEST(TemperatureAlert, TheNotificationsTexts)
{
    EXPECT_EQ(AlertSummary("Processor", 95.6), "Processor at 96 °C");
    EXPECT_EQ(TemperatureNumber(81.0), "81");
    EXPECT_EQ(TemperatureNumber(84.25), "84.2");
    EXPECT_EQ(AlertBody("CPU Package", AlertLimitsOf(95.0, 105.0, 100.0)), "CPU Package: limit 95 °C, critical 105 °C");
    EXPECT_EQ(AlertBody("Composite", AlertLimitsOf(70.5, 84.0, 100.0)), "Composite: limit 70.5 °C, critical 84 °C");
    EXPECT_EQ(AlertBody("edge", AlertLimitsOf(std::nullopt, 94.0, 100.0)), "edge: critical 94 °C");
    EXPECT_EQ(AlertBody("GPU Core", AlertLimitsOf(std::nullopt, std::nullopt, 90.0)), "GPU Core: limit 90 °C (the settings' maximum)");
}
