// The eight entry points the gadget calls, over one connection to the sound
// server per process. Calls are serialised: the gadget makes them from its
// main thread, and nothing here waits for the caller's own callbacks.

#include "AudioLibraryApi.h"
#include "SoundServer.h"

#include <memory>
#include <mutex>

#define TV_EXPORT __attribute__((visibility("default")))

namespace {

std::mutex CallMutex;

TSoundServer& Server()
{
    static TSoundServer server;
    return server;
}

} // namespace

extern "C" {

TV_EXPORT DWORD BASS_GetVersion() { return AudioLibraryVersion; }

TV_EXPORT int BASS_ErrorGetCode() { return LastError(); }

TV_EXPORT BOOL BASS_RecordGetDeviceInfo(DWORD device, BASS_DEVICEINFO* info)
{
    std::lock_guard lock(CallMutex);
    return Server().DeviceInfo(device, info) ? 1 : 0;
}

TV_EXPORT BOOL BASS_RecordInit(int device)
{
    std::lock_guard lock(CallMutex);
    return Server().RecordInit(device) ? 1 : 0;
}

TV_EXPORT HRECORD BASS_RecordStart(DWORD freq, DWORD chans, DWORD, RECORDPROC proc, void* user)
{
    std::lock_guard lock(CallMutex);
    return Server().RecordStart(freq, chans, proc, user);
}

TV_EXPORT DWORD BASS_ChannelIsActive(DWORD handle)
{
    std::lock_guard lock(CallMutex);
    return Server().IsActive(handle);
}

TV_EXPORT DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length)
{
    std::lock_guard lock(CallMutex);
    if (length != AudioDataFft2048 || !buffer) {
        LastError() = AudioErrorNotAvailable;
        return DWORD(-1);
    }
    if (!Server().Spectrum(handle, static_cast<float*>(buffer))) return DWORD(-1);
    return DWORD(TSpectrum::Bins * sizeof(float));
}

TV_EXPORT BOOL BASS_RecordFree()
{
    std::lock_guard lock(CallMutex);
    return Server().RecordFree() ? 1 : 0;
}

TV_EXPORT BOOL BASS_Free()
{
    std::lock_guard lock(CallMutex);
    Server().Free();
    return 1;
}

} // extern "C"
