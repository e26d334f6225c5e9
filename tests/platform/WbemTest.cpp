#include "Wbem.h"

#include <gtest/gtest.h>

namespace {

TEST(ParseWql, AcceptsTheStatementsTheProgramSends)
{
    using M = TWqlQuery::TMatch;
    struct Case { const char* text; const char* cls; M match; const char* property; const char* literal; };
    const Case cases[] = {
        {"SELECT * FROM Hardware", "Hardware", M::All, "", ""},
        {"select * from Sensor", "Sensor", M::All, "", ""},
        {"  SELECT  *  FROM  CIM_OperatingSystem  ", "CIM_OperatingSystem", M::All, "", ""},
        {"SELECT * FROM Sensor WHERE Identifier = \"/cpu/0/load/0\"", "Sensor", M::Equals, "Identifier", "/cpu/0/load/0"},
        {"SELECT * FROM Sensor WHERE Identifier=\"\"", "Sensor", M::Equals, "Identifier", ""},
        {"SELECT * FROM Sensor WHERE Identifier like \"/cpu/0/load/%\"", "Sensor", M::Like, "Identifier", "/cpu/0/load/%"},
        {"SELECT * FROM Sensor WHERE Name LIKE \"a\\\"b\\\\c\"", "Sensor", M::Like, "Name", "a\"b\\c"},
    };
    for (const Case& c : cases) {
        TWqlQuery q = ParseWql(c.text);
        EXPECT_EQ(q.ClassName, c.cls) << c.text;
        EXPECT_EQ(q.Match, c.match) << c.text;
        EXPECT_EQ(q.Property, c.property) << c.text;
        EXPECT_EQ(q.Literal, c.literal) << c.text;
    }
}

TEST(ParseWql, RejectsEverythingElseWithAMessage)
{
    const char* bad[] = {
        "",
        "SELECT Name FROM Sensor",
        "SELECT * Sensor",
        "SELECT * FROM",
        "SELECT * FROM Sensor WHERE",
        "SELECT * FROM Sensor WHERE Identifier",
        "SELECT * FROM Sensor WHERE Identifier <> \"x\"",
        "SELECT * FROM Sensor WHERE Identifier = x",
        "SELECT * FROM Sensor WHERE Identifier = \"unterminated",
        "SELECT * FROM Sensor WHERE Identifier = \"a\" OR Name = \"b\"",
        "SELECT * FROM Sensor WHERE Identifier = \"a\\n\"",
        "DELETE FROM Sensor",
    };
    for (const char* text : bad) {
        try {
            ParseWql(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const EWbemError& e) {
            EXPECT_NE(std::string(e.what()).find("Invalid query"), std::string::npos) << e.what();
        }
    }
}

TEST(WqlQuote, RoundTripsThroughTheParser)
{
    for (std::string id : {"/cpu/0/load/0", "a\"b", "back\\slash\\", "\" OR Name = \"x", ""}) {
        TWqlQuery q = ParseWql("SELECT * FROM Sensor WHERE Identifier = " + WqlQuote(id));
        EXPECT_EQ(q.Literal, id);
        EXPECT_EQ(q.Match, TWqlQuery::TMatch::Equals);
    }
}

TEST(WqlLike, MatchesPercentAndUnderscoreIgnoringCase)
{
    struct Case { const char* text; const char* pattern; bool match; };
    const Case cases[] = {
        {"/cpu/0/load/1", "/cpu/0/load/%", true}, {"/cpu/0/load/", "/cpu/0/load/%", true},
        {"/cpu/0/clock/1", "/cpu/0/load/%", false}, {"/CPU/0/LOAD/12", "/cpu/0/load/%", true},
        {"abc", "a_c", true}, {"ac", "a_c", false}, {"abbbc", "a%c", true}, {"abbbd", "a%c", false},
        {"", "%", true}, {"x", "", false}, {"a%b", "a%b", true}, {"aXbYc", "a%b%c", true}, {"abc", "%%%", true},
    };
    for (const Case& c : cases) EXPECT_EQ(WqlLike(c.text, c.pattern), c.match) << c.text << " LIKE " << c.pattern;
}

class FixedProvider : public IWbemProvider {
public:
    std::optional<std::shared_ptr<const TWbemObjects>> Objects(std::string_view className) override
    {
        if (className != "Sensor") return std::nullopt;
        auto objects = std::make_shared<TWbemObjects>();
        objects->push_back(TWbemObject("Sensor").Set("Identifier", std::string("/a/load/0")).Set("Name", std::string("A")).Set("Value", 1.5));
        objects->push_back(TWbemObject("Sensor").Set("Identifier", std::string("/a\"b")).Set("Name", std::string("Quote")).Set("Value", std::string("x")));
        return objects;
    }
};

class WbemServiceTest : public testing::Test {
protected:
    std::shared_ptr<TWbemNamespaces> namespaces = [] {
        auto n = std::make_shared<TWbemNamespaces>();
        n->Register("root\\Test", std::make_shared<FixedProvider>());
        return n;
    }();
    TWbemLocator locator{namespaces};
};

TEST_F(WbemServiceTest, ConnectsOnlyToThisComputersNamespaces)
{
    for (const char* server : {"localhost", "LOCALHOST", ".", ""}) EXPECT_NO_THROW(locator.ConnectServer(server, "root\\test", "", ""));
    EXPECT_THROW(locator.ConnectServer("otherhost", "root\\Test", "", ""), EWbemError);
    EXPECT_THROW(locator.ConnectServer("localhost", "root\\Missing", "", ""), EWbemError);
}

TEST_F(WbemServiceTest, QueriesFilterAndRaiseClearErrors)
{
    auto service = locator.ConnectServer("localhost", "root\\Test", "", "");
    auto found = service->ExecQuery("SELECT * FROM Sensor WHERE Identifier = \"/A/LOAD/0\"", "WQL", 32);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].Text("name"), "A");
    EXPECT_EQ(found[0].Number("Value"), 1.5);
    EXPECT_EQ(found[0].Text("Value"), "1.5");
    EXPECT_THROW(found[0].Text("Missing"), EWbemError);

    // An identifier with a quote finds exactly itself when escaped.
    auto quoted = service->ExecQuery("SELECT * FROM Sensor WHERE Identifier = " + WqlQuote("/a\"b"));
    ASSERT_EQ(quoted.size(), 1u);
    EXPECT_THROW(quoted[0].Number("Value"), EWbemError) << "a text that is no number";

    EXPECT_THROW(service->ExecQuery("SELECT * FROM Sensor", "SQL", 32), EWbemError);
    EXPECT_THROW(service->ExecQuery("SELECT * FROM Hardware"), EWbemError);
    EXPECT_THROW(service->ExecQuery("SELECT * FROM Sensor WHERE Unknown = \"x\""), EWbemError);
    EXPECT_THROW(service->ExecQuery("SELECT * FROM Sensor WHERE Identifier = \"/a\"b\""), EWbemError)
        << "an unescaped quote ends the literal early";
}

} // namespace
