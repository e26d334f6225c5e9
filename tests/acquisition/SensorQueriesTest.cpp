#include "SensorQueries.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

// A provider whose objects the test sets, counting how often it is asked.
class TestProvider : public IWbemProvider {
public:
    std::atomic<int> Calls{0};
    std::optional<std::shared_ptr<const TWbemObjects>> Objects(std::string_view className) override
    {
        ++Calls;
        auto objects = std::make_shared<TWbemObjects>();
        if (className == "Sensor") {
            objects->push_back(TWbemObject("Sensor")
                                   .Set("SensorType", std::string("temperature"))
                                   .Set("Parent", std::string("/cpu/0"))
                                   .Set("Identifier", std::string("/cpu/0/temperature/0"))
                                   .Set("Name", std::string("CPU Package"))
                                   .Set("Value", 48.5));
            objects->push_back(TWbemObject("Sensor")
                                   .Set("SensorType", std::string("Current"))
                                   .Set("Parent", std::string("/x"))
                                   .Set("Identifier", std::string("/x/a\"b"))
                                   .Set("Name", std::string("Odd"))
                                   .Set("Value", 2.0));
        } else if (className == "Hardware") {
            objects->push_back(TWbemObject("Hardware").Set("Identifier", std::string("/cpu/0")).Set("Name", std::string("Ryzen 7")));
        } else {
            return std::nullopt;
        }
        return objects;
    }
};

class SensorQueriesTest : public testing::Test {
protected:
    std::shared_ptr<TestProvider> provider = std::make_shared<TestProvider>();
    TWbemService service{"root\\Test", provider};
};

TEST_F(SensorQueriesTest, FoundSensorGivesItsFiveValues)
{
    TSensorQueryResult r = QuerySensor(service, "/CPU/0/Temperature/0");
    EXPECT_EQ(r.Name, "CPU Package");
    EXPECT_EQ(r.Value, 48.5);
    EXPECT_EQ(r.Type, "temperature");
    EXPECT_EQ(r.Format, "%.0n C") << "the type is looked up ignoring letter case";
    EXPECT_EQ(r.Parent, "/cpu/0");
}

TEST_F(SensorQueriesTest, MissingSensorReadsAsNotFound)
{
    for (const char* id : {"/cpu/0/load/0", "", "/x/a", "/x/a\\\"b"}) {
        TSensorQueryResult r = QuerySensor(service, id);
        EXPECT_EQ(r.Name, "NA") << id;
        EXPECT_EQ(r.Value, 0.0);
        EXPECT_EQ(r.Type, "");
        EXPECT_EQ(r.Format, "");
        EXPECT_EQ(r.Parent, "");
    }
}

TEST_F(SensorQueriesTest, IdentifierWithAQuoteFindsOnlyItself)
{
    TSensorQueryResult r = QuerySensor(service, "/x/a\"b");
    EXPECT_EQ(r.Name, "Odd");
    EXPECT_EQ(r.Format, "") << "a type outside the table has no format";
    EXPECT_EQ(QuerySensor(service, "\" OR Identifier = \"/cpu/0/temperature/0").Name, "NA");
}

TEST_F(SensorQueriesTest, HardwareNameAndEmptyIdentifierWithoutAQuery)
{
    EXPECT_EQ(QueryHardwareName(service, "/cpu/0"), "Ryzen 7");
    EXPECT_EQ(QueryHardwareName(service, "/gpu/0"), "");
    int calls = provider->Calls;
    EXPECT_EQ(QueryHardwareName(service, ""), "");
    EXPECT_EQ(provider->Calls, calls) << "an empty identifier must not reach the provider";
}

} // namespace
