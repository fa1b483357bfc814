// A mailing document with 100,000 imported recipients and both flag arrays: the time to save it,
// to open and apply it, and one unsaved-changes comparison; the file's size; Python's plistlib
// loading the same file; and opening a document that carries one 100 MB data value. Offscreen,
// in the benchmarks' private folders.
#include "MailingBenchSupport.h"

#include "CFPropertyList.h"
#include "CFPropertyListWriter.h"
#include "PreferenceGetters.h"
#include "WholeFileWrite.h"

#include <benchmark/benchmark.h>

#include <QFileInfo>
#include <QProcess>

#include <string>

namespace {

constexpr int kRecipients = 100000;

// A file in the run's private folder; documents save their imported recipients.
QString PrivatePath(const QString& inName)
{
    const QString folder = MailingBench::UsePrivateFolders();
    SetPreference("true", CString256(kSaveImportedKey));
    return folder + QLatin1Char('/') + inName;
}

CBrevantoWindow* WindowWithRecipients()
{
    CBrevantoWindow* window = MailingBench::NewWindow();
    for (int index = 0; index < kRecipients; ++index) {
        const std::string number = std::to_string(index);
        window->mImported.Append(Person(("First" + number).c_str(), ("Last" + number).c_str(),
                                        ("person" + number + "@example.org").c_str()));
    }
    window->mImportSendFlags = std::vector<bool>(kRecipients, true);
    window->mABSendFlags = std::vector<bool>(kRecipients, false);
    return window;
}

void BM_DocumentSave(benchmark::State& ioState)
{
    ScriptedPresenter presenter;
    CBrevantoWindow* window = WindowWithRecipients();
    const QString path = PrivatePath("Saved.bvto");
    for (auto _ : ioState) {
        presenter.QueueSaveFile(path, true);
        benchmark::DoNotOptimize(window->SaveAs());
    }
    ioState.counters["file_MB"] = double(QFileInfo(path).size()) / 1e6;
    MailingBench::DeleteWindow(window);
}

void BM_DocumentOpenAndApply(benchmark::State& ioState)
{
    ScriptedPresenter presenter;
    CBrevantoWindow* source = WindowWithRecipients();
    const QString path = PrivatePath("Open.bvto");
    presenter.QueueSaveFile(path, false);
    source->SaveAs();
    MailingBench::DeleteWindow(source);
    for (auto _ : ioState) {
        CBrevantoWindow* window = CBrevantoWindow::OpenDocumentFile(path);
        ioState.PauseTiming();
        if (!window || window->mImported.Count() != kRecipients)
            ioState.SkipWithError("the document did not open whole");
        MailingBench::DeleteWindow(window);
        ioState.ResumeTiming();
    }
}

void BM_DocumentCompare(benchmark::State& ioState)
{
    ScriptedPresenter presenter;
    CBrevantoWindow* window = WindowWithRecipients();
    presenter.QueueSaveFile(PrivatePath("Compare.bvto"), false);
    window->SaveAs();
    for (auto _ : ioState)
        benchmark::DoNotOptimize(window->IsModified());
    MailingBench::DeleteWindow(window);
}

// Python's own reader on the file the program wrote (its time measured inside Python).
void BM_DocumentPlistlibLoad(benchmark::State& ioState)
{
    ScriptedPresenter presenter;
    CBrevantoWindow* window = WindowWithRecipients();
    const QString path = PrivatePath("Python.bvto");
    presenter.QueueSaveFile(path, false);
    window->SaveAs();
    MailingBench::DeleteWindow(window);
    double seconds = 0;
    for (auto _ : ioState) {
        QProcess python;
        python.start(BREVANTO_PYTHON, {"-c",
                                       "import plistlib, sys, time\n"
                                       "t = time.perf_counter()\n"
                                       "d = plistlib.load(open(sys.argv[1], 'rb'))\n"
                                       "assert len(d['ImportedRecipients']) == 768 * 100000\n"
                                       "print(time.perf_counter() - t)\n",
                                       path});
        if (!python.waitForFinished(120000) || python.exitCode() != 0) {
            ioState.SkipWithError("plistlib did not read the document");
            break;
        }
        seconds = python.readAllStandardOutput().trimmed().toDouble();
    }
    ioState.counters["plistlib_load_ms"] = seconds * 1000;
}

void BM_DocumentWithA100MBValueOpens(benchmark::State& ioState)
{
    LQtApplication::Instance();
    ScriptedPresenter presenter;
    const QString path = PrivatePath("Large.bvto");
    CFPropertyList::Dictionary document;
    document.insert("Subject", CFPropertyList("Large"));
    document.insert("Unknown", CFPropertyList(QByteArray(100 * 1000 * 1000, 'x')));
    const QByteArray bytes = CFPropertyListWriter::Write(CFPropertyList(document));
    WriteWholeFileAtomically(path.toStdString(), bytes.constData(), size_t(bytes.size()), WholeFileMode::CreateIfMissing);
    for (auto _ : ioState) {
        CBrevantoWindow* window = CBrevantoWindow::OpenDocumentFile(path);
        ioState.PauseTiming();
        if (!window)
            ioState.SkipWithError("the document did not open");
        MailingBench::DeleteWindow(window);
        ioState.ResumeTiming();
    }
    ioState.counters["file_MB"] = double(bytes.size()) / 1e6;
}

} // namespace

BENCHMARK(BM_DocumentSave)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DocumentOpenAndApply)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DocumentCompare)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_DocumentPlistlibLoad)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DocumentWithA100MBValueOpens)->Unit(benchmark::kMillisecond)->Iterations(2);
