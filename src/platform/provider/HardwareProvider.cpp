#include "HardwareProvider.h"

#include "AsciiText.h"
#include "SourceReader.h"

#include <algorithm>
#include <bit>
#include <set>

// One source's items as last read.
struct THardwareProvider::TPart {
    TTime Taken;
    THardwareSample Items;
    std::shared_ptr<const TWbemObjects> HardwareObjects;
    std::shared_ptr<const TWbemObjects> SensorObjects;
};

// The full listing: every source's part, in the sources' order.
struct THardwareProvider::TWhole {
    TParts Parts;
    std::shared_ptr<const THardwareSample> Sample;
    std::shared_ptr<const TWbemObjects> HardwareObjects;
    std::shared_ptr<const TWbemObjects> SensorObjects;
};

// Cumulative counters of the previous sample, by sensor identifier, and what
// was found about the hardware.
struct THardwareProvider::TCounters {
    struct TSource {
        std::optional<TTime> Taken;
        std::map<std::string, double> Values;
    };
    std::array<TSource, HardwareSourceCount> Sources;
    std::map<std::string, double> Next;
    std::optional<TTime> FoundAt;
    TDiscovery Found;
    // The sensors of each video card as last read while it was awake, by the
    // card's identifier: a sleeping card is listed with them instead of being
    // woken up by a read.
    std::map<std::string, std::vector<TSensorItem>> AwakeCards;
};

TWbemObjects HardwareObjects(const std::vector<THardwareItem>& items)
{
    TWbemObjects out;
    out.reserve(items.size());
    for (const THardwareItem& h : items) {
        TWbemObject o("Hardware");
        o.Set("HardwareType", h.HardwareType).Set("Parent", h.Parent).Set("Identifier", h.Identifier).Set("Name", h.Name);
        // Network adapters say whether they are wireless (an addition to the
        // class's properties: the settings dialog prefers such an adapter).
        if (h.HardwareType == "Network") o.Set("Wireless", h.Wireless ? 1.0 : 0.0);
        out.push_back(std::move(o));
    }
    return out;
}

TWbemObjects SensorObjects(const std::vector<TSensorItem>& items)
{
    TWbemObjects out;
    out.reserve(items.size());
    for (const TSensorItem& s : items) {
        TWbemObject o("Sensor");
        o.Set("SensorType", s.SensorType).Set("Parent", s.Parent).Set("Identifier", s.Identifier).Set("Name", s.Name).Set("Value", s.Value);
        if (s.HighLimit) o.Set("HighLimit", *s.HighLimit);
        if (s.CriticalLimit) o.Set("CriticalLimit", *s.CriticalLimit);
        out.push_back(std::move(o));
    }
    return out;
}

namespace {

// Identifier prefixes of each source's items.
constexpr std::pair<std::string_view, THardwareSource> SourcePrefixes[] = {
    {"/cpu/", THardwareSource::Processor},      {"/ram", THardwareSource::Memory},
    {"/gpu-amd/", THardwareSource::DrmCards},    {"/gpu-intel/", THardwareSource::DrmCards},
    {"/gpu-nvidia/", THardwareSource::LibraryGpus},
    {"/nic/", THardwareSource::Network},        {"/storage/", THardwareSource::Disks},
    {"/lpc/", THardwareSource::OtherChips},     {"/hwmon/", THardwareSource::OtherChips},
    {"/motherboard", THardwareSource::OtherChips},
};

constexpr THardwareSources Bit(THardwareSource source) { return 1u << static_cast<int>(source); }

// A garbled file can name one thing twice (two "cpu1" lines in /proc/stat, an
// interface listed twice): the first keeps the identifier, so that a sensor
// chosen by its identifier stays one sensor.
template <class TItem>
void KeepFirstOfEachIdentifier(std::vector<TItem>& items)
{
    std::set<std::string_view> seen;
    std::vector<bool> repeated(items.size());
    bool any = false;
    for (std::size_t i = 0; i < items.size(); ++i) {
        repeated[i] = !seen.insert(items[i].Identifier).second;
        any = any || repeated[i];
    }
    if (!any) return;
    std::vector<TItem> kept;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (!repeated[i]) kept.push_back(std::move(items[i]));
    items.swap(kept);
}

bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && SameTextIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

} // namespace

THardwareSources SourcesOfQuery(const TWqlQuery& query)
{
    if (query.Match == TWqlQuery::TMatch::All || !SameTextIgnoringAsciiCase(query.Property, "Identifier"))
        return AllHardwareSources;
    THardwareSources sources = 0;
    if (query.Match == TWqlQuery::TMatch::Equals) {
        for (const auto& [prefix, source] : SourcePrefixes)
            if (StartsWithIgnoringAsciiCase(query.Literal, prefix)) sources |= Bit(source);
        return sources;
    }
    // LIKE: the text before the first wildcard must agree with the prefix as
    // far as both go.
    std::string_view fixed = query.Literal;
    fixed = fixed.substr(0, std::min(fixed.find('%'), fixed.find('_')));
    for (const auto& [prefix, source] : SourcePrefixes)
        if (StartsWithIgnoringAsciiCase(fixed, prefix) || StartsWithIgnoringAsciiCase(prefix, fixed)) sources |= Bit(source);
    return sources;
}

THardwareProvider::THardwareProvider(std::filesystem::path root, TClock clock, std::shared_ptr<IGpuLibrary> nvidia)
    : FFs(std::move(root)), FClock(std::move(clock)), FNvidia(std::move(nvidia)), FCounters(std::make_unique<TCounters>())
{
}

THardwareProvider::~THardwareProvider() = default;

std::shared_ptr<const THardwareProvider::TPart> THardwareProvider::TakeSample(THardwareSource source)
{
    // Called with FSampling held.
    TTime now = FClock();
    TCounters::TSource& state = FCounters->Sources[static_cast<std::size_t>(source)];
    double seconds = state.Taken ? std::chrono::duration<double>(now - *state.Taken).count() : 0.0;
    // Resolved folders, chips and their labels are kept for a while: walking
    // links and listing folders are most of a sample's cost. Finding them
    // anew now and then finds re-plugged devices.
    if (!FCounters->FoundAt || now - *FCounters->FoundAt > RediscoveryInterval) {
        FFs.ForgetResolvedFolders();
        FCounters->FoundAt = now;
        auto processorName = std::move(FCounters->Found.ProcessorName);
        FCounters->Found = {};
        FCounters->Found.ProcessorName = std::move(processorName);
    }
    auto part = std::make_shared<TPart>();
    part->Taken = now;
    FCounters->Next.clear();
    const TSourceContext context{FFs, state.Values, FCounters->Next, seconds, part->Items, FCounters->Found, FCounters->AwakeCards};
    switch (source) {
    case THardwareSource::Processor: ReadProcessor(context); break;
    case THardwareSource::Memory: ReadMemory(context); break;
    case THardwareSource::DrmCards: ReadDrmCards(context); break;
    case THardwareSource::LibraryGpus:
        if (FNvidia) ReadLibraryGpus(context, *FNvidia);
        break;
    case THardwareSource::Network: ReadNetwork(context); break;
    case THardwareSource::Disks: ReadDisks(context); break;
    case THardwareSource::OtherChips: ReadOtherChips(context); break;
    }
    KeepFirstOfEachIdentifier(part->Items.Hardware);
    KeepFirstOfEachIdentifier(part->Items.Sensors);
    state.Values.swap(FCounters->Next);
    state.Taken = now;
    ++FSamplesTaken[static_cast<std::size_t>(source)];

    part->HardwareObjects = std::make_shared<const TWbemObjects>(HardwareObjects(part->Items.Hardware));
    part->SensorObjects = std::make_shared<const TWbemObjects>(SensorObjects(part->Items.Sensors));
    return part;
}

THardwareProvider::TParts THardwareProvider::Current(THardwareSources sources)
{
    TParts parts;
    auto copyLatest = [&] {
        std::lock_guard lock(FLatest);
        parts = FParts;
    };
    auto needed = [&](std::size_t i) { return (sources >> i) & 1u; };
    auto allFresh = [&] {
        const TTime now = FClock();
        for (std::size_t i = 0; i < parts.size(); ++i)
            if (needed(i) && !(parts[i] && now - parts[i]->Taken < SampleMaxAge)) return false;
        return true;
    };
    copyLatest();
    if (allFresh()) return parts;

    // Another thread already sampling: use the samples at hand rather than
    // wait for its file reads (only a source's very first query has to wait).
    std::unique_lock sampling(FSampling, std::try_to_lock);
    if (!sampling.owns_lock()) {
        bool present = true;
        for (std::size_t i = 0; i < parts.size(); ++i) present = present && (!needed(i) || parts[i]);
        if (present) return parts;
        sampling.lock();
    }
    copyLatest();
    const TTime now = FClock();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (!needed(i) || (parts[i] && now - parts[i]->Taken < SampleMaxAge)) continue;
        parts[i] = TakeSample(static_cast<THardwareSource>(i));
        std::lock_guard lock(FLatest);
        FParts[i] = parts[i];
    }
    return parts;
}

std::shared_ptr<const THardwareProvider::TWhole> THardwareProvider::Whole()
{
    const TParts parts = Current(AllHardwareSources);
    {
        std::lock_guard lock(FLatest);
        if (FWhole && FWhole->Parts == parts) return FWhole;
    }
    auto sample = std::make_shared<THardwareSample>();
    auto hardware = std::make_shared<TWbemObjects>();
    auto sensors = std::make_shared<TWbemObjects>();
    for (const auto& part : parts) {
        sample->Hardware.insert(sample->Hardware.end(), part->Items.Hardware.begin(), part->Items.Hardware.end());
        sample->Sensors.insert(sample->Sensors.end(), part->Items.Sensors.begin(), part->Items.Sensors.end());
        hardware->insert(hardware->end(), part->HardwareObjects->begin(), part->HardwareObjects->end());
        sensors->insert(sensors->end(), part->SensorObjects->begin(), part->SensorObjects->end());
    }
    auto whole = std::make_shared<TWhole>(TWhole{parts, std::move(sample), std::move(hardware), std::move(sensors)});
    std::lock_guard lock(FLatest);
    FWhole = whole;
    return whole;
}

std::shared_ptr<const THardwareSample> THardwareProvider::Sample() { return Whole()->Sample; }

long THardwareProvider::SamplesTaken(THardwareSource source) const
{
    return FSamplesTaken[static_cast<std::size_t>(source)].load();
}

std::shared_ptr<const TWbemObjects> THardwareProvider::Objects(THardwareSources sources, bool hardware)
{
    auto of = [hardware](const TPart& part) { return hardware ? part.HardwareObjects : part.SensorObjects; };
    if (sources == AllHardwareSources) {
        auto whole = Whole();
        return hardware ? whole->HardwareObjects : whole->SensorObjects;
    }
    const TParts parts = Current(sources);
    // One source, as a refresh cycle's queries ask: its own objects, no copy.
    if (std::has_single_bit(sources)) return of(*parts[static_cast<std::size_t>(std::countr_zero(sources))]);
    auto merged = std::make_shared<TWbemObjects>();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (!((sources >> i) & 1u)) continue;
        const auto objects = of(*parts[i]);
        merged->insert(merged->end(), objects->begin(), objects->end());
    }
    return merged;
}

std::optional<std::shared_ptr<const TWbemObjects>> THardwareProvider::Objects(std::string_view className)
{
    if (SameTextIgnoringAsciiCase(className, "Hardware")) return Objects(AllHardwareSources, true);
    if (SameTextIgnoringAsciiCase(className, "Sensor")) return Objects(AllHardwareSources, false);
    return std::nullopt;
}

std::optional<std::shared_ptr<const TWbemObjects>> THardwareProvider::ObjectsFor(const TWqlQuery& query)
{
    const bool hardware = SameTextIgnoringAsciiCase(query.ClassName, "Hardware");
    if (!hardware && !SameTextIgnoringAsciiCase(query.ClassName, "Sensor")) return std::nullopt;
    return Objects(SourcesOfQuery(query), hardware);
}
