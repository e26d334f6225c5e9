#include "AudioLibrary.h"

#include "DynamicLibrary.h"

#include <algorithm>
#include <cmath>

namespace {

TDynamicLibrary& Module()
{
    static TDynamicLibrary module;
    return module;
}

std::array<void*, AudioEntryPoints.size()>& Slots()
{
    static std::array<void*, AudioEntryPoints.size()> slots{};
    return slots;
}

TAudioLibrary& Table()
{
    static TAudioLibrary table;
    return table;
}

template <class F> void Take(F& target, std::string_view name)
{
    const auto at = std::find(AudioEntryPoints.begin(), AudioEntryPoints.end(), name) - AudioEntryPoints.begin();
    target = reinterpret_cast<F>(Slots()[std::size_t(at)]);
}

} // namespace

bool LoadAudioLibrary(const std::string& path)
{
    if (Module().IsOpen()) return true;
    if (!Module().Open(path)) return false;
    auto& slots = Slots();
    for (std::size_t i = 0; i < AudioEntryPoints.size(); ++i)
        slots[i] = Module().Symbol(std::string(AudioEntryPoints[i]).c_str());
    for (std::size_t i = 0; i < AudioEntryPoints.size(); ++i) {
        if (slots[i] || AudioEntryPoints[i] == "BASS_IsStarted") continue;
        // One required entry point missing: the library counts as absent.
        Module().Close();
        slots.fill(nullptr);
        return false;
    }
    TAudioLibrary& t = Table();
    Take(t.GetVersion, "BASS_GetVersion");
    Take(t.RecordGetDeviceInfo, "BASS_RecordGetDeviceInfo");
    Take(t.RecordInit, "BASS_RecordInit");
    Take(t.RecordStart, "BASS_RecordStart");
    Take(t.ChannelIsActive, "BASS_ChannelIsActive");
    Take(t.ChannelGetData, "BASS_ChannelGetData");
    Take(t.RecordFree, "BASS_RecordFree");
    Take(t.Free, "BASS_Free");
    return true;
}

void UnloadAudioLibrary()
{
    if (Module().IsOpen()) {
        Table().Free();
        Module().Close();
    }
    Slots().fill(nullptr);
    Table() = {};
}

bool AudioLibraryLoaded() { return Module().IsOpen(); }

const TAudioLibrary& Bass() { return Table(); }

bool TMeterWake::Sleep(float silence)
{
    FSilence = silence;
    FAsleep = true;
    // A block heard meanwhile may have found the meter still awake: it ticks on.
    if (!FHeard) return true;
    FAsleep = false;
    return false;
}

void TMeterWake::Hear(const float* samples, std::size_t count)
{
    const float silence = FSilence;
    if (std::none_of(samples, samples + count, [silence](float s) { return std::fabs(s) >= silence; })) return;
    // Heard first, then the sleep checked: a Sleep that runs between the two
    // sees the sound and ticks on, or this call wakes it.
    FHeard = true;
    if (FAsleep.exchange(false)) FWake();
}

BOOL RecordCallback(HRECORD, const void* buffer, DWORD length, void* user)
{
    if (user && buffer) static_cast<TMeterWake*>(user)->Hear(static_cast<const float*>(buffer), length / sizeof(float));
    return 1;
}
