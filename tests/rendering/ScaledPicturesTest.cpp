// Pictures for screens of a device pixel ratio above 1: the same geometry in
// logical pixels, each a square of device pixels, texts drawn at the higher
// resolution; and at fractional ratios a picture of the ratio rounded up,
// scaled down by the toolkit without a pixel of a colour it does not have.

#include "DiagramRenderer.h"

#include <QFontDatabase>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace {

TDiagramScene Scene(int width, int height, int scale)
{
    TDiagramScene scene;
    scene.Width = width;
    scene.Height = height;
    scene.BaseA = 100;
    scene.DiagIndex = 42;
    scene.WindowColour = QColor(0xF0, 0xF0, 0xF0);
    scene.Font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    scene.Font.setPixelSize(11);
    scene.Scale = scale;
    return scene;
}

// A busy slot without texts: columns, marks, a bar and its peak.
TProgressData BusySlot()
{
    TProgressData slot;
    for (int i = 0; i < DataArrayLength; ++i) {
        slot.DataA[std::size_t(i)] = 35 + 30 * std::sin(i / 7.0);
        slot.DataB[std::size_t(i)] = 30 + 25 * std::cos(i / 5.0);
    }
    slot.DataB[1] = 100;
    slot.Fill = 63;
    slot.Peak = 71;
    slot.OneValue = -1.0;
    return slot;
}

// The device pixels alone, for comparing (the ratio aside).
QImage Pixels(QImage image)
{
    image = image.convertToFormat(QImage::Format_RGB32);
    image.setDevicePixelRatio(1);
    return image;
}

// The logical picture `one` as a screen of `scale` would show it stretched:
// each pixel a square of scale x scale.
QImage Upscaled(const QImage& one, int scale)
{
    return Pixels(one.scaled(one.width() * scale, one.height() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation));
}

// Squares of scale x scale device pixels, on the logical grid, that are not
// of one colour: none in a stretched picture, many where glyphs are drawn finer.
int MixedSquares(const QImage& image, QRect logical, int scale)
{
    int mixed = 0;
    for (int y = logical.top(); y <= logical.bottom(); ++y)
        for (int x = logical.left(); x <= logical.right(); ++x) {
            const QRgb first = image.pixel(x * scale, y * scale);
            bool same = true;
            for (int dy = 0; dy < scale && same; ++dy)
                for (int dx = 0; dx < scale && same; ++dx) same = image.pixel(x * scale + dx, y * scale + dy) == first;
            if (!same) ++mixed;
        }
    return mixed;
}

struct ScaleCase {
    TDiagramMode Mode;
    int Height;
    int Scale;
};

void PrintTo(const ScaleCase& c, std::ostream* os) { *os << "mode " << int(c.Mode) << " at " << c.Scale << "x"; }

class ScaledPicture : public testing::TestWithParam<ScaleCase> {};

} // namespace

TEST(PictureScale, IsTheRatioRoundedUp)
{
    for (const auto& [ratio, scale] : std::initializer_list<std::pair<double, int>>{
             {1.0, 1}, {0.5, 1}, {1.25, 2}, {1.5, 2}, {1.75, 2}, {2.0, 2}, {2.0000001, 2}, {2.5, 3}, {3.0, 3}, {NAN, 1}})
        EXPECT_EQ(PictureScale(ratio), scale) << ratio;
}

TEST_P(ScaledPicture, EveryPixelIsTheLogicalPictureStretched)
{
    const ScaleCase c = GetParam();
    const TProgressData slot = BusySlot();
    const QImage one = DrawDiagram(slot, c.Mode, Scene(300, c.Height, 1));
    const QImage big = DrawDiagram(slot, c.Mode, Scene(300, c.Height, c.Scale));
    EXPECT_EQ(big.size(), one.size() * c.Scale);
    EXPECT_EQ(big.devicePixelRatio(), c.Scale);
    EXPECT_EQ(big.deviceIndependentSize(), QSizeF(one.size()));
    EXPECT_TRUE(PictureFits(big, 300, c.Height, c.Scale));
    EXPECT_FALSE(PictureFits(one, 300, c.Height, c.Scale));
    // Frames, grids, columns, marks and the cursor: a one-pixel line is
    // Scale device pixels wide, exactly where the stretched picture has it.
    EXPECT_TRUE(Pixels(big) == Upscaled(one, c.Scale));
}

TEST_P(ScaledPicture, AtAFractionalRatioNoDevicePixelTakesAnotherColour)
{
    const ScaleCase c = GetParam();
    const TProgressData slot = BusySlot();
    const QImage one = DrawDiagram(slot, c.Mode, Scene(300, c.Height, 1));
    std::set<QRgb> colours;
    for (int y = 0; y < one.height(); ++y)
        for (int x = 0; x < one.width(); ++x) colours.insert(one.pixel(x, y));
    for (const double ratio : {1.25, 1.5, 1.75, c.Scale - 0.5}) {
        // What the area paints on a screen of that ratio.
        const QImage picture = DrawDiagram(slot, c.Mode, Scene(300, c.Height, PictureScale(ratio)));
        QImage screen(int(std::ceil(300 * ratio)), int(std::ceil(c.Height * ratio)), QImage::Format_RGB32);
        screen.setDevicePixelRatio(ratio);
        screen.fill(Qt::magenta);
        QPainter painter(&screen);
        painter.drawImage(QPointF(0, 0), picture);
        painter.end();
        int other = 0;
        for (int y = 0; y < int(300 * ratio) && y < screen.height(); ++y)
            for (int x = 0; x < int(300 * ratio); ++x)
                if (y < int(c.Height * ratio) && !colours.count(screen.pixel(x, y)) && other++ < 3)
                    ADD_FAILURE() << "at " << ratio << ": device pixel " << x << "," << y << " is " << std::hex
                                  << screen.pixel(x, y);
        // The frame's top and left edges: a whole line of device pixels each
        // (the red cursor crosses the top one).
        for (int x = 0; x < int(300 * ratio); ++x) {
            const QRgb top = screen.pixel(x, 0) & 0xFFFFFF;
            EXPECT_TRUE(top == 0x5566AAu || top == 0xFF0000u) << ratio << " x " << x << ": " << std::hex << top;
        }
        for (int y = 0; y < int(c.Height * ratio); ++y) EXPECT_EQ(screen.pixel(0, y) & 0xFFFFFF, 0x5566AAu) << ratio << " y " << y;
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryMode, ScaledPicture,
    testing::Values(ScaleCase{TDiagramMode::dmHistory, 71, 2}, ScaleCase{TDiagramMode::dmHistory, 71, 3},
                    ScaleCase{TDiagramMode::dmBar, 17, 2}, ScaleCase{TDiagramMode::dmHistoryOfTotal, 71, 2},
                    ScaleCase{TDiagramMode::dmTwoHistories, 71, 2}, ScaleCase{TDiagramMode::dmTwoHistories, 71, 3},
                    ScaleCase{TDiagramMode::dmSpectrum, 71, 2}, ScaleCase{TDiagramMode::dmCoreBars, 71, 2}));

TEST(ScaledPicture, TextsAreDrawnAtTheHigherResolutionInTheirCellsOnly)
{
    TProgressData slot = BusySlot();
    slot.Fill = 20;
    slot.Peak = 5;
    slot.OneValue = 63.4;
    slot.FrmtA = "%.0n%%";
    slot.NameB = "Samsung SSD 980 PRO 1TB";
    for (const int scale : {2, 3}) {
        const TDiagramScene scene = Scene(300, 17, scale);
        const QImage one = DrawDiagram(slot, TDiagramMode::dmBar, Scene(300, 17, 1));
        const QImage big = DrawDiagram(slot, TDiagramMode::dmBar, scene);
        const QImage stretched = Upscaled(one, scale);
        // The texts' cells: the label from 40, the value at the right edge.
        QFont plain = scene.Font;
        plain.setBold(false);
        const QFontMetrics labelMetrics(plain);
        const QRect label(40, 2, labelMetrics.horizontalAdvance(QString::fromStdString(slot.NameB)), labelMetrics.height());
        const QRect value(200, 0, 100, 17);
        int differ = 0;
        for (int y = 0; y < big.height(); ++y)
            for (int x = 0; x < big.width(); ++x) {
                const QPoint logical(x / scale, y / scale);
                if (label.contains(logical) || value.contains(logical)) continue;
                if ((big.pixel(x, y) & 0xFFFFFF) != (stretched.pixel(x, y) & 0xFFFFFF) && differ++ < 3)
                    ADD_FAILURE() << scale << "x: device pixel " << x << "," << y << " outside the texts";
            }
        // Glyph edges finer than a logical pixel: squares of more than one
        // colour, which a stretched picture never has.
        EXPECT_EQ(MixedSquares(stretched, label, scale), 0);
        EXPECT_GT(MixedSquares(big, label, scale), 40) << scale << "x: the label";
        EXPECT_GT(MixedSquares(big, value, scale), 10) << scale << "x: the value";
    }
}

TEST(ScaledPicture, DecorationsAreDrawnAtTheScaleToo)
{
    TDiagramScene scene = Scene(12, 71, 2);
    const QImage strip = PaintBox11Picture(628, 2, 2);
    EXPECT_EQ(strip.size(), QSize(1256, 4));
    EXPECT_TRUE(Pixels(strip) == Upscaled(PaintBox11Picture(628, 2), 2));
    EXPECT_TRUE(Pixels(PaintBox13Picture(12, 71, scene)) == Upscaled(PaintBox13Picture(12, 71, Scene(12, 71, 1)), 2));
    EXPECT_TRUE(Pixels(PaintBox14Picture(2, 71, Scene(2, 71, 3), 500)) ==
                Upscaled(PaintBox14Picture(2, 71, Scene(2, 71, 1), 500), 3));
}
