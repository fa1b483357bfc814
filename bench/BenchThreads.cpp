// Cooperative threads: the cost of a yield round trip (main context → thread → main context)
// with 1 and 100 threads, and the processor time the loop uses while 10 threads sleep 10 s in
// Delay (it should block, not spin).
#include "CYieldAttachment.h"
#include "LApplication.h"
#include "LMainContext.h"
#include "LThread.h"

#include <benchmark/benchmark.h>

#include <ctime>

namespace {
class Spinner : public LThread {
public:
    explicit Spinner(const bool& inStop)
        : mStop(inStop)
    {
    }
    void* Run() override
    {
        while (!mStop)
            LThread::Yield();
        return nullptr;
    }

private:
    const bool& mStop;
};

class Sleeper : public LThread {
public:
    explicit Sleeper(int& ioLive)
        : mLive(ioLive)
    {
        ++mLive;
    }
    ~Sleeper() override { --mLive; }
    void* Run() override
    {
        LThread::Delay(600); // 10 s
        return nullptr;
    }

private:
    int& mLive;
};

double ProcessCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// One main-context Yield runs a round: every thread is switched in once and back out.
// per_round_trip is in seconds (shown with an SI prefix: 40n = 40 ns).
void BM_YieldRoundTrip(benchmark::State& state)
{
    LMainContext::Get();
    const int threads = int(state.range(0));
    bool stop = false;
    for (int i = 0; i < threads; ++i)
        (new Spinner(stop))->Resume();
    LThread::Yield(); // first runs make the stacks
    for (auto _ : state)
        LThread::Yield();
    state.counters["per_round_trip"] = benchmark::Counter(
        double(state.iterations()) * threads, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    stop = true;
    LThread::Yield(); // they end and are deleted
}
BENCHMARK(BM_YieldRoundTrip)->Arg(1)->Arg(100);

void BM_CpuWhileTenThreadsSleepInDelay(benchmark::State& state)
{
    LApplication app;
    app.AddAttachment(new CYieldAttachment(-1));
    for (auto _ : state) {
        int live = 0;
        for (int i = 0; i < 10; ++i)
            (new Sleeper(live))->Resume();
        const double cpuBefore = ProcessCpuSeconds();
        while (live > 0)
            app.ProcessNextEvent();
        state.counters["cpu_ms"] = (ProcessCpuSeconds() - cpuBefore) * 1000.0;
    }
}
BENCHMARK(BM_CpuWhileTenThreadsSleepInDelay)->Iterations(1)->Unit(benchmark::kSecond);
} // namespace
