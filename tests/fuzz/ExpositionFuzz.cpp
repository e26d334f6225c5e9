// Any bytes as a server's answer to /metrics.
//
// Checks, besides the sanitizers' own:
//  - the parse either gives samples or a reason naming a line, never both;
//  - every sample has a name of the format's letters and a value that is a
//    number or NaN or an infinity;
//  - a sample written back in the format, with its labels escaped, parses to
//    the same name, labels and value.

#include "Exposition.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Require(bool condition, const char* what)
{
    if (condition) return;
    std::fprintf(stderr, "fuzz_exposition: broken: %s\n", what);
    std::abort();
}

std::string Escaped(const std::string& value)
{
    std::string out;
    for (char c : value) {
        if (c == '\\' || c == '"') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto parsed = ParseExposition(text, error);
    Require(parsed.has_value() == error.empty(), "a result and a reason together, or neither");
    if (!parsed) {
        Require(error.starts_with("line "), "a reason that names no line");
        return 0;
    }
    for (const TMetricSample& s : parsed->Samples) {
        Require(!s.Name.empty(), "a sample without a name");
        for (char c : s.Name)
            Require((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == ':',
                    "a name outside the format's letters");
        std::string again = s.Name + "{";
        for (const auto& [key, value] : s.Labels) again += key + "=\"" + Escaped(value) + "\",";
        char number[64];
        std::snprintf(number, sizeof number, "%.17g", s.Value);
        again += "} " + std::string(std::isnan(s.Value) ? "NaN" : std::isinf(s.Value) ? (s.Value > 0 ? "+Inf" : "-Inf") : number);
        std::string againError;
        const auto back = ParseExposition(again, againError);
        Require(back && back->Samples.size() == 1, "a sample written back does not parse");
        const TMetricSample& b = back->Samples[0];
        Require(b.Name == s.Name && b.Labels == s.Labels, "a sample written back changed");
        Require((std::isnan(b.Value) && std::isnan(s.Value)) || b.Value == s.Value, "a value written back changed");
    }
    return 0;
}
