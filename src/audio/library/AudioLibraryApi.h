#pragma once
// The audio library's interface as the gadget uses it: version 2.4 of the
// library's entry points, with C linkage. Only what the callers rely on is
// declared here; the library exports every name of the binding's list.

#include <cstdint>

extern "C" {

using DWORD = std::uint32_t;
using BOOL = int;
using HRECORD = DWORD;

// The library's version, 2.4 in the high 16 bits.
inline constexpr DWORD AudioLibraryVersion = 0x02040C00;

// A recording device as BASS_RecordGetDeviceInfo describes it.
struct BASS_DEVICEINFO {
    const char* name;   // the source's description
    const char* driver; // the source's name on the sound server
    DWORD flags;        // the AudioDevice* bits below, the type in the top 8 bits
};

inline constexpr DWORD AudioDeviceEnabled = 1;
inline constexpr DWORD AudioDeviceDefault = 2;
inline constexpr DWORD AudioDeviceInitialised = 4;
inline constexpr DWORD AudioDeviceLoopback = 8;

// The request of BASS_ChannelGetData for the magnitudes of a 2048-sample FFT.
inline constexpr DWORD AudioDataFft2048 = 0x80000003;
// BASS_RecordStart's flag for 32-bit float samples (the library's own recordings always are).
inline constexpr DWORD AudioSampleFloat = 0x100;

// Error codes of BASS_ErrorGetCode.
inline constexpr int AudioErrorOk = 0;
inline constexpr int AudioErrorHandle = 5;
inline constexpr int AudioErrorInit = 8;
inline constexpr int AudioErrorDriver = 3;
inline constexpr int AudioErrorDevice = 23;
inline constexpr int AudioErrorNotAvailable = 37;

// The recording procedure: the channel, the samples, their length in bytes,
// the user value; false ends the recording.
typedef BOOL (*RECORDPROC)(HRECORD handle, const void* buffer, DWORD length, void* user);

DWORD BASS_GetVersion();
int BASS_ErrorGetCode();
BOOL BASS_RecordGetDeviceInfo(DWORD device, BASS_DEVICEINFO* info);
BOOL BASS_RecordInit(int device);
HRECORD BASS_RecordStart(DWORD freq, DWORD chans, DWORD flags, RECORDPROC proc, void* user);
DWORD BASS_ChannelIsActive(DWORD handle);
DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length);
BOOL BASS_RecordFree();
BOOL BASS_Free();
}
