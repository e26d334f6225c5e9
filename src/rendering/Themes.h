#pragma once
// The colour themes' numbers: the window's colours per theme, the tint and
// accent record of the composition effect, and the background picture.

#include <QColor>
#include <QImage>

#include <cstdint>

// The window's background and text colours of a theme (0 Light, 1 Dark,
// anything else Transparent). Light takes the system's colours.
struct TThemeColours {
    QColor Window;
    QColor Text;
    // A caption whose temperature runs hot: a dark red where the text is dark,
    // a light red where it is light, either readable on the theme's background.
    QColor Warning;
};
// The warning colour that goes with a theme's text colour.
QColor WarningColour(const QColor& text);
TThemeColours ThemeColours(int theme, bool lightDesktop, const QColor& systemWindow, const QColor& systemText);

// The colour and opacity laid over what lies behind the window.
struct TTint {
    QColor Colour;
    int Alpha = 255;
    bool operator==(const TTint&) const = default;
};
// #1F1F1F at 200 in the Transparent theme on a light desktop; otherwise the
// window's background at 160.
TTint WindowTint(int theme, bool appsUseLightTheme, const QColor& windowBackground);
// What the window paints of that tint under its texts. The accent record
// carries the tint as given; painted as given, #1F1F1F would lie under the
// Transparent theme's dark texts on a light desktop. There the window's own
// light background is painted at the tint's opacity instead.
TTint PaintedTint(const TTint& tint, int theme, bool appsUseLightTheme, const QColor& windowBackground);

// The composition effect as a record of four 32-bit fields: the accent state
// (4: blur behind, 0: none), its flags, the gradient colour (alpha, blue,
// green, red from the top byte down) and an animation number.
struct TAccentPolicy {
    std::uint32_t AccentState = 0;
    std::uint32_t AccentFlags = 0;
    std::uint32_t GradientColor = 0;
    std::uint32_t AnimationId = 0;
    bool operator==(const TAccentPolicy&) const = default;
};
inline constexpr std::int32_t LabBlurBehind = 1;       // the experimental options' bits
inline constexpr std::int32_t LabAccentBackground = 2;
TAccentPolicy AccentPolicy(bool on, std::int32_t labFlags, bool enableTransparency, const TTint& tint);

// An ARGB colour (alpha in the top byte) laid over white with its own
// opacity, each channel rounded half to even: the opaque colour it looks like.
QColor OverWhite(std::uint32_t argb);

// The background picture's colour and opacity: #A6A6A6 on a light desktop,
// else #1F1F1F; the accent darkened to 70 % where the experimental option
// asks for it and the desktop shows its accent; 160 with transparency on,
// else opaque.
struct TBackPicture {
    QColor Colour;
    int Alpha = 255;
    bool operator==(const TBackPicture&) const = default;
};
TBackPicture BackPicture(bool appsUseLightTheme, std::int32_t labFlags, bool colorPrevalence, bool enableTransparency,
                         const QColor& accent);

// An image of the given size in one colour, every pixel with the same alpha.
QImage FillPicture(const QColor& colour, int alpha, int width, int height);
