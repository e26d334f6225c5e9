// The themes' numbers: window colours, the tint and accent record of the
// composition effect, the accent over white, and the background picture.

#include "Themes.h"

#include "DiagramRenderer.h"

#include <gtest/gtest.h>

namespace {

const QColor SystemWindow(0xF0, 0xF0, 0xF0), SystemText(0x10, 0x10, 0x10);
const QColor Dark1F(0x1F, 0x1F, 0x1F);

TEST(Themes, WindowColoursFollowTheThemeAndTheDesktop)
{
    struct Case {
        int theme;
        bool light;
        QColor window, text;
    };
    for (const Case& c : {Case{ThemeLight, true, SystemWindow, SystemText}, Case{ThemeLight, false, SystemWindow, SystemText},
                          Case{ThemeDark, true, Dark1F, Qt::white}, Case{ThemeDark, false, Dark1F, Qt::white},
                          Case{ThemeTransparent, true, QColor(0xE6, 0xE6, 0xE6), Qt::black},
                          Case{ThemeTransparent, false, Dark1F, Qt::white},
                          Case{7, true, QColor(0xE6, 0xE6, 0xE6), Qt::black}}) {
        const TThemeColours colours = ThemeColours(c.theme, c.light, SystemWindow, SystemText);
        EXPECT_EQ(colours.Window, c.window) << c.theme << " " << c.light;
        EXPECT_EQ(colours.Text, c.text) << c.theme << " " << c.light;
    }
}

TEST(Themes, ThePaintedTintStaysUnderReadableTexts)
{
    // Transparent on a light desktop has dark texts: the painted tint is the
    // window's light background at the tint's opacity; elsewhere the tint itself.
    const QColor light(0xE6, 0xE6, 0xE6);
    struct Case {
        const char* what;
        int theme;
        bool lightDesktop;
        QColor window;
        TTint painted;
    };
    const Case cases[] = {
        {"Transparent, light desktop", ThemeTransparent, true, light, {light, 200}},
        {"Transparent, dark desktop", ThemeTransparent, false, Dark1F, {Dark1F, 160}},
        {"Dark", ThemeDark, true, Dark1F, {Dark1F, 160}},
    };
    for (const Case& c : cases) {
        const TTint tint = WindowTint(c.theme, c.lightDesktop, c.window);
        EXPECT_EQ(PaintedTint(tint, c.theme, c.lightDesktop, c.window), c.painted) << c.what;
    }
    EXPECT_EQ(WindowTint(ThemeTransparent, true, light), (TTint{Dark1F, 200})) << "the accent record keeps its numbers";
}

TEST(Themes, AccentRecordHoldsStateFlagsAndTheTintAsAlphaBlueGreenRed)
{
    const QColor window(0x12, 0x34, 0x56);
    struct Case {
        const char* what;
        bool on;
        std::int32_t lab;
        bool transparency;
        TTint tint;
        TAccentPolicy expected;
    };
    const Case cases[] = {
        {"dark desktop", true, 1, true, WindowTint(ThemeTransparent, false, Dark1F), {4, 0x1E0, 0xA01F1F1Fu, 0}},
        {"light desktop", true, 1, true, WindowTint(ThemeTransparent, true, QColor(0xE6, 0xE6, 0xE6)), {4, 0x1E0, 0xC81F1F1Fu, 0}},
        {"byte order", true, 3, true, WindowTint(ThemeTransparent, false, window), {4, 0x1E0, 0xA0563412u, 0}},
        {"off", false, 1, true, WindowTint(ThemeTransparent, false, Dark1F), {}},
        {"no blur asked", true, 2, true, WindowTint(ThemeTransparent, false, Dark1F), {}},
        {"transparency off", true, 1, false, WindowTint(ThemeTransparent, false, Dark1F), {}},
    };
    for (const Case& c : cases) {
        const TAccentPolicy got = AccentPolicy(c.on, c.lab, c.transparency, c.tint);
        EXPECT_EQ(got.AccentState, c.expected.AccentState) << c.what;
        EXPECT_EQ(got.AccentFlags, c.expected.AccentFlags) << c.what;
        EXPECT_EQ(got.GradientColor, c.expected.GradientColor) << std::hex << c.what;
        EXPECT_EQ(got.AnimationId, 0u) << c.what;
    }
    // The tint outside the Transparent theme is the window's own colour at 160.
    EXPECT_EQ(WindowTint(ThemeDark, true, window), (TTint{window, 160}));
}

TEST(Themes, AccentColourIsLaidOverWhiteWithItsOwnOpacity)
{
    struct Case {
        std::uint32_t argb;
        QColor expected;
    };
    for (const Case& c : {Case{0xFF336699u, QColor(0x33, 0x66, 0x99)}, Case{0x00336699u, QColor(255, 255, 255)},
                          // 128/255 x 0x33 + 127 = 152.6 -> 153; x 0x66 -> 178.2 -> 178; x 0x99 -> 203.8 -> 204
                          Case{0x80336699u, QColor(153, 178, 204)},
                          // 51/255 x 0 + 204 = 204; x 255 + 204 = 255
                          Case{0x3300FF00u, QColor(204, 255, 204)},
                          // 85/255 x 3 + 170 = 171 exactly; x 1 + 170 = 170.33 -> 170; x 9 + 170 = 173
                          Case{0x55030109u, QColor(171, 170, 173)}}) {
        EXPECT_EQ(OverWhite(c.argb), c.expected) << std::hex << c.argb;
        EXPECT_EQ(OverWhite(c.argb).alpha(), 255);
    }
}

TEST(Themes, BackgroundPictureColourAndOpacity)
{
    const QColor accent(0x00, 0x78, 0xD7);
    struct Case {
        const char* what;
        bool light;
        std::int32_t lab;
        bool prevalence, transparency;
        TBackPicture expected;
    };
    const Case cases[] = {
        {"dark, transparency", false, 1, false, true, {Dark1F, 160}},
        {"light, opaque", true, 1, false, false, {QColor(0xA6, 0xA6, 0xA6), 255}},
        {"accent, opaque", false, 2, true, false, {BlendColor(accent, Qt::black, 70), 255}},
        {"accent, transparency", true, 3, true, true, {BlendColor(accent, Qt::black, 70), 160}},
        {"accent not shown on surfaces", false, 2, false, false, {Dark1F, 255}},
        {"accent not asked for", false, 1, true, false, {Dark1F, 255}},
    };
    for (const Case& c : cases) EXPECT_EQ(BackPicture(c.light, c.lab, c.prevalence, c.transparency, accent), c.expected) << c.what;
    // 70 % is 178 of 256 (178.5 rounded to even): 0x78 x 178 >> 8 = 83, 0xD7 x 178 >> 8 = 149.
    EXPECT_EQ(BlendColor(accent, Qt::black, 70), QColor(0, 83, 149));
}

TEST(Themes, FillPictureIsOneColourAndOneAlpha)
{
    const QImage image = FillPicture(Dark1F, 160, 10, 10);
    ASSERT_EQ(image.size(), QSize(10, 10));
    EXPECT_TRUE(image.hasAlphaChannel());
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_EQ(image.pixel(x, y), qRgba(0x1F, 0x1F, 0x1F, 160)) << x << "," << y;
}

} // namespace
