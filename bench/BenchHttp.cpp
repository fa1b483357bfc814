// HTTP figures against the loopback test peer: MB/s of a 64 MB GET through the waiting and the
// owner forms of the request, and requests per second for 1 KB bodies.
#include "CHTTPRequest.h"
#include "MemoryBlocks.h"

#include "../tests/peers/HttpPeer.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

constexpr long kLargeBody = 64L * 1024 * 1024;

HttpPeer& Peer()
{
    static HttpPeer peer;
    return peer;
}

class CountingOwner : public CHTTPRequestOwner {
public:
    void PostMessage(SInt32, const void*, SInt32) override { ++posts; }
    std::atomic<long> posts {0};
};

void BM_HttpGetWaiting(benchmark::State& state)
{
    const std::string url = Peer().URL("/large?size=" + std::to_string(kLargeBody));
    for (auto _ : state) {
        CHTTPRequest request(30, true);
        request.Get(url.c_str(), "Brevanto", "", "");
        Ptr data = request.GetData();
        benchmark::DoNotOptimize(data);
        DisposePtr(data);
    }
    state.SetBytesProcessed(state.iterations() * kLargeBody);
}
BENCHMARK(BM_HttpGetWaiting)->Name("http_get/waiting_64MB")->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_HttpGetOwner(benchmark::State& state)
{
    const std::string url = Peer().URL("/large?size=" + std::to_string(kLargeBody));
    for (auto _ : state) {
        CountingOwner owner;
        CHTTPRequest request(&owner, 30, false);
        request.Get(url.c_str(), "Brevanto", "", "");
        while (!request.IsThreadEnded())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        benchmark::DoNotOptimize(owner.posts.load());
    }
    state.SetBytesProcessed(state.iterations() * kLargeBody);
}
BENCHMARK(BM_HttpGetOwner)->Name("http_get/asynchronous_64MB")->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_HttpSmallBodies(benchmark::State& state)
{
    const std::string url = Peer().URL("/body?size=1024");
    for (auto _ : state) {
        CHTTPRequest request(10, true);
        request.Get(url.c_str(), "Brevanto", "", "");
        Ptr data = request.GetData();
        benchmark::DoNotOptimize(data);
        DisposePtr(data);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HttpSmallBodies)->Name("http_get/requests_1KB")->UseRealTime();

} // namespace
