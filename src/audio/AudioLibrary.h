#pragma once
// The binding of the audio library: loaded at run time from the executable's
// folder, its entry points resolved by name. Without the library, or with one
// that lacks an entry point, the gadget runs on without sound. Used from the
// main thread only.

#include "AudioLibraryApi.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// Every name the binding resolves, in order; all but BASS_IsStarted are required.
inline constexpr std::array<std::string_view, 102> AudioEntryPoints{
    "BASS_SetConfig", "BASS_GetConfig", "BASS_SetConfigPtr", "BASS_GetConfigPtr", "BASS_GetVersion",
    "BASS_ErrorGetCode", "BASS_GetDeviceInfo", "BASS_Init", "BASS_SetDevice", "BASS_GetDevice", "BASS_Free",
    "BASS_GetDSoundObject", "BASS_GetInfo", "BASS_Update", "BASS_GetCPU", "BASS_Start", "BASS_Stop", "BASS_Pause",
    "BASS_IsStarted", "BASS_SetVolume", "BASS_GetVolume", "BASS_PluginLoad", "BASS_PluginFree", "BASS_PluginGetInfo",
    "BASS_Set3DFactors", "BASS_Get3DFactors", "BASS_Set3DPosition", "BASS_Get3DPosition", "BASS_Apply3D",
    "BASS_SetEAXParameters", "BASS_GetEAXParameters", "BASS_MusicLoad", "BASS_MusicFree", "BASS_SampleLoad",
    "BASS_SampleCreate", "BASS_SampleFree", "BASS_SampleSetData", "BASS_SampleGetData", "BASS_SampleGetInfo",
    "BASS_SampleSetInfo", "BASS_SampleGetChannel", "BASS_SampleGetChannels", "BASS_SampleStop", "BASS_StreamCreate",
    "BASS_StreamCreateFile", "BASS_StreamCreateURL", "BASS_StreamCreateFileUser", "BASS_StreamFree",
    "BASS_StreamGetFilePosition", "BASS_StreamPutData", "BASS_StreamPutFileData", "BASS_RecordGetDeviceInfo",
    "BASS_RecordInit", "BASS_RecordSetDevice", "BASS_RecordGetDevice", "BASS_RecordFree", "BASS_RecordGetInfo",
    "BASS_RecordGetInputName", "BASS_RecordSetInput", "BASS_RecordGetInput", "BASS_RecordStart",
    "BASS_ChannelBytes2Seconds", "BASS_ChannelSeconds2Bytes", "BASS_ChannelGetDevice", "BASS_ChannelSetDevice",
    "BASS_ChannelIsActive", "BASS_ChannelGetInfo", "BASS_ChannelGetTags", "BASS_ChannelFlags", "BASS_ChannelUpdate",
    "BASS_ChannelLock", "BASS_ChannelPlay", "BASS_ChannelStop", "BASS_ChannelPause", "BASS_ChannelSetAttribute",
    "BASS_ChannelGetAttribute", "BASS_ChannelSetAttributeEx", "BASS_ChannelGetAttributeEx",
    "BASS_ChannelSlideAttribute", "BASS_ChannelIsSliding", "BASS_ChannelSet3DAttributes",
    "BASS_ChannelGet3DAttributes", "BASS_ChannelSet3DPosition", "BASS_ChannelGet3DPosition", "BASS_ChannelGetLength",
    "BASS_ChannelSetPosition", "BASS_ChannelGetPosition", "BASS_ChannelGetLevel", "BASS_ChannelGetLevelEx",
    "BASS_ChannelGetData", "BASS_ChannelSetSync", "BASS_ChannelRemoveSync", "BASS_ChannelSetDSP",
    "BASS_ChannelRemoveDSP", "BASS_ChannelSetLink", "BASS_ChannelRemoveLink", "BASS_ChannelSetFX",
    "BASS_ChannelRemoveFX", "BASS_FXSetParameters", "BASS_FXGetParameters", "BASS_FXReset", "BASS_FXSetPriority"};

// The file name of the library beside the executable.
inline constexpr const char* AudioLibraryFile = "libbass.so";

// Loads the library at `path` once; true when it is loaded and has every
// required entry point. A second call gives true without loading again.
bool LoadAudioLibrary(const std::string& path);
// Ends the library's work (BASS_Free) and unloads it; nothing when none is loaded.
void UnloadAudioLibrary();
bool AudioLibraryLoaded();

// The meter's wake-up call. While every band rests the meter does not tick;
// the recording procedure, on the library's thread, hears each block and
// wakes it with the first one whose samples could raise a bar.
class TMeterWake {
public:
    // `wake` runs on the library's thread: it may only post to the window.
    explicit TMeterWake(std::function<void()> wake) : FWake(std::move(wake)) {}

    // Main thread. At each tick before the spectrum is read: what is heard
    // from now on counts for the next Sleep.
    void Listen() { FHeard = false; }
    // Main thread, with every band at rest: true when the meter may stop
    // ticking (nothing louder than `silence` was heard since Listen); the
    // next block louder than that wakes it.
    bool Sleep(float silence);
    // Main thread: the meter ticks again, no wake-up is wanted.
    void Awake() { FAsleep = false; }

    // The library's thread: one block of float samples.
    void Hear(const float* samples, std::size_t count);

private:
    std::function<void()> FWake;
    std::atomic<float> FSilence{0.0f};
    std::atomic<bool> FAsleep{false};
    std::atomic<bool> FHeard{false};
};

// The recording procedure handed to BASS_RecordStart, with the samples as
// floats (AudioSampleFloat) and a TMeterWake, or nullptr, as `user`; it keeps
// the recording going. It runs on the library's thread.
BOOL RecordCallback(HRECORD handle, const void* buffer, DWORD length, void* user);

// The eight entry points the gadget calls, valid while the library is loaded.
struct TAudioLibrary {
    decltype(&BASS_GetVersion) GetVersion = nullptr;
    decltype(&BASS_RecordGetDeviceInfo) RecordGetDeviceInfo = nullptr;
    decltype(&BASS_RecordInit) RecordInit = nullptr;
    decltype(&BASS_RecordStart) RecordStart = nullptr;
    decltype(&BASS_ChannelIsActive) ChannelIsActive = nullptr;
    decltype(&BASS_ChannelGetData) ChannelGetData = nullptr;
    decltype(&BASS_RecordFree) RecordFree = nullptr;
    decltype(&BASS_Free) Free = nullptr;
};
const TAudioLibrary& Bass();
