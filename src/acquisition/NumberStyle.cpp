#include "NumberStyle.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

EFormatError::EFormatError(std::string_view pattern)
    : std::runtime_error("Format '" + std::string(pattern) + "' invalid or incompatible with argument")
{
}

namespace {

// `value` in fixed point with `decimals` decimals, grouped and with the style's separators.
void AppendNumber(std::string& out, const TNumberStyle& style, double value, int decimals)
{
    if (std::isnan(value)) { out += "NAN"; return; }
    if (std::isinf(value)) { out += value < 0 ? "-INF" : "INF"; return; }

    // to_chars rounds the exact binary value; an exact tie goes to the even digit.
    std::array<char, 400> digits{};
    auto [end, ec] = std::to_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::fixed, decimals);
    if (ec != std::errc{}) throw EFormatError("%n");
    std::string_view text(digits.data(), static_cast<std::size_t>(end - digits.data()));

    bool negative = text.starts_with('-');
    if (negative) text.remove_prefix(1);
    std::size_t point = text.find('.');
    std::string_view whole = text.substr(0, point);
    std::string_view fraction = point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);

    // A value that rounds to zero is written without a minus sign.
    if (negative && text.find_first_not_of("0.") != std::string_view::npos) out += '-';
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0) out += style.ThousandSeparator;
        out += whole[i];
    }
    if (!fraction.empty()) {
        out += style.DecimalSeparator;
        out += fraction;
    }
}

} // namespace

std::string FormatPattern(const TNumberStyle& style, std::string_view pattern, std::initializer_list<TFormatArg> args)
{
    std::string out;
    out.reserve(pattern.size() + 16);
    auto next = args.begin();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (c != '%') { out += c; continue; }
        if (++i >= pattern.size()) throw EFormatError(pattern);
        if (pattern[i] == '%') { out += '%'; continue; }

        int decimals = 2;
        if (pattern[i] == '.') {
            std::size_t start = ++i;
            while (i < pattern.size() && pattern[i] >= '0' && pattern[i] <= '9') ++i;
            if (i == start || i - start > 2 || i >= pattern.size()) throw EFormatError(pattern);
            decimals = std::stoi(std::string(pattern.substr(start, i - start)));
        }
        if (next == args.end()) throw EFormatError(pattern);
        const TFormatArg& arg = *next++;
        if (pattern[i] == 'n' && std::holds_alternative<double>(arg))
            AppendNumber(out, style, std::get<double>(arg), decimals);
        else if (pattern[i] == 's' && std::holds_alternative<std::string_view>(arg))
            out += std::get<std::string_view>(arg);
        else
            throw EFormatError(pattern);
    }
    return out;
}

std::string FormatValue(const TNumberStyle& style, std::string_view format, double value)
{
    if (format.empty()) return {};
    return FormatPattern(style, format, {value});
}

std::string FormatSize(const TNumberStyle& style, bool humanRead, bool forceUnits, double value)
{
    if (!forceUnits && !humanRead) return FormatPattern(style, "%.1n", {value});

    std::string_view unit = RoundHalfEven(value) == 1.0 ? "byte" : "bytes";
    if (!(value >= 1024.0)) // below 1024, negative, or not a number
        return FormatPattern(style, "%.0n %s", {value, unit});

    struct Range { double below; double divisor; std::string_view unit; };
    static constexpr std::array<Range, 3> Ranges = {{
        {1048576.0, 1024.0, "Kb"},
        {1073741824.0, 1048576.0, "Mb"},
        {1099511627776.0, 1073741824.0, "Gb"},
    }};
    for (const Range& r : Ranges)
        if (value < r.below) return FormatPattern(style, "%.1n %s", {value / r.divisor, r.unit});
    return FormatPattern(style, "%.1n %s", {value / 1099511627776.0, std::string_view("Tb")});
}

std::int32_t RoundToInt32(double v, std::int32_t notANumber)
{
    if (std::isnan(v)) return notANumber;
    constexpr double Lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double Highest = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(RoundHalfEven(v), Lowest, Highest));
}
