// The cost of one poll tick while connected: when the IME status stays the same (the steady state,
// one query per tick) and when it changes every tick (icon and both lines each time).
//
//   cmake --workflow --preset bench      # time and heap allocations per tick
//   tools/bench-instructions.sh          # instructions per tick, counted by callgrind
#include "core/ImePoller.h"
#include "core/LedPort.h"
#include "core/Platform.h"
#include "windows/system/Tray.h"
#include "tests/bench/NullSystem.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> s_nAllocations{0};
}

void* operator new(std::size_t cb)
{
    ++s_nAllocations;
    if (void* p = std::malloc(cb ? cb : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

void Prepare()
{
    RegisterTrayPresets(reinterpret_cast<HWND>(0x42));
    if (!sys::IsLedPortOpen())
        ConnectPort(L"COM3");
    g_nLastOpenStatus = -1;
}

void Report(benchmark::State& state, long nAllocationsBefore)
{
    state.counters["allocs/tick"] =
        benchmark::Counter(static_cast<double>(s_nAllocations - nAllocationsBefore) /
                           static_cast<double>(state.iterations()));
}

void BM_TickUnchanged(benchmark::State& state)
{
    Prepare();
    g_Null.dwImeStatus = 1;
    PollImeStatus();
    const long nBefore = s_nAllocations;
    for (auto _ : state)
        PollImeStatus();
    Report(state, nBefore);
}
BENCHMARK(BM_TickUnchanged);

void BM_TickChanged(benchmark::State& state)
{
    Prepare();
    const long nBefore = s_nAllocations;
    for (auto _ : state) {
        g_Null.dwImeStatus ^= 1;
        PollImeStatus();
    }
    Report(state, nBefore);
}
BENCHMARK(BM_TickChanged);

}  // namespace

// Run by tools/bench-instructions.sh under callgrind: N ticks of one kind, nothing else.
int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--ticks") {
        Prepare();
        const long nTicks = std::atol(argv[2]);
        const bool bChange = std::getenv("LUMIDOT_BENCH_CHANGE") != nullptr;
        g_Null.dwImeStatus = 1;
        PollImeStatus();
        for (long i = 0; i < nTicks; ++i) {
            if (bChange)
                g_Null.dwImeStatus ^= 1;
            PollImeStatus();
        }
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
