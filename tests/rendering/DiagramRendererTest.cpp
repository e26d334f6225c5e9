// Pixels of the diagrams, drawn into images with no screen. Text pixels depend
// on the font, so texts are checked by where their cells and glyphs lie.

#include "Animation.h"
#include "DiagramRenderer.h"
#include "InterfaceFont.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <tuple>

namespace {

constexpr QRgb Bg = 0xF0F0F0;
constexpr QRgb Frame = 0x5566AA;
constexpr QRgb Grid = 0xCCDDEE;
constexpr QRgb Pen = 0x0066AA;
constexpr QRgb Brush = 0xB9D0E8;
constexpr QRgb Red = 0xFF0000;
constexpr QRgb Overlap = 0x009BE8;

QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

TDiagramScene Scene(int width = 300, int height = 71)
{
    TDiagramScene scene;
    scene.Width = width;
    scene.Height = height;
    scene.WindowColour = QColor(Bg);
    scene.Font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    scene.Font.setPixelSize(11);
    return scene;
}

// Compares every pixel with `expected(x, y)`; reports the first few differences.
void ExpectPixels(const QImage& image, const std::function<QRgb(int, int)>& expected)
{
    int reported = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (At(image, x, y) != expected(x, y) && reported++ < 5)
                ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << At(image, x, y) << ", want "
                              << expected(x, y);
}

bool OnFrame(int x, int y, int w, int h) { return x == 0 || y == 0 || x == w - 1 || y == h - 1; }

TEST(DrawDiagram, AllZeroHistoryShowsOnlyFrameGridAndCursor)
{
    TProgressData slot;
    TDiagramScene scene = Scene();
    scene.BaseA = 100;
    scene.DiagIndex = 10;
    const QImage image = DrawDiagram(slot, TDiagramMode::dmHistory, scene);
    ASSERT_EQ(image.size(), QSize(300, 71));
    ExpectPixels(image, [](int x, int y) -> QRgb {
        if (x == 32 || x == 33) return Red; // Round(10 x 3) + 2 and + 3
        if (OnFrame(x, y, 300, 71)) return Frame;
        if (y == 14 || y == 28 || y == 42 || y == 56) return Grid;
        if (x % 14 == 0 && x <= 294) return Grid;
        return Bg;
    });
}

TEST(DrawDiagram, ValueAboveTheBaseWidensTheScale)
{
    TProgressData slot;
    slot.DataA[0] = 150;
    slot.DataA[1] = 100;
    TDiagramScene scene = Scene();
    scene.BaseA = 100;
    scene.DiagIndex = 50;
    const QImage image = DrawDiagram(slot, TDiagramMode::dmHistory, scene);
    // Sample 0 fills the height (from row 2); sample 1 (100 of 150) starts at Round(69 / 3) + 2 = 25.
    EXPECT_EQ(At(image, 2, 2), Pen);
    EXPECT_EQ(At(image, 5, 25), Pen);
    EXPECT_EQ(At(image, 6, 70), Pen);
    EXPECT_NE(At(image, 5, 24), Pen);
    EXPECT_EQ(At(image, 7, 40), Bg) << "the gap column";
}

TEST(DrawDiagram, MemoryWithoutTotalCoversTheFrame)
{
    TProgressData slot;
    slot.DataA[0] = 5.0; // scale 1.0: far above the top
    TDiagramScene scene = Scene();
    scene.DiagIndex = 50;
    const QImage image = DrawDiagram(slot, TDiagramMode::dmHistoryOfTotal, scene);
    EXPECT_EQ(At(image, 2, 0), Pen);
    EXPECT_EQ(At(image, 3, 70), Pen);
    EXPECT_EQ(At(image, 4, 0), Frame);
}

TEST(DrawDiagram, EmptyBarShowsFrameAndCursorOnly)
{
    TProgressData slot;
    slot.OneValue = -1.0;
    slot.Fill = -1;
    slot.Peak = -1;
    slot.NameB = "sda";
    const QImage image = DrawDiagram(slot, TDiagramMode::dmBar, Scene(300, 17));
    ExpectPixels(image, [](int x, int y) -> QRgb {
        if (x == 2 || x == 3) return Red;
        return OnFrame(x, y, 300, 17) ? Frame : Bg;
    });
}

TEST(DrawDiagram, BarBlocksOnRowsTwoToFourteenWithoutGrid)
{
    TProgressData slot;
    slot.OneValue = -1.0;
    slot.Fill = 10;
    slot.Peak = 40;
    const QImage image = DrawDiagram(slot, TDiagramMode::dmBar, Scene(300, 17));
    for (int i = 0; i <= 10; ++i) {
        EXPECT_EQ(At(image, 3 * i + 2, 2), Pen) << i;
        EXPECT_EQ(At(image, 3 * i + 3, 14), Pen) << i;
        EXPECT_EQ(At(image, 3 * i + 2, 15), Bg) << i;
        EXPECT_EQ(At(image, 3 * i + 2, 1), Bg) << i;
    }
    EXPECT_EQ(At(image, 35, 8), Bg) << "block 11 is not drawn";
    EXPECT_EQ(At(image, 125, 8), Red) << "the peak marker at Round(41 x 3) + 2";
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 300; ++x) ASSERT_NE(At(image, x, y), Grid) << x << "," << y;
}

TEST(DrawDiagram, BarAtTheTopOfThe32BitRangeIsFullWithoutItsPeakMarker)
{
    // A byte rate clamped to 2^31 - 1: the marker lies beyond the area (its
    // position once overflowed), the blocks stop at the edge.
    TProgressData slot;
    slot.OneValue = 1e12;
    slot.Fill = 2147483647;
    slot.Peak = 2147483647;
    const QImage image = DrawDiagram(slot, TDiagramMode::dmBar, Scene(300, 17));
    EXPECT_EQ(At(image, 2, 8), Pen);
    EXPECT_EQ(At(image, 296, 2), Pen) << "block 98 reaches the right edge";
    for (int x = 0; x < 300; ++x) ASSERT_NE(At(image, x, 16), Red) << x;
}

// Whether any pixel in the rectangle is drawn by the text (neither the
// background, the frame nor the cursor).
bool HasTextPixels(const QImage& image, const QRect& area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = At(image, x, y);
            if (p != Bg && p != Frame && p != Red) return true;
        }
    return false;
}

TEST(DrawDiagram, BarLabelOnlyLeftOfThePeak)
{
    TProgressData slot;
    slot.OneValue = -1.0;
    slot.Fill = -1;
    slot.NameB = "Samsung SSD";
    for (const auto& [peak, label] : {std::pair{11, true}, std::pair{12, false}}) {
        slot.Peak = peak;
        const QImage image = DrawDiagram(slot, TDiagramMode::dmBar, Scene(300, 17));
        EXPECT_EQ(HasTextPixels(image, QRect(44, 2, 100, 13)), label) << "peak " << peak;
    }
}

// The columns of the value text's cell, found on its bottom row in `colour`.
std::pair<int, int> CellColumns(const QImage& image, int row, QRgb colour)
{
    int first = -1, last = -1;
    for (int x = 0; x < image.width(); ++x)
        if (At(image, x, row) == colour) {
            if (first < 0) first = x;
            last = x;
        }
    return {first, last};
}

TEST(DrawDiagram, ValueTextSitsAtTheRightEdgeOrAtTheBarsEnd)
{
    TDiagramScene scene = Scene(300, 17);
    QFont bold = scene.Font;
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    const int cellBottom = 2 + metrics.height() - 1;
    ASSERT_LT(cellBottom, 15);
    for (int fill : {97, 98, 99, 100}) {
        TProgressData slot;
        slot.FrmtA = "%.0n%%";
        slot.OneValue = fill;
        slot.Fill = fill;
        slot.Peak = fill;
        const QImage image = DrawDiagram(slot, TDiagramMode::dmBar, scene);
        const int tw = metrics.horizontalAdvance(QString::number(fill) + "%");
        ASSERT_LE(fill == 97 ? std::lround(100 - (tw + 16) / 3.0) : 0, 97) << "the text zone starts before 97";
        // On the bar's colour: ending at the bar's end for 97, at the right edge above.
        const int end = fill == 97 ? 291 : 292;
        const auto [first, last] = CellColumns(image, cellBottom, Brush);
        EXPECT_EQ(last, end - 1) << fill;
        EXPECT_EQ(first, end - tw) << fill;
    }
}

// Pixels of `image` inside `area` darker than mid grey: the ink of a text.
int DarkPixels(const QImage& image, const QRect& area)
{
    int dark = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128) ++dark;
    return dark;
}

TEST(DrawDiagram, TheBarsValueIsDrawnInTheBoldInterfaceFont)
{
    // With the interface font the value reads bold: more ink than the same
    // text in the regular face, not only wider spacing.
    TDiagramScene scene = Scene(300, 17);
    scene.Font = InterfaceFont(11);
    scene.TextColour = Qt::black;
    TProgressData slot;
    slot.FrmtA = "%.0n%%";
    slot.OneValue = 38;
    slot.Fill = 10;
    slot.Peak = 10;
    const QImage image = DrawDiagram(slot, TDiagramMode::dmBar, scene);
    const QString text = QStringLiteral("38%");
    const int tw = QFontMetrics(BoldInterfaceFont(scene.Font)).horizontalAdvance(text);
    const int drawn = DarkPixels(image, QRect(292 - tw, 2, tw, 13));

    QImage regular(tw + 4, 17, QImage::Format_RGB32);
    regular.fill(Qt::white);
    QPainter painter(&regular);
    painter.setFont(scene.Font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 2, tw + 4, 13), Qt::AlignLeft | Qt::AlignTop, text);
    painter.end();
    const int plain = DarkPixels(regular, regular.rect());
    EXPECT_GT(drawn, plain * 5 / 4) << drawn << " dark pixels drawn, " << plain << " in the regular face";
}

TEST(DrawDiagram, ShortBarLeavesTheValueAtTheRightEdgeOnTheBackground)
{
    TDiagramScene scene = Scene(300, 17);
    QFont bold = scene.Font;
    bold.setBold(true);
    TProgressData slot;
    slot.FrmtA = "%.0n%%";
    slot.OneValue = 50;
    slot.Fill = 50;
    slot.Peak = 50;
    const QImage image = DrawDiagram(slot, TDiagramMode::dmBar, scene);
    const int tw = QFontMetrics(bold).horizontalAdvance("50%");
    EXPECT_TRUE(HasTextPixels(image, QRect(292 - tw, 2, tw, 13)));
    EXPECT_FALSE(HasTextPixels(image, QRect(160, 2, 292 - tw - 160, 13))) << "nothing between the bar and the text";
    EXPECT_FALSE(HasTextPixels(image, QRect(292, 1, 7, 15)));
}

TEST(DrawDiagram, EqualSeriesShowTheOverlapColourDownToTheLastRowButOne)
{
    TProgressData slot;
    slot.DataA[5] = 50;
    slot.DataB[5] = 50;
    TDiagramScene scene = Scene();
    scene.DiagIndex = 50;
    const QImage image = DrawDiagram(slot, TDiagramMode::dmTwoHistories, scene);
    for (int y = 2; y <= 69; ++y) {
        EXPECT_EQ(At(image, 17, y), Overlap) << y;
        EXPECT_EQ(At(image, 18, y), Overlap) << y;
    }
    EXPECT_EQ(At(image, 17, 70), Brush) << "B's outline, drawn in the swapped colours";
    EXPECT_EQ(At(image, 17, 1), Bg);
}

TEST(DrawDiagram, OnlyAAndOnlyBShowTheirOwnColours)
{
    TProgressData slot;
    slot.DataA[5] = 100; // the scale
    slot.DataB[5] = 50;
    TDiagramScene scene = Scene();
    scene.DiagIndex = 50;
    const QImage image = DrawDiagram(slot, TDiagramMode::dmTwoHistories, scene);
    EXPECT_EQ(At(image, 17, 10), Pen) << "A alone";
    EXPECT_EQ(At(image, 17, 40), Overlap) << "both";
}

TEST(DrawDiagram, SpectrumAndCoreBarsHaveRedMarksAndNoCursor)
{
    for (TDiagramMode mode : {TDiagramMode::dmSpectrum, TDiagramMode::dmCoreBars}) {
        TProgressData slot;
        slot.DataB[3] = 35; // pixels: Round((1 - 35 / 71) x 67) = 34
        slot.DataA[4] = 71; // a full column
        const QImage image = DrawDiagram(slot, mode, Scene());
        EXPECT_EQ(At(image, 11, 35), Red);
        EXPECT_EQ(At(image, 12, 36), Red);
        EXPECT_NE(At(image, 11, 34), Red);
        EXPECT_NE(At(image, 11, 37), Red);
        EXPECT_EQ(At(image, 14, 2), Pen) << "the full column of sample 4";
        EXPECT_EQ(At(image, 2, 10), Bg) << "no cursor";
        EXPECT_EQ(At(image, 14, 30), Pen) << "no vertical grid";
        EXPECT_EQ(At(image, 100, 14), Grid) << "the horizontal grid";
    }
}

TEST(DrawDiagram, NumbersThatAreNoNumbersDrawWithoutFailing)
{
    TProgressData slot;
    slot.DataA.fill(std::numeric_limits<double>::quiet_NaN());
    slot.DataB.fill(std::numeric_limits<double>::infinity());
    for (int mode = 0; mode <= 5; ++mode)
        EXPECT_EQ(DrawDiagram(slot, static_cast<TDiagramMode>(mode), Scene()).size(), QSize(300, 71));
}

TEST(BlendColor, MixesByAnExactPercentage)
{
    EXPECT_EQ(BlendColor(Qt::white, QColor(0x8F8F8F), 80).rgb() & 0xFFFFFF, 0xE8E8E8u);
    EXPECT_EQ(BlendColor(QColor(0x1F1F1F), QColor(0x8F8F8F), 80).rgb() & 0xFFFFFF, 0x353535u);
    // 50 % is a = 128 (127.5 rounded to even): 255 x 128 >> 8 = 127; a = 127 would give 126.
    EXPECT_EQ(BlendColor(Qt::white, Qt::black, 50).rgb() & 0xFFFFFF, 0x7F7F7Fu);
    EXPECT_EQ(BlendColor(Qt::white, Qt::black, 0).rgb() & 0xFFFFFF, 0x000000u);
    EXPECT_EQ(BlendColor(Qt::white, Qt::black, 100).rgb() & 0xFFFFFF, 0xFEFEFEu) << "a = 255 of 256";
}

TEST(Decorations, BottomStripGapAndWaitIndicator)
{
    const QImage strip = PaintBox11Picture(628, 2);
    EXPECT_EQ(At(strip, 0, 0), Red);
    EXPECT_EQ(At(strip, 103, 1), Red);
    EXPECT_EQ(At(strip, 104, 0), 0x800000u);
    EXPECT_EQ(At(strip, 207, 1), 0x800000u);
    EXPECT_EQ(At(strip, 208, 0), Frame);

    const QImage gap = PaintBox13Picture(12, 71, Scene());
    const QRgb fill = BlendColor(QColor(Bg), QColor(0x8F8F8F), 80).rgb() & 0xFFFFFF;
    EXPECT_EQ(At(gap, 5, 5), fill);
    EXPECT_EQ(At(gap, 11, 0), Frame);
    EXPECT_EQ(At(gap, 0, 70), Frame);
    EXPECT_EQ(At(gap, 1, 14), 0xA6A6A6u);
    EXPECT_EQ(At(gap, 10, 56), 0xA6A6A6u);
    EXPECT_EQ(At(gap, 0, 14), fill) << "grid lines leave the first column";
    EXPECT_EQ(At(gap, 11, 14), fill) << "and the last";

    const QRgb back = BlendColor(QColor(Bg), QColor(0x8F8F8F), 50).rgb() & 0xFFFFFF;
    const QImage wait = PaintBox14Picture(2, 64, Scene(), 250);
    EXPECT_EQ(At(wait, 0, 15), back);
    EXPECT_EQ(At(wait, 1, 16), 0x800000u) << "Round(64 x 250 / 1000) = 16";
    EXPECT_EQ(At(wait, 0, 63), 0x800000u);
    const QImage noThread = PaintBox14Picture(2, 64, Scene(), std::nullopt);
    EXPECT_EQ(At(noThread, 0, 63), back);
}

TEST(Decorations, ColoursFollowTheTheme)
{
    TDiagramScene dark = Scene();
    dark.Theme = ThemeDark;
    dark.WindowColour = QColor(0x1F1F1F);
    TProgressData slot;
    slot.DataA[5] = 100;
    const QImage image = DrawDiagram(slot, TDiagramMode::dmHistory, dark);
    EXPECT_EQ(At(image, 50, 50), 0x1F1F1Fu);
    EXPECT_EQ(At(image, 100, 14), 0x203040u);
    EXPECT_EQ(At(image, 17, 40), Brush) << "the dark scheme's pen";
    EXPECT_EQ(At(PaintBox13Picture(12, 71, dark), 5, 5), 0x353535u);

    TDiagramScene transparentLight = Scene();
    transparentLight.Theme = ThemeTransparent;
    const QImage clear = DrawDiagram(TProgressData{}, TDiagramMode::dmHistory, transparentLight);
    EXPECT_EQ(At(clear, 50, 50), 0xA6A6A6u);
    EXPECT_EQ(At(clear, 100, 14), 0x8F8F8Fu);
}


// A picture changed only where ChangedColumns says, and drawn there again,
// equals the whole new picture: for every mode and odd widths, through
// history steps, cursor wraps, new scales, the spectrum's moves, values that
// are no numbers, and new themes.
struct RedrawCase {
    TDiagramMode Mode;
    int Width;
    int Height;
    int Scale = 1; // device pixels per logical pixel
};

class ColumnRedraw : public testing::TestWithParam<RedrawCase> {};

TEST_P(ColumnRedraw, EqualsTheWholePictureAndStaysNarrowForOneSample)
{
    const RedrawCase c = GetParam();
    std::mt19937 random(7);
    std::uniform_real_distribution<double> value(0.0, c.Mode >= TDiagramMode::dmSpectrum ? c.Height : 150.0);
    TDiagramInputs shown{TProgressData{}, c.Mode, Scene(c.Width, c.Height)};
    shown.Scene.BaseA = 100.0;
    shown.Scene.Scale = c.Scale;
    for (int i = 0; i < DataArrayLength; ++i) {
        shown.Slot.DataA[std::size_t(i)] = value(random) / 2;
        shown.Slot.DataB[std::size_t(i)] = value(random) / 2;
    }
    const bool total = c.Mode == TDiagramMode::dmHistoryOfTotal;
    if (total) shown.Slot.DataB[1] = 200.0; // the memory's total, the top of its scale
    QImage image = DrawDiagram(shown.Slot, shown.Mode, shown.Scene);
    const bool history = c.Mode <= TDiagramMode::dmTwoHistories;
    for (int step = 0; step < 260; ++step) {
        TDiagramInputs now = shown;
        const auto k = std::size_t(step % DataArrayLength);
        const bool quiet = step % 37 != 36 && step % 53 != 52 && step % 61 != 60;
        if (history) {
            // One sample where the cursor stands, the cursor one further.
            now.Slot.DataA[k] = std::min(value(random) / 2, 70.0);
            if (!total) now.Slot.DataB[k] = std::min(value(random) / 2, 70.0);
            now.Scene.DiagIndex = int((k + 1) % DataArrayLength);
        } else {
            // A band of five columns moves.
            const std::size_t band = 6 * (step % 16) + 2;
            for (std::size_t i = band; i < band + 5; ++i) {
                now.Slot.DataA[i] = std::trunc(value(random));
                now.Slot.DataB[i] = std::trunc(value(random));
            }
        }
        if (step % 37 == 36) now.Slot.DataA[k] = 149.0 + step; // a new top of the scale
        if (step % 53 == 52) now.Slot.DataA[(k + 50) % DataArrayLength] = std::numeric_limits<double>::quiet_NaN();
        if (step % 61 == 60) now.Scene.Theme = now.Scene.Theme == ThemeLight ? ThemeDark : ThemeLight;
        const auto [x1, x2] = ChangedColumns(shown, now);
        if (x1 < x2) RedrawDiagramColumns(image, now, x1, x2);
        ASSERT_EQ(image, DrawDiagram(now.Slot, now.Mode, now.Scene)) << "step " << step << ", columns " << x1 << ".." << x2;
        // A quiet step touches its sample's columns and the cursor's, or one
        // band; only the wrap of the cursor and the changes of the scale or
        // theme take the whole width.
        if (quiet && c.Mode != TDiagramMode::dmBar && (!history || k != DataArrayLength - 1)) {
            EXPECT_LE(x2 - x1, 7 * c.Width / 100 + 8) << "step " << step;
        }
        shown = now;
    }
}

// A bar gliding toward each new target, one step a tick as the window moves
// it: each step redrawn only where ChangedColumns says equals the whole new
// picture; the steps stay narrow, and those beyond the bar's end draw nothing.
class BarGlideRedraw : public testing::TestWithParam<RedrawCase> {};

TEST_P(BarGlideRedraw, EachStepRedrawnInItsColumnsEqualsTheWholePicture)
{
    const RedrawCase c = GetParam();
    TDiagramInputs shown{TProgressData{}, TDiagramMode::dmBar, Scene(c.Width, c.Height)};
    shown.Scene.Scale = c.Scale;
    shown.Slot.FrmtA = "%.0n%%";
    shown.Slot.NameB = "sda";
    shown.Slot.Peak = 40;
    QImage image = DrawDiagram(shown.Slot, shown.Mode, shown.Scene);
    int steps = 0, beyond = 0;
    // Up and down across the carried value, the edge at 97, the bar's end, and
    // a rate far beyond it.
    for (const double target : {63.0, 0.0, 99.0, 95.0, 4096.0, 20.0, 98.0, 3.0}) {
        shown.Slot.OneValue = target;
        TDiagramInputs now = shown; // the hand-over: a new value, the same fill
        auto [x1, x2] = ChangedColumns(shown, now);
        if (x1 < x2) RedrawDiagramColumns(image, now, x1, x2);
        shown = now;
        image = DrawDiagram(shown.Slot, shown.Mode, shown.Scene);
        while (StepBarFill(&now.Slot)) {
            std::tie(x1, x2) = ChangedColumns(shown, now);
            if (x1 < x2) RedrawDiagramColumns(image, now, x1, x2);
            ASSERT_EQ(image, DrawDiagram(now.Slot, now.Mode, now.Scene))
                << "fill " << shown.Slot.Fill << " to " << now.Slot.Fill << ", columns " << x1 << ".." << x2;
            EXPECT_LT(x2 - x1, c.Width / 2) << "fill " << shown.Slot.Fill << " to " << now.Slot.Fill;
            if (std::min(shown.Slot.Fill, now.Slot.Fill) >= 99) {
                EXPECT_GE(x1, x2) << "nothing to draw beyond the bar's end";
                ++beyond;
            }
            ++steps;
            shown = now;
        }
    }
    EXPECT_GT(steps, 100);
    EXPECT_GT(beyond, 100) << "the glide toward the rate passes beyond the end";
}

INSTANTIATE_TEST_SUITE_P(Widths, BarGlideRedraw,
                         testing::Values(RedrawCase{TDiagramMode::dmBar, 300, 17}, RedrawCase{TDiagramMode::dmBar, 251, 17},
                                         RedrawCase{TDiagramMode::dmBar, 137, 13}, RedrawCase{TDiagramMode::dmBar, 300, 17, 2}));

INSTANTIATE_TEST_SUITE_P(
    EveryMode, ColumnRedraw,
    testing::Values(RedrawCase{TDiagramMode::dmHistory, 300, 71}, RedrawCase{TDiagramMode::dmHistory, 137, 40},
                    RedrawCase{TDiagramMode::dmHistoryOfTotal, 300, 71}, RedrawCase{TDiagramMode::dmTwoHistories, 300, 71},
                    RedrawCase{TDiagramMode::dmTwoHistories, 251, 35}, RedrawCase{TDiagramMode::dmBar, 300, 17},
                    RedrawCase{TDiagramMode::dmSpectrum, 300, 71}, RedrawCase{TDiagramMode::dmCoreBars, 143, 71},
                    RedrawCase{TDiagramMode::dmCoreBars, 99, 20},
                    // At the scales of screens with 2 and 3 device pixels per logical pixel.
                    RedrawCase{TDiagramMode::dmHistory, 300, 71, 2}, RedrawCase{TDiagramMode::dmTwoHistories, 251, 35, 3},
                    RedrawCase{TDiagramMode::dmBar, 300, 17, 2}, RedrawCase{TDiagramMode::dmSpectrum, 300, 71, 2}));

} // namespace
