#pragma once
// When a temperature runs hot: the limit a row is held against, whether its
// caption warns, and when the desktop is told. The clock is the caller's, so
// the rules can be followed step by step.

#include <chrono>
#include <optional>
#include <string>

// A warning ends once the value has fallen this far below its limit.
inline constexpr double AlertHysteresis = 3.0;
// A sensor's next notification comes at the earliest this long after its last.
inline constexpr std::chrono::minutes AlertRepeatInterval{5};

// What a temperature row is held against, in °C.
struct TAlertLimits {
    std::optional<double> Threshold; // the caption warns at or above it
    std::optional<double> High;      // the chip's limits, as it gives them
    std::optional<double> Critical;
    bool FromChip = false;           // false: the threshold is the settings' maximum
};

// The chip's high limit; without one its critical limit; without either the
// row's maximum from the settings, where the row has one.
TAlertLimits AlertLimitsOf(std::optional<double> high, std::optional<double> critical,
                           std::optional<double> settingsMaximum);

// One temperature row's alert. Level 0: normal; 1: at or above the threshold;
// 2: at or above the critical limit. A level is left once the value is
// AlertHysteresis below where it began.
class TTemperatureAlert {
public:
    using TTime = std::chrono::steady_clock::time_point;

    struct TStep {
        bool Warning = false; // the caption is drawn in the warning colour
        bool Notify = false;  // tell the desktop now
        bool Critical = false; // the notification is urgent: at or above the critical limit
    };

    // A new reading; nothing for a sensor that gave none (the warning ends).
    // A notification goes out when the level rises above the one last told
    // in this spell, and no sooner than AlertRepeatInterval after the last
    // one, unless it is the first critical one; a notification held back
    // goes out once the interval has passed and the level still stands.
    TStep Update(std::optional<double> value, const TAlertLimits& limits, TTime now);

    // Back to normal, the next rise told at once (the sensor was changed).
    void Reset() { *this = {}; }

    bool Warning() const { return FLevel > 0; }

private:
    int FLevel = 0;
    int FTold = 0;     // the highest level told since the value was last normal
    int FLastTold = 0; // the level of the last notification
    std::optional<TTime> FLastNotice;
};

// A temperature or limit as texts show it: one decimal, none when it is 0
// ("95", "81.9").
std::string TemperatureNumber(double value);

// "Processor at 96 °C"
std::string AlertSummary(const std::string& what, double value);
// "CPU Package: limit 95 °C, critical 105 °C", "GPU Core: limit 90 °C (the
// settings' maximum)".
std::string AlertBody(const std::string& sensorName, const TAlertLimits& limits);
