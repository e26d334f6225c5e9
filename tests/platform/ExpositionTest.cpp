// The text exposition format: a table of the format's cases, its errors, and
// a real scrape of node_exporter.

#include "Exposition.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(Exposition, ReadsTheFormatsCases)
{
    struct Case {
        const char* What;
        const char* Text;
        std::string Name;
        std::vector<std::pair<std::string, std::string>> Labels;
        double Value;
        std::optional<std::int64_t> Timestamp;
    };
    const Case cases[] = {
        {"plain", "node_load1 0.25\n", "node_load1", {}, 0.25, {}},
        {"labels", "node_cpu_seconds_total{cpu=\"0\",mode=\"idle\"} 10870.69", "node_cpu_seconds_total",
         {{"cpu", "0"}, {"mode", "idle"}}, 10870.69, {}},
        {"escapes", R"(m{path="C:\\dir\\",quote="a \"b\"",nl="x\ny"} 1)", "m",
         {{"path", "C:\\dir\\"}, {"quote", "a \"b\""}, {"nl", "x\ny"}}, 1, {}},
        {"blanks and a trailing comma", "m { a = \"1\" , b=\"2\", } 3e+09", "m", {{"a", "1"}, {"b", "2"}}, 3e9, {}},
        {"empty labels", "m{} 2", "m", {}, 2, {}},
        {"timestamp", "m 7 1395066363000", "m", {}, 7, 1395066363000},
        {"negative timestamp", "m -1.5e-3 -100", "m", {}, -1.5e-3, -100},
        {"+Inf", "m{le=\"+Inf\"} +Inf", "m", {{"le", "+Inf"}}, INFINITY, {}},
        {"-Inf", "m -Inf", "m", {}, -INFINITY, {}},
        {"colons in the name", "job:rate:5m 4", "job:rate:5m", {}, 4, {}},
        {"CR LF", "m 1\r\n", "m", {}, 1, {}},
        {"a tab", "m\t5", "m", {}, 5, {}},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto parsed = ParseExposition(c.Text, error);
        ASSERT_TRUE(parsed) << c.What << ": " << error;
        ASSERT_EQ(parsed->Samples.size(), 1u) << c.What;
        const TMetricSample& s = parsed->Samples[0];
        EXPECT_EQ(s.Name, c.Name) << c.What;
        EXPECT_EQ(s.Labels, c.Labels) << c.What;
        EXPECT_EQ(s.Value, c.Value) << c.What;
        EXPECT_EQ(s.TimestampMs, c.Timestamp) << c.What;
    }
    std::string error;
    const auto nan = ParseExposition("m NaN\n", error);
    ASSERT_TRUE(nan);
    EXPECT_TRUE(std::isnan(nan->Samples[0].Value));
}

TEST(Exposition, KeepsHelpAndTypeAndSkipsOtherComments)
{
    std::string error;
    const auto parsed = ParseExposition("# HELP node_cpu_seconds_total Seconds the CPUs spent in each mode.\\nA second line \\\\.\n"
                                        "# TYPE node_cpu_seconds_total counter\n"
                                        "# a comment of no kind\n"
                                        "#\n\n"
                                        "node_cpu_seconds_total{cpu=\"0\",mode=\"user\"} 1\n",
                                        error);
    ASSERT_TRUE(parsed) << error;
    EXPECT_EQ(parsed->Types.at("node_cpu_seconds_total"), "counter");
    EXPECT_EQ(parsed->Help.at("node_cpu_seconds_total"), "Seconds the CPUs spent in each mode.\nA second line \\.");
    EXPECT_EQ(parsed->Samples.size(), 1u);
    EXPECT_EQ(parsed->Samples[0].Label("mode"), "user");
    EXPECT_EQ(parsed->Samples[0].Label("missing"), "");
}

TEST(Exposition, NamesTheLineAndWhatBrokeTheFormat)
{
    struct Case {
        std::string Text;
        const char* Says;
    };
    const Case cases[] = {
        {"m 1\n2m 3\n", "line 2: a sample without a metric name"},
        {"m{a=1} 1", "line 1: label a without a properly quoted value"},
        {"m{a=\"1\"", "line 1: labels not closed by \"}\""},
        {"m{a=\"1\" b=\"2\"} 1", "line 1: labels not closed by \"}\""},
        {"m{a=\"x\\q\"} 1", "line 1: label a without a properly quoted value"},
        {"m{=\"1\"} 1", "line 1: a label without a name"},
        {"m one", "line 1: a value that is no number: \"one\""},
        {"m", "line 1: a value that is no number"},
        {"m 1 12.5", "line 1: a timestamp that is no integer: \"12.5\""},
        {"m 1 2 3", "line 1: text after the timestamp"},
        {"# TYPE m kind", "line 1: an unknown metric type \"kind\""},
        {"# HELP", "line 1: a HELP line without a metric name"},
        {"<html><body>Not the metrics</body></html>", "line 1: a sample without a metric name"},
        {std::string("m 1\0", 4), "line 1 holds a NUL"},
        {"m " + std::string(ExpositionLineLimit, '1'), "line 1 is longer than 65536 bytes"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseExposition(c.Text, error)) << c.Text.substr(0, 60);
        EXPECT_NE(error.find(c.Says), std::string::npos) << c.Text.substr(0, 60) << ": " << error;
    }
}

TEST(Exposition, ReadsARealScrapeOfNodeExporter)
{
    const std::string text = ReadFileText(std::string(TELLVANE_LOCAL_FIXTURES) + "/node-exporter/vm-debian12.metrics");
    std::string error;
    const auto parsed = ParseExposition(text, error);
    ASSERT_TRUE(parsed) << error;
    EXPECT_GT(parsed->Samples.size(), 300u);
    EXPECT_EQ(parsed->Types.at("node_cpu_seconds_total"), "counter");
    EXPECT_EQ(parsed->Types.at("node_memory_MemTotal_bytes"), "gauge");
    int idle = 0;
    for (const TMetricSample& s : parsed->Samples)
        if (s.Name == "node_cpu_seconds_total" && s.Label("mode") == "idle") ++idle;
    EXPECT_EQ(idle, 2) << "two processors";
}

} // namespace
