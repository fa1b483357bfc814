// Relinking figures: a 1 MB page holding 2,000 relative links made absolute against its
// address, and the same page given a base element instead.
#include "HTMLRewriting.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

const char kBase[] = "http://127.0.0.1:8080/site/sub/";

std::string MakePage()
{
    std::string page = "<html><head><title>Relink</title></head><body>\n";
    for (int link = 0; link < 2000; ++link) {
        page += "<p><a href=\"../pages/page" + std::to_string(link) + ".html\">page " + std::to_string(link) +
                "</a> <img src=\"img/picture" + std::to_string(link) + ".png\"> ";
        page += std::string(400, 'w') + "</p>\n";
    }
    while (page.size() < 1024 * 1024)
        page += "<p>" + std::string(200, 't') + "</p>\n";
    return page + "</body></html>\n";
}

void RelinkOneMegabytePage(benchmark::State& state)
{
    const CText page(MakePage().c_str());
    for (auto _ : state) {
        state.PauseTiming();
        CText text(page);
        state.ResumeTiming();
        RelinkDocument(text, kBase);
        benchmark::DoNotOptimize(text.buffer);
    }
}
BENCHMARK(RelinkOneMegabytePage)->Unit(benchmark::kMillisecond);

void BaseElementOneMegabytePage(benchmark::State& state)
{
    const CText page(MakePage().c_str());
    for (auto _ : state) {
        state.PauseTiming();
        CText text(page);
        state.ResumeTiming();
        InsertBaseElement(text, kBase);
        benchmark::DoNotOptimize(text.buffer);
    }
}
BENCHMARK(BaseElementOneMegabytePage)->Unit(benchmark::kMillisecond);

} // namespace
