#include "WindowPlacement.h"

#include <algorithm>
#include <limits>

bool ReachableOnScreens(const QRect& frame, int titleHeight, const QList<QRect>& screens)
{
    return std::any_of(screens.begin(), screens.end(), [&](const QRect& screen) {
        const QRect shown = frame.intersected(screen);
        return !shown.isEmpty() && shown.top() == frame.top() && shown.height() >= titleHeight + MinVisibleBody &&
               shown.width() >= MinVisibleBody;
    });
}

namespace {

// Squared distance from a point to a rectangle (0 inside it).
long long DistanceSquared(const QPoint& p, const QRect& r)
{
    const long long dx = p.x() < r.left() ? r.left() - p.x() : p.x() > r.right() ? p.x() - r.right() : 0;
    const long long dy = p.y() < r.top() ? r.top() - p.y() : p.y() > r.bottom() ? p.y() - r.bottom() : 0;
    return dx * dx + dy * dy;
}

// The start of a span of `length` at `at`, moved into [low, high]; the low
// end wins when the span is longer than the room.
int Into(int at, int length, int low, int high) { return std::max(low, std::min(at, high - length + 1)); }

} // namespace

QPoint PlaceOnScreens(const QRect& frame, int titleHeight, const QList<QRect>& screens)
{
    if (screens.isEmpty() || ReachableOnScreens(frame, titleHeight, screens)) return frame.topLeft();
    const QRect* nearest = nullptr;
    long long best = std::numeric_limits<long long>::max();
    for (const QRect& screen : screens) {
        const long long d = DistanceSquared(frame.center(), screen);
        if (d < best) {
            best = d;
            nearest = &screen;
        }
    }
    return {Into(frame.left(), frame.width(), nearest->left(), nearest->right()),
            Into(frame.top(), frame.height(), nearest->top(), nearest->bottom())};
}
