// Switches that only the benchmarks use. They exist only in the copy of the component that the
// benchmarks build with PAGEWRIGHT_BENCHMARK_SWITCHES; the library that hosts link has none.
#pragma once

#ifndef PAGEWRIGHT_BENCHMARK_SWITCHES
#error "BenchmarkSwitches.h is for benchmark builds only"
#endif

namespace pagewright_bench {

// Pure polling: every wait sleeps its full 100 ms (GenerateHTML) or 50 ms (Reset) before it
// looks again, instead of also being woken by the change it waits for. The baseline against
// which the wake-ups are measured.
void SetPurePolling(bool bOn);

} // namespace pagewright_bench
