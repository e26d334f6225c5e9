#include "SlotCollectors.h"

#include "SensorQueries.h"
#include "SensorTypes.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <optional>

namespace {

std::size_t Position(const TCollectContext& ctx)
{
    return static_cast<std::size_t>(((ctx.DiagIndex % DataArrayLength) + DataArrayLength) % DataArrayLength);
}

// The slot a collector may write, or nothing when it must not run.
TProgressData* Target(const TCollectContext& ctx, TWmiDataArray& data, int tag)
{
    return ctx.Stopped() ? nullptr : data.Slot(tag);
}

// The format with its first ".1n" turned into ".0n": totals show whole units.
std::string WholeUnits(std::string format)
{
    if (const auto at = format.find(".1n"); at != std::string::npos) format[at + 1] = '0';
    return format;
}

// A core number written in a sensor name: an optional sign and digits, nothing
// else; nothing for any other text.
std::optional<int> CoreNumber(const std::string& text)
{
    int value = 0;
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (begin != end && *begin == '+') ++begin;
    const auto [stop, ec] = std::from_chars(begin, end, value);
    if (begin == end || ec != std::errc{} || stop != end) return std::nullopt;
    return value;
}

// Reads one sensor into one series of the slot (its format, name and the
// value at the current position).
struct TSeries {
    std::string TProgressData::*Format;
    std::string TProgressData::*Name;
    TDataArray TProgressData::*Data;
};
constexpr TSeries SeriesA{&TProgressData::FrmtA, &TProgressData::NameA, &TProgressData::DataA};
constexpr TSeries SeriesB{&TProgressData::FrmtB, &TProgressData::NameB, &TProgressData::DataB};

TSensorQueryResult ReadSeries(const TCollectContext& ctx, TProgressData& slot, const TSeries& series,
                              std::string_view id)
{
    TSensorQueryResult sensor = QuerySensor(ctx.Service, id);
    slot.*series.Format = sensor.Format;
    slot.*series.Name = sensor.Name;
    (slot.*series.Data)[Position(ctx)] = sensor.Value;
    return sensor;
}

} // namespace

void ReadSingleSensor(const TCollectContext& ctx, TWmiDataArray& data, int tag, std::string_view id)
{
    TProgressData* slot = Target(ctx, data, tag);
    if (!slot) return;
    const TSensorQueryResult sensor = ReadSeries(ctx, *slot, SeriesA, id);
    slot->NameB = sensor.Type;
    slot->HighLimit = sensor.HighLimit;
    slot->CriticalLimit = sensor.CriticalLimit;
    // Throughput sensors carry byte rates: sizes, in units only when the disk
    // values are shown converted.
    const std::string valueText = SensorTypeIndex(sensor.Type) == SensorTypeThroughput
                                      ? FormatSize(ctx.Style, ctx.Setup.DiskHumanRead, false, sensor.Value)
                                      : FormatValue(ctx.Style, sensor.Format, sensor.Value);
    slot->DisplayText = FormatPattern(ctx.Style, "%s: %s", {sensor.Name, valueText});
}

void ReadMemory(const TCollectContext& ctx, TWmiDataArray& data, int tag, std::string_view usedId,
                std::string_view freeId)
{
    TProgressData* slot = Target(ctx, data, tag);
    if (!slot) return;
    const TSensorQueryResult used = ReadSeries(ctx, *slot, SeriesA, usedId);
    const std::string usedText = FormatValue(ctx.Style, used.Format, used.Value);

    // The total is worked out once and kept until the window clears it.
    double total = slot->DataB[1];
    std::string lastFormat = used.Format;
    if (total == 0.0) {
        const TSensorQueryResult free = QuerySensor(ctx.Service, freeId);
        slot->FrmtB = free.Format;
        slot->NameB = free.Name;
        slot->DataB[0] = free.Value;
        total = used.Value + free.Value;
        slot->DataB[1] = total;
        lastFormat = free.Format;
    }
    const std::string totalText = FormatValue(ctx.Style, WholeUnits(lastFormat), total);
    slot->DisplayText = FormatPattern(ctx.Style, "Mem: %s of %s", {usedText, totalText});
}

void ReadNetwork(const TCollectContext& ctx, TWmiDataArray& data, int tag, std::string_view uploadId,
                 std::string_view downloadId)
{
    TProgressData* slot = Target(ctx, data, tag);
    if (!slot) return;
    const TSensorQueryResult upload = ReadSeries(ctx, *slot, SeriesA, uploadId);
    const TSensorQueryResult download = ReadSeries(ctx, *slot, SeriesB, downloadId);

    // The histories keep bytes per second; only the texts show bits.
    const double factor = ctx.Setup.NetworkAsMbit ? 8.0 : 1.0;
    const double up = upload.Value * factor;
    const double down = download.Value * factor;
    std::string downText = FormatSize(ctx.Style, ctx.Setup.DiskHumanRead, true, down);
    std::string upText = FormatSize(ctx.Style, ctx.Setup.DiskHumanRead, true, up);
    std::string prefix = "Net: ";
    if (ctx.Setup.NetworkAsMbit) {
        if (down > 8) downText += "ps";
        if (up > 8) upText += "ps";
        prefix.clear();
    }
    slot->DisplayText = FormatPattern(ctx.Style, "%s↓%s ↑%s", {prefix, downText, upText});
}

void ReadDiskActivity(const TCollectContext& ctx, TWmiDataArray& data, int tag, std::string_view firstId,
                      std::string_view secondId)
{
    TProgressData* slot = Target(ctx, data, tag);
    if (!slot) return;
    const TSensorQueryResult first = ReadSeries(ctx, *slot, SeriesA, firstId);
    // The second sensor is queried even without an identifier: it reads as not found.
    const TSensorQueryResult second = ReadSeries(ctx, *slot, SeriesB, secondId);

    std::string firstText = FormatSize(ctx.Style, ctx.Setup.DiskHumanRead, false, first.Value);
    const std::string secondText = FormatSize(ctx.Style, ctx.Setup.DiskHumanRead, false, second.Value);
    if (!secondId.empty()) firstText = FormatPattern(ctx.Style, "%s ⁞ %s", {firstText, secondText});
    slot->DisplayText = FormatPattern(ctx.Style, "IO: %s", {firstText});
}

void ReadDiskBar(const TCollectContext& ctx, TWmiDataArray& data, int tag, std::string_view id)
{
    TProgressData* slot = Target(ctx, data, tag);
    if (!slot) return;
    TSensorQueryResult sensor;
    sensor.Value = -1.0;
    if (!id.empty()) {
        sensor = QuerySensor(ctx.Service, id);
        if (sensor.Name == "NA") sensor.Value = -1.0;
    }
    slot->FrmtA = sensor.Format;
    slot->NameA = sensor.Name;
    slot->NameB = QueryHardwareName(ctx.Service, sensor.Parent);
    slot->OneValue = sensor.Value;

    // Peak hold: with the slow fall-off a lower reading leaves the peak for two
    // cycles and the third one in a row brings it down.
    const std::int32_t value = RoundToInt32(sensor.Value, -1);
    if (ctx.Setup.DiskSlowPeak && value >= 0 && value < slot->Peak) {
        if (++slot->Count > 2) {
            slot->Count = 0;
            slot->Peak = value;
        }
    } else {
        slot->Count = 0;
        slot->Peak = value;
    }
}

void ReadCoreBars(const TCollectContext& ctx, TWmiDataArray& data, int firstTag, int secondTag, std::string_view id,
                  int height)
{
    TProgressData* first = Target(ctx, data, firstTag);
    if (!first) return;
    std::string prefix(id);
    while (!prefix.empty() && prefix.back() != '/') prefix.pop_back();
    if (prefix.empty()) return;

    const TWbemObjects items =
        ctx.Service.ExecQuery("SELECT * FROM Sensor WHERE Identifier like " + WqlQuote(prefix + "%"), "WQL", 32);

    std::array<double, MaxCoreBars> heights{};
    int count = 0;
    for (const TWbemObject& item : items) {
        const std::string name = item.Text("Name");
        if (name.find('#') == std::string::npos) continue;
        const auto slash = name.rfind('/');
        const std::optional<int> core = CoreNumber(slash != std::string::npos ? name.substr(slash + 1)
                                                                              : name.substr(name.find('#') + 1));
        // A name without a core number, or with one the table has no place
        // for, is left out: it neither shows under another core's number nor
        // takes a bar, and it cannot stop every cycle before the hand-over.
        if (!core || *core < 1 || *core > MaxCoreBars) continue;
        const double value = item.Number("Value");
        heights[static_cast<std::size_t>(*core - 1)] = std::min(std::trunc(height * value / 100.0), double(height));
        if (++count == MaxCoreBars) break;
    }

    TProgressData* second = data.Slot(secondTag);
    if (count == 0) {
        // No per-core sensor: no bars. The targets drop to zero, so shown bars
        // fall away instead of standing at their last heights.
        first->DataB.fill(0.0);
        if (second) second->DataB.fill(0.0);
        return;
    }
    const int barsPerArea = (count + 1) / 2;
    int barWidth = 98;
    int offset = 1;
    if (barsPerArea > 1) {
        barWidth = 99 / barsPerArea;
        offset = static_cast<int>(RoundHalfEven((99 % barWidth) / 2.0));
    }
    int cursor = 0;
    const auto spread = [&](TProgressData& slot) {
        for (int bar = 0; bar < barsPerArea && cursor != count; ++bar) {
            const double h = heights[static_cast<std::size_t>(cursor++)];
            const int start = bar * barWidth + offset;
            for (int column = start; column <= start + barWidth - 2; ++column)
                slot.DataB[static_cast<std::size_t>(column)] = h;
        }
    };
    spread(*first);
    if (second) spread(*second);
}

void CollectSlots(const TCollectContext& ctx, const TRefreshInputs& inputs, TWmiDataArray& data,
                  std::int32_t& diagIndex)
{
    struct TAdvance {
        std::int32_t& Index;
        ~TAdvance() { Index = (Index + 1) % DataArrayLength; }
    } advance{diagIndex};

    const TWmiSettings& s = ctx.Setup;
    const TRefreshTags& t = inputs.Tags;
    ReadSingleSensor(ctx, data, t.PaintBox1, s.sidCPUload);
    ReadSingleSensor(ctx, data, t.PaintBox2, s.sidGPUload);
    ReadSingleSensor(ctx, data, t.PaintBox3, s.sidCPUtemp);
    ReadSingleSensor(ctx, data, t.PaintBox4, s.sidGPUtemp);
    ReadMemory(ctx, data, t.PaintBox5, s.sidRAMused, s.sidRAMfree);
    ReadNetwork(ctx, data, t.PaintBox10, s.sidNETupld, s.sidNETdown);
    if (s.DiskDiagram) {
        ReadDiskActivity(ctx, data, t.DiskPaintBox1, s.sidHDD1, s.sidHDD1Alt);
    } else {
        ReadDiskBar(ctx, data, t.DiskPaintBox1, s.sidHDD1);
        ReadDiskBar(ctx, data, t.DiskPaintBox2, s.sidHDD2);
        ReadDiskBar(ctx, data, t.DiskPaintBox3, s.sidHDD3);
        ReadDiskBar(ctx, data, t.DiskPaintBox4, s.sidHDD4);
    }
    ReadSingleSensor(ctx, data, t.PaintBox6, s.sidCustom1);
    ReadSingleSensor(ctx, data, t.PaintBox7, s.sidCustom2);
    if (s.ShowCpuBars) ReadCoreBars(ctx, data, t.PaintBox8, t.PaintBox9, s.sidCPUload, inputs.CoreBarsHeight);
}
