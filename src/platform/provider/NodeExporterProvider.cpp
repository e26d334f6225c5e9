#include "NodeExporterProvider.h"

#include "AsciiText.h"
#include "NodeExporterMapping.h"
#include "SystemInfoProvider.h"

#include <charconv>

namespace {

bool HostLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
}

// One class of the connection's listing.
class TRemoteClasses : public IWbemProvider {
public:
    enum class TWhich { Hardware, System };
    TRemoteClasses(std::shared_ptr<TNodeExporterConnection> connection, TWhich which)
        : FConnection(std::move(connection)), FWhich(which)
    {
    }
    std::optional<std::shared_ptr<const TWbemObjects>> Objects(std::string_view className) override
    {
        if (FWhich == TWhich::System) {
            if (!SameTextIgnoringAsciiCase(className, "CIM_OperatingSystem")) return std::nullopt;
            return FConnection->Latest()->System;
        }
        if (SameTextIgnoringAsciiCase(className, "Hardware")) return FConnection->Latest()->Hardware;
        if (SameTextIgnoringAsciiCase(className, "Sensor")) return FConnection->Latest()->Sensors;
        return std::nullopt;
    }

private:
    std::shared_ptr<TNodeExporterConnection> FConnection;
    TWhich FWhich;
};

// The server's host and port as the system line names it.
std::string HostOfUrl(const std::string& url)
{
    const std::size_t start = url.find("://") + 3;
    return url.substr(start, url.find('/', start) - start);
}

} // namespace

bool IsLocalServer(std::string_view server)
{
    return server.empty() || server == "." || SameTextIgnoringAsciiCase(server, "localhost");
}

std::optional<std::string> NodeExporterUrl(const std::string& server, std::string& error)
{
    std::string scheme = "http";
    std::string_view rest = server;
    if (const std::size_t colon = rest.find("://"); colon != std::string_view::npos) {
        scheme = std::string(rest.substr(0, colon));
        for (char& c : scheme) c = AsciiLower(c);
        rest.remove_prefix(colon + 3);
        if (scheme != "http" && scheme != "https") {
            error = "\"" + scheme + "://\" is no address of a node_exporter: give http:// or https://";
            return std::nullopt;
        }
    }
    const std::size_t slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    std::string path = slash == std::string_view::npos ? std::string() : std::string(rest.substr(slash));
    if (path.empty() || path == "/") path = "/metrics";
    // host, host:port, [v6]:port; the user's name and password come from ~/.netrc, never from here.
    if (authority.find('@') != std::string_view::npos) {
        error = "the address holds a user name: user names and passwords are read from ~/.netrc";
        return std::nullopt;
    }
    std::string_view host = authority, port;
    if (authority.starts_with('[')) {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos) {
            error = "\"" + std::string(authority) + "\" is no host";
            return std::nullopt;
        }
        host = authority.substr(0, close + 1);
        if (close + 1 < authority.size()) {
            if (authority[close + 1] != ':') {
                error = "\"" + std::string(authority) + "\" is no host and port";
                return std::nullopt;
            }
            port = authority.substr(close + 2);
        }
    } else if (const std::size_t colon = authority.rfind(':'); colon != std::string_view::npos) {
        host = authority.substr(0, colon);
        port = authority.substr(colon + 1);
    }
    const bool bracketed = host.starts_with('[');
    if (host.empty() || (!bracketed && !std::all_of(host.begin(), host.end(), HostLetter))) {
        error = "\"" + std::string(host) + "\" is no host name";
        return std::nullopt;
    }
    int number = 9100;
    if (!port.empty()) {
        const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), number);
        if (ec != std::errc{} || end != port.data() + port.size() || number < 1 || number > 65535) {
            error = "\"" + std::string(port) + "\" is no port";
            return std::nullopt;
        }
    }
    for (char c : path)
        if (static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7F) {
            error = "the address's path holds a blank or a letter outside ASCII";
            return std::nullopt;
        }
    return scheme + "://" + std::string(host) + ":" + std::to_string(number) + path;
}

TNodeExporterConnection::TNodeExporterConnection(std::string url, std::string caFile, TGet get, TClock clock)
    : FUrl(std::move(url)), FCaFile(std::move(caFile)), FGet(std::move(get)), FClock(std::move(clock))
{
    auto first = std::make_shared<TState>();
    first->Hardware = std::make_shared<const TWbemObjects>();
    first->Sensors = std::make_shared<const TWbemObjects>();
    TWbemObject os("CIM_OperatingSystem");
    os.Set("CSName", HostOfUrl(FUrl)).Set("Description", std::string("connecting")).Set("Caption", std::string("..."))
        .Set("Version", std::string("...")).Set("NumberOfUsers", std::string("-")).Set("NumberOfProcesses", std::string("-"))
        .Set("Status", std::string("Unknown"));
    first->System = std::make_shared<const TWbemObjects>(TWbemObjects{std::move(os)});
    FState = std::move(first);
    FThread = std::thread([this] { Run(); });
}

TNodeExporterConnection::~TNodeExporterConnection()
{
    {
        std::lock_guard lock(FMutex);
        FStop = true;
    }
    FWake.notify_all();
    FThread.join();
}

std::shared_ptr<const TNodeExporterConnection::TState> TNodeExporterConnection::Latest()
{
    std::lock_guard lock(FMutex);
    const auto now = FClock();
    const bool stale = !FTaken || now - *FTaken >= THardwareProvider::SampleMaxAge;
    if (stale && !FWanted) {
        FWanted = true;
        FWake.notify_all();
    }
    return FState;
}

void TNodeExporterConnection::ScrapeNow()
{
    std::unique_lock lock(FMutex);
    const long ended = FEnded;
    FWanted = true;
    FFailedAt.reset(); // asked for: no waiting for the retry
    FWake.notify_all();
    FDone.wait(lock, [&] { return FEnded > ended || FStop; });
}

void TNodeExporterConnection::Run()
{
    std::unique_lock lock(FMutex);
    while (true) {
        FWake.wait(lock, [this] { return FStop || FWanted; });
        if (FStop) return;
        // After a failure the server is asked again only every few seconds.
        if (FFailedAt) {
            const auto retry = *FFailedAt + RetryInterval;
            if (FWake.wait_until(lock, retry, [this] { return FStop || !FFailedAt; })) {
                if (FStop) return;
            }
        }
        lock.unlock();
        Scrape();
        lock.lock();
        FWanted = false;
        ++FEnded;
        FDone.notify_all();
    }
}

void TNodeExporterConnection::Scrape()
{
    THttpRequest request;
    request.Url = FUrl;
    request.CaFile = FCaFile;
    const THttpAnswer answer = FGet(request);
    const auto now = FClock();
    std::string problem = answer.Error;
    std::optional<TExposition> scrape;
    if (answer.Ok) {
        std::string error;
        scrape = ParseExposition(answer.Body, error);
        if (!scrape) problem = "the answer is no metrics text (" + error + ")";
    }

    auto state = std::make_shared<TState>();
    if (scrape) {
        std::map<std::string, double> next;
        double seconds = 0;
        {
            std::lock_guard lock(FMutex);
            seconds = FTaken ? std::chrono::duration<double>(now - *FTaken).count() : 0.0;
        }
        const THardwareSample sample = MapNodeExporterScrape(*scrape, FCounters, next, seconds);
        FCounters.swap(next);
        state->Hardware = std::make_shared<const TWbemObjects>(HardwareObjects(sample.Hardware));
        state->Sensors = std::make_shared<const TWbemObjects>(SensorObjects(sample.Sensors));
        state->System = std::make_shared<const TWbemObjects>(TWbemObjects{NodeExporterSystem(*scrape, HostOfUrl(FUrl))});
    } else {
        // Nothing to show but why; the rates start again from the next good scrape.
        FCounters.clear();
        state->Hardware = std::make_shared<const TWbemObjects>();
        state->Sensors = std::make_shared<const TWbemObjects>();
        TWbemObject os("CIM_OperatingSystem");
        // The computer line names the server, the next line says why.
        os.Set("CSName", HostOfUrl(FUrl)).Set("Description", std::string("cannot be reached")).Set("Caption", problem)
            .Set("Version", std::string()).Set("NumberOfUsers", std::string("-")).Set("NumberOfProcesses", std::string("-"))
            .Set("Status", std::string("Error"));
        state->System = std::make_shared<const TWbemObjects>(TWbemObjects{std::move(os)});
        state->Problem = problem;
    }
    std::lock_guard lock(FMutex);
    state->Scrapes = FState->Scrapes + (scrape ? 1 : 0);
    FState = std::move(state);
    if (scrape) {
        FTaken = now;
        FFailedAt.reset();
    } else {
        FTaken.reset();
        FFailedAt = now;
    }
}

std::shared_ptr<TWbemNamespaces> NodeExporterNamespaces(const std::string& server, const std::string& caFile)
{
    std::string error;
    const auto url = NodeExporterUrl(server, error);
    if (!url) throw EWbemError("The server \"" + server + "\" cannot be used: " + error);
    auto connection = std::make_shared<TNodeExporterConnection>(*url, caFile);
    auto namespaces = std::make_shared<TWbemNamespaces>();
    namespaces->Register(std::string(HardwareNamespace),
                         std::make_shared<TRemoteClasses>(connection, TRemoteClasses::TWhich::Hardware));
    namespaces->Register(std::string(SystemNamespace), std::make_shared<TRemoteClasses>(connection, TRemoteClasses::TWhich::System));
    return namespaces;
}
