#include "WmiRefresh.h"

#include "NumberStyle.h"

#include <chrono>

namespace {

constexpr const char* HardwareNamespace = "root\\LibreHardwareMonitor";
constexpr const char* SystemNamespace = "root\\CIMV2";

} // namespace

std::int32_t NextWaitMs(std::uint32_t start, std::uint32_t now)
{
    return static_cast<std::int32_t>(1000u - ((now - start) % 1000u));
}

TCycleWait WaitAfterCycle(std::int32_t waitMs, bool completed, std::uint32_t start, std::uint32_t now)
{
    if (completed) {
        const std::int32_t next = NextWaitMs(start, now);
        return {next, next};
    }
    return {waitMs, waitMs > 0 ? waitMs : NextWaitMs(start, now)};
}

TWmiRefresh::TWmiRefresh(IRefreshHost& host, std::shared_ptr<const TWbemNamespaces> namespaces, TNumberStyle style,
                         TTickSource tick, std::string server, std::string caFile)
    : FHost(host), FNamespaces(std::move(namespaces)), FStyle(std::move(style)), FTick(std::move(tick)),
      FServer(std::move(server)), FCaFile(std::move(caFile)), FThread([this] { Execute(); })
{
}

void TWmiRefresh::Connect(const std::string& server, const std::string& caFile)
{
    TWbemLocator locator(FNamespaces, caFile);
    const std::string machine = server.empty() ? "localhost" : server;
    auto hardware = locator.ConnectServer(machine, HardwareNamespace, "", "");
    auto system = locator.ConnectServer(machine, SystemNamespace, "", "");
    FWmiService = std::move(hardware);
    FWmiServiceOS = std::move(system);
    FServer = server;
    FCaFile = caFile;
}

TWmiRefresh::~TWmiRefresh()
{
    FinishThreadExecution();
    WaitForEnd();
}

void TWmiRefresh::FinishThreadExecution()
{
    {
        std::lock_guard lock(FMutex);
        FTerminated = true;
    }
    FWake.notify_all();
}

void TWmiRefresh::WaitForEnd()
{
    if (FThread.joinable()) FThread.join();
}

void TWmiRefresh::Execute()
{
    FDiagData.Clear();
    DiagIndex = 0;
    try {
        Connect(FServer, FCaFile);
    } catch (const std::exception&) {
        // Without its connections the thread has nothing to do; the window
        // keeps its start-up texts.
        FEnded = true;
        return;
    }
    while (!Terminated()) {
        const std::uint32_t start = FTick();
        bool completed = false;
        try {
            Cycle();
            completed = true;
        } catch (...) {
            // Every error of a cycle is dropped here on purpose: a sensor that
            // fails once must not stop the display; the next cycle tries again.
        }
        // A cycle that did not hand over did not take the next one's inputs.
        if (!completed) FInputsStale = true;
        const TCycleWait wait = WaitAfterCycle(FWaitMs.load(), completed, start, FTick());
        FWaitMs = wait.WaitMs;
        std::unique_lock lock(FMutex);
        FWake.wait_for(lock, std::chrono::milliseconds(wait.SleepMs), [this] { return Terminated(); });
    }
    FEnded = true;
}

void TWmiRefresh::Cycle()
{
    // The first cycle, and the first after the window changed its settings,
    // meet the main thread at their start for the inputs; every other cycle
    // has them from the last hand-over.
    if (FInputsStale.exchange(false)) {
        bool taken = false;
        try {
            taken = TakeAnimatedSlots();
        } catch (...) {
            FInputsStale = true;
            throw;
        }
        if (!taken) {
            FInputsStale = true;
            return;
        }
    }
    // A total the window cleared since the last meeting is worked out again now.
    ApplyMemoryTotalClear(FInputs.Tags);
    // Another machine chosen in the settings: this cycle reads it (a server
    // that cannot be used keeps the connection there is).
    if (FInputs.Setup.Server != FServer || FInputs.Setup.ServerCA != FCaFile) {
        try {
            Connect(FInputs.Setup.Server, FInputs.Setup.ServerCA);
        } catch (const std::exception&) {
            FServer = FInputs.Setup.Server;
            FCaFile = FInputs.Setup.ServerCA;
        }
    }
    // Another machine's line says at once whether it answers (it is read from
    // the last scrape, not from files).
    if (DiagIndex % 10 == 0 || !FServer.empty()) {
        try {
            ReadOsInfo();
        } catch (const std::exception&) {
            // The system lines keep their last texts. Failing the cycle here
            // would not advance the history position, so every later cycle
            // would fail at this same step and the window would never update.
        }
    }
    const TCollectContext ctx{*FWmiService, FStyle, FInputs.Setup, DiagIndex, &FTerminated};
    CollectSlots(ctx, FInputs, FDiagData, DiagIndex);
    CopyDataToMainForm();
}

bool TWmiRefresh::TakeAnimatedSlots()
{
    if (Terminated()) return false;
    return RunOnMainThread([this] {
        FInputs = FHost.RefreshInputs();
        const TRefreshTags& t = FInputs.Tags;
        const TWmiDataArray& window = FHost.WindowData();
        for (int tag : {t.DiskPaintBox1, t.DiskPaintBox2, t.DiskPaintBox3, t.DiskPaintBox4, t.PaintBox8, t.PaintBox9})
            FDiagData.CopySlotFrom(window, tag);
        ApplyMemoryTotalClear(FInputs.Tags);
    });
}

void TWmiRefresh::ReadOsInfo()
{
    if (Terminated()) return;
    const TWbemObjects items = FWmiServiceOS->ExecQuery("SELECT * FROM CIM_OperatingSystem", "WQL", 32);
    if (items.empty()) return;
    const TWbemObject& os = items.front();
    // A machine without a description (a virtual machine has none) shows no
    // empty parentheses; nor does a system without a version.
    const auto line = [this](const char* withDetail, const char* alone, const std::string& name, const std::string& detail) {
        const bool none = detail.find_first_not_of(" \t") == std::string::npos;
        return none ? FormatPattern(FStyle, alone, {name}) : FormatPattern(FStyle, withDetail, {name, detail});
    };
    OSinfo1 = line("Computer: %s (%s)", "Computer: %s", os.Text("CSName"), os.Text("Description"));
    OSinfo2 = line("OS: %s (%s)", "OS: %s", os.Text("Caption"), os.Text("Version"));
    OSinfo3 = FormatPattern(FStyle, "Users: %s, Processes: %s, Status: %s",
                            {os.Text("NumberOfUsers"), os.Text("NumberOfProcesses"), os.Text("Status")});
}

void TWmiRefresh::CopyDataToMainForm()
{
    if (Terminated()) return;
    RunOnMainThread([this] {
        const TRefreshTags tags = FHost.RefreshTags();
        TWmiDataArray& window = FHost.WindowData();
        // Slot 9 belongs to the window's sound meter: keep the window's own.
        FDiagData.CopySlotFrom(window, tags.PaintBox12);
        KeepWindowAnimation(window, tags);
        ApplyMemoryTotalClear(tags);
        window = FDiagData;
        FHost.SetWindowDiagIndex(DiagIndex);
        FHost.UpdateOsGUI(OSinfo1, OSinfo2, OSinfo3);
        FHost.UpdateWmiGUI();
        // The next cycle's inputs, in this same meeting.
        FInputs = FHost.RefreshInputs();
    });
}

void TWmiRefresh::KeepWindowAnimation(const TWmiDataArray& window, const TRefreshTags& tags)
{
    for (int tag : {tags.DiskPaintBox1, tags.DiskPaintBox2, tags.DiskPaintBox3, tags.DiskPaintBox4})
        if (TProgressData* slot = FDiagData.Slot(tag)) slot->Fill = window.Slot(tag)->Fill;
    for (int tag : {tags.PaintBox8, tags.PaintBox9})
        if (TProgressData* slot = FDiagData.Slot(tag)) slot->DataA = window.Slot(tag)->DataA;
}

void TWmiRefresh::ApplyMemoryTotalClear(const TRefreshTags& tags)
{
    std::lock_guard lock(FMutex);
    if (!FClearMemoryTotal) return;
    FClearMemoryTotal = false;
    if (TProgressData* memory = FDiagData.Slot(tags.PaintBox5)) memory->DataB[1] = 0.0;
}

void TWmiRefresh::ClearMemoryTotal()
{
    std::lock_guard lock(FMutex);
    FClearMemoryTotal = true;
}

bool TWmiRefresh::RunOnMainThread(std::function<void()> call)
{
    std::unique_lock lock(FMutex);
    if (Terminated()) return false;
    FPendingCall = std::move(call);
    FCallDone = false;
    FCallError = nullptr;
    lock.unlock();
    FHost.WakeMainThread();
    lock.lock();
    // A call that has begun on the main thread is waited for even when the
    // stop request comes meanwhile: it works on this thread's data.
    FWake.wait(lock, [this] { return FCallDone || (Terminated() && !FCallRunning); });
    if (!FCallDone) {
        FPendingCall = nullptr;
        return false;
    }
    if (FCallError) std::rethrow_exception(std::exchange(FCallError, nullptr));
    return true;
}

void TWmiRefresh::ServeMainThreadCall()
{
    std::unique_lock lock(FMutex);
    if (!FPendingCall) return;
    std::function<void()> call = std::exchange(FPendingCall, nullptr);
    FCallRunning = true;
    lock.unlock();
    std::exception_ptr error;
    try {
        call();
    } catch (...) {
        error = std::current_exception();
    }
    lock.lock();
    FCallRunning = false;
    FCallDone = true;
    FCallError = error;
    lock.unlock();
    FWake.notify_all();
}
