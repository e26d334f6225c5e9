// The sound panel's cost per 25-ms tick while sound plays: the spectrum from
// the audio library, one step of the bands and the drawing of the panel; and
// the audio library's own processor time while it records. Against a private
// sound server (scripts/sound-server, as the tests start it) with a 1000 Hz
// sine as the input.

#include "AudioLibrary.h"
#include "DiagramRenderer.h"
#include "LevelMeter.h"
#include "SoundServer.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include <ctime>
#include <sys/resource.h>

namespace {

HRECORD Channel = 0;

double Seconds(const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }

double ThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

void BM_SoundTick(benchmark::State& state)
{
    std::array<float, SpectrumBins> bins{};
    TProgressData slot;
    TDiagramScene scene;
    scene.Height = 71;
    for (auto _ : state) {
        if (Bass().ChannelGetData(Channel, bins.data(), AudioDataFft2048) == DWORD(-1)) {
            state.SkipWithError("the recording ended");
            break;
        }
        StepLevelBands(bins.data(), 71, 9, slot.DataA, slot.DataB);
        benchmark::DoNotOptimize(DrawDiagram(slot, TDiagramMode::dmSpectrum, scene));
    }
}
BENCHMARK(BM_SoundTick)->Unit(benchmark::kMicrosecond);

void BM_SpectrumOnly(benchmark::State& state)
{
    std::array<float, SpectrumBins> bins{};
    for (auto _ : state) benchmark::DoNotOptimize(Bass().ChannelGetData(Channel, bins.data(), AudioDataFft2048));
}
BENCHMARK(BM_SpectrumOnly)->Unit(benchmark::kMicrosecond);

// The library's threads: the whole process's processor time over 5 s of
// recording, less the waiting main thread's.
void BM_LibraryWhileRecording(benchmark::State& state)
{
    for (auto _ : state) {
        rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        const double mainBefore = ThreadCpuSeconds();
        std::this_thread::sleep_for(std::chrono::seconds(5));
        getrusage(RUSAGE_SELF, &after);
        const double library = (Seconds(after.ru_utime) + Seconds(after.ru_stime)) -
                               (Seconds(before.ru_utime) + Seconds(before.ru_stime)) -
                               (ThreadCpuSeconds() - mainBefore);
        state.counters["library_cpu_percent"] = library / 5.0 * 100.0;
    }
}
BENCHMARK(BM_LibraryWhileRecording)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    TestSoundServer server;
    if (!LoadAudioLibrary(TELLVANE_AUDIO_LIBRARY) || !Bass().RecordInit(-1) ||
        (Channel = Bass().RecordStart(44100, 1, 0, RecordCallback, nullptr)) == 0) {
        std::fprintf(stderr, "the audio library could not record\n");
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    UnloadAudioLibrary();
    return 0;
}
