#include "TemperatureAlerts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

TAlertLimits AlertLimitsOf(std::optional<double> high, std::optional<double> critical,
                           std::optional<double> settingsMaximum)
{
    TAlertLimits limits{high ? high : critical, high, critical, high || critical};
    if (!limits.Threshold) limits.Threshold = settingsMaximum;
    return limits;
}

TTemperatureAlert::TStep TTemperatureAlert::Update(std::optional<double> value, const TAlertLimits& limits, TTime now)
{
    if (!value || !limits.Threshold || !std::isfinite(*value)) {
        FLevel = 0;
        FTold = 0;
        return {};
    }
    const double threshold = *limits.Threshold;
    const bool hasCritical = limits.Critical && *limits.Critical >= threshold;
    const double critical = hasCritical ? *limits.Critical : threshold;
    // Up at once; down only past the hysteresis below the level's start.
    int level = FLevel;
    if (hasCritical && *value >= critical)
        level = 2;
    else if (*value >= threshold)
        level = std::max(level, 1);
    if (level == 2 && (!hasCritical || *value < critical - AlertHysteresis)) level = 1;
    if (level >= 1 && *value < threshold - AlertHysteresis) level = 0;
    FLevel = level;
    // A level left is told again when it is reached again.
    if (FTold > level) FTold = level;

    TStep step{level > 0, false, level == 2};
    if (level > FTold) {
        const bool firstCritical = level == 2 && FLastTold < 2;
        if (!FLastNotice || now - *FLastNotice >= AlertRepeatInterval || firstCritical) {
            step.Notify = true;
            FTold = level;
            FLastTold = level;
            FLastNotice = now;
        }
    }
    return step;
}

std::string TemperatureNumber(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    std::string shown = text;
    if (shown.ends_with(".0")) shown.resize(shown.size() - 2);
    return shown;
}

namespace {

std::string Degrees(double value) { return TemperatureNumber(value) + " °C"; }

} // namespace

std::string AlertSummary(const std::string& what, double value)
{
    return what + " at " + Degrees(std::round(value));
}

std::string AlertBody(const std::string& sensorName, const TAlertLimits& limits)
{
    std::string body = sensorName.empty() ? std::string() : sensorName + ": ";
    if (!limits.FromChip) return body + "limit " + Degrees(limits.Threshold.value_or(0)) + " (the settings' maximum)";
    if (limits.High) body += "limit " + Degrees(*limits.High);
    if (limits.Critical) body += std::string(limits.High ? ", " : "") + "critical " + Degrees(*limits.Critical);
    return body;
}
