#pragma once
// The refresh thread: about once a second it reads every configured sensor
// into its working copy of the slots, reads the system lines every tenth
// cycle, and hands everything to the window on the main thread.
//
// The two threads meet only inside calls that the worker asks the main thread
// to run while it waits: one at the start of a cycle (the animated slots and a
// copy of the settings and tags for the cycle) and one at its end (the
// hand-over). So the window's data is only ever touched on the main thread.

#include "DataModel.h"
#include "NumberStyle.h"
#include "SlotCollectors.h"
#include "TickCounter.h"
#include "Wbem.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// The window's side of the meeting point. WakeMainThread is called on the
// worker; every other operation runs on the main thread, inside
// TWmiRefresh::ServeMainThreadCall.
class IRefreshHost {
public:
    virtual ~IRefreshHost() = default;
    // Have ServeMainThreadCall run on the main thread soon (a queued call).
    virtual void WakeMainThread() = 0;
    virtual TRefreshInputs RefreshInputs() const = 0;
    virtual TRefreshTags RefreshTags() const = 0;
    virtual TWmiDataArray& WindowData() = 0;
    virtual void SetWindowDiagIndex(std::int32_t index) = 0;
    virtual void UpdateOsGUI(const std::string& s1, const std::string& s2, const std::string& s3) = 0;
    virtual void UpdateWmiGUI() = 0;
};

// 1000 − ((now − start) mod 1000) in unsigned 32-bit arithmetic: the wait that
// puts the next cycle on the whole-second grid of the last one's start (1..1000).
std::int32_t NextWaitMs(std::uint32_t start, std::uint32_t now);

// The wait after a cycle. A completed cycle sets WaitMs by the grid rule; a
// failed one keeps it. Before any cycle has completed WaitMs is 0, and a failed
// cycle then waits by the grid rule all the same (without setting WaitMs), so
// that a provider that keeps failing is not polled in a busy loop.
struct TCycleWait {
    std::int32_t WaitMs;  // the new value of WaitMs
    std::int32_t SleepMs; // how long to wait now
};
TCycleWait WaitAfterCycle(std::int32_t waitMs, bool completed, std::uint32_t start, std::uint32_t now);

class TWmiRefresh {
public:
    // Starts the thread at once.
    // `server` and `caFile`: the machine shown at first (TWmiSettings::Server,
    // ServerCA); a cycle that finds other ones in the window's settings
    // connects to those.
    TWmiRefresh(IRefreshHost& host, std::shared_ptr<const TWbemNamespaces> namespaces, TNumberStyle style,
                TTickSource tick = TickCount32, std::string server = {}, std::string caFile = {});
    // Finishes the thread and waits for its end.
    ~TWmiRefresh();
    TWmiRefresh(const TWmiRefresh&) = delete;
    TWmiRefresh& operator=(const TWmiRefresh&) = delete;

    // Sets the stop request and wakes the thread wherever it waits (also a
    // hand-over waiting for the main thread, which then does not run). Returns
    // at once; valid also after the thread has ended.
    void FinishThreadExecution();
    // Waits until the thread body has returned.
    void WaitForEnd();
    bool Ended() const { return FEnded.load(); }

    // Milliseconds the thread waits before its next cycle; 0 until a cycle has completed.
    std::int32_t WaitMs() const { return FWaitMs.load(); }

    // Main thread: runs the call the worker waits for, if there is one.
    void ServeMainThreadCall();

    // Main thread: the window's settings or layout changed; the next cycle
    // takes them at its start. (Otherwise each hand-over takes the inputs of
    // the next cycle, so that a cycle meets the main thread only once.)
    void InputsChanged() { FInputsStale = true; }

    // Main thread: the memory total was cleared in the window; the worker's
    // copy is cleared at the next meeting, so the next cycle works it out again.
    void ClearMemoryTotal();

private:
    void Execute();
    void Cycle();
    bool TakeAnimatedSlots();
    // The glide of the bars ran on in the window during the cycle: the
    // hand-over keeps the positions the window shows.
    void KeepWindowAnimation(const TWmiDataArray& window, const TRefreshTags& tags);
    void ReadOsInfo();
    void CopyDataToMainForm();
    // Runs `call` on the main thread and waits for it; false when the stop
    // request came first (the call then never runs). An exception of the call
    // is raised here, on the worker.
    bool RunOnMainThread(std::function<void()> call);
    void ApplyMemoryTotalClear(const TRefreshTags& tags);
    bool Terminated() const { return FTerminated.load(); }

    IRefreshHost& FHost;
    std::shared_ptr<const TWbemNamespaces> FNamespaces;
    const TNumberStyle FStyle;
    const TTickSource FTick;

    std::mutex FMutex;
    std::condition_variable FWake; // the tick event and the main-thread call's completion
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FEnded{false};
    std::function<void()> FPendingCall;
    bool FCallRunning = false;
    bool FCallDone = false;
    std::exception_ptr FCallError;
    bool FClearMemoryTotal = false;
    std::atomic<bool> FInputsStale{true};

    // Connects both services to the machine `server` (empty: this one).
    void Connect(const std::string& server, const std::string& caFile);

    // Worker's own state.
    std::string FServer, FCaFile; // the machine the services are connected to
    std::shared_ptr<TWbemService> FWmiServiceOS;
    std::shared_ptr<TWbemService> FWmiService;
    std::atomic<std::int32_t> FWaitMs{0};
    std::int32_t DiagIndex = 0;
    TWmiDataArray FDiagData;
    TRefreshInputs FInputs;
    std::string OSinfo1, OSinfo2, OSinfo3;

    std::thread FThread; // last: starts when everything above exists
};
