#include "SoundServer.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr auto ConnectTimeout = std::chrono::seconds(3);

// Blocks of 20 ms while there is sound, so that the newest input is never far
// behind; 100 ms while the input is silent, which spares the server and this
// process four wake-ups in five.
constexpr DWORD SoundBlocksPerSecond = 50;
constexpr DWORD SilenceBlocksPerSecond = 10;

// A sample below this level (about -120 dBFS, under the smallest step of
// 16-bit sound) counts as silence.
constexpr float SilentLevel = 1.0f / float(1 << 20);

// Without a socket where a server would listen, a full attempt (a thread, a
// memory pool, the client configuration read) is made only this often: for
// the addresses the check below cannot see (an X11 root window's, a
// default-server in client.conf).
constexpr auto FullAttemptEvery = std::chrono::seconds(30);

bool SocketExists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

// Whether a server may be listening: one of the unix sockets of $PULSE_SERVER
// exists (or it names another kind of address), or, without it, the user's
// or the system's socket does.
bool ServerSocketMayExist()
{
    if (const char* list = std::getenv("PULSE_SERVER"); list && *list) {
        std::istringstream entries(list);
        std::string entry;
        while (entries >> entry) {
            // "{machine-id}unix:/path" names a server of that machine only.
            if (entry.front() == '{') entry.erase(0, entry.find('}') + 1);
            if (entry.rfind("unix:", 0) == 0) entry.erase(0, 5);
            if (entry.empty() || entry.front() != '/' || SocketExists(entry)) return true;
        }
        return false;
    }
    std::string runtime;
    if (const char* path = std::getenv("PULSE_RUNTIME_PATH"); path && *path)
        runtime = path;
    else if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg)
        runtime = std::string(xdg) + "/pulse";
    else
        runtime = "/run/user/" + std::to_string(::getuid()) + "/pulse";
    return SocketExists(runtime + "/native") || SocketExists("/run/pulse/native") || SocketExists("/var/run/pulse/native");
}

bool Silent(const float* samples, std::size_t count)
{
    return std::all_of(samples, samples + count, [](float s) { return std::fabs(s) < SilentLevel; });
}

void ContextState(pa_context*, void* server) { static_cast<TSoundServer*>(server)->OnContextState(); }
void StreamState(pa_stream*, void* server) { static_cast<TSoundServer*>(server)->OnStreamState(); }
void StreamRead(pa_stream*, size_t bytes, void* server) { static_cast<TSoundServer*>(server)->OnRead(bytes); }

bool Fail(int code)
{
    LastError() = code;
    return false;
}

} // namespace

int& LastError()
{
    thread_local int code = AudioErrorOk;
    return code;
}

DWORD DeviceTypeCode(int portType, const std::string& formFactor)
{
    switch (portType) {
    case PA_DEVICE_PORT_TYPE_SPEAKER: return 0x02;
    case PA_DEVICE_PORT_TYPE_LINE: return 0x03;
    case PA_DEVICE_PORT_TYPE_HEADPHONES: return 0x04;
    case PA_DEVICE_PORT_TYPE_MIC: return 0x05;
    case PA_DEVICE_PORT_TYPE_HEADSET: return 0x06;
    case PA_DEVICE_PORT_TYPE_HANDSET: return 0x07;
    case PA_DEVICE_PORT_TYPE_SPDIF: return 0x09;
    case PA_DEVICE_PORT_TYPE_HDMI: return 0x0A;
    default: break;
    }
    if (formFactor == "microphone" || formFactor == "webcam") return 0x05;
    if (formFactor == "headset" || formFactor == "hands-free") return 0x06;
    if (formFactor == "handset") return 0x07;
    if (formFactor == "headphone") return 0x04;
    if (formFactor == "speaker") return 0x02;
    if (formFactor == "displayport") return 0x40;
    return 0;
}

TSoundServer::~TSoundServer() { Free(); }

template <class F> bool TSoundServer::WaitFor(F done)
{
    // A timer wakes the wait when the server does not answer in time.
    bool timedOut = false;
    struct TWake {
        pa_threaded_mainloop* Loop;
        bool* TimedOut;
    } wake{FLoop, &timedOut};
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(FLoop);
    timeval when{};
    pa_timeval_add(pa_gettimeofday(&when), std::chrono::microseconds(ConnectTimeout).count());
    pa_time_event* timer = api->time_new(
        api, &when,
        [](pa_mainloop_api*, pa_time_event*, const timeval*, void* w) {
            auto* t = static_cast<TWake*>(w);
            *t->TimedOut = true;
            pa_threaded_mainloop_signal(t->Loop, 0);
        },
        &wake);
    while (!done() && !timedOut) pa_threaded_mainloop_wait(FLoop);
    api->time_free(timer);
    return done();
}

void TSoundServer::OnContextState() { pa_threaded_mainloop_signal(FLoop, 0); }
void TSoundServer::OnStreamState() { pa_threaded_mainloop_signal(FLoop, 0); }

void TSoundServer::OnRead(std::size_t)
{
    const void* data = nullptr;
    std::size_t bytes = 0;
    while (FStream && pa_stream_readable_size(FStream) > 0) {
        if (pa_stream_peek(FStream, &data, &bytes) < 0) return;
        if (data && bytes > 0) {
            const auto* samples = static_cast<const float*>(data);
            const std::size_t frames = bytes / (sizeof(float) * FChannels);
            {
                std::lock_guard lock(FRingMutex);
                for (std::size_t f = 0; f < frames; ++f) {
                    float sum = 0;
                    for (DWORD c = 0; c < FChannels; ++c) sum += samples[f * FChannels + c];
                    FRing[FRingNext] = sum / float(FChannels);
                    FRingNext = (FRingNext + 1) % FRing.size();
                }
            }
            if (FProc && !FProcEnded && !FProc(FHandle, data, DWORD(bytes), FUser)) FProcEnded = true;
            // Silence long enough to fill the ring changes nothing in the
            // spectrum: larger blocks then; the first sound brings the small
            // ones back (the block that carries it is in the ring already).
            if (!Silent(samples, frames * FChannels)) {
                FSilentFrames = 0;
                if (FSilenceBlocks) SetBlocksPerSecond(SoundBlocksPerSecond);
            } else if ((FSilentFrames += frames) >= FRing.size() && !FSilenceBlocks) {
                SetBlocksPerSecond(SilenceBlocksPerSecond);
            }
        }
        if (bytes > 0) pa_stream_drop(FStream);
    }
}

void TSoundServer::SetBlocksPerSecond(DWORD blocks)
{
    pa_buffer_attr attr{};
    attr.maxlength = uint32_t(-1);
    attr.fragsize = uint32_t(FRate * FChannels * sizeof(float) / blocks);
    if (pa_operation* op = pa_stream_set_buffer_attr(FStream, &attr, nullptr, nullptr)) pa_operation_unref(op);
    FSilenceBlocks = blocks == SilenceBlocksPerSecond;
}

bool TSoundServer::Connect()
{
    if (FContext && pa_context_get_state(FContext) == PA_CONTEXT_READY) return true;
    // No server where one would listen: a caller that looks every few seconds
    // costs a file check, not a connection.
    const auto now = std::chrono::steady_clock::now();
    if (!ServerSocketMayExist() && FLastFullAttempt && now - *FLastFullAttempt < FullAttemptEvery)
        return Fail(AudioErrorDriver);
    FLastFullAttempt = now;
    // A connection that failed (the server went away) is made anew.
    if (FLoop) Disconnect();
    FLoop = pa_threaded_mainloop_new();
    if (!FLoop || pa_threaded_mainloop_start(FLoop) < 0) {
        Disconnect();
        return Fail(AudioErrorDriver);
    }
    pa_threaded_mainloop_lock(FLoop);
    FContext = pa_context_new(pa_threaded_mainloop_get_api(FLoop), "Tellvane");
    bool ready = false;
    if (FContext) {
        pa_context_set_state_callback(FContext, ContextState, this);
        if (pa_context_connect(FContext, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
            ready = WaitFor([this] {
                const pa_context_state_t s = pa_context_get_state(FContext);
                return s == PA_CONTEXT_READY || s == PA_CONTEXT_FAILED || s == PA_CONTEXT_TERMINATED;
            }) && pa_context_get_state(FContext) == PA_CONTEXT_READY;
        }
    }
    pa_threaded_mainloop_unlock(FLoop);
    if (!ready) {
        Disconnect();
        return Fail(AudioErrorDriver);
    }
    return true;
}

bool TSoundServer::ListDevices()
{
    if (!Connect()) return false;
    struct TListing {
        TSoundServer* Server;
        std::vector<TDevice> Devices;
        std::string Default;
        int Pending = 2;
    } listing{this, {}, {}, 2};
    pa_threaded_mainloop_lock(FLoop);
    pa_operation* server = pa_context_get_server_info(
        FContext,
        [](pa_context*, const pa_server_info* info, void* l) {
            auto* listing = static_cast<TListing*>(l);
            if (info && info->default_source_name) listing->Default = info->default_source_name;
            --listing->Pending;
            pa_threaded_mainloop_signal(listing->Server->FLoop, 0);
        },
        &listing);
    pa_operation* sources = pa_context_get_source_info_list(
        FContext,
        [](pa_context*, const pa_source_info* info, int eol, void* l) {
            auto* listing = static_cast<TListing*>(l);
            if (eol != 0) {
                --listing->Pending;
                pa_threaded_mainloop_signal(listing->Server->FLoop, 0);
                return;
            }
            TDevice device;
            device.Name = info->name ? info->name : "";
            device.Description = info->description ? info->description : device.Name;
            const char* formFactor = info->proplist ? pa_proplist_gets(info->proplist, PA_PROP_DEVICE_FORM_FACTOR) : nullptr;
            const int portType = info->active_port ? int(info->active_port->type) : PA_DEVICE_PORT_TYPE_UNKNOWN;
            device.Flags = AudioDeviceEnabled | (DeviceTypeCode(portType, formFactor ? formFactor : "") << 24);
            if (info->monitor_of_sink != PA_INVALID_INDEX) device.Flags |= AudioDeviceLoopback;
            listing->Devices.push_back(std::move(device));
        },
        &listing);
    const bool answered = server && sources && WaitFor([&] { return listing.Pending <= 0; });
    for (pa_operation* op : {server, sources})
        if (op) pa_operation_unref(op);
    pa_threaded_mainloop_unlock(FLoop);
    if (!answered) return Fail(AudioErrorDriver);
    // By name: the order stays when the server numbers its sources anew.
    std::sort(listing.Devices.begin(), listing.Devices.end(),
              [](const TDevice& a, const TDevice& b) { return a.Name < b.Name; });
    FDefaultSource = listing.Default;
    FDevices = std::move(listing.Devices);
    for (TDevice& d : FDevices)
        if (d.Name == FDefaultSource) d.Flags |= AudioDeviceDefault;
    return true;
}

bool TSoundServer::DeviceInfo(DWORD device, BASS_DEVICEINFO* info)
{
    // The first device's request lists them anew; the others read that list.
    if ((device == 0 || FDevices.empty()) && !ListDevices()) return false;
    if (device >= FDevices.size()) return Fail(AudioErrorDevice);
    if (!info) return Fail(AudioErrorNotAvailable);
    const TDevice& d = FDevices[device];
    if (device == 0) FShown.clear();
    FShown.reserve(FDevices.size() * 2);
    // The texts stay valid until the next listing.
    if (FShown.size() < 2 * (device + 1)) FShown.resize(2 * (device + 1));
    FShown[2 * device] = d.Description;
    FShown[2 * device + 1] = d.Name;
    info->name = FShown[2 * device].c_str();
    info->driver = FShown[2 * device + 1].c_str();
    info->flags = d.Flags;
    const bool initialised = FInitialised && (FInitSource.empty() ? d.Name == FDefaultSource : d.Name == FInitSource);
    if (initialised) info->flags |= AudioDeviceInitialised;
    LastError() = AudioErrorOk;
    return true;
}

bool TSoundServer::RecordInit(int device)
{
    if (FInitialised) RecordFree();
    if (!ListDevices()) return false;
    if (device < -1 || device >= int(FDevices.size())) return Fail(AudioErrorDevice);
    FInitSource = device == -1 ? std::string() : FDevices[std::size_t(device)].Name;
    FInitialised = true;
    LastError() = AudioErrorOk;
    return true;
}

HRECORD TSoundServer::RecordStart(DWORD freq, DWORD chans, RECORDPROC proc, void* user)
{
    if (!FInitialised) return Fail(AudioErrorInit), 0;
    if (freq == 0 || chans == 0 || chans > 8) return Fail(AudioErrorNotAvailable), 0;
    if (!Connect()) return 0;
    StopStream();
    {
        std::lock_guard lock(FRingMutex);
        FRing.fill(0);
        FRingNext = 0;
    }
    pa_threaded_mainloop_lock(FLoop);
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, freq, static_cast<uint8_t>(chans)};
    FStream = pa_stream_new(FContext, "Tellvane input level", &spec, nullptr);
    bool ready = false;
    if (FStream) {
        FChannels = chans;
        FRate = freq;
        FSilentFrames = 0;
        FSilenceBlocks = false;
        FProc = proc;
        FUser = user;
        FProcEnded = false;
        FHandle = ++FLastHandle == 0 ? ++FLastHandle : FLastHandle;
        pa_stream_set_state_callback(FStream, StreamState, this);
        pa_stream_set_read_callback(FStream, StreamRead, this);
        pa_buffer_attr attr{};
        attr.maxlength = uint32_t(-1);
        attr.fragsize = uint32_t(freq * chans * sizeof(float) / SoundBlocksPerSecond);
        const char* source = FInitSource.empty() ? nullptr : FInitSource.c_str();
        if (pa_stream_connect_record(FStream, source, &attr, PA_STREAM_ADJUST_LATENCY) >= 0) {
            ready = WaitFor([this] {
                const pa_stream_state_t s = pa_stream_get_state(FStream);
                return s == PA_STREAM_READY || s == PA_STREAM_FAILED || s == PA_STREAM_TERMINATED;
            }) && pa_stream_get_state(FStream) == PA_STREAM_READY;
        }
    }
    pa_threaded_mainloop_unlock(FLoop);
    if (!ready) {
        StopStream();
        return Fail(AudioErrorDevice), 0;
    }
    LastError() = AudioErrorOk;
    return FHandle;
}

DWORD TSoundServer::IsActive(DWORD handle)
{
    if (handle == 0 || handle != FHandle || !FStream) return 0;
    pa_threaded_mainloop_lock(FLoop);
    const bool active = !FProcEnded && pa_context_get_state(FContext) == PA_CONTEXT_READY &&
                        pa_stream_get_state(FStream) == PA_STREAM_READY;
    pa_threaded_mainloop_unlock(FLoop);
    return active ? 1 : 0;
}

bool TSoundServer::Spectrum(DWORD handle, float* bins)
{
    if (handle == 0 || handle != FHandle || !FStream) return Fail(AudioErrorHandle);
    if (IsActive(handle) != 1) return Fail(AudioErrorDriver);
    {
        std::lock_guard lock(FRingMutex);
        const std::size_t tail = FRing.size() - FRingNext;
        std::copy_n(FRing.begin() + std::ptrdiff_t(FRingNext), tail, FOrdered.begin());
        std::copy_n(FRing.begin(), FRingNext, FOrdered.begin() + std::ptrdiff_t(tail));
    }
    if (!FSpectrum.Magnitudes(FOrdered.data(), bins)) return Fail(AudioErrorNotAvailable);
    LastError() = AudioErrorOk;
    return true;
}

void TSoundServer::StopStream()
{
    if (!FStream) return;
    pa_threaded_mainloop_lock(FLoop);
    pa_stream_set_state_callback(FStream, nullptr, nullptr);
    pa_stream_set_read_callback(FStream, nullptr, nullptr);
    if (pa_stream_get_state(FStream) == PA_STREAM_READY) pa_stream_disconnect(FStream);
    pa_stream_unref(FStream);
    FStream = nullptr;
    pa_threaded_mainloop_unlock(FLoop);
    FHandle = 0;
    FProc = nullptr;
}

bool TSoundServer::RecordFree()
{
    const bool was = FInitialised || FStream;
    StopStream();
    FInitialised = false;
    FInitSource.clear();
    if (!was) return Fail(AudioErrorInit);
    LastError() = AudioErrorOk;
    return true;
}

void TSoundServer::Disconnect()
{
    StopStream();
    if (FLoop) pa_threaded_mainloop_stop(FLoop);
    if (FContext) {
        pa_context_set_state_callback(FContext, nullptr, nullptr);
        pa_context_disconnect(FContext);
        pa_context_unref(FContext);
        FContext = nullptr;
    }
    if (FLoop) pa_threaded_mainloop_free(FLoop);
    FLoop = nullptr;
}

void TSoundServer::Free()
{
    RecordFree();
    Disconnect();
    FDevices.clear();
    LastError() = AudioErrorOk;
}
