#include "Animation.h"

#include <optional>

#include "NumberStyle.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

bool StepBarFill(TProgressData* slot)
{
    if (!slot) return false;
    const std::int32_t target = RoundToInt32(slot->OneValue, -1);
    const std::int32_t current = slot->Fill;
    if (target == current) return false;
    // The gap of two 32-bit values needs 33 bits.
    const std::int32_t step = std::abs(std::int64_t{target} - current) > 6 ? 4 : 1;
    slot->Fill = target < current ? current - step : current + step;
    return true;
}

namespace {

bool StepColumns(TProgressData* slot)
{
    // Byte for byte: at rest the two series are identical copies.
    if (!slot || std::memcmp(slot->DataA.data(), slot->DataB.data(), sizeof(TDataArray)) == 0) return false;
    for (std::size_t i = 0; i < slot->DataA.size(); ++i) {
        const double b = slot->DataB[i];
        const double a = slot->DataA[i];
        const double gap = std::abs(b - a);
        const double step = (gap > 10 || std::isnan(gap)) ? 4 : 1;
        if (b < a) slot->DataA[i] = a - step;
        if (b > a) slot->DataA[i] = a + step;
    }
    return true;
}

} // namespace

bool StepCoreBars(TProgressData* first, TProgressData* second)
{
    const bool firstMoved = StepColumns(first);
    const bool secondMoved = StepColumns(second);
    return firstMoved || secondMoved;
}

bool BarNeedsStep(const TProgressData& slot)
{
    TProgressData copy = slot;
    return StepBarFill(&copy);
}

bool CoreBarsNeedStep(const TProgressData* first, const TProgressData* second)
{
    std::optional<TProgressData> a, b;
    if (first) a = *first;
    if (second) b = *second;
    return StepCoreBars(a ? &*a : nullptr, b ? &*b : nullptr);
}
