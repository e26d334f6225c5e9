#include "DiagramRenderer.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

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

// A canvas with the pen and brush of the primitives above.
class TCanvas {
public:
    // The pixels are written through one pointer taken here: QImage's own
    // line access checks for sharing on every call.
    TCanvas(int width, int height)
        : Image(width, height, QImage::Format_RGB32), Bits(Image.bits()), Stride(Image.bytesPerLine())
    {
    }

    void FilledRect(int x1, int y1, int x2, int y2, QRgb colour)
    {
        x1 = std::max(x1, 0);
        y1 = std::max(y1, 0);
        x2 = std::min(x2, Image.width());
        y2 = std::min(y2, Image.height());
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
        QPainter painter(&Image);
        painter.setFont(font);
        const QFontMetrics metrics(font);
        painter.fillRect(QRect(x, y, metrics.horizontalAdvance(text), metrics.height()), QColor(Brush));
        painter.setPen(QColor(colour));
        painter.drawText(QPoint(x, y + metrics.ascent()), text);
    }

    QImage Image;
    uchar* Bits;
    qsizetype Stride;
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

QImage DrawDiagram(const TProgressData& slot, TDiagramMode mode, const TDiagramScene& scene)
{
    const int W = scene.Width;
    const int H = scene.Height;
    const int m = static_cast<int>(mode);

    // Scale: the base is only a floor.
    double maxA = scene.BaseA;
    double maxB = 1.0;
    switch (mode) {
    case TDiagramMode::dmHistory: maxA = Largest(maxA, slot.DataA); break;
    case TDiagramMode::dmBar: maxA = 100.0; break;
    case TDiagramMode::dmHistoryOfTotal: maxA = slot.DataB[1] > 0 ? slot.DataB[1] : 1.0; break;
    case TDiagramMode::dmTwoHistories:
        maxA = Largest(1.0, slot.DataA);
        maxB = Largest(1.0, slot.DataB);
        maxA = maxB = std::max(maxA, maxB);
        break;
    case TDiagramMode::dmSpectrum:
    case TDiagramMode::dmCoreBars: maxA = H; break;
    }
    const double colW = W / 100.0;

    TCanvas c(W, H);
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
            const int xl = Round(i * colW);
            const int xr = Round(xl + colW + 1);
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
                const int xl = Round(i * colW);
                const int xr = Round(xl + colW + 1);
                c.OutlinedRect(xl + 2, 2, xr, H - 2);
                if (xl > W) break;
            }
        // The value: at the right edge, or carried at the bar's end.
        if (slot.OneValue != -1.0) {
            const QString text = QString::fromStdString(FormatValue(scene.NumberStyle, slot.FrmtA, slot.OneValue));
            QFont font = scene.Font;
            font.setBold(true);
            const int tw = QFontMetrics(font).horizontalAdvance(text);
            const int k = Round(100 - (tw + 16) / colW);
            if (slot.Fill < k || slot.Fill > 97) {
                if (slot.Fill <= 97) c.Brush = TextBackground(scene);
                c.Text(W - 8 - tw, 2, text, font, scene.TextColour.rgb());
            } else {
                c.Text(Round(slot.Fill * colW) - tw, 2, text, font, scene.TextColour.rgb());
            }
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
    return std::move(c.Image);
}

QImage PaintBox11Picture(int width, int height)
{
    TCanvas c(width, height);
    c.FilledRect(0, 0, width, height, Frame);
    c.FilledRect(0, 0, 104, height, Red);
    c.FilledRect(104, 0, 208, height, qRgb(0x80, 0x00, 0x00));
    return std::move(c.Image);
}

QImage PaintBox13Picture(int width, int height, const TDiagramScene& scene)
{
    TCanvas c(width, height);
    c.FilledRect(0, 0, width, height,
                 TransparentLight(scene) ? Grey8F : BlendColor(scene.WindowColour, QColor(Grey8F), 80).rgb());
    c.Pen = Frame;
    c.Line(0, 0, width, 0);
    c.Line(0, height - 1, width, height - 1);
    c.Pen = scene.Theme == ThemeLight || TransparentLight(scene) ? qRgb(0xA6, 0xA6, 0xA6) : qRgb(0x4F, 0x4F, 0x4F);
    const int step = Round(height / 5.0);
    for (int i = 1; i <= 4; ++i) c.Line(1, step * i, width - 1, step * i);
    return std::move(c.Image);
}

QImage PaintBox14Picture(int width, int height, const TDiagramScene& scene, std::optional<std::int32_t> waitMs)
{
    TCanvas c(width, height);
    c.FilledRect(0, 0, width, height,
                 TransparentLight(scene) ? qRgb(0x7F, 0x7F, 0x7F)
                                         : BlendColor(scene.WindowColour, QColor(Grey8F), 50).rgb());
    if (waitMs) c.FilledRect(0, Round(height * *waitMs / 1000.0), 2, height, qRgb(0x80, 0x00, 0x00));
    return std::move(c.Image);
}
