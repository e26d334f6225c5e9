#pragma once
// The library's connection to the desktop's sound server (PulseAudio, or
// PipeWire through the same interface): its recording devices, and one
// recording of the newest input kept for the spectrum. The server's callbacks
// run on the library's own thread (a threaded main loop); every operation
// here is called from one caller thread at a time.

#include "AudioLibraryApi.h"
#include "Spectrum.h"

#include <array>
#include <chrono>
#include <optional>
#include <mutex>
#include <string>
#include <vector>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;

// A device's type code (the top byte of its flags) from the source's active
// port type (PulseAudio's numbering) or, without one, its form factor.
DWORD DeviceTypeCode(int portType, const std::string& formFactor);

class TSoundServer {
public:
    ~TSoundServer();

    // Each returns false (or 0) on failure, with the reason in LastError.
    bool DeviceInfo(DWORD device, BASS_DEVICEINFO* info);
    bool RecordInit(int device);
    HRECORD RecordStart(DWORD freq, DWORD chans, RECORDPROC proc, void* user);
    DWORD IsActive(DWORD handle);
    // The magnitudes of the newest 2048 samples into 1024 floats.
    bool Spectrum(DWORD handle, float* bins);
    bool RecordFree();
    void Free();

    // Called on the library's thread.
    void OnContextState();
    void OnStreamState();
    void OnRead(std::size_t bytes);

private:
    struct TDevice {
        std::string Name;        // the server's name of the source
        std::string Description; // what the user reads
        DWORD Flags = 0;
    };

    bool Connect();
    bool ListDevices();
    void StopStream();
    void Disconnect();
    // Asks the server for blocks of 1/blocks of a second (on the library's thread).
    void SetBlocksPerSecond(DWORD blocks);
    // Waits on the main loop (its lock held) until `done` or the time runs out.
    template <class F> bool WaitFor(F done);

    pa_threaded_mainloop* FLoop = nullptr;
    pa_context* FContext = nullptr;
    pa_stream* FStream = nullptr;
    std::vector<TDevice> FDevices;
    std::vector<std::string> FShown; // names and drivers handed out, valid until the next listing
    std::string FDefaultSource;
    // The last connection made in full (not only a look for the server's socket).
    std::optional<std::chrono::steady_clock::time_point> FLastFullAttempt;
    bool FInitialised = false;
    std::string FInitSource; // empty: the server's default source
    HRECORD FHandle = 0;
    HRECORD FLastHandle = 0;
    RECORDPROC FProc = nullptr;
    void* FUser = nullptr;
    DWORD FChannels = 1;
    DWORD FRate = 44100;
    bool FProcEnded = false;
    // Frames of silence in a row, and whether the stream has its larger
    // blocks for silence (both on the library's thread while it records).
    std::size_t FSilentFrames = 0;
    bool FSilenceBlocks = false;

    // The newest samples (mono), a ring written on the library's thread.
    std::mutex FRingMutex;
    std::array<float, TSpectrum::Samples> FRing{};
    std::size_t FRingNext = 0;
    std::array<float, TSpectrum::Samples> FOrdered{};
    TSpectrum FSpectrum;
};

// The error code of the calling thread's last call.
int& LastError();
