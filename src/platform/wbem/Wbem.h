#pragma once
// The query surface the program reads its sensors through: a locator connects
// to a namespace on this computer and gives a service; the service runs WQL
// statements and returns result objects whose properties are read by name.
//
// Namespaces are served in-process by providers registered in a TWbemNamespaces
// table (the product registers the hardware and system-information providers;
// tests register fixture-backed or test providers).

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

// Any failure of a connection or a query.
class EWbemError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using TWbemValue = std::variant<std::string, double>;

// One result object: named properties, read as text or number.
class TWbemObject {
public:
    TWbemObject() = default;
    explicit TWbemObject(std::string className) : FClass(std::move(className)) {}

    TWbemObject& Set(std::string name, TWbemValue value);

    const std::string& ClassName() const { return FClass; }
    // The property's value; nullptr when the object has no such property
    // (names ignore ASCII letter case).
    const TWbemValue* Find(std::string_view name) const;
    // Raise EWbemError for a missing property or a text that is no number.
    std::string Text(std::string_view name) const;
    double Number(std::string_view name) const;

    const std::vector<std::pair<std::string, TWbemValue>>& Properties() const { return FProperties; }

private:
    std::string FClass;
    std::vector<std::pair<std::string, TWbemValue>> FProperties;
};

using TWbemObjects = std::vector<TWbemObject>;

// A parsed statement: SELECT * FROM <class> [WHERE <property> (= | LIKE) "<literal>"].
struct TWqlQuery {
    enum class TMatch { All, Equals, Like };
    std::string ClassName;
    TMatch Match = TMatch::All;
    std::string Property;
    std::string Literal;
};

// Raises EWbemError with a message that names the problem.
TWqlQuery ParseWql(std::string_view statement);

// `text` between double quotes, with '"' and '\' escaped: the safe way to put
// an identifier into a statement.
std::string WqlQuote(std::string_view text);

// LIKE with '%' (any run) and '_' (one character), ignoring ASCII letter case.
bool WqlLike(std::string_view text, std::string_view pattern);

// Whether one object satisfies the statement's condition.
bool WqlMatches(const TWqlQuery& query, const TWbemObject& object);

// A namespace's provider: the current objects of one of its classes, or
// nothing for a class it does not serve. Must be safe to call from several
// threads at once.
class IWbemProvider {
public:
    virtual ~IWbemProvider() = default;
    virtual std::optional<std::shared_ptr<const TWbemObjects>> Objects(std::string_view className) = 0;
    // The objects a statement is run over: at least those that satisfy its
    // condition. A provider that can spare itself work for a narrow condition
    // overrides this; the rest give the whole class.
    virtual std::optional<std::shared_ptr<const TWbemObjects>> ObjectsFor(const TWqlQuery& query)
    {
        return Objects(query.ClassName);
    }
};

// Namespace name (ignoring ASCII letter case) to provider: this computer's,
// and another machine's through an opener.
class TWbemNamespaces {
public:
    void Register(std::string name, std::shared_ptr<IWbemProvider> provider);
    std::shared_ptr<IWbemProvider> Find(std::string_view name) const;

    // How another machine's namespaces are opened from its server's address;
    // without an opener only this computer is served.
    // `caFile`: what the server's certificate is checked against (empty: the system's store).
    using TOpener = std::function<std::shared_ptr<TWbemNamespaces>(const std::string& server, const std::string& caFile)>;
    void SetRemoteOpener(TOpener open);
    // The namespaces of that server, opened at the first connection and shared
    // by every later one; nothing without an opener. Raises what the opener raises.
    std::shared_ptr<TWbemNamespaces> ForServer(const std::string& server, const std::string& caFile) const;

private:
    mutable std::mutex FLock;
    std::vector<std::pair<std::string, std::shared_ptr<IWbemProvider>>> FProviders;
    TOpener FOpen;
    // Kept while this registry lives: the window and the refresh thread share
    // one connection (one scraper) to a server.
    mutable std::map<std::string, std::shared_ptr<TWbemNamespaces>> FRemote;
};

class TWbemService {
public:
    TWbemService(std::string nameSpace, std::shared_ptr<IWbemProvider> provider);

    // Runs a statement; `language` must be "WQL". `flags` is accepted for
    // compatibility (results are always returned whole, forward-only).
    TWbemObjects ExecQuery(std::string_view query, std::string_view language = "WQL", int flags = 32) const;

    const std::string& NameSpace() const { return FNameSpace; }

private:
    std::string FNameSpace;
    std::shared_ptr<IWbemProvider> FProvider;
};

class TWbemLocator {
public:
    // `caFile`: for another machine over https, the CA its certificate is
    // checked against; empty for the system's store.
    explicit TWbemLocator(std::shared_ptr<const TWbemNamespaces> namespaces, std::string caFile = {});

    // Server "localhost", "." or empty is this computer; any other server is
    // another machine, where the namespaces have an opener for it.
    std::shared_ptr<TWbemService> ConnectServer(std::string_view server, std::string_view nameSpace,
                                                std::string_view user = {}, std::string_view password = {}) const;

private:
    std::shared_ptr<const TWbemNamespaces> FNamespaces;
    std::string FCaFile;
};
