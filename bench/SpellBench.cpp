// Spell-checking figure: walking a text of 50,000 words, one in twenty misspelled, from one
// misspelled word to the next with the spell-checking module built beside the program.
#include "CFBundle.h"
#include "SpellingBridge.h"

#include <benchmark/benchmark.h>

#include <QStringList>

namespace {

QString MakeText()
{
    const QStringList words = {"the", "mailing", "reaches", "every", "reader", "with", "a", "tset", "message",
                               "today", "and", "some", "more", "words", "follow", "here", "after", "this", "one",
                               "now"};
    QString text;
    for (int word = 0; word < 50000; ++word)
        text += words[word % words.size()] + (word % 12 == 11 ? QStringLiteral(".\n") : QStringLiteral(" "));
    return text;
}

void SpellCheckFiftyThousandWords(benchmark::State& state)
{
    CFBundle::SetPrivateFrameworksPath(QStringLiteral(BREVANTO_BIN_DIR));
    if (!IsSpellCheckingAvailable()) {
        state.SkipWithError("SpellCheck.so is not built");
        return;
    }
    const QString text = MakeText();
    int found = 0;
    for (auto _ : state) {
        found = 0;
        SInt32 start = 0;
        for (;;) {
            const SpellCheckRange range = SpellCheckString(text, start, QString(), false, 0);
            if (range.length == 0)
                break;
            ++found;
            start = range.location + range.length;
        }
    }
    state.counters["misspelled"] = found;
}
BENCHMARK(SpellCheckFiftyThousandWords)->Unit(benchmark::kMillisecond);

} // namespace
