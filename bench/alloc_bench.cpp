// The module allocator against the C heap: one allocate/free pair, and bursts of live blocks
// that overflow the thread caches and so reach the shared pages under the lock. Read each
// BM_Qz figure as a ratio to its BM_Malloc twin of the same size and thread count.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "runtime/memman.h"

namespace {

void BM_QzAllocFree(benchmark::State& state) {
  const auto size = static_cast<size_t>(state.range(0));
  for (auto _ : state) {
    void* p = qzAlloc(size);
    benchmark::DoNotOptimize(p);
    qzFree(p);
  }
}

void BM_MallocFree(benchmark::State& state) {
  const auto size = static_cast<size_t>(state.range(0));
  for (auto _ : state) {
    void* p = std::malloc(size);
    benchmark::DoNotOptimize(p);
    std::free(p);
  }
}

constexpr int kBurst = 2048;

// kBurst blocks live at once, then all freed: more than a thread cache holds of a class.
void BM_QzBurst(benchmark::State& state) {
  const auto size = static_cast<size_t>(state.range(0));
  std::vector<void*> blocks(kBurst);
  for (auto _ : state) {
    for (void*& p : blocks) p = qzAlloc(size);
    benchmark::DoNotOptimize(blocks.data());
    for (void* p : blocks) qzFree(p);
  }
  state.SetItemsProcessed(state.iterations() * kBurst);
}

void BM_MallocBurst(benchmark::State& state) {
  const auto size = static_cast<size_t>(state.range(0));
  std::vector<void*> blocks(kBurst);
  for (auto _ : state) {
    for (void*& p : blocks) p = std::malloc(size);
    benchmark::DoNotOptimize(blocks.data());
    for (void* p : blocks) std::free(p);
  }
  state.SetItemsProcessed(state.iterations() * kBurst);
}

BENCHMARK(BM_QzAllocFree)->Arg(8)->Arg(64)->Arg(256)->Arg(1024)->Arg(4096);
BENCHMARK(BM_MallocFree)->Arg(8)->Arg(64)->Arg(256)->Arg(1024)->Arg(4096);
BENCHMARK(BM_QzAllocFree)->Arg(8)->Arg(64)->Arg(256)->Threads(2);
BENCHMARK(BM_MallocFree)->Arg(8)->Arg(64)->Arg(256)->Threads(2);
BENCHMARK(BM_QzBurst)->Arg(32)->Arg(256);
BENCHMARK(BM_MallocBurst)->Arg(32)->Arg(256);
BENCHMARK(BM_QzBurst)->Arg(32)->Arg(256)->Threads(2);
BENCHMARK(BM_MallocBurst)->Arg(32)->Arg(256)->Threads(2);

}  // namespace

BENCHMARK_MAIN();
