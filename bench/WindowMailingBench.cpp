// A mailing sent from its window, end to end: recipients imported from a text file, the Send
// button pressed, and the application's own loop passes driving the send thread, as the
// program runs; the messages go over implicit TLS to smtp-sink behind a TLS front. Figures only:
//   BM_WindowMailing           messages/s with the throttle off, plain or with the tracking
//                              image and two attachments; the process's peak RSS; and the ms
//                              per recipient spent outside the SMTP conversation (everything
//                              between one conversation's end and the next one's start: the
//                              window's records, progress, flags, the next message's merge and
//                              build) over the first and the last 1,000 recipients
//   BM_WindowThrottleDelayCPU  the CPU seconds the process uses in one minute of a mailing
//                              waiting in a period-delay throttle
// scripts/bench-smtp.sh passes its front's port in BREVANTO_BENCH_TLS_PORT (and its CA in
// BREVANTO_BENCH_CA_FILE); without them the row starts its own. The recipient counts are those
// of BENCH_COUNTS ("1000 10000" when it is not set).
#include "MailingBenchSupport.h"
#include "SecureSinkForRow.h"

#include "CEnvironment.h"
#include "CLogFile.h"
#include "CYieldAttachment.h"
#include "CommandRouter.h"
#include "ControlValues.h"
#include "LApplication.h"
#include "LMainContext.h"
#include "MergeFieldValues.h"
#include "MessageMonitor.h"
#include "PreferenceGetters.h"
#include "SecureMessenger.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QRandomGenerator>

#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <vector>

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int kEdgeRecipients = 1000;

// The application's loop as the program runs it: each pass waits for events or due work,
// then the yield attachment gives the cooperative threads their round.
class BenchApplication : public LApplication {
public:
    BenchApplication() { AddAttachment(new CYieldAttachment(-1)); }

    // Passes until the condition holds; false when the deadline came first.
    bool RunUntil(const std::function<bool()>& inCondition, SteadyClock::duration inLimit)
    {
        const LDeadline deadline = SteadyClock::now() + inLimit;
        while (!inCondition()) {
            if (SteadyClock::now() >= deadline)
                return false;
            ProcessNextEvent();
        }
        return true;
    }
};

// What a run needs around its window: the environment with its log, the merge fields, the
// settings of a bench run (no retries, no sounds, the given throttle) and the loop.
class MailingWorld {
public:
    explicit MailingWorld(benchmark::State& ioState)
    {
        MailingBench::UsePrivateFolders();
        LMainContext::Get();
        InstallMergeFieldValues();
        mPresenter.SetFailureHandler([&ioState](const QString& inMessage) { ioState.SkipWithError(qPrintable(inMessage)); });
        mEnvironment.logFile = &mLog;
        mLog.Open(QString(MailingBench::UsePrivateFolders() + "/Brevanto.log").toUtf8().constData());
        gEnvironment = &mEnvironment;
        mApplication = std::make_unique<BenchApplication>();
        for (const auto& [key, value] : {std::pair{kMessageRetriesKey, "0"}, {kMessageRetriesIntervalKey, "0"},
                                         {"Play Error Sound", "false"}, {kThrottleTypeKey, "1"},
                                         {kThrottlePeriodDelayKey, "0"}})
            SetPreference(value, CString256(key));
    }
    ~MailingWorld()
    {
        mApplication.reset();
        mEnvironment.logFile = nullptr;
        gEnvironment = nullptr;
    }

    BenchApplication& Loop() { return *mApplication; }
    ScriptedPresenter& Presenter() { return mPresenter; }
    CEnvironment& Environment() { return mEnvironment; }

private:
    ScriptedPresenter mPresenter;
    CEnvironment mEnvironment;
    CLogFile mLog{mEnvironment.version, mEnvironment.dateStampLogEntries};
    std::unique_ptr<BenchApplication> mApplication;
};

// The mailing window, timing each recipient's SMTP conversation: it starts when the send thread
// reads the authentication type (the POP-before-SMTP check, after the message is built, right
// before connecting) and ends when the result is recorded. One address a recipient.
class TimedWindow : public CBrevantoWindow {
public:
    SInt16 GetAuthenticationTypeValue() const override
    {
        if (mRun.recipientIndex >= 0)
            mConversationStarts[size_t(mRun.recipientIndex)] = SteadyClock::now();
        return CBrevantoWindow::GetAuthenticationTypeValue();
    }

    void RecordRecipientResult(UInt8 inSent, SInt32 inIndex) override
    {
        if (inIndex >= 0 && size_t(inIndex) < mConversationEnds.size())
            mConversationEnds[size_t(inIndex)] = SteadyClock::now();
        CBrevantoWindow::RecordRecipientResult(inSent, inIndex);
    }

    void ExpectRecipients(int inCount)
    {
        mConversationStarts.assign(size_t(inCount), {});
        mConversationEnds.assign(size_t(inCount), {});
    }

    // Mean ms outside the conversation for recipients [inFirst, inEnd), inFirst >= 1: from the
    // end of the one before to the start of each.
    double OutsideMilliseconds(int inFirst, int inEnd) const
    {
        double total = 0;
        for (int i = inFirst; i < inEnd; ++i)
            total += std::chrono::duration<double, std::milli>(mConversationStarts[size_t(i)]
                                                               - mConversationEnds[size_t(i) - 1]).count();
        return inEnd > inFirst ? total / (inEnd - inFirst) : 0;
    }

    // Mean ms inside the conversation over all recipients.
    double ConversationMilliseconds() const
    {
        double total = 0;
        for (size_t i = 0; i < mConversationEnds.size(); ++i)
            total += std::chrono::duration<double, std::milli>(mConversationEnds[i] - mConversationStarts[i]).count();
        return mConversationEnds.empty() ? 0 : total / double(mConversationEnds.size());
    }

private:
    mutable std::vector<SteadyClock::time_point> mConversationStarts;
    std::vector<SteadyClock::time_point> mConversationEnds;
};

void WriteFile(const QString& inPath, const QByteArray& inBytes)
{
    QFile file(inPath);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(inBytes);
}

// The recipients file: first name, last name and address, tab-separated, one a line.
QString RecipientsFile(int inCount)
{
    const QString path = MailingBench::UsePrivateFolders() + QStringLiteral("/recipients-%1.txt").arg(inCount);
    QByteArray text;
    for (int i = 0; i < inCount; ++i)
        text += QStringLiteral("Zoë\tMüller%1\tr%1@example.org\n").arg(i).toUtf8();
    WriteFile(path, text);
    return path;
}

// The two attachments of the end-to-end tests: a 3 KB PDF and a 6 KB JPEG of random bytes.
QStringList AttachmentFiles()
{
    const QString folder = MailingBench::UsePrivateFolders();
    QRandomGenerator random(11);
    const auto bytes = [&random](QByteArray inStart, int inCount) {
        for (int i = 0; i < inCount; ++i)
            inStart += char(random.bounded(256));
        return inStart;
    };
    const QStringList paths = {folder + QStringLiteral("/Preisliste März.pdf"), folder + "/photo.jpg"};
    WriteFile(paths[0], bytes("%PDF-1.4\n", 3000));
    WriteFile(paths[1], bytes("\xff\xd8\xff\xe0", 6000));
    return paths;
}

// A window sending to the sink without AUTH (smtp-sink answers AUTH with 250, which the client
// must refuse): personalised subject, HTML body and plain alternative; the recipients imported.
TimedWindow* MakeWindow(BenchApplication& ioLoop, UInt16 inPort, int inCount, bool inAttachments)
{
    auto* window = new TimedWindow();
    const auto text = [window](ControlRole inRole, const QString& inText) { SetControlText(window->Control(inRole), inText); };
    text(ControlRole::ServerField, "127.0.0.1");
    text(ControlRole::PortField, QString::number(inPort));
    SetControl32BitValue(window->Control(ControlRole::SecureAuthenticationPopup), 1);
    window->mSenderTab = 2;
    window->SelectSenderTab(2);
    text(ControlRole::SenderNameField, "Sender Name");
    text(ControlRole::SenderEmailField, "sender@brevanto.test");
    text(ControlRole::SubjectField, "News for {ToNameFirst}");
    const QString body = MailingBench::UsePrivateFolders() + "/body.html";
    WriteFile(body, "<html><body><p>Dear {ToName},</p><p>this is for {ToAddress}.</p></body></html>\n");
    text(ControlRole::SourceField, body);
    const QString plain = QStringLiteral("Hello {ToNameFirst}, this is for {ToAddress}.\n");
    window->mEditorStoredText[0] = plain;
    text(ControlRole::PlainTextAlternativeTextPane, plain);
    if (inAttachments)
        window->AddAttachmentPaths(AttachmentFiles());
    window->mRecipientsTab = 2;
    window->StartFileImport(RecipientsFile(inCount), false, true);
    ioLoop.RunUntil([] { return gThreadList.Count() == 0; }, std::chrono::minutes(10));
    window->ExpectRecipients(inCount);
    return window;
}

// The tracking image needs the Message Monitor's address: a listener on a free port, named by
// a fixed address (no look-up leaves the machine).
class TrackingOn {
public:
    explicit TrackingOn(CEnvironment& ioEnvironment)
        : mEnvironment(ioEnvironment)
    {
        for (const auto& [key, value] : {std::pair{kMessageMonitorPortKey, "0"},
                                         {kMessageMonitorShouldUseExternalAddressKey, "true"},
                                         {kMessageMonitorIPAddressKey, "127.0.0.1"}, {kMessageMonitorUseDNSKey, "false"}})
            SetPreference(value, CString256(key));
        mEnvironment.monitorOn = StartMessageMonitor(24, true) == noErr ? 1 : 0;
    }
    ~TrackingOn()
    {
        StopMessageMonitor();
        mEnvironment.monitorOn = 0;
    }
    bool IsOn() const { return mEnvironment.monitorOn != 0 && !CopyMessageMonitorHostAndPort().isEmpty(); }

private:
    CEnvironment& mEnvironment;
};

// Presses Send (the network caution answered OK where it is asked).
void PressSend(MailingWorld& ioWorld, CBrevantoWindow* inWindow)
{
    ioWorld.Presenter().QueueAlert(kAlertStdAlertOKButton);
    CommandRouter::Get().SendControlCommand(inWindow->Control(ControlRole::SendButton), 'SEND');
}

// Deleted, not closed (nothing is written back), once its threads have ended.
void DeleteWindow(BenchApplication& ioLoop, CBrevantoWindow* inWindow)
{
    ioLoop.RunUntil([] { return gThreadList.Count() == 0; }, std::chrono::minutes(1));
    MailingBench::DeleteWindow(inWindow);
}

int SucceededCount(CBrevantoWindow* inWindow)
{
    int sent = 0;
    inWindow->deliveredList.Rewind();
    while (const DeliveredRecipient* record = inWindow->deliveredList.Next())
        sent += record->succeeded ? 1 : 0;
    return sent;
}

void BM_WindowMailing(benchmark::State& ioState)
{
    const int count = int(ioState.range(0));
    const bool extras = ioState.range(1) != 0;
    MailingWorld world(ioState);
    SecureSinkForRow sink(ESecureTLSMode::implicitTLS);
    if (sink.Port() == 0) {
        ioState.SkipWithError("smtp-sink or the TLS front did not start");
        return;
    }
    std::unique_ptr<TrackingOn> tracking = extras ? std::make_unique<TrackingOn>(world.Environment()) : nullptr;
    if (tracking && !tracking->IsOn()) {
        ioState.SkipWithError("the Message Monitor did not start");
        return;
    }
    int failures = 0;
    TimedWindow* window = nullptr;
    for (auto _ : ioState) {
        ioState.PauseTiming();
        window = MakeWindow(world.Loop(), sink.Port(), count, extras);
        ioState.ResumeTiming();
        PressSend(world, window);
        if (!window->IsSending() || !world.Loop().RunUntil([window] { return !window->IsSending(); }, std::chrono::hours(2)))
            ioState.SkipWithError("the mailing did not start or did not end");
        failures += count - SucceededCount(window);
    }
    ioState.SetItemsProcessed(ioState.iterations() * count);
    ioState.counters["failures"] = failures;
    ioState.counters["peak_rss_kb"] = MailingBench::PeakRSSMegabytes() * 1024.0;
    ioState.counters["conversation_ms"] = window->ConversationMilliseconds();
    if (count >= 2 * kEdgeRecipients) {
        ioState.counters["outside_ms_first1000"] = window->OutsideMilliseconds(1, kEdgeRecipients + 1);
        ioState.counters["outside_ms_last1000"] = window->OutsideMilliseconds(count - kEdgeRecipients, count);
    } else {
        ioState.counters["outside_ms_all"] = window->OutsideMilliseconds(1, count);
    }
    DeleteWindow(world.Loop(), window);
}

double CPUSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& inTime) { return double(inTime.tv_sec) + double(inTime.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Two recipients and a period delay of 120 s (the throttle's own default units): after the
// first message the mailing waits; the process's CPU time is read across one minute of it.
void BM_WindowThrottleDelayCPU(benchmark::State& ioState)
{
    MailingWorld world(ioState);
    SecureSinkForRow sink(ESecureTLSMode::implicitTLS);
    if (sink.Port() == 0) {
        ioState.SkipWithError("smtp-sink or the TLS front did not start");
        return;
    }
    SetPreference("12", CString256(kThrottlePeriodDelayKey));
    double used = 0;
    for (auto _ : ioState) {
        TimedWindow* window = MakeWindow(world.Loop(), sink.Port(), 2, false);
        PressSend(world, window);
        const auto delaying = [window] {
            return CopyControlTitleAsCFString(window->Control(ControlRole::ProgressStatusCaption)).startsWith("Status: Delaying ");
        };
        if (!world.Loop().RunUntil(delaying, std::chrono::minutes(1))) {
            ioState.SkipWithError("the mailing never reached its throttle delay");
            break;
        }
        const double before = CPUSeconds();
        world.Loop().RunUntil([] { return false; }, std::chrono::seconds(60));
        used = CPUSeconds() - before;
        if (!delaying())
            ioState.SkipWithError("the delay ended within the minute");
        CommandRouter::Get().SendControlCommand(window->Control(ControlRole::AbortButton), 'ABRT');
        world.Loop().RunUntil([window] { return !window->IsSending(); }, std::chrono::minutes(1));
        DeleteWindow(world.Loop(), window);
    }
    SetPreference("0", CString256(kThrottlePeriodDelayKey));
    ioState.counters["cpu_seconds_per_minute"] = used;
}

// A row for each count of BENCH_COUNTS, plain and with tracking and the two attachments.
void WindowMailingRows(benchmark::internal::Benchmark* inBench)
{
    const char* counts = std::getenv("BENCH_COUNTS");
    std::istringstream words(counts && *counts ? counts : "1000 10000");
    for (int64_t count = 0; words >> count;) {
        if (count > 0)
            inBench->Args({count, 0})->Args({count, 1});
    }
}

} // namespace

BENCHMARK(BM_WindowMailing)
    ->Apply(WindowMailingRows)
    ->ArgNames({"recipients", "trackingAndAttachments"})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK(BM_WindowThrottleDelayCPU)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
