#pragma once
// The number style of every text the gadget shows: "%.Nn" placeholders write a
// number in fixed point with N decimals (halves rounded to even) and the
// locale's separators; "%s" takes a text; "%%" writes "%".

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>

// The locale's separators, captured once at start and handed to whoever formats.
struct TNumberStyle {
    std::string ThousandSeparator = ",";
    std::string DecimalSeparator = ".";

    static TNumberStyle English() { return {}; }
    bool operator==(const TNumberStyle&) const = default;
};

// A pattern that does not fit its arguments (an unknown placeholder, a text
// where a number is wanted, too few arguments).
class EFormatError : public std::runtime_error {
public:
    explicit EFormatError(std::string_view pattern);
};

using TFormatArg = std::variant<double, std::string_view>;

// Fills `pattern` with `args` in order. Raises EFormatError on a mismatch.
std::string FormatPattern(const TNumberStyle& style, std::string_view pattern, std::initializer_list<TFormatArg> args);

// A sensor value through its type's value format; the empty format gives empty text.
std::string FormatValue(const TNumberStyle& style, std::string_view format, double value);

// The nearest whole number, halves to even (the rounding used everywhere).
inline double RoundHalfEven(double v) { return std::nearbyint(v); }

// RoundHalfEven as a 32-bit integer, clamped to the 32-bit range first: a fast
// disk's byte rate passes 2^31, and converting it unclamped is undefined. A value
// that is not a number gives `notANumber`.
std::int32_t RoundToInt32(double v, std::int32_t notANumber);

// The display text of a byte amount or byte rate: with units ("1.5 Kb",
// "1,023 bytes", "1 byte") when `forceUnits` or `humanRead` is set, otherwise the
// bare number with one decimal. Units step by 1024.
std::string FormatSize(const TNumberStyle& style, bool humanRead, bool forceUnits, double value);
