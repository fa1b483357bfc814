// The encoders' throughput (MB/s of input): base64, quoted-printable, BinHex over memory and the
// form escape; header words per second; the link-token scan over 5 MB of HTML; and the
// environment's construction (it reads the system's MIME table and builds every map).
#include "CBinHexEncoder.h"
#include "CEnvironment.h"
#include "CQuotedPrintableEncoder.h"
#include "CharacterTables.h"
#include "HeaderWordEncoder.h"
#include "TextEncodings.h"

#include <benchmark/benchmark.h>

#include <QRandomGenerator>
#include <QTemporaryDir>

#include <string>

namespace {

std::string RandomBytes(size_t size)
{
    QRandomGenerator random(42);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

// Mostly ASCII prose with some accented letters and long lines, as message bodies are.
std::string Prose(size_t size)
{
    const std::string sentence = "Dear customer, our caf\xC3\xA9 opens on Monday = 50% off the men\xC3\xBC. ";
    std::string text;
    while (text.size() < size)
        text += sentence + (text.size() % 7 == 0 ? "\n" : "");
    return text.substr(0, size);
}

std::string Html(size_t size)
{
    const std::string block = "<p>See <a href=\"https://example.org/page.html\">the page</a> and "
                              "<img src=\"images/logo.gif\" width=10> or mail <a href=\"mailto:a@b.org\">us</a>.</p>\n";
    std::string html = "<html><body>\n";
    while (html.size() < size)
        html += block;
    return html + "</body></html>\n";
}

void SetBytes(benchmark::State& state, size_t perIteration)
{
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(perIteration));
}

void BM_Base64Encode(benchmark::State& state)
{
    const std::string input = RandomBytes(1 << 20);
    for (auto _ : state) {
        CText text;
        text.AppendBytes(input.data(), long(input.size()));
        Base64Encode(text);
        benchmark::DoNotOptimize(text.buffer);
    }
    SetBytes(state, input.size());
}
BENCHMARK(BM_Base64Encode)->Unit(benchmark::kMillisecond);

void BM_QuotedPrintableEncode(benchmark::State& state)
{
    const std::string input = Prose(1 << 20);
    for (auto _ : state) {
        CQuotedPrintableEncoder encoder(input.c_str());
        encoder.Encode();
        benchmark::DoNotOptimize(encoder.Output().data());
    }
    SetBytes(state, input.size());
}
BENCHMARK(BM_QuotedPrintableEncode)->Unit(benchmark::kMillisecond);

void BM_BinHexOverMemory(benchmark::State& state)
{
    CBinHexEncoder::MemorySource source;
    source.info.name = "Report.pdf";
    source.info.fileType = 'PDF ';
    source.dataFork = QByteArray::fromStdString(RandomBytes(1 << 20));
    source.resourceFork = QByteArray(4096, char(0x90));
    for (auto _ : state) {
        CBinHexEncoder encoder;
        encoder.Encode(source);
        benchmark::DoNotOptimize(encoder.buffer);
    }
    SetBytes(state, size_t(source.dataFork.size() + source.resourceFork.size()));
}
BENCHMARK(BM_BinHexOverMemory)->Unit(benchmark::kMillisecond);

void BM_EscapeFormChars(benchmark::State& state)
{
    const std::string input = Prose(1 << 20);
    for (auto _ : state) {
        CText text(input.c_str());
        EscapeFormChars(text);
        benchmark::DoNotOptimize(text.buffer);
    }
    SetBytes(state, input.size());
}
BENCHMARK(BM_EscapeFormChars)->Unit(benchmark::kMillisecond);

void BM_HeaderWords(benchmark::State& state)
{
    const std::string names[] = {"J\xC3\xBCrgen M\xC3\xBCller", "Smith, John", "\xE7\x8E\x8B\xE5\xB0\x8F\xE6\x98\x8E",
                                 "Quarterly report: 50% off = today only \xE2\x82\xAC"};
    size_t i = 0;
    for (auto _ : state) {
        const std::string& name = names[i++ % 4];
        benchmark::DoNotOptimize(CHeaderWordEncoder::Encode(name.data(), name.size()));
    }
    state.counters["words_per_s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_HeaderWords);

void BM_ExtractURLTokens5MB(benchmark::State& state)
{
    const CText html(Html(5 << 20).c_str());
    for (auto _ : state) {
        CList<CString256> tokens;
        ExtractURLTokens(html, tokens);
        benchmark::DoNotOptimize(tokens.Count());
    }
    SetBytes(state, size_t(html.length));
}
BENCHMARK(BM_ExtractURLTokens5MB)->Unit(benchmark::kMillisecond);

void BM_EnvironmentConstruction(benchmark::State& state)
{
    QTemporaryDir folder;
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", folder.path().toUtf8());
    for (auto _ : state) {
        CEnvironment environment;
        benchmark::DoNotOptimize(environment.extensionMap.Count());
    }
    qputenv("XDG_CONFIG_HOME", savedConfig);
}
BENCHMARK(BM_EnvironmentConstruction)->Unit(benchmark::kMillisecond);

}  // namespace
