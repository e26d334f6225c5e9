// Where the window goes when its stored position shows too little of it.

#include "WindowPlacement.h"

#include <gtest/gtest.h>

namespace {

constexpr int Title = 30;

TEST(WindowPlacement, AWindowThatShowsTooLittleGoesOntoTheNearestScreen)
{
    const QRect left(0, 0, 1920, 1080), right(1920, 0, 1280, 1024);
    struct Case {
        const char* Name;
        QRect Frame;
        QList<QRect> Screens;
        QPoint Placed;
    };
    const Case cases[] = {
        {"inside", QRect(100, 100, 630, 560), {left}, QPoint(100, 100)},
        {"a monitor unplugged since", QRect(3000, 2000, 630, 560), {left}, QPoint(1920 - 630, 1080 - 560)},
        {"on the second monitor", QRect(2000, 300, 630, 560), {left, right}, QPoint(2000, 300)},
        {"the second monitor gone", QRect(2000, 300, 630, 560), {left}, QPoint(1920 - 630, 300)},
        {"title bar above the screen", QRect(100, -40, 630, 560), {left}, QPoint(100, 0)},
        {"just the title bar and 100 px of body", QRect(100, 1080 - Title - MinVisibleBody, 630, 560), {left},
         QPoint(100, 1080 - Title - MinVisibleBody)},
        {"one pixel less of it", QRect(100, 1080 - Title - MinVisibleBody + 1, 630, 560), {left},
         QPoint(100, 1080 - 560)},
        {"99 px wide on the screen", QRect(1920 - 99, 100, 630, 560), {left}, QPoint(1920 - 630, 100)},
        {"left of every screen goes to the nearest", QRect(-5000, 500, 630, 560), {right, left}, QPoint(0, 500)},
        {"larger than the screen: its top-left shows", QRect(-50, -50, 800, 700), {QRect(0, 0, 640, 480)},
         QPoint(0, 0)},
        {"no screens: where it is", QRect(3000, 2000, 630, 560), {}, QPoint(3000, 2000)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlaceOnScreens(c.Frame, Title, c.Screens), c.Placed) << c.Name;
        // Once placed, a window stays where it is.
        if (!c.Screens.isEmpty()) {
            EXPECT_TRUE(ReachableOnScreens(QRect(c.Placed, c.Frame.size()), Title, c.Screens)) << c.Name;
        }
    }
}

} // namespace
