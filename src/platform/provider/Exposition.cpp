#include "Exposition.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace {

bool NameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':'; }
bool NameChar(char c) { return NameStart(c) || (c >= '0' && c <= '9'); }
bool Blank(char c) { return c == ' ' || c == '\t'; }

// Reads the text's parts from left to right; each step says what broke.
class TLineReader {
public:
    explicit TLineReader(std::string_view line) : FLine(line) {}

    bool AtEnd() const { return FAt >= FLine.size(); }
    char Peek() const { return AtEnd() ? '\0' : FLine[FAt]; }
    void SkipBlanks()
    {
        while (!AtEnd() && Blank(FLine[FAt])) ++FAt;
    }
    bool Take(char c)
    {
        if (Peek() != c) return false;
        ++FAt;
        return true;
    }
    // A metric name ([a-zA-Z_:][a-zA-Z0-9_:]*), or a label name (no ':').
    std::optional<std::string_view> Name(bool label)
    {
        const std::size_t start = FAt;
        if (AtEnd() || !NameStart(FLine[FAt]) || (label && FLine[FAt] == ':')) return std::nullopt;
        while (!AtEnd() && NameChar(FLine[FAt]) && !(label && FLine[FAt] == ':')) ++FAt;
        return FLine.substr(start, FAt - start);
    }
    // A double-quoted label value with its escapes.
    std::optional<std::string> Quoted()
    {
        if (!Take('"')) return std::nullopt;
        std::string value;
        while (!AtEnd()) {
            const char c = FLine[FAt++];
            if (c == '"') return value;
            if (c != '\\') {
                value += c;
                continue;
            }
            if (AtEnd()) return std::nullopt;
            const char e = FLine[FAt++];
            if (e == 'n')
                value += '\n';
            else if (e == '\\' || e == '"')
                value += e;
            else
                return std::nullopt;
        }
        return std::nullopt;
    }
    // The next blank-separated word.
    std::string_view Word()
    {
        const std::size_t start = FAt;
        while (!AtEnd() && !Blank(FLine[FAt])) ++FAt;
        return FLine.substr(start, FAt - start);
    }
    std::string_view Rest() const { return FLine.substr(std::min(FAt, FLine.size())); }

private:
    std::string_view FLine;
    std::size_t FAt = 0;
};

// A sample value: a float as Go writes it, or NaN, +Inf, -Inf (any letter case).
std::optional<double> ParseValue(std::string_view text)
{
    std::string lower;
    for (char c : text) lower += (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    if (lower == "nan") return std::numeric_limits<double>::quiet_NaN();
    if (lower == "+inf" || lower == "inf") return std::numeric_limits<double>::infinity();
    if (lower == "-inf") return -std::numeric_limits<double>::infinity();
    std::string_view digits = text;
    if (digits.starts_with('+')) digits.remove_prefix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || ec != std::errc{} || end != digits.data() + digits.size() || std::isnan(value)) return std::nullopt;
    return value;
}

// "\\" and "\n" in a HELP text.
std::string UnescapeHelp(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == 'n')) {
            out += text[++i] == 'n' ? '\n' : '\\';
        } else {
            out += text[i];
        }
    }
    return out;
}

// A comment line: HELP and TYPE are kept, any other comment is skipped.
std::optional<std::string> ParseComment(std::string_view line, TExposition& out)
{
    TLineReader r(line.substr(1));
    r.SkipBlanks();
    const std::string_view keyword = r.Word();
    if (keyword != "HELP" && keyword != "TYPE") return std::nullopt;
    r.SkipBlanks();
    const auto name = r.Name(false);
    if (!name || !(r.AtEnd() || Blank(r.Peek()))) return "a " + std::string(keyword) + " line without a metric name";
    r.SkipBlanks();
    if (keyword == "HELP") {
        out.Help[std::string(*name)] = UnescapeHelp(r.Rest());
        return std::nullopt;
    }
    const std::string_view type = r.Word();
    r.SkipBlanks();
    if (!r.AtEnd() || !(type == "counter" || type == "gauge" || type == "histogram" || type == "summary" || type == "untyped"))
        return "an unknown metric type \"" + std::string(type) + "\"";
    out.Types[std::string(*name)] = std::string(type);
    return std::nullopt;
}

std::optional<std::string> ParseSample(std::string_view line, TExposition& out)
{
    TLineReader r(line);
    TMetricSample sample;
    const auto name = r.Name(false);
    if (!name) return std::string("a sample without a metric name");
    sample.Name = std::string(*name);
    r.SkipBlanks();
    if (r.Take('{')) {
        r.SkipBlanks();
        while (!r.Take('}')) {
            const auto label = r.Name(true);
            if (!label) return std::string("a label without a name");
            r.SkipBlanks();
            if (!r.Take('=')) return "label " + std::string(*label) + " without \"=\"";
            r.SkipBlanks();
            auto value = r.Quoted();
            if (!value) return "label " + std::string(*label) + " without a properly quoted value";
            sample.Labels.emplace_back(std::string(*label), std::move(*value));
            r.SkipBlanks();
            if (r.Take(',')) {
                r.SkipBlanks();
                continue;
            }
            if (r.Peek() != '}') return std::string("labels not closed by \"}\"");
        }
        r.SkipBlanks();
    }
    const std::string_view valueText = r.Word();
    const auto value = ParseValue(valueText);
    if (!value) return "a value that is no number: \"" + std::string(valueText.substr(0, 40)) + "\"";
    sample.Value = *value;
    r.SkipBlanks();
    if (!r.AtEnd()) {
        const std::string_view stamp = r.Word();
        std::int64_t ms = 0;
        const auto [end, ec] = std::from_chars(stamp.data(), stamp.data() + stamp.size(), ms);
        if (ec != std::errc{} || end != stamp.data() + stamp.size()) return "a timestamp that is no integer: \"" + std::string(stamp.substr(0, 40)) + "\"";
        sample.TimestampMs = ms;
        r.SkipBlanks();
        if (!r.AtEnd()) return std::string("text after the timestamp");
    }
    out.Samples.push_back(std::move(sample));
    return std::nullopt;
}

const std::string NoLabel;

} // namespace

const std::string& TMetricSample::Label(std::string_view name) const
{
    for (const auto& [key, value] : Labels)
        if (key == name) return value;
    return NoLabel;
}

std::optional<TExposition> ParseExposition(std::string_view text, std::string& error)
{
    TExposition out;
    std::size_t number = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        ++number;
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.size() > ExpositionLineLimit) {
            error = "line " + std::to_string(number) + " is longer than " + std::to_string(ExpositionLineLimit) + " bytes";
            return std::nullopt;
        }
        if (line.find('\0') != std::string_view::npos) {
            error = "line " + std::to_string(number) + " holds a NUL: no text exposition";
            return std::nullopt;
        }
        while (!line.empty() && (Blank(line.back()) || line.back() == '\r')) line.remove_suffix(1);
        while (!line.empty() && Blank(line.front())) line.remove_prefix(1);
        if (line.empty()) continue;
        const auto problem = line.front() == '#' ? ParseComment(line, out) : ParseSample(line, out);
        if (problem) {
            error = "line " + std::to_string(number) + ": " + *problem;
            return std::nullopt;
        }
    }
    return out;
}
