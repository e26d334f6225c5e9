// The cost of drawing: one DrawDiagram call per mode at 300 x 71 (and the
// 300 x 17 disk bar), one animation tick of the window at rest, and the
// desktop's change from light to dark (or back) until the window is painted
// again in the new theme.

#include "DiagramRenderer.h"
#include "FakeDesktop.h"
#include "LocalNamespaces.h"
#include "MessageBoxes.h"
#include "TForm1.h"

#include <QApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <fstream>

namespace {

TProgressData BusySlot()
{
    TProgressData slot;
    for (int i = 0; i < DataArrayLength; ++i) {
        slot.DataA[i] = 35 + 30 * std::sin(i / 7.0);
        slot.DataB[i] = 30 + 25 * std::cos(i / 5.0);
    }
    slot.DataB[1] = 100;
    slot.NameB = "Samsung SSD 980 PRO 1TB";
    slot.FrmtA = "%.0n%%";
    slot.OneValue = 63.4;
    slot.Fill = 63;
    slot.Peak = 71;
    return slot;
}

// One picture of a mode on a screen of a device pixel ratio (the third
// argument, in hundredths): drawn at the ratio rounded up and, at a
// fractional ratio, scaled down onto the screen's pixels as the area paints it.
void BM_DrawDiagram(benchmark::State& state)
{
    const auto mode = static_cast<TDiagramMode>(state.range(0));
    const TProgressData slot = BusySlot();
    TDiagramScene scene;
    scene.Height = static_cast<int>(state.range(1));
    scene.BaseA = 100;
    scene.DiagIndex = 42;
    const double ratio = static_cast<double>(state.range(2)) / 100.0;
    scene.Scale = PictureScale(ratio);
    const bool fractional = ratio != scene.Scale;
    QImage screen(static_cast<int>(std::ceil(scene.Width * ratio)), static_cast<int>(std::ceil(scene.Height * ratio)),
                  QImage::Format_RGB32);
    screen.setDevicePixelRatio(ratio);
    for (auto _ : state) {
        const QImage picture = DrawDiagram(slot, mode, scene);
        if (fractional) {
            QPainter painter(&screen);
            painter.drawImage(QPointF(0, 0), picture);
        }
        benchmark::DoNotOptimize(picture.constBits());
    }
}

BENCHMARK(BM_DrawDiagram)
    ->ArgNames({"mode", "height", "ratio%"})
    ->ArgsProduct({{0, 2, 3, 4, 5}, {71}, {100, 150, 200}})
    ->ArgsProduct({{1}, {17}, {100, 150, 200}})
    ->Unit(benchmark::kMicrosecond);

class SilentBoxes : public IMessageBoxes {
public:
    void ShowError(const std::string&, const std::string&) override {}
    bool AskYesNo(const std::string&, const std::string&, TBoxPlace) override { return false; }
    void ShowMessage(const std::string&, const std::string&) override {}
    void ShowPlain(const std::string&, const std::string&) override {}
    void CloseAll() override {}
};

// The window with the four disk bars and the core bars shown, everything at
// its target: a tick finds nothing to move and draws nothing.
// A window on the offscreen platform over a captured tree, with the four
// disk bars and the core bars shown; `run` gets it shown and settled.
void WithWindow(const std::function<void(TForm1&, FakeDesktop&)>& run)
{
    const auto dir = std::filesystem::temp_directory_path() / "tellvane-bench";
    std::filesystem::create_directories(dir);
    {
        std::ofstream ini(dir / "tellvane.ini");
        ini << "[BENCH]\nCpuBars=1\nDiskDiagram=0\n";
    }
    SilentBoxes boxes;
    TRunState runState;
    FakeDesktop desktop;
    desktop.Answer = FakeDesktop::Light();
    TForm1Services services;
    services.ExecutablePath = dir / "tellvane";
    services.ComputerName = [] { return std::optional<std::string>("BENCH"); };
    services.Namespaces = LocalNamespaces(std::string(TELLVANE_SHARED_FIXTURES) + "/vm-debian12-2cpu-virtio-no-hwmon");
    services.Boxes = &boxes;
    services.Run = &runState;
    services.Desktop = &desktop;
    TForm1 form(std::move(services));
    form.ShowMainWindow();
    form.Timer2->stop();
    for (int tag : {7, 14, 15, 16}) form.DiagData().Slot(tag)->OneValue = 0;
    form.UpdateWmiGUI();
    QApplication::processEvents();
    run(form, desktop);
    form.Close1Click();
    form.FormDestroy();
    std::filesystem::remove_all(dir);
}

// Everything at its target: a tick finds nothing to move and draws nothing.
void BM_Timer2Timer_AtRest(benchmark::State& state)
{
    WithWindow([&](TForm1& form, FakeDesktop&) {
        for (auto _ : state) form.Timer2Timer();
    });
}

// The portal's change notice in Auto-detect, the theme applied, every
// diagram drawn again and the window painted.
void BM_DesktopChangeToRepaintedWindow(benchmark::State& state)
{
    WithWindow([&](TForm1& form, FakeDesktop& desktop) {
        bool dark = false;
        for (auto _ : state) {
            dark = !dark;
            desktop.Change(dark ? FakeDesktop::Dark() : FakeDesktop::Light());
            form.repaint();
        }
    });
}

BENCHMARK(BM_Timer2Timer_AtRest)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_DesktopChangeToRepaintedWindow)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
