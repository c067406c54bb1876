// Engine throughput: reading box texts (short and pasted megabytes) and
// whole key-driven calculations through the headless host, and a pasted
// timesheet column through Edit > Paste as both front ends run it.
#include <benchmark/benchmark.h>

#include <string>

#include "headless_host.h"
#include "numbers.h"
#include "rules.h"
#include "tape.h"

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

// A column of `n` times and ranges with a header, pasted into a calculation
// with its tape open: the time per cell should stay flat as `n` grows.
void BM_PastedColumn(benchmark::State& state) {
    std::string column = "Hours\r\n";
    for (int64_t i = 0; i < state.range(0); ++i)
        column += i % 3 ? std::to_string(i % 10) + ":" + std::to_string(10 + i % 50) + "\r\n"
                        : "22:00-06:" + std::to_string(10 + i % 50) + "\r\n";
    tickwell::HeadlessHost host;
    tickwell::Tape tape;
    host.Calc().SetTape(&tape);
    for (auto _ : state) {
        tickwell::forms::EditPaste(host.Calc(), host, column);
        benchmark::DoNotOptimize(host.GetText(tickwell::Control::txtHours));
    }
    state.SetComplexityN(state.range(0));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PastedColumn)->RangeMultiplier(10)->Range(10, 10000)->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
