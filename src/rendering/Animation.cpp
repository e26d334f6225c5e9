#include "Animation.h"

#include "NumberStyle.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

// The fill after `steps` steps from `fill` toward `target`: by 4 while more
// than 6 remain, then by 1 (in 64 bits: the gap of two 32-bit values needs 33).
std::int64_t FillAfter(std::int64_t fill, std::int64_t target, std::int64_t steps)
{
    const std::int64_t gap = std::abs(target - fill);
    const std::int64_t direction = target < fill ? -1 : 1;
    const std::int64_t bigSteps = gap > 6 ? (gap - 6 + 3) / 4 : 0;
    const std::int64_t big = std::min(steps, bigSteps);
    fill += direction * 4 * big;
    const std::int64_t small = std::min(steps - big, std::abs(target - fill));
    return fill + direction * small;
}

// The steps of a whole glide from `fill` to `target`.
std::int64_t GlideSteps(std::int64_t fill, std::int64_t target)
{
    const std::int64_t gap = std::abs(target - fill);
    const std::int64_t bigSteps = gap > 6 ? (gap - 6 + 3) / 4 : 0;
    return bigSteps + (gap - 4 * bigSteps);
}

std::int64_t ShownFill(std::int64_t fill) { return std::clamp<std::int64_t>(fill, -1, 99); }

} // namespace

bool StepBarFill(TProgressData* slot) { return StepBarFillBy(slot, 1); }

bool StepBarFillBy(TProgressData* slot, std::int64_t steps)
{
    if (!slot || steps <= 0) return false;
    const std::int64_t target = RoundToInt32(slot->OneValue, -1);
    const std::int64_t fill = FillAfter(slot->Fill, target, steps);
    if (fill == slot->Fill) return false;
    slot->Fill = static_cast<std::int32_t>(fill);
    return true;
}

std::int64_t StepsUntilBarShowsAStep(const TProgressData& slot)
{
    const std::int64_t target = RoundToInt32(slot.OneValue, -1);
    const std::int64_t fill = slot.Fill;
    const std::int64_t shown = ShownFill(fill);
    // The fill moves steadily toward the target: the first step that shows
    // something new is found by halving.
    std::int64_t high = GlideSteps(fill, target);
    if (high == 0 || ShownFill(FillAfter(fill, target, high)) == shown) return 0;
    std::int64_t low = 1;
    while (low < high) {
        const std::int64_t middle = low + (high - low) / 2;
        if (ShownFill(FillAfter(fill, target, middle)) != shown)
            high = middle;
        else
            low = middle + 1;
    }
    return low;
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

bool BarNeedsStep(const TProgressData& slot) { return RoundToInt32(slot.OneValue, -1) != slot.Fill; }

bool CoreBarsNeedStep(const TProgressData* first, const TProgressData* second)
{
    std::optional<TProgressData> a, b;
    if (first) a = *first;
    if (second) b = *second;
    return StepCoreBars(a ? &*a : nullptr, b ? &*b : nullptr);
}
