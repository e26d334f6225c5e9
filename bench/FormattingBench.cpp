// The texts the refresh cycle builds every second: value formats and sizes.
#include "NumberStyle.h"

#include <benchmark/benchmark.h>

namespace {

const TNumberStyle German{".", ","};

void BM_FormatValue(benchmark::State& state)
{
    double v = 1234.5;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FormatPattern(German, "%.1n Gb", {v}));
        v += 0.1;
    }
}
BENCHMARK(BM_FormatValue);

void BM_FormatSize(benchmark::State& state)
{
    double v = 1536.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FormatSize(German, true, true, v));
        v = v * 1.7 + 1.0;
        if (v > 1e15) v = 1.0;
    }
}
BENCHMARK(BM_FormatSize);

void BM_CaptionOfOneSlot(benchmark::State& state)
{
    for (auto _ : state) {
        std::string value = FormatPattern(German, "%.0n%%", {37.4});
        benchmark::DoNotOptimize(FormatPattern(German, "%s: %s", {std::string_view("CPU Total"), std::string_view(value)}));
    }
}
BENCHMARK(BM_CaptionOfOneSlot);

} // namespace
