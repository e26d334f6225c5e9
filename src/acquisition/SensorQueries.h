#pragma once
// Reading one sensor, and one hardware name, by identifier.

#include "Wbem.h"

#include <optional>
#include <string>
#include <string_view>

struct TSensorQueryResult {
    std::string Name = "NA";
    double Value = 0.0;
    std::string Type;
    std::string Format;
    std::string Parent;
    // A temperature's limits in °C, where its chip gives them.
    std::optional<double> HighLimit;
    std::optional<double> CriticalLimit;
};

// The sensor with that identifier; a sensor that is not found reads as "NA",
// 0 and empty texts. Query errors are raised to the caller.
TSensorQueryResult QuerySensor(const TWbemService& service, std::string_view identifier);

// The name of the hardware with that identifier; empty text when there is none
// (and, without asking the provider, for an empty identifier).
std::string QueryHardwareName(const TWbemService& service, std::string_view identifier);
