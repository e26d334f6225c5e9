#include "HwmonChips.h"

#include <charconv>
#include <map>
#include <set>

namespace {

std::optional<double> ParseNumber(const std::optional<std::string>& text)
{
    if (!text || text->empty()) return std::nullopt;
    double v = 0;
    auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), v);
    if (ec != std::errc{} || end != text->data() + text->size()) return std::nullopt;
    return v;
}

struct TAttributeKind {
    std::string_view Prefix;
    std::string_view Kind;
    std::string_view Type;
    std::string_view PlainName;
    double Scale;    // raw value times Scale gives the program's unit
    double Min, Max; // physically possible range after scaling
};

constexpr TAttributeKind Kinds[] = {
    {"temp", "temperature", "Temperature", "Temperature", 1e-3, -40.0, 150.0},
    {"fan", "fan", "Fan", "Fan", 1.0, 0.0, 30000.0},
    {"in", "voltage", "Voltage", "Voltage", 1e-3, -300.0, 300.0},
    {"power", "power", "Power", "Power", 1e-6, 0.0, 5000.0},
    {"energy", "power", "Power", "Power", 1e-6, 0.0, 1e15},
    {"pwm", "control", "Control", "Fan Control", 100.0 / 255.0, 0.0, 100.0},
    {"freq", "clock", "Clock", "Clock", 1e-6, 0.0, 100000.0},
};

// Splits "temp12_input" into ("temp", 12, "_input").
bool SplitAttribute(std::string_view file, std::string_view& prefix, int& index, std::string_view& suffix)
{
    std::size_t digits = file.find_first_of("0123456789");
    if (digits == std::string_view::npos || digits == 0) return false;
    std::size_t end = file.find_first_not_of("0123456789", digits);
    if (end == std::string_view::npos) end = file.size();
    prefix = file.substr(0, digits);
    suffix = file.substr(end);
    auto [p, ec] = std::from_chars(file.data() + digits, file.data() + end, index);
    return ec == std::errc{};
}

// The chip's sensor attributes with their labels. power prefers _average to
// _input, and keeps _input to fall back on.
std::vector<TChipAttribute> DiscoverAttributes(const TRootFs& fs, const std::string& attrDir)
{
    struct TFound {
        std::string Base, File, Fallback;
    };
    std::map<std::pair<int, int>, TFound> inputs; // (kind, index) -> files
    for (const std::string& file : fs.List(attrDir)) {
        std::string_view prefix, suffix;
        int index = 0;
        if (!SplitAttribute(file, prefix, index, suffix)) continue;
        for (int k = 0; k < int(std::size(Kinds)); ++k) {
            if (Kinds[k].Prefix != prefix) continue;
            bool isPwm = prefix == "pwm";
            bool wanted = isPwm ? suffix.empty() : (suffix == "_input" || (prefix == "power" && suffix == "_average"));
            if (!wanted) break;
            TFound& found = inputs[std::pair{k, index}];
            found.Base = std::string(prefix) + std::to_string(index);
            if (suffix == "_average") {
                if (!found.File.empty()) found.Fallback = found.File;
                found.File = file;
            } else if (found.File.empty()) {
                found.File = file;
            } else {
                found.Fallback = file;
            }
            break;
        }
    }
    std::vector<TChipAttribute> attributes;
    attributes.reserve(inputs.size());
    for (const auto& [key, source] : inputs) {
        const auto label = fs.ReadText(attrDir + "/" + source.Base + "_label");
        TChipAttribute a = *DescribeAttribute(Kinds[key.first].Prefix, key.second, label.value_or(""));
        a.File = source.File;
        a.FallbackFile = source.Fallback;
        if (a.Kind == "temperature") {
            const std::string base = attrDir + "/" + source.Base;
            const auto limit = [&](const char* suffix) -> std::optional<double> {
                const auto raw = ParseNumber(fs.ReadText(base + suffix));
                return raw ? std::optional<double>(*raw * a.Scale) : std::nullopt;
            };
            a.Limits = TemperatureLimits(limit("_max"), limit("_crit"), limit("_emergency"));
        }
        attributes.push_back(std::move(a));
    }
    return attributes;
}

} // namespace

TTemperatureLimits TemperatureLimits(std::optional<double> max, std::optional<double> crit,
                                     std::optional<double> emergency)
{
    const auto plausible = [](std::optional<double> limit) {
        return limit && *limit >= 20.0 && *limit <= 150.0 ? limit : std::nullopt;
    };
    max = plausible(max);
    crit = plausible(crit);
    emergency = plausible(emergency);
    TTemperatureLimits limits;
    if (max) {
        limits = {max, crit ? crit : emergency};
    } else if (crit && emergency && *emergency > *crit) {
        limits = {crit, emergency};
    } else {
        limits.Critical = crit ? crit : emergency;
    }
    if (limits.High && limits.Critical && *limits.Critical < *limits.High) limits.Critical.reset();
    return limits;
}

std::optional<TChipAttribute> DescribeAttribute(std::string_view prefix, int index, const std::string& label)
{
    for (const TAttributeKind& kind : Kinds) {
        if (kind.Prefix != prefix) continue;
        TChipAttribute a;
        a.Kind = kind.Kind;
        a.Type = kind.Type;
        a.Attribute = std::string(prefix) + std::to_string(index);
        a.Scale = kind.Scale;
        a.Min = kind.Min;
        a.Max = kind.Max;
        a.IsEnergy = kind.Prefix == "energy";
        a.ZeroIsNoValue = kind.Prefix == "temp";
        a.Name = label.empty() ? std::string(kind.PlainName) + " #" + std::to_string(index) : label;
        return a;
    }
    return std::nullopt;
}

namespace {

THwmonChip MakeChip(const TRootFs& fs, const std::string& dir)
{
    THwmonChip chip;
    chip.Dir = fs.ResolveDir(dir);
    chip.AttrDir = chip.Dir;
    if (auto name = fs.ReadText(chip.Dir + "/name")) {
        chip.Name = *name;
    } else if (auto oldName = fs.ReadText(chip.Dir + "/device/name")) {
        // Older drivers keep the name and the attributes on the device.
        chip.Name = *oldName;
        chip.AttrDir = fs.ResolveDir(chip.Dir + "/device");
    }
    chip.DeviceName = fs.LinkName(chip.Dir + "/device").value_or("");
    return chip;
}

} // namespace

std::vector<THwmonChip> ChipsIn(const TRootFs& fs, const std::string& dir, const std::string& unnamed)
{
    std::vector<THwmonChip> chips;
    std::set<std::string> seen;
    for (const std::string& entry : fs.List(dir)) {
        if (!entry.starts_with("hwmon")) continue;
        THwmonChip chip = MakeChip(fs, dir + "/" + entry);
        if (chip.Name.empty()) chip.Name = unnamed;
        if (chip.Name.empty() || chip.Name.find('/') != std::string::npos) continue;
        if (!seen.insert(chip.Dir).second) continue;
        chip.Attributes = DiscoverAttributes(fs, chip.AttrDir);
        chips.push_back(std::move(chip));
    }
    // Chips that name and device leave alike are told apart by their position.
    std::map<std::string, int> alike;
    for (const THwmonChip& chip : chips) ++alike[chip.Key()];
    std::map<std::string, int> position;
    for (THwmonChip& chip : chips)
        if (alike[chip.Key()] > 1) chip.Position = ++position[chip.Key()];
    return chips;
}

std::vector<THwmonChip> FindHwmonChips(const TRootFs& fs) { return ChipsIn(fs, "/sys/class/hwmon"); }

std::vector<TChipReading> ReadChip(const TRootFs& fs, const THwmonChip& chip)
{
    std::vector<TChipReading> readings;
    readings.reserve(chip.Attributes.size());
    for (const TChipAttribute& a : chip.Attributes) {
        auto raw = ParseNumber(fs.ReadText(chip.AttrDir + "/" + a.File));
        if (!raw && !a.FallbackFile.empty()) raw = ParseNumber(fs.ReadText(chip.AttrDir + "/" + a.FallbackFile));
        if (!raw) continue;
        const double value = *raw * a.Scale;
        if (!(value >= a.Min && value <= a.Max)) continue;
        if (a.ZeroIsNoValue && *raw == 0) continue;
        readings.push_back({&a, value});
    }
    return readings;
}
