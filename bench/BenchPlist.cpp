// Property-list write and read of a mailing document holding 10,000 imported recipients, each a
// dictionary of First, Last and Email, kept as strings (arg 0) or as data (arg 1). Figures in ms.
#include "CFPropertyList.h"
#include "CFPropertyListReader.h"
#include "CFPropertyListWriter.h"

#include <benchmark/benchmark.h>

namespace {

CFPropertyList RecipientDocument(bool asData)
{
    CFPropertyList::Array recipients;
    recipients.reserve(10000);
    for (int i = 0; i < 10000; ++i) {
        const QString first = QStringLiteral("Zoë%1").arg(i);
        const QString last = QStringLiteral("García-Øster %1").arg(i * 7);
        const QString email = QStringLiteral("recipient.%1@example.com").arg(i);
        CFPropertyList::Dictionary person;
        person.insert(QStringLiteral("First"), asData ? CFPropertyList(first.toUtf8()) : CFPropertyList(first));
        person.insert(QStringLiteral("Last"), asData ? CFPropertyList(last.toUtf8()) : CFPropertyList(last));
        person.insert(QStringLiteral("Email"), asData ? CFPropertyList(email.toUtf8()) : CFPropertyList(email));
        recipients.append(person);
    }
    CFPropertyList::Dictionary document;
    document.insert(QStringLiteral("Recipients"), recipients);
    document.insert(QStringLiteral("Subject"), QStringLiteral("Spring newsletter"));
    return document;
}

void BM_PlistWriteRecipients(benchmark::State& state)
{
    const CFPropertyList document = RecipientDocument(state.range(0) != 0);
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QByteArray written = CFPropertyListWriter::Write(document);
        bytes = written.size();
        benchmark::DoNotOptimize(written.constData());
    }
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_PlistWriteRecipients)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_PlistReadRecipients(benchmark::State& state)
{
    const QByteArray written = CFPropertyListWriter::Write(RecipientDocument(state.range(0) != 0));
    for (auto _ : state) {
        const CFPropertyList document = CFPropertyListReader::Read(written);
        if (document.Value(QStringLiteral("Recipients")).Count() != 10000)
            state.SkipWithError("the document did not read back");
        benchmark::DoNotOptimize(document);
    }
}
BENCHMARK(BM_PlistReadRecipients)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
