// Any text as a query statement, run against the provider over a real tree.
//
// Checks, besides the sanitizers' own:
//  - a statement either parses or raises EWbemError, nothing else;
//  - the objects a statement returns are exactly the objects of its class that
//    satisfy its condition (the provider's narrowing to the sources a condition
//    can match never drops one);
//  - any text put into a statement with WqlQuote comes back as the literal;
//  - LIKE with "%" matches any text, and a pattern without wildcards matches itself.

#include "HardwareProvider.h"
#include "Wbem.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace {

void Require(bool condition, const char* what)
{
    if (condition) return;
    std::fprintf(stderr, "fuzz_query: broken: %s\n", what);
    std::abort();
}

bool SameObject(const TWbemObject& a, const TWbemObject& b)
{
    return a.ClassName() == b.ClassName() && a.Properties() == b.Properties();
}

std::shared_ptr<THardwareProvider> Provider()
{
    // A fixed clock: the one sample taken is the one every query reads.
    static const auto provider = std::make_shared<THardwareProvider>(
        std::string(TELLVANE_SHARED_FIXTURES) + "/mixed-2pkg-coretemp-nct6779-applesmc-8cpu",
        [] { return std::chrono::steady_clock::time_point{}; });
    return provider;
}

void CheckQuery(std::string_view statement)
{
    TWqlQuery query;
    try {
        query = ParseWql(statement);
    } catch (const EWbemError&) {
        return;
    }
    const auto provider = Provider();
    const auto whole = provider->Objects(query.ClassName);
    TWbemService service(std::string(HardwareNamespace), provider);
    TWbemObjects answer;
    try {
        answer = service.ExecQuery(statement);
    } catch (const EWbemError&) {
        // Fails only for a class nobody serves, or a condition on a property
        // that an object of the class lacks.
        bool lacking = false;
        if (whole)
            for (const TWbemObject& object : **whole) lacking = lacking || !object.Find(query.Property);
        Require(!whole || (query.Match != TWqlQuery::TMatch::All && lacking), "a query of a served class failed");
        return;
    }
    Require(whole.has_value(), "a query of a class nobody serves gave objects");
    std::size_t next = 0;
    for (const TWbemObject& object : **whole) {
        if (!WqlMatches(query, object)) continue;
        Require(next < answer.size() && SameObject(answer[next], object),
                "the answer differs from the class's matching objects");
        ++next;
    }
    Require(next == answer.size(), "the answer holds objects that do not match");
}

void CheckQuoting(std::string_view text)
{
    const TWqlQuery query = ParseWql("SELECT * FROM Sensor WHERE Identifier = " + WqlQuote(text));
    Require(query.Match == TWqlQuery::TMatch::Equals && query.Property == "Identifier" && query.Literal == text,
            "a quoted text did not come back as the literal");
}

void CheckLike(std::string_view text)
{
    Require(WqlLike(text, "%"), "\"%\" did not match a text");
    if (text.find_first_of("%_") == std::string_view::npos) Require(WqlLike(text, text), "a plain pattern missed itself");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckQuery(text);
    CheckQuoting(text);
    CheckLike(text);
    return 0;
}
