#include "Wbem.h"

#include "AsciiText.h"

#include <cctype>
#include <charconv>
#include <cmath>

TWbemObject& TWbemObject::Set(std::string name, TWbemValue value)
{
    FProperties.emplace_back(std::move(name), std::move(value));
    return *this;
}

const TWbemValue* TWbemObject::Find(std::string_view name) const
{
    for (const auto& [key, value] : FProperties)
        if (SameTextIgnoringAsciiCase(key, name)) return &value;
    return nullptr;
}

namespace {

const TWbemValue& Required(const TWbemObject& object, std::string_view name)
{
    const TWbemValue* value = object.Find(name);
    if (!value) throw EWbemError("Property \"" + std::string(name) + "\" not found in class " + object.ClassName());
    return *value;
}

std::string NumberText(double v)
{
    if (std::isnan(v)) return "NaN";
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    return ec == std::errc{} ? std::string(buffer, end) : std::string();
}

} // namespace

std::string TWbemObject::Text(std::string_view name) const
{
    const TWbemValue& value = Required(*this, name);
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    return NumberText(std::get<double>(value));
}

double TWbemObject::Number(std::string_view name) const
{
    const TWbemValue& value = Required(*this, name);
    if (const auto* number = std::get_if<double>(&value)) return *number;
    const std::string& text = std::get<std::string>(value);
    double result = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), result);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size())
        throw EWbemError("Property \"" + std::string(name) + "\" value \"" + text + "\" is not a number");
    return result;
}

void TWbemNamespaces::Register(std::string name, std::shared_ptr<IWbemProvider> provider)
{
    std::lock_guard lock(FLock);
    FProviders.emplace_back(std::move(name), std::move(provider));
}

std::shared_ptr<IWbemProvider> TWbemNamespaces::Find(std::string_view name) const
{
    std::lock_guard lock(FLock);
    for (const auto& [key, provider] : FProviders)
        if (SameTextIgnoringAsciiCase(key, name)) return provider;
    return nullptr;
}

namespace {

// A small tokenizer for the statements the program sends.
class TWqlScanner {
public:
    explicit TWqlScanner(std::string_view text) : FText(text) {}

    void SkipBlanks()
    {
        while (FPos < FText.size() && (FText[FPos] == ' ' || FText[FPos] == '\t' || FText[FPos] == '\r' || FText[FPos] == '\n'))
            ++FPos;
    }
    bool AtEnd()
    {
        SkipBlanks();
        return FPos >= FText.size();
    }
    // A name: letters, digits and '_'.
    std::string Word()
    {
        SkipBlanks();
        std::size_t start = FPos;
        while (FPos < FText.size() && (std::isalnum(static_cast<unsigned char>(FText[FPos])) || FText[FPos] == '_')) ++FPos;
        return std::string(FText.substr(start, FPos - start));
    }
    bool Symbol(char c)
    {
        SkipBlanks();
        if (FPos < FText.size() && FText[FPos] == c) {
            ++FPos;
            return true;
        }
        return false;
    }
    void Keyword(std::string_view keyword)
    {
        std::size_t at = (SkipBlanks(), FPos);
        if (!SameTextIgnoringAsciiCase(Word(), keyword)) Fail("expected " + std::string(keyword), at);
    }
    // A literal between double quotes; a backslash escapes the next character.
    std::string Literal()
    {
        SkipBlanks();
        std::size_t at = FPos;
        if (!Symbol('"')) Fail("expected a quoted literal", at);
        std::string out;
        while (FPos < FText.size()) {
            char c = FText[FPos++];
            if (c == '"') return out;
            if (c == '\\') {
                if (FPos >= FText.size()) break;
                c = FText[FPos++];
                if (c != '"' && c != '\\') Fail("unknown escape in literal", FPos - 2);
            }
            out += c;
        }
        Fail("unterminated literal", at);
    }
    [[noreturn]] void Fail(const std::string& what, std::size_t at) const
    {
        throw EWbemError("Invalid query \"" + std::string(FText) + "\": " + what + " at position " + std::to_string(at + 1));
    }
    std::size_t Position() const { return FPos; }

private:
    std::string_view FText;
    std::size_t FPos = 0;
};

} // namespace

TWqlQuery ParseWql(std::string_view statement)
{
    TWqlScanner scan(statement);
    TWqlQuery query;
    scan.Keyword("SELECT");
    if (!scan.Symbol('*')) scan.Fail("only SELECT * is supported", scan.Position());
    scan.Keyword("FROM");
    query.ClassName = scan.Word();
    if (query.ClassName.empty()) scan.Fail("expected a class name", scan.Position());
    if (scan.AtEnd()) return query;

    scan.Keyword("WHERE");
    query.Property = scan.Word();
    if (query.Property.empty()) scan.Fail("expected a property name", scan.Position());
    std::size_t at = scan.Position();
    if (scan.Symbol('=')) {
        query.Match = TWqlQuery::TMatch::Equals;
    } else if (SameTextIgnoringAsciiCase(scan.Word(), "LIKE")) {
        query.Match = TWqlQuery::TMatch::Like;
    } else {
        scan.Fail("expected = or LIKE", at);
    }
    query.Literal = scan.Literal();
    if (!scan.AtEnd()) scan.Fail("unexpected text after the condition", scan.Position());
    return query;
}

std::string WqlQuote(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

bool WqlLike(std::string_view text, std::string_view pattern)
{
    // Iterative wildcard match with backtracking to the last '%'.
    std::size_t t = 0, p = 0, starP = std::string_view::npos, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '_' || AsciiLower(pattern[p]) == AsciiLower(text[t])) && pattern[p] != '%') {
            ++t;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '%') {
            starP = p++;
            starT = t;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '%') ++p;
    return p == pattern.size();
}

bool WqlMatches(const TWqlQuery& query, const TWbemObject& object)
{
    if (query.Match == TWqlQuery::TMatch::All) return true;
    const std::string value = object.Text(query.Property);
    return query.Match == TWqlQuery::TMatch::Equals ? SameTextIgnoringAsciiCase(value, query.Literal)
                                                    : WqlLike(value, query.Literal);
}

TWbemService::TWbemService(std::string nameSpace, std::shared_ptr<IWbemProvider> provider)
    : FNameSpace(std::move(nameSpace)), FProvider(std::move(provider))
{
}

TWbemObjects TWbemService::ExecQuery(std::string_view query, std::string_view language, int /*flags*/) const
{
    if (!SameTextIgnoringAsciiCase(language, "WQL"))
        throw EWbemError("Unsupported query language \"" + std::string(language) + "\"");
    TWqlQuery parsed = ParseWql(query);
    auto objects = FProvider->ObjectsFor(parsed);
    if (!objects) throw EWbemError("Invalid class \"" + parsed.ClassName + "\" in namespace " + FNameSpace);

    TWbemObjects result;
    for (const TWbemObject& object : **objects)
        if (WqlMatches(parsed, object)) result.push_back(object);
    return result;
}

TWbemLocator::TWbemLocator(std::shared_ptr<const TWbemNamespaces> namespaces, std::string caFile)
    : FNamespaces(std::move(namespaces)), FCaFile(std::move(caFile))
{
}

void TWbemNamespaces::SetRemoteOpener(TOpener open)
{
    std::lock_guard lock(FLock);
    FOpen = std::move(open);
}

std::shared_ptr<TWbemNamespaces> TWbemNamespaces::ForServer(const std::string& server, const std::string& caFile) const
{
    std::lock_guard lock(FLock);
    if (!FOpen) return nullptr;
    std::shared_ptr<TWbemNamespaces>& open = FRemote[server + '\n' + caFile];
    if (!open) open = FOpen(server, caFile);
    return open;
}

std::shared_ptr<TWbemService> TWbemLocator::ConnectServer(std::string_view server, std::string_view nameSpace,
                                                          std::string_view /*user*/, std::string_view /*password*/) const
{
    std::shared_ptr<const TWbemNamespaces> namespaces = FNamespaces;
    if (!(server.empty() || server == "." || SameTextIgnoringAsciiCase(server, "localhost"))) {
        namespaces = FNamespaces->ForServer(std::string(server), FCaFile);
        if (!namespaces)
            throw EWbemError("The RPC server \"" + std::string(server) + "\" is unavailable: only this computer is served");
    }
    auto provider = namespaces->Find(nameSpace);
    if (!provider) throw EWbemError("Invalid namespace \"" + std::string(nameSpace) + "\"");
    return std::make_shared<TWbemService>(std::string(nameSpace), std::move(provider));
}
