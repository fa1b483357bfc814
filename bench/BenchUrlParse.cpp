// URL parsing figures: URLs parsed per second over a set of 10,000 varied URLs.
#include "CURL.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> MakeURLs()
{
    std::vector<std::string> urls;
    urls.reserve(10000);
    const char* hosts[] = {"example.com", "www.example.org:8080", "10.0.0.1", "a.b.c.d.example.net"};
    for (int i = 0; i < 10000; ++i) {
        std::string url = (i % 3 == 0 ? "https://" : "http://") + std::string(hosts[i % 4]) + "/";
        for (int depth = 0; depth < i % 5; ++depth)
            url += "folder" + std::to_string(depth) + "/";
        url += "page" + std::to_string(i) + (i % 2 ? ".html" : ".php");
        if (i % 4 == 1)
            url += "?id=" + std::to_string(i) + "&q=a+b";
        if (i % 7 == 3)
            url += "$p=" + std::to_string(i);
        if (i % 6 == 5)
            url += "#section" + std::to_string(i);
        urls.push_back(url);
    }
    return urls;
}

void BM_UrlParse(benchmark::State& state)
{
    static const std::vector<std::string> urls = MakeURLs();
    for (auto _ : state) {
        for (const std::string& text : urls) {
            CURL url(text.c_str());
            benchmark::DoNotOptimize(url.fileName.text[0]);
        }
    }
    state.SetItemsProcessed(state.iterations() * long(urls.size()));
}
BENCHMARK(BM_UrlParse)->Name("url_parse/10000_urls")->Unit(benchmark::kMillisecond);

} // namespace
