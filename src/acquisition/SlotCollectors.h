#pragma once
// The slot collectors: one refresh cycle's reading of every configured sensor
// into the working copy of the diagram slots, with the captions, units, the
// disk bars' peak hold and the layout of the per-core bars.

#include "DataModel.h"
#include "NumberStyle.h"
#include "Wbem.h"

#include <atomic>
#include <cstdint>
#include <string_view>

// The tags of the paint areas whose slots a cycle reads and writes, as the
// window had them when the cycle began.
struct TRefreshTags {
    int PaintBox1 = 1;
    int PaintBox2 = 2;
    int PaintBox3 = 3;
    int PaintBox4 = 4;
    int PaintBox5 = 5;
    int PaintBox10 = 6;
    int DiskPaintBox1 = 7;
    int DiskPaintBox2 = 14;
    int DiskPaintBox3 = 15;
    int DiskPaintBox4 = 16;
    int PaintBox6 = 12;
    int PaintBox7 = 13;
    int PaintBox8 = 10;
    int PaintBox9 = 11;
    int PaintBox12 = 9;
    bool operator==(const TRefreshTags&) const = default;
};

// Everything a cycle needs from the window: one consistent copy per cycle.
struct TRefreshInputs {
    TWmiSettings Setup;
    TRefreshTags Tags;
    int CoreBarsHeight = 71; // the height of PaintBox8 in pixels
};

// The most cores the per-core bars show.
inline constexpr int MaxCoreBars = 96;

// What every collector works with. `Terminated` set makes every collector
// return at once without touching anything.
struct TCollectContext {
    const TWbemService& Service;
    const TNumberStyle& Style;
    const TWmiSettings& Setup;
    std::int32_t DiagIndex = 0; // the history position this cycle writes
    const std::atomic<bool>* Terminated = nullptr;

    bool Stopped() const { return Terminated && Terminated->load(); }
};

void ReadSingleSensor(const TCollectContext& ctx, TWmiDataArray& data, int tag, std::string_view id);
void ReadMemory(const TCollectContext& ctx, TWmiDataArray& data, int tag, std::string_view usedId,
                std::string_view freeId);
void ReadNetwork(const TCollectContext& ctx, TWmiDataArray& data, int tag, std::string_view uploadId,
                 std::string_view downloadId);
void ReadDiskActivity(const TCollectContext& ctx, TWmiDataArray& data, int tag, std::string_view firstId,
                      std::string_view secondId);
void ReadDiskBar(const TCollectContext& ctx, TWmiDataArray& data, int tag, std::string_view id);
// `height` is the first area's height in pixels: the full bar.
void ReadCoreBars(const TCollectContext& ctx, TWmiDataArray& data, int firstTag, int secondTag, std::string_view id,
                  int height);

// All collectors in the cycle's order. On the way out, also when a collector
// raises, `diagIndex` advances to the next history position (a ring of 100).
void CollectSlots(const TCollectContext& ctx, const TRefreshInputs& inputs, TWmiDataArray& data,
                  std::int32_t& diagIndex);
