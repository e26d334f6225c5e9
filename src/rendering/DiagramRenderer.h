#pragma once
// Drawing one diagram slot into an off-screen image, the three decoration
// strips of the window, and the colour blend the themes use too.
//
// Everything here is a pure function of its arguments: no widget, no window.
// Geometry is in logical pixels; a picture is drawn at a whole number of
// device pixels per logical pixel (its Scale, the image's device pixel ratio),
// so that at 2 a one-pixel line is two device pixels wide and texts are drawn
// at the higher resolution. Pixels follow these primitives exactly (logical
// coordinates of the image, origin top left; each logical pixel is a square
// of Scale x Scale device pixels):
//   outlined rectangle (x1, y1, x2, y2): pen on columns x1 and x2-1 and rows y1
//     and y2-1, brush inside; filled rectangle: columns x1..x2-1, rows
//     y1..y2-1; line: one pixel wide, its end point not drawn; text: its cell
//     filled with the brush colour, then the text, top-left at (x, y).

#include "DataModel.h"
#include "NumberStyle.h"

#include <QColor>
#include <QFont>
#include <QImage>

#include <cstdint>
#include <optional>
#include <utility>

enum class TDiagramMode : std::uint8_t {
    dmHistory = 0,        // DataA as 100 columns, scale from the data and a base value
    dmBar = 1,            // Fill as a segmented bar, Peak as a red marker, OneValue as text
    dmHistoryOfTotal = 2, // DataA as columns on the scale DataB[1]
    dmTwoHistories = 3,   // DataA and DataB overlaid on one scale
    dmSpectrum = 4,       // DataA as columns in pixels, DataB as red peak marks
    dmCoreBars = 5,       // DataA as columns in pixels, DataB as red target marks
};

// The colour themes by number.
inline constexpr int ThemeLight = 0;
inline constexpr int ThemeDark = 1;
inline constexpr int ThemeTransparent = 2;

// Everything a diagram's picture depends on besides its slot.
struct TDiagramScene {
    int Width = 300;
    int Height = 71;
    // The floor of the scale in the history mode: 100 for the load diagrams,
    // the full-scale temperature for the temperature diagrams, 1 otherwise.
    double BaseA = 1.0;
    std::int32_t DiagIndex = 0;
    int Theme = ThemeLight;
    bool LightDesktop = true;
    QColor WindowColour{0xF0, 0xF0, 0xF0};
    QColor TextColour{Qt::black}; // the bar's value text
    QFont Font;                   // the canvas font; the renderer sets only style and colour
    TNumberStyle NumberStyle;
    // Device pixels per logical pixel (PictureScale of the screen's ratio).
    int Scale = 1;

    bool operator==(const TDiagramScene&) const = default;
};

// All a picture is made from: two equal inputs draw the same pixels.
struct TDiagramInputs {
    TProgressData Slot;
    TDiagramMode Mode = TDiagramMode::dmHistory;
    TDiagramScene Scene;
    bool operator==(const TDiagramInputs&) const = default;
};

// The whole number of device pixels a picture is drawn with for a screen of
// that device pixel ratio: the ratio rounded up (1.25, 1.5 and 1.75 draw at 2
// and are scaled down by the toolkit without smoothing, so that a line keeps
// its colour in every device pixel it covers).
int PictureScale(double devicePixelRatio);

// Whether `image` is a picture of W x H logical pixels at that scale.
bool PictureFits(const QImage& image, int width, int height, int scale);

// The whole picture of one slot in one mode, W x H logical pixels at the
// scene's Scale, 32 bits per pixel.
QImage DrawDiagram(const TProgressData& slot, TDiagramMode mode, const TDiagramScene& scene);

// The logical pixel columns x1..x2-1 of a picture of the inputs' size and scale drawn again
// from the inputs, the rest left as it is: each pixel in them comes out as
// DrawDiagram draws it.
void RedrawDiagramColumns(QImage& image, const TDiagramInputs& inputs, int x1, int x2);

// The pixel columns [first, second) outside which the pictures of `before`
// and `now` (of one size) are equal: empty when both draw the same, the
// whole width when the mode, the scene or the scale changed. A history that
// took one new sample differs in a few columns only.
std::pair<int, int> ChangedColumns(const TDiagramInputs& before, const TDiagramInputs& now);

// `percent` per cent of color1, the rest color2 (percent 0..100).
QColor BlendColor(const QColor& color1, const QColor& color2, int percent);

// The 2-pixel strip along the window's bottom edge.
QImage PaintBox11Picture(int width, int height, int scale = 1);
// The gap between the two halves of the per-core bars.
QImage PaintBox13Picture(int width, int height, const TDiagramScene& scene);
// The refresh thread's wait indicator; without a thread (no wait known) only its background.
QImage PaintBox14Picture(int width, int height, const TDiagramScene& scene, std::optional<std::int32_t> waitMs);
