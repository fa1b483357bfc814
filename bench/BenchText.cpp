// Growable text figures: appending a large body piece by piece (the growth policy copies the
// whole text on every step), and replacing every occurrence of a merge tag in a large body.
#include "CText.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

void CTextAppend50MBIn1KBPieces(benchmark::State& state)
{
    const std::string piece(1023, 'x');  // 1 KB with its NUL
    const int64_t pieces = 50 * 1024;
    for (auto _ : state) {
        CText text;
        for (int64_t i = 0; i < pieces; ++i)
            text.Append(piece.c_str());
        benchmark::DoNotOptimize(text.buffer);
    }
    state.SetBytesProcessed(state.iterations() * pieces * int64_t(piece.size()));
}
BENCHMARK(CTextAppend50MBIn1KBPieces)->Unit(benchmark::kMillisecond)->Iterations(2);

void CTextReplaceAllOn10MB(benchmark::State& state)
{
    // A line of about 100 bytes holding one tag, repeated to 10 MB.
    const std::string line = "Dear {{name}}, this is the line of a long personalised body text.\r\n";
    std::string body;
    while (body.size() < 10 * 1024 * 1024)
        body += line;
    const CText original(body.c_str());
    for (auto _ : state) {
        state.PauseTiming();
        CText text(original);
        state.ResumeTiming();
        text.ReplaceAll("{{name}}", "Ada Lovelace");
        benchmark::DoNotOptimize(text.buffer);
    }
}
BENCHMARK(CTextReplaceAllOn10MB)->Unit(benchmark::kMillisecond);

}  // namespace
