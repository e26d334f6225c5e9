#include "Themes.h"

#include "DiagramRenderer.h"

#include <cmath>

QColor WarningColour(const QColor& text)
{
    return text.lightnessF() > 0.5 ? QColor(0xFF, 0x6B, 0x5B) : QColor(0xC6, 0x28, 0x28);
}

TThemeColours ThemeColours(int theme, bool lightDesktop, const QColor& systemWindow, const QColor& systemText)
{
    if (theme == ThemeLight) return {systemWindow, systemText, WarningColour(systemText)};
    if (theme == ThemeDark || !lightDesktop) return {QColor(0x1F, 0x1F, 0x1F), QColor(0xFF, 0xFF, 0xFF), WarningColour(Qt::white)};
    return {QColor(0xE6, 0xE6, 0xE6), QColor(0x00, 0x00, 0x00), WarningColour(Qt::black)};
}

TTint WindowTint(int theme, bool appsUseLightTheme, const QColor& windowBackground)
{
    if (theme == ThemeTransparent && appsUseLightTheme) return {QColor(0x1F, 0x1F, 0x1F), 200};
    return {windowBackground, 160};
}

TTint PaintedTint(const TTint& tint, int theme, bool appsUseLightTheme, const QColor& windowBackground)
{
    if (theme == ThemeTransparent && appsUseLightTheme) return {windowBackground, tint.Alpha};
    return tint;
}

TAccentPolicy AccentPolicy(bool on, std::int32_t labFlags, bool enableTransparency, const TTint& tint)
{
    if (!(on && (labFlags & LabBlurBehind) && enableTransparency)) return {};
    const QColor c = tint.Colour.toRgb();
    const std::uint32_t gradient = (static_cast<std::uint32_t>(tint.Alpha & 0xFF) << 24) |
                                   (static_cast<std::uint32_t>(c.blue()) << 16) |
                                   (static_cast<std::uint32_t>(c.green()) << 8) | static_cast<std::uint32_t>(c.red());
    return {4, 0x1E0, gradient, 0};
}

QColor OverWhite(std::uint32_t argb)
{
    const double a = static_cast<double>((argb >> 24) & 0xFF);
    const auto channel = [a](std::uint32_t c) {
        // Halves to even, as the default rounding mode does.
        return static_cast<int>(std::nearbyint(a / 255.0 * static_cast<double>(c & 0xFF) + 255.0 - a));
    };
    return QColor(channel(argb >> 16), channel(argb >> 8), channel(argb));
}

TBackPicture BackPicture(bool appsUseLightTheme, std::int32_t labFlags, bool colorPrevalence, bool enableTransparency,
                         const QColor& accent)
{
    TBackPicture picture{appsUseLightTheme ? QColor(0xA6, 0xA6, 0xA6) : QColor(0x1F, 0x1F, 0x1F), 255};
    if ((labFlags & LabAccentBackground) && colorPrevalence) picture.Colour = BlendColor(accent, QColor(0, 0, 0), 70);
    if (enableTransparency) picture.Alpha = 160;
    return picture;
}

QImage FillPicture(const QColor& colour, int alpha, int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    QColor pixel = colour.toRgb();
    pixel.setAlpha(alpha);
    image.fill(pixel.rgba());
    return image;
}
