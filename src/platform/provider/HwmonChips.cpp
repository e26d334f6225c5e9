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

std::vector<THwmonChip> ChipsIn(const TRootFs& fs, const std::string& dir)
{
    std::vector<THwmonChip> chips;
    std::set<std::string> seen;
    for (const std::string& entry : fs.List(dir)) {
        if (!entry.starts_with("hwmon")) continue;
        THwmonChip chip = MakeChip(fs, dir + "/" + entry);
        if (chip.Name.empty() || chip.Name.find('/') != std::string::npos) continue;
        if (!seen.insert(chip.Dir).second) continue;
        chips.push_back(std::move(chip));
    }
    return chips;
}

std::vector<THwmonChip> FindHwmonChips(const TRootFs& fs) { return ChipsIn(fs, "/sys/class/hwmon"); }

std::vector<TChipReading> ReadChip(const TRootFs& fs, const THwmonChip& chip)
{
    // Attribute base ("temp1") -> the file to read. power prefers _average to _input.
    std::map<std::pair<int, int>, std::pair<std::string, std::string>> inputs; // (kind, index) -> (base, file)
    for (const std::string& file : fs.List(chip.AttrDir)) {
        std::string_view prefix, suffix;
        int index = 0;
        if (!SplitAttribute(file, prefix, index, suffix)) continue;
        for (int k = 0; k < int(std::size(Kinds)); ++k) {
            if (Kinds[k].Prefix != prefix) continue;
            bool isPwm = prefix == "pwm";
            bool wanted = isPwm ? suffix.empty() : (suffix == "_input" || (prefix == "power" && suffix == "_average"));
            if (!wanted) break;
            auto key = std::pair{k, index};
            std::string base = std::string(prefix) + std::to_string(index);
            auto it = inputs.find(key);
            if (it == inputs.end() || suffix == "_average") inputs[key] = {base, file};
            break;
        }
    }

    std::vector<TChipReading> readings;
    for (const auto& [key, source] : inputs) {
        const TAttributeKind& kind = Kinds[key.first];
        auto raw = ParseNumber(fs.ReadText(chip.AttrDir + "/" + source.second));
        if (!raw) continue;
        double value = *raw * kind.Scale;
        if (!(value >= kind.Min && value <= kind.Max)) continue;
        // Chips that have no sensor behind a temperature input report exactly 0.
        if (kind.Prefix == "temp" && *raw == 0) continue;
        TChipReading r;
        r.Kind = kind.Kind;
        r.Type = kind.Type;
        r.Attribute = source.first;
        r.IsEnergy = kind.Prefix == "energy";
        r.Value = value;
        auto label = fs.ReadText(chip.AttrDir + "/" + source.first + "_label");
        r.Name = label && !label->empty() ? *label : std::string(kind.PlainName) + " #" + std::to_string(key.second);
        readings.push_back(std::move(r));
    }
    return readings;
}
