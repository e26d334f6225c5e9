#pragma once
// Another machine behind the two namespaces: its node_exporter, scraped over
// HTTP at most once per SampleMaxAge by a thread of the connection's own.
// Queries answer from the last scrape and never wait on the network; a server
// that does not answer is tried again every few seconds, and meanwhile the
// hardware lists nothing and the system line says which server and why.

#include "Exposition.h"
#include "HardwareProvider.h"
#include "HttpClient.h"
#include "Wbem.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

// The scrape address of a server as the user writes it: "http://HOST:PORT" or
// "https://HOST:PORT" (port 9100 when left out; "/metrics" when no path is
// given); a bare "HOST[:PORT]" means http://. Nothing, with the reason in
// `error`, for anything else.
std::optional<std::string> NodeExporterUrl(const std::string& server, std::string& error);

// Whether a server is this machine's own provider: empty, ".", "localhost".
bool IsLocalServer(std::string_view server);

class TNodeExporterConnection {
public:
    using TClock = std::function<std::chrono::steady_clock::time_point()>;
    using TGet = std::function<THttpAnswer(const THttpRequest&)>;
    static constexpr std::chrono::seconds RetryInterval{3};

    // `url` as NodeExporterUrl gives it; `caFile` empty for the system's store.
    TNodeExporterConnection(std::string url, std::string caFile, TGet get = HttpGet,
                            TClock clock = std::chrono::steady_clock::now);
    ~TNodeExporterConnection();

    // The last scrape, mapped; asks for a new one when it is older than
    // SampleMaxAge. Never waits.
    struct TState {
        std::shared_ptr<const TWbemObjects> Hardware;
        std::shared_ptr<const TWbemObjects> Sensors;
        std::shared_ptr<const TWbemObjects> System;
        std::string Problem; // why the last scrape failed; empty after a good one
        long Scrapes = 0;    // good scrapes so far
    };
    std::shared_ptr<const TState> Latest();
    // Asks for a scrape and waits until one has ended (not on the window's thread).
    void ScrapeNow();

    const std::string& Url() const { return FUrl; }

private:
    void Run();
    void Scrape();

    std::string FUrl;
    std::string FCaFile;
    TGet FGet;
    TClock FClock;

    std::mutex FMutex;
    std::condition_variable FWake, FDone;
    bool FWanted = false;
    bool FStop = false;
    long FEnded = 0; // scrapes ended, good or not
    std::optional<std::chrono::steady_clock::time_point> FTaken, FFailedAt;
    std::shared_ptr<const TState> FState;
    std::map<std::string, double> FCounters; // the counters of the last good scrape
    std::thread FThread;                     // last: started when everything it uses exists
};

// The namespaces root\LibreHardwareMonitor and root\CIMV2 of the
// node_exporter at `server` (see NodeExporterUrl), over one connection that
// lives as long as they do; raises EWbemError for an address that is none.
std::shared_ptr<TWbemNamespaces> NodeExporterNamespaces(const std::string& server, const std::string& caFile = {});
