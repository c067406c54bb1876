// Engine throughput: reading box texts (short and pasted megabytes) and
// whole key-driven calculations through the headless host.
#include <benchmark/benchmark.h>

#include <string>

#include "headless_host.h"
#include "numbers.h"

namespace {

void BM_NumberValueShort(benchmark::State& state) {
    const std::string text = "  1234.5678e2 ";
    for (auto _ : state) benchmark::DoNotOptimize(tickwell::NumberValue(text));
}
BENCHMARK(BM_NumberValueShort);

// Time per byte should stay flat as the text grows (linear reading).
void BM_NumberValuePastedDigits(benchmark::State& state) {
    const std::string text = "0." + std::string(static_cast<std::size_t>(state.range(0)), '3');
    for (auto _ : state) benchmark::DoNotOptimize(tickwell::NumberValue(text));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_NumberValuePastedDigits)->Range(1 << 10, 1 << 22);

void BM_NumberValuePastedBlanks(benchmark::State& state) {
    const std::string text = std::string(static_cast<std::size_t>(state.range(0)), ' ') + "7";
    for (auto _ : state) benchmark::DoNotOptimize(tickwell::NumberValue(text));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_NumberValuePastedBlanks)->Range(1 << 10, 1 << 22);

void BM_TypedCalculation(benchmark::State& state) {
    tickwell::HeadlessHost host;
    for (auto _ : state) {
        host.Type("1/2/5+//55-/90m=s=c");
        benchmark::DoNotOptimize(host.GetText(tickwell::Control::txtSeconds));
    }
}
BENCHMARK(BM_TypedCalculation);

}  // namespace

BENCHMARK_MAIN();
