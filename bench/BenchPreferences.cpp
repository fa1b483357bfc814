// SetPreference latency in a domain of 200 keys: every call re-checks the file, writes it whole
// to a temporary file, flushes it and renames it over. Median and 99th percentile in µs.
#include "Preferences.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

void BM_SetPreferenceIn200KeyDomain(benchmark::State& state)
{
    QTemporaryDir folder;
    const QByteArray savedHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", folder.path().toUtf8());
    for (int i = 0; i < 200; ++i)
        SetPreference(QByteArray::number(i * 31).constData(), CString256(QByteArray("Key ").append(QByteArray::number(i)).constData()));

    std::vector<double> latencies;
    int round = 0;
    for (auto _ : state) {
        const CString256 key(QByteArray("Key ").append(QByteArray::number(round % 200)).constData());
        const QByteArray value = QByteArray::number(round++);
        const auto start = std::chrono::steady_clock::now();
        const OSStatus status = SetPreference(value.constData(), key);
        const auto end = std::chrono::steady_clock::now();
        if (status != noErr)
            state.SkipWithError("SetPreference failed");
        latencies.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    std::sort(latencies.begin(), latencies.end());
    if (!latencies.empty()) {
        state.counters["median_us"] = latencies[latencies.size() / 2];
        state.counters["p99_us"] = latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)];
    }
    qputenv("XDG_CONFIG_HOME", savedHome);
}
BENCHMARK(BM_SetPreferenceIn200KeyDomain)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

} // namespace
