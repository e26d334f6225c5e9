#include "SensorQueries.h"

#include "SensorTypes.h"

TSensorQueryResult QuerySensor(const TWbemService& service, std::string_view identifier)
{
    TSensorQueryResult result;
    // The identifier is quoted with escapes, so a hand-edited one with a quote
    // in it finds nothing instead of changing the statement.
    TWbemObjects items = service.ExecQuery("SELECT * FROM Sensor WHERE Identifier = " + WqlQuote(identifier), "WQL", 32);
    if (items.empty()) return result;
    const TWbemObject& item = items.front();
    result.Type = item.Text("SensorType");
    result.Name = item.Text("Name");
    result.Value = item.Number("Value");
    result.Format = std::string(SensorTypeFormats[SensorTypeIndex(result.Type)]);
    result.Parent = item.Text("Parent");
    for (auto [property, limit] : {std::pair{"HighLimit", &result.HighLimit}, std::pair{"CriticalLimit", &result.CriticalLimit}})
        if (item.Find(property)) *limit = item.Number(property);
    return result;
}

std::string QueryHardwareName(const TWbemService& service, std::string_view identifier)
{
    if (identifier.empty()) return {};
    TWbemObjects items = service.ExecQuery("SELECT * FROM Hardware WHERE Identifier = " + WqlQuote(identifier), "WQL", 32);
    return items.empty() ? std::string() : items.front().Text("Name");
}
