#pragma once
// The bars' animation: each 50 ms tick moves what a bar shows a few units
// toward its target, and says whether it had anything to move.

#include "DataModel.h"

// A disk bar: Fill toward Round(OneValue), by 4 while more than 6 remain,
// else by 1. True when Fill was not at the target before the step.
bool StepBarFill(TProgressData* slot);

// `steps` steps of StepBarFill at once (the ticks a sleeping glide skipped).
// True when the fill moved.
bool StepBarFillBy(TProgressData* slot, std::int64_t steps);

// A bar shows its fill from -1 (no block) to 99 (every block): a fill beyond
// either end looks the same as that end. The number of StepBarFill steps until
// what the bar shows changes, or 0 when the rest of its glide (if any) stays
// beyond an end and shows nothing new.
std::int64_t StepsUntilBarShowsAStep(const TProgressData& slot);

// Core bars: every DataA column toward its DataB target, by 4 while more than
// 10 remain (or the difference is not a number), else by 1. True when either
// slot's columns differed from their targets before the step. Missing slots
// (nullptr) are skipped.
bool StepCoreBars(TProgressData* first, TProgressData* second);

// Whether a step would move anything, without stepping: a disk bar whose Fill
// is not at its target, core bars whose columns differ from their targets.
bool BarNeedsStep(const TProgressData& slot);
bool CoreBarsNeedStep(const TProgressData* first, const TProgressData* second);
