#pragma once
// The Prometheus text exposition format (version 0.0.4), as node_exporter
// serves it on /metrics: "# HELP" and "# TYPE" lines, samples with labels
// (escapes \\, \" and \n in their values), values as floats with NaN, +Inf
// and -Inf, and optional timestamps in milliseconds.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct TMetricSample {
    std::string Name;
    std::vector<std::pair<std::string, std::string>> Labels; // in the order written
    double Value = 0.0;
    std::optional<std::int64_t> TimestampMs;

    // A label's value; empty when the sample has no such label.
    const std::string& Label(std::string_view name) const;
};

struct TExposition {
    std::vector<TMetricSample> Samples;
    std::map<std::string, std::string, std::less<>> Types; // metric family -> counter, gauge, ...
    std::map<std::string, std::string, std::less<>> Help;  // metric family -> its text, unescaped
};

// The limit of one line; a longer one is no exposition a server would send.
inline constexpr std::size_t ExpositionLineLimit = 64 * 1024;

// Parses a whole exposition. A line that breaks the format ends the parse:
// nothing then, and `error` says which line and why.
std::optional<TExposition> ParseExposition(std::string_view text, std::string& error);
