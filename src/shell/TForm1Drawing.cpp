// The window's diagrams: which area is drawn how, the decoration strips, and
// the bars' animation tick.

#include "Animation.h"
#include "InterfaceFont.h"
#include "LevelMeter.h"
#include "TForm1.h"

#include <algorithm>

TDiagramScene TForm1::SceneFor(const TPaintBox* box) const
{
    TDiagramScene scene;
    scene.Width = box->width();
    scene.Height = box->height();
    if (box == PaintBox1 || box == PaintBox2) scene.BaseA = 100.0;
    if (box == PaintBox3) scene.BaseA = MySetup.CpuTermalMax;
    if (box == PaintBox4) scene.BaseA = MySetup.GpuTermalMax;
    scene.DiagIndex = FDiagIndex;
    const int theme = ThemeNumber();
    scene.Theme = theme == ThemeLight || theme == ThemeDark ? theme : ThemeTransparent;
    scene.LightDesktop = FWinStart_AppsUseLightTheme;
    scene.WindowColour = palette().color(QPalette::Window);
    scene.TextColour = Label6->palette().color(QPalette::WindowText);
    scene.Font = FCanvasFont;
    scene.NumberStyle = FServices.NumberStyle;
    scene.Scale = box->Scale();
    return scene;
}

void TForm1::DrawDiagram(TPaintBox* box, TDiagramMode mode)
{
    const TProgressData* slot = FDiagData.Slot(box->Tag);
    if (!slot || FDestroyed) return;
    TDiagramInputs inputs{*slot, mode, SceneFor(box)};
    // The cursor follows the history position only in the history modes; the
    // other pictures do not change with it.
    const int m = static_cast<int>(mode);
    if (m == 1 || m >= 4) inputs.Scene.DiagIndex = 0;
    // Only the columns that change are drawn and sent to the screen: a history
    // takes one sample a second, the spectrum moves a few bands at a time.
    const auto [x1, x2] = box->Shown && box->PictureFits()
                              ? ChangedColumns(*box->Shown, inputs)
                              : std::pair{0, box->width()};
    if (x1 >= x2) {
        box->Shown = std::move(inputs);
        return;
    }
    if (x2 - x1 < box->width())
        box->PresentColumns(x1, x2, [&](QImage& image) { RedrawDiagramColumns(image, inputs, x1, x2); });
    else
        box->Present(::DrawDiagram(inputs.Slot, mode, inputs.Scene));
    box->Shown = std::move(inputs);
}

TDiagramMode TForm1::PaintBoxMode(const TPaintBox* box) const
{
    TDiagramMode mode = TDiagramMode::dmHistory;
    if (box == PaintBox5) mode = TDiagramMode::dmHistoryOfTotal;
    if (box == DiskPaintBox1) mode = MySetup.DiskDiagram ? TDiagramMode::dmTwoHistories : TDiagramMode::dmBar;
    if (box == DiskPaintBox2 || box == DiskPaintBox3 || box == DiskPaintBox4) mode = TDiagramMode::dmBar;
    if (box == PaintBox8 || box == PaintBox9) mode = TDiagramMode::dmCoreBars;
    if (box == PaintBox10) mode = TDiagramMode::dmTwoHistories;
    if (box == PaintBox12) mode = TDiagramMode::dmSpectrum;
    return mode;
}

void TForm1::PaintBoxPaint(TPaintBox& box) { DrawDiagram(&box, PaintBoxMode(&box)); }

void TForm1::PaintBox11Paint(TPaintBox& box)
{
    if (!box.PictureFits()) box.Present(PaintBox11Picture(box.width(), box.height(), box.Scale()));
}

void TForm1::PaintBox13Paint(TPaintBox& box) { box.Present(PaintBox13Picture(box.width(), box.height(), SceneFor(&box))); }

void TForm1::PaintBox14Paint(TPaintBox& box)
{
    // Without a running refresh thread there is no wait to show: only the background.
    std::optional<std::int32_t> wait;
    if (FWmiRefresh && !FWmiRefresh->Ended()) wait = FWmiRefresh->WaitMs();
    box.Present(PaintBox14Picture(box.width(), box.height(), SceneFor(&box), wait));
}

void TForm1::Timer2Timer()
{
    // A tick at the glide's pace takes one step; one after a sleep also the
    // steps slept through (each of them looked the same).
    const qint64 now = GlideNow();
    const qint64 steps = std::max<qint64>(1, (now - FGlideMark + GlideTickMs / 2) / GlideTickMs);
    FGlideMark = steps == 1 ? now : FGlideMark + steps * GlideTickMs;
    StepGlide(steps, true);
    // Every bar at its target: no wake-up until a hand-over gives a new one.
    ScheduleGlide();
}

void TForm1::StepGlide(qint64 steps, bool draw)
{
    if (!MySetup.DiskDiagram)
        for (TPaintBox* box : {DiskPaintBox1, DiskPaintBox2, DiskPaintBox3, DiskPaintBox4})
            if (StepBarFillBy(FDiagData.Slot(box->Tag), steps) && draw) DrawDiagram(box, TDiagramMode::dmBar);
    if (HasCpuBarMetric() && StepCoreBars(FDiagData.Slot(PaintBox8->Tag), FDiagData.Slot(PaintBox9->Tag)) && draw) {
        DrawDiagram(PaintBox8, TDiagramMode::dmCoreBars);
        DrawDiagram(PaintBox9, TDiagramMode::dmCoreBars);
    }
}

void TForm1::Timer4Timer()
{
    FMeterWake.Listen();
    UpdateLevelBands();
    DrawDiagram(PaintBox12, TDiagramMode::dmSpectrum);
    // Nothing moves while every band and peak rests at 0: the tick ends. A
    // recording wakes it with the first block that could raise a bar; the
    // hand-over checks meanwhile that it still records (UpdateWmiGUI).
    const TProgressData* slot = FDiagData.Slot(PaintBox12->Tag);
    const bool resting = !slot || (std::all_of(slot->DataA.begin(), slot->DataA.end(), [](double v) { return v == 0; }) &&
                                   std::all_of(slot->DataB.begin(), slot->DataB.end(), [](double v) { return v == 0; }));
    if (resting && (FChannel == 0 || FMeterWake.Sleep(SilentSampleBound(PaintBox12->height(), MySetup.SoundLevel))))
        Timer4->stop();
}
