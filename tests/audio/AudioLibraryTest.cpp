// The audio library (libbass.so) through its binding, against a private
// sound server with a 1000 Hz sine source and a null sink's monitor.

#include "AudioLibrary.h"
#include "LevelMeter.h"
#include "SoundServer.h"

#include <gtest/gtest.h>

#include <fstream>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>
#include <thread>

namespace {

using namespace std::chrono_literals;

std::map<std::string, BASS_DEVICEINFO> Devices()
{
    std::map<std::string, BASS_DEVICEINFO> devices;
    BASS_DEVICEINFO info{};
    for (DWORD i = 0; Bass().RecordGetDeviceInfo(i, &info); ++i) devices[info.driver] = info;
    return devices;
}

int IndexOf(const std::string& driver)
{
    BASS_DEVICEINFO info{};
    for (DWORD i = 0; Bass().RecordGetDeviceInfo(i, &info); ++i)
        if (driver == info.driver) return int(i);
    return -1;
}

template <class F> bool Within(std::chrono::milliseconds limit, F done)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

class AudioLibraryTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(LoadAudioLibrary(TELLVANE_AUDIO_LIBRARY)); }
    void TearDown() override { UnloadAudioLibrary(); }
};

TEST_F(AudioLibraryTest, ListsTheServersInputsWithTheirFlags)
{
    TestSoundServer server;
    EXPECT_EQ(Bass().GetVersion() >> 16, 0x0204u);
    auto devices = Devices();
    ASSERT_EQ(devices.count("tellvane_sine"), 1u);
    ASSERT_EQ(devices.count("tellvane_null.monitor"), 1u);
    const DWORD sine = devices["tellvane_sine"].flags;
    const DWORD monitor = devices["tellvane_null.monitor"].flags;
    EXPECT_EQ(sine & 0xFF, AudioDeviceEnabled | AudioDeviceDefault) << "the default input, not opened";
    EXPECT_EQ(monitor & 0xFF, AudioDeviceEnabled | AudioDeviceLoopback);
    EXPECT_STREQ(devices["tellvane_sine"].name, "Sine source at 1000 Hz");
    BASS_DEVICEINFO past{};
    EXPECT_FALSE(Bass().RecordGetDeviceInfo(DWORD(devices.size()), &past));

    ASSERT_TRUE(Bass().RecordInit(IndexOf("tellvane_null.monitor")));
    devices = Devices();
    EXPECT_NE(devices["tellvane_null.monitor"].flags & AudioDeviceInitialised, 0u);
    EXPECT_EQ(devices["tellvane_sine"].flags & AudioDeviceInitialised, 0u);
    EXPECT_FALSE(Bass().RecordInit(99)) << "no such device";
    Bass().RecordFree();
    Bass().RecordFree(); // twice is safe
}

TEST_F(AudioLibraryTest, TheSinesEnergyIsInItsBinAndItsBand)
{
    TestSoundServer server;
    ASSERT_TRUE(Bass().RecordInit(-1));
    const HRECORD channel = Bass().RecordStart(44100, 1, 0, RecordCallback, nullptr);
    ASSERT_NE(channel, 0u);
    EXPECT_EQ(Bass().ChannelIsActive(channel), 1u);
    // The transform library is loaded with the first spectrum, not before.
    const auto transformLoaded = [] {
        std::ifstream maps("/proc/self/maps");
        std::string line;
        while (std::getline(maps, line))
            if (line.find("libfftw3f") != std::string::npos) return true;
        return false;
    };
    EXPECT_FALSE(transformLoaded());
    std::array<float, SpectrumBins> bins{};
    // A full window of input: 2048 samples take 46 ms.
    ASSERT_TRUE(Within(3000ms, [&] {
        return Bass().ChannelGetData(channel, bins.data(), AudioDataFft2048) == 4096 &&
               *std::max_element(bins.begin() + 40, bins.begin() + 52) > 0.1f;
    }));
    EXPECT_TRUE(transformLoaded());
    std::this_thread::sleep_for(100ms);
    ASSERT_EQ(Bass().ChannelGetData(channel, bins.data(), AudioDataFft2048), 4096u);
    const auto loudest = std::max_element(bins.begin(), bins.end()) - bins.begin();
    EXPECT_NEAR(double(loudest), 1000.0 * 2048 / 44100, 1.0) << "bin 46";

    // Band 9 (bins 41 to 64) far above every other band.
    TDataArray bars{}, peaks{};
    StepLevelBands(bins.data(), 71, 9, bars, peaks);
    std::array<double, LevelBands> sums{};
    int previous = 0;
    for (int x = 0; x < LevelBands; ++x) {
        for (int b = previous + 1; b <= BandUpperBins()[std::size_t(x)]; ++b) sums[std::size_t(x)] += bins[std::size_t(b)];
        previous = BandUpperBins()[std::size_t(x)];
    }
    for (int x = 0; x < LevelBands; ++x) {
        if (x == 9) continue;
        EXPECT_GT(sums[9], 100 * sums[std::size_t(x)]) << "band " << x;
    }
    EXPECT_EQ(bars[6 * 9 + 2], 71.0) << "a full bar";
    EXPECT_LT(bars[6 * 3 + 2], 1.0);
    Bass().RecordFree();
    EXPECT_EQ(Bass().ChannelIsActive(channel), 0u);
    EXPECT_EQ(Bass().ChannelGetData(channel, bins.data(), AudioDataFft2048), DWORD(-1));
}

// The sizes of the blocks a recording hands to its procedure, in frames.
struct TBlocks {
    std::mutex Mutex;
    std::vector<DWORD> Frames;

    static BOOL Take(HRECORD, const void*, DWORD length, void* user)
    {
        auto* blocks = static_cast<TBlocks*>(user);
        std::lock_guard lock(blocks->Mutex);
        blocks->Frames.push_back(length / sizeof(float));
        return 1;
    }
    // The blocks of the next `span`.
    std::vector<DWORD> During(std::chrono::milliseconds span)
    {
        std::size_t from = 0;
        {
            std::lock_guard lock(Mutex);
            from = Frames.size();
        }
        std::this_thread::sleep_for(span);
        std::lock_guard lock(Mutex);
        return {Frames.begin() + std::ptrdiff_t(from), Frames.end()};
    }
};

TEST_F(AudioLibraryTest, ASilentInputComesInTenthsOfASecondAndSoundIn20MsBlocks)
{
    TestSoundServer server;
    ASSERT_TRUE(Bass().RecordInit(IndexOf("tellvane_null.monitor")));
    TBlocks blocks;
    const HRECORD channel = Bass().RecordStart(44100, 1, AudioSampleFloat, TBlocks::Take, &blocks);
    ASSERT_NE(channel, 0u);
    // Silence: after the first 2048 silent frames the server sends 100 ms
    // blocks. (A null sink that has just started sends its first block late.)
    ASSERT_TRUE(Within(3000ms, [&] {
        std::lock_guard lock(blocks.Mutex);
        return !blocks.Frames.empty();
    }));
    std::this_thread::sleep_for(300ms);
    const std::vector<DWORD> silent = blocks.During(1000ms);
    EXPECT_LE(silent.size(), 12u) << "about ten blocks a second";
    EXPECT_GE(silent.size(), 8u) << "still recording";
    for (const DWORD frames : silent) EXPECT_GE(frames, 4000u);

    // Sound: 20 ms blocks again, and the spectrum shows it.
    ASSERT_EQ(std::system(("PULSE_SERVER=" + server.Address() +
                           " pactl load-module module-sine sink=tellvane_null frequency=1000 >/dev/null")
                              .c_str()),
              0);
    std::this_thread::sleep_for(800ms);
    const std::vector<DWORD> sounding = blocks.During(1000ms);
    EXPECT_GE(sounding.size(), 40u) << "about fifty blocks a second";
    for (const DWORD frames : sounding) EXPECT_LE(frames, 1000u);
    std::array<float, SpectrumBins> bins{};
    ASSERT_NE(Bass().ChannelGetData(channel, bins.data(), AudioDataFft2048), DWORD(-1));
    EXPECT_GT(*std::max_element(bins.begin(), bins.end()), 0.1f);
    Bass().RecordFree();
}

TEST_F(AudioLibraryTest, ServerGoneWhileRecordingEndsTheChannel)
{
    TestSoundServer server;
    ASSERT_TRUE(Bass().RecordInit(-1));
    const HRECORD channel = Bass().RecordStart(44100, 1, 0, RecordCallback, nullptr);
    ASSERT_NE(channel, 0u);
    server.Kill();
    EXPECT_TRUE(Within(2000ms, [&] { return Bass().ChannelIsActive(channel) == 0; }));
    Bass().RecordFree();
    EXPECT_FALSE(Bass().RecordInit(-1)) << "no server to record from";
}

TEST_F(AudioLibraryTest, WithoutAServersSocketItOnlyLooksAndConnectsAsSoonAsOneListens)
{
    TestSoundServer server;
    const std::string address = server.Address();
    // Nothing where the server should be: the first attempt connects in full
    // and fails, the next ones look for the socket only, and fail the same.
    ::setenv("PULSE_SERVER", "unix:/nonexistent/native", 1);
    for (int attempt = 0; attempt < 3; ++attempt) {
        EXPECT_FALSE(Bass().RecordInit(-1)) << "attempt " << attempt;
    }
    // A server listens: the very next attempt connects, not only after a while.
    ::setenv("PULSE_SERVER", address.c_str(), 1);
    EXPECT_TRUE(Bass().RecordInit(-1));
    const HRECORD channel = Bass().RecordStart(44100, 1, AudioSampleFloat, RecordCallback, nullptr);
    EXPECT_NE(channel, 0u);
    Bass().RecordFree();
}

TEST_F(AudioLibraryTest, NoServerMeansNoDevicesAndNoRecording)
{
    ::setenv("PULSE_SERVER", "unix:/nonexistent/native", 1);
    BASS_DEVICEINFO info{};
    EXPECT_FALSE(Bass().RecordGetDeviceInfo(0, &info));
    EXPECT_FALSE(Bass().RecordInit(-1));
    EXPECT_EQ(Bass().RecordStart(44100, 1, 0, RecordCallback, nullptr), 0u);
    EXPECT_TRUE(Bass().Free());
}

} // namespace
