#include "DiagramRenderer.h"

#include "InterfaceFont.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <optional>

namespace {

const QRgb Frame = qRgb(0x55, 0x66, 0xAA);
const QRgb Red = qRgb(0xFF, 0x00, 0x00);
const QRgb Overlap = qRgb(0x00, 0x9B, 0xE8);
const QRgb LabelColour = qRgb(0x30, 0x60, 0x80);
const QRgb Grey8F = qRgb(0x8F, 0x8F, 0x8F);

// Round halves to even, into pixel range. A value that is not a number (a
// sensor gone wrong) lands at 0 instead of an undefined conversion.
int Round(double v)
{
    if (std::isnan(v)) return 0;
    return static_cast<int>(std::clamp(std::nearbyint(v), -1.0e6, 1.0e6));
}

// A picture of W x H logical pixels at `scale`, ready for the canvas.
QImage NewPicture(int width, int height, int scale)
{
    QImage image(width * scale, height * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    return image;
}

// A canvas with the pen and brush of the primitives above, drawing into an
// image it does not own, in logical pixels of Scale x Scale device pixels.
// Only the logical pixel columns ClipX1..ClipX2-1 are written: every pixel
// there ends up as a drawing of the whole picture leaves it. FixedScale is 1
// for the pictures of most screens, where the scaling folds away, or 0 for a
// scale known only when drawing.
template <int FixedScale>
class TCanvas {
public:
    // The pixels are written through one pointer taken here: QImage's own
    // line access checks for sharing on every call.
    TCanvas(QImage& image, int clipX1, int clipX2, int scale)
        : Image(image), Bits(image.bits()), Stride(image.bytesPerLine()), Scale(FixedScale > 0 ? FixedScale : std::max(scale, 1)),
          Width(image.width() / S()), Height(image.height() / S()), ClipX1(std::max(clipX1, 0)),
          ClipX2(std::min(clipX2, Width))
    {
    }

    int S() const
    {
        if constexpr (FixedScale > 0)
            return FixedScale;
        else
            return Scale;
    }

    // Whether pixel columns [span.first, span.second) reach into the clip.
    bool Touches(std::pair<int, int> span) const { return span.first < ClipX2 && span.second > ClipX1; }

    void FilledRect(int x1, int y1, int x2, int y2, QRgb colour)
    {
        x1 = std::max(x1, ClipX1) * S();
        y1 = std::max(y1, 0) * S();
        x2 = std::min(x2, ClipX2) * S();
        y2 = std::min(y2, Height) * S();
        if (x1 >= x2 || y1 >= y2) return;
        for (int y = y1; y < y2; ++y) {
            auto* line = reinterpret_cast<QRgb*>(Bits + y * Stride);
            std::fill(line + x1, line + x2, colour);
        }
    }

    void OutlinedRect(int x1, int y1, int x2, int y2)
    {
        if (x2 < x1) std::swap(x1, x2);
        if (y2 < y1) std::swap(y1, y2);
        if (x2 <= x1 || y2 <= y1) return;
        FilledRect(x1, y1, x2, y2, Pen);
        FilledRect(x1 + 1, y1 + 1, x2 - 1, y2 - 1, Brush);
    }

    // Only horizontal and vertical lines are drawn; the end point is left out.
    void Line(int x1, int y1, int x2, int y2)
    {
        if (y1 == y2) FilledRect(std::min(x1, x2 + 1), y1, std::max(x1 + 1, x2), y1 + 1, Pen);
        if (x1 == x2) FilledRect(x1, std::min(y1, y2 + 1), x1 + 1, std::max(y1 + 1, y2), Pen);
    }

    // The text's cell in the brush colour, then the text.
    void Text(int x, int y, const QString& text, const QFont& font, QRgb colour)
    {
        if (ClipX1 >= ClipX2) return;
        // The image's device pixel ratio makes the painter's coordinates
        // logical and its glyphs as fine as the device pixels.
        QPainter painter(&Image);
        painter.setClipRect(QRect(ClipX1, 0, ClipX2 - ClipX1, Height));
        painter.setFont(font);
        const QFontMetrics metrics(font);
        painter.fillRect(QRect(x, y, metrics.horizontalAdvance(text), metrics.height()), QColor(Brush));
        painter.setPen(QColor(colour));
        painter.drawText(QPoint(x, y + metrics.ascent()), text);
    }

    QImage& Image;
    uchar* Bits;
    qsizetype Stride;
    int Scale;
    int Width, Height; // in logical pixels
    int ClipX1;
    int ClipX2;
    QRgb Pen = 0;
    QRgb Brush = 0;
};

bool LightScheme(const TDiagramScene& s)
{
    return s.Theme == ThemeLight || (s.Theme == ThemeTransparent && s.LightDesktop);
}

bool TransparentLight(const TDiagramScene& s) { return s.Theme == ThemeTransparent && s.LightDesktop; }

QRgb TextBackground(const TDiagramScene& s)
{
    return s.Theme == ThemeTransparent ? qRgb(0, 0, 0) : s.WindowColour.rgb();
}

double Largest(double floor, const TDataArray& data)
{
    for (double v : data)
        if (v > floor) floor = v;
    return floor;
}

} // namespace

QColor BlendColor(const QColor& color1, const QColor& color2, int percent)
{
    // a = Round(percent x 2.55) on the exact decimal product: 50 gives 128.
    const int scaled = percent * 255;
    int a = scaled / 100;
    const int rest = scaled % 100;
    if (rest > 50 || (rest == 50 && a % 2 == 1)) ++a;
    const auto mix = [a](int c1, int c2) { return c2 + (((c1 - c2) * a) >> 8); };
    return QColor(mix(color1.red(), color2.red()), mix(color1.green(), color2.green()),
                  mix(color1.blue(), color2.blue()));
}

namespace {

// The top of the scale of the columns: A for DataA, B for DataB.
struct TScale {
    double A;
    double B;
    bool operator==(const TScale&) const = default;
};

TScale ScaleOf(const TProgressData& slot, TDiagramMode mode, const TDiagramScene& scene)
{
    // The base is only a floor.
    TScale scale{scene.BaseA, 1.0};
    switch (mode) {
    case TDiagramMode::dmHistory: scale.A = Largest(scale.A, slot.DataA); break;
    case TDiagramMode::dmBar: scale.A = 100.0; break;
    case TDiagramMode::dmHistoryOfTotal: scale.A = slot.DataB[1] > 0 ? slot.DataB[1] : 1.0; break;
    case TDiagramMode::dmTwoHistories:
        scale.A = scale.B = std::max(Largest(1.0, slot.DataA), Largest(1.0, slot.DataB));
        break;
    case TDiagramMode::dmSpectrum:
    case TDiagramMode::dmCoreBars: scale.A = scene.Height; break;
    }
    return scale;
}

// Equal values draw equal columns; so do two equal values that are no
// numbers, which == would call different.
bool SameBits(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

// The left and right pixel column (exclusive) of column i, W / 100 wide.
std::pair<int, int> ColumnEdges(int i, double colW)
{
    const int xl = Round(i * colW);
    return {xl, Round(xl + colW + 1)};
}

// The pixel columns the drawing of column i (its rectangles and red marks)
// or of a cursor at i can touch; generous by a pixel, which costs nothing.
std::pair<int, int> ColumnSpan(int i, double colW)
{
    const auto [xl, xr] = ColumnEdges(i, colW);
    return {std::min(xl + 2, xr), std::max(xl + 4, xr + 1)};
}

// Runs `draw` with the canvas for that scale.
template <class TDraw>
void OnCanvas(QImage& image, int clipX1, int clipX2, int scale, TDraw&& draw)
{
    if (scale <= 1) {
        TCanvas<1> c(image, clipX1, clipX2, 1);
        draw(c);
    } else {
        TCanvas<0> c(image, clipX1, clipX2, scale);
        draw(c);
    }
}

// A bar's value: at the right edge (on the background while the bar is
// shorter than 98), or carried at the bar's end.
struct TBarValue {
    QString Text;
    QFont Font;
    int Width = 0;
    bool AtRight = true;
    int X = 0;
};

std::optional<TBarValue> BarValue(const TProgressData& slot, const TDiagramScene& scene)
{
    if (slot.OneValue == -1.0) return std::nullopt;
    TBarValue v;
    v.Text = QString::fromStdString(FormatValue(scene.NumberStyle, slot.FrmtA, slot.OneValue));
    v.Font = BoldInterfaceFont(scene.Font);
    v.Width = QFontMetrics(v.Font).horizontalAdvance(v.Text);
    const double colW = scene.Width / 100.0;
    const int k = Round(100 - (v.Width + 16) / colW);
    v.AtRight = slot.Fill < k || slot.Fill > 97;
    v.X = v.AtRight ? scene.Width - 8 - v.Width : Round(slot.Fill * colW) - v.Width;
    return v;
}

// The columns one glide step of a bar changes (from `before` to `now`, which
// differ in their fill alone): the blocks that came or went, the value where
// it is carried along, and the value at the edge where its background or
// place changes. Steps beyond the bar's end change nothing.
std::pair<int, int> BarStepColumns(const TProgressData& before, const TProgressData& now, const TDiagramScene& scene)
{
    const int W = scene.Width;
    const double colW = W / 100.0;
    int x1 = W;
    int x2 = 0;
    const auto add = [&](int l, int r) {
        x1 = std::min(x1, l);
        x2 = std::max(x2, r);
    };
    const int lo = std::min(before.Fill, now.Fill);
    const int hi = std::max(before.Fill, now.Fill);
    if (lo + 1 < DataArrayLength) add(ColumnSpan(lo + 1, colW).first, ColumnSpan(std::min(hi, DataArrayLength), colW).second);
    const std::optional<TBarValue> was = BarValue(before, scene);
    const std::optional<TBarValue> is = BarValue(now, scene);
    if (was && is) {
        for (const TBarValue* v : {&*was, &*is})
            if (!v->AtRight) add(v->X - 2, v->X + v->Width + 2);
        if (was->AtRight != is->AtRight || (before.Fill <= 97) != (now.Fill <= 97))
            add(W - 8 - is->Width - 2, W);
    }
    x1 = std::max(x1, 0);
    x2 = std::min(x2, W);
    return x1 < x2 ? std::pair{x1, x2} : std::pair{0, 0};
}

template <class TCanvasOfScale>
void Draw(TCanvasOfScale& c, const TProgressData& slot, TDiagramMode mode, const TDiagramScene& scene)
{
    const int W = scene.Width;
    const int H = scene.Height;
    const int m = static_cast<int>(mode);
    const auto [maxA, maxB] = ScaleOf(slot, mode, scene);
    const double colW = W / 100.0;

    // Background and frame.
    c.Brush = scene.Theme == ThemeTransparent ? (scene.LightDesktop ? qRgb(0xA6, 0xA6, 0xA6) : qRgb(0, 0, 0))
                                              : scene.WindowColour.rgb();
    c.Pen = Frame;
    c.OutlinedRect(0, 0, W, H);

    // Grid.
    c.Pen = scene.Theme == ThemeLight ? qRgb(0xCC, 0xDD, 0xEE) : TransparentLight(scene) ? Grey8F : qRgb(0x20, 0x30, 0x40);
    const int step = Round(H / 5.0);
    if (mode != TDiagramMode::dmBar)
        for (int i = 1; i <= 4; ++i) c.Line(1, step * i, W - 1, step * i);
    if (m == 0 || m == 2 || m == 3)
        for (int x = step; step > 0 && x < W; x += step) c.Line(x, 1, x, H - 1);

    // Column colours.
    const bool light = LightScheme(scene);
    c.Brush = light ? qRgb(0xB9, 0xD0, 0xE8) : qRgb(0x00, 0x66, 0xAA);
    c.Pen = light ? qRgb(0x00, 0x66, 0xAA) : qRgb(0xB9, 0xD0, 0xE8);

    if (mode != TDiagramMode::dmBar) {
        for (int i = 0; i < DataArrayLength; ++i) {
            if (!c.Touches(ColumnSpan(i, colW))) continue;
            const auto [xl, xr] = ColumnEdges(i, colW);
            const int y = Round((1 - slot.DataA[i] / maxA) * (H - 2));
            c.OutlinedRect(xl + 2, y + 2, xr, H);
            if (mode == TDiagramMode::dmTwoHistories) {
                std::swap(c.Pen, c.Brush);
                const int yB = Round((1 - slot.DataB[i] / maxB) * (H - 2));
                c.OutlinedRect(xl + 2, yB + 2, xr, H);
                c.FilledRect(xl + 2, std::max(y, yB) + 2, xr, H - 1, Overlap);
                std::swap(c.Pen, c.Brush);
            } else if (m >= 4) {
                const QRgb pen = std::exchange(c.Pen, Red);
                const int yB = Round((1 - slot.DataB[i] / maxA) * (H - 4));
                c.Line(xl + 2, yB + 1, xr, yB + 1);
                c.Line(xl + 2, yB + 2, xr, yB + 2);
                c.Pen = pen;
            }
        }
    } else {
        // The label, left of the peak only.
        if (slot.Peak != -1 && 35.0 / colW > slot.Peak) {
            const QRgb brush = std::exchange(c.Brush, TextBackground(scene));
            QFont font = scene.Font;
            font.setBold(false);
            c.Text(40, 2, QString::fromStdString(slot.NameB), font, LabelColour);
            c.Brush = brush;
        }
        // The blocks.
        if (slot.Fill >= 0)
            for (int i = 0; i <= slot.Fill; ++i) {
                const auto [xl, xr] = ColumnEdges(i, colW);
                c.OutlinedRect(xl + 2, 2, xr, H - 2);
                if (xl > W) break;
            }
        // The value: at the right edge, or carried at the bar's end.
        if (const std::optional<TBarValue> value = BarValue(slot, scene)) {
            if (value->AtRight && slot.Fill <= 97) c.Brush = TextBackground(scene);
            c.Text(value->X, 2, value->Text, value->Font, scene.TextColour.rgb());
        }
    }

    // The cursor: where the next sample goes, or the bar's peak.
    if (m <= 3) {
        const double pos = mode == TDiagramMode::dmBar ? slot.Peak + 1.0 : scene.DiagIndex;
        const int x = Round(pos * colW);
        c.Pen = Red;
        c.Line(x + 2, 0, x + 2, H);
        c.Line(x + 3, 0, x + 3, H);
    }
}

} // namespace

int PictureScale(double devicePixelRatio)
{
    // A ratio a hair above a whole number (1.0000001 from a computation) is that number.
    if (!(devicePixelRatio > 1.0)) return 1;
    return std::clamp(static_cast<int>(std::ceil(devicePixelRatio - 1e-6)), 1, 8);
}

bool PictureFits(const QImage& image, int width, int height, int scale)
{
    return image.width() == width * scale && image.height() == height * scale && image.devicePixelRatio() == scale;
}

QImage DrawDiagram(const TProgressData& slot, TDiagramMode mode, const TDiagramScene& scene)
{
    QImage image = NewPicture(scene.Width, scene.Height, scene.Scale);
    OnCanvas(image, 0, scene.Width, scene.Scale, [&](auto& c) { Draw(c, slot, mode, scene); });
    return image;
}

void RedrawDiagramColumns(QImage& image, const TDiagramInputs& inputs, int x1, int x2)
{
    OnCanvas(image, x1, x2, inputs.Scene.Scale, [&](auto& c) { Draw(c, inputs.Slot, inputs.Mode, inputs.Scene); });
}

std::pair<int, int> ChangedColumns(const TDiagramInputs& before, const TDiagramInputs& now)
{
    const int W = now.Scene.Width;
    const auto nothing = std::pair{0, 0};
    if (before == now) return nothing;
    const auto whole = std::pair{0, W};
    // A bar's glide step moves its fill alone.
    if (now.Mode == TDiagramMode::dmBar && before.Mode == now.Mode && before.Scene == now.Scene &&
        before.Slot.Fill >= 0 && now.Slot.Fill >= 0) {
        TProgressData stepped = before.Slot;
        stepped.Fill = now.Slot.Fill;
        if (stepped == now.Slot) return BarStepColumns(before.Slot, now.Slot, now.Scene);
    }
    TDiagramScene scene = before.Scene;
    scene.DiagIndex = now.Scene.DiagIndex;
    // The bar mode draws texts and blocks across the width; a new scene, mode
    // or scale moves every column.
    if (now.Mode == TDiagramMode::dmBar || before.Mode != now.Mode || !(scene == now.Scene) ||
        !(ScaleOf(before.Slot, before.Mode, before.Scene) == ScaleOf(now.Slot, now.Mode, now.Scene)))
        return whole;
    const int m = static_cast<int>(now.Mode);
    // DataB is drawn as columns or marks only in these modes; otherwise it is
    // at most the scale, compared above.
    const bool drawsB = now.Mode == TDiagramMode::dmTwoHistories || m >= 4;
    const double colW = W / 100.0;
    int x1 = W;
    int x2 = 0;
    const auto add = [&](int i) {
        const auto [l, r] = ColumnSpan(i, colW);
        x1 = std::min(x1, l);
        x2 = std::max(x2, r);
    };
    for (int i = 0; i < DataArrayLength; ++i) {
        const auto k = std::size_t(i);
        if (!SameBits(before.Slot.DataA[k], now.Slot.DataA[k]) ||
            (drawsB && !SameBits(before.Slot.DataB[k], now.Slot.DataB[k])))
            add(i);
    }
    // The cursor of the history modes, where it was and where it is.
    if (m <= 3 && before.Scene.DiagIndex != now.Scene.DiagIndex) {
        add(before.Scene.DiagIndex);
        add(now.Scene.DiagIndex);
    }
    x1 = std::max(x1, 0);
    x2 = std::min(x2, W);
    return x1 < x2 ? std::pair{x1, x2} : nothing;
}

QImage PaintBox11Picture(int width, int height, int scale)
{
    QImage image = NewPicture(width, height, scale);
    TCanvas<0> c(image, 0, width, scale);
    c.FilledRect(0, 0, width, height, Frame);
    c.FilledRect(0, 0, 104, height, Red);
    c.FilledRect(104, 0, 208, height, qRgb(0x80, 0x00, 0x00));
    return image;
}

QImage PaintBox13Picture(int width, int height, const TDiagramScene& scene)
{
    QImage image = NewPicture(width, height, scene.Scale);
    TCanvas<0> c(image, 0, width, scene.Scale);
    c.FilledRect(0, 0, width, height,
                 TransparentLight(scene) ? Grey8F : BlendColor(scene.WindowColour, QColor(Grey8F), 80).rgb());
    c.Pen = Frame;
    c.Line(0, 0, width, 0);
    c.Line(0, height - 1, width, height - 1);
    c.Pen = scene.Theme == ThemeLight || TransparentLight(scene) ? qRgb(0xA6, 0xA6, 0xA6) : qRgb(0x4F, 0x4F, 0x4F);
    const int step = Round(height / 5.0);
    for (int i = 1; i <= 4; ++i) c.Line(1, step * i, width - 1, step * i);
    return image;
}

QImage PaintBox14Picture(int width, int height, const TDiagramScene& scene, std::optional<std::int32_t> waitMs)
{
    QImage image = NewPicture(width, height, scene.Scale);
    TCanvas<0> c(image, 0, width, scene.Scale);
    c.FilledRect(0, 0, width, height,
                 TransparentLight(scene) ? qRgb(0x7F, 0x7F, 0x7F)
                                         : BlendColor(scene.WindowColour, QColor(Grey8F), 50).rgb());
    if (waitMs) c.FilledRect(0, Round(height * *waitMs / 1000.0), 2, height, qRgb(0x80, 0x00, 0x00));
    return image;
}
