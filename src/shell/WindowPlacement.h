#pragma once
// Where a window goes when its stored position is no longer on a screen (a
// monitor unplugged since, a resolution lowered): the arithmetic only.

#include <QList>
#include <QPoint>
#include <QRect>

// Enough of the window to reach it shows on one screen: its title bar from
// its top edge and at least `MinVisibleBody` pixels of its body below it,
// `MinVisibleBody` pixels wide.
inline constexpr int MinVisibleBody = 100;
bool ReachableOnScreens(const QRect& frame, int titleHeight, const QList<QRect>& screens);

// The frame's top-left corner: where it is when it is reachable, else moved
// onto the nearest screen (the one closest to the frame's centre), as far
// into it as the window fits. Unchanged without screens.
QPoint PlaceOnScreens(const QRect& frame, int titleHeight, const QList<QRect>& screens);
