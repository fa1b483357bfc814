// The secure road end to end: personalised messages (own To name and address, a subject and an
// HTML and a plain body with the name, "Encode QP" on, optionally one 50 KB attachment) built
// and delivered through Pantomime over implicit TLS to smtp-sink behind a TLS front, as single
// send jobs (one TLS connection each) and as batch jobs of 25 messages, and as single jobs over
// STARTTLS straight to an aiosmtpd peer. Figures only: messages built and delivered per second,
// failures and peak RSS as counters.
//
// scripts/bench-smtp.sh starts smtp-sink and the front and passes the front's port in
// BREVANTO_BENCH_TLS_PORT (and its CA in BREVANTO_BENCH_CA_FILE); without them each row starts
// its own. The STARTTLS row needs the script's aiosmtpd peer (BREVANTO_BENCH_STARTTLS_PORT).
// BREVANTO_BENCH_MESSAGES_OUT names a file that BM_WritePrebuiltMessages fills with the same
// messages built, for the Python smtplib rows. The rows' message counts are those of
// BENCH_COUNTS ("10000 100000" when it is not set).
#include "SecureSinkForRow.h"

#include "BuildSendJobMessage.h"
#include "CDeliveryWindow.h"
#include "CMailMessage.h"
#include "CSendJob.h"
#include "DeliveredRecipient.h"
#include "HeaderForms.h"
#include "LMainContext.h"
#include "LThread.h"
#include "Message.h"
#include "PreferenceGetters.h"
#include "Preferences.h"
#include "SecureMessenger.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>

namespace {

class BenchWindow : public CDeliveryWindow {
public:
    QString GetServerName() const override { return QStringLiteral("127.0.0.1"); }
    QString GetUserName() const override { return QStringLiteral("bench"); }
    QString GetPassword() const override { return QStringLiteral("bench"); }
    UInt16 GetServerPort() const override { return port; }
    SInt32 GetPopPeriod() const override { return 0; }
    // Automatic: no AUTH (smtp-sink answers AUTH with 250, which a client must refuse).
    SInt16 GetSecureMechanismValue() const override { return 1; }
    void SetSecureMechanismValue(SInt16) override {}
    SInt16 GetAuthenticationTypeValue() const override { return 0; }
    bool GetAcceptAnyCertificate() const override { return acceptAny; }
    QString GetMyEmail() const override { return QStringLiteral("sender@example.com"); }
    QString GetCharsetName() const override { return QStringLiteral("utf-8"); }
    SInt32 GetPriorityValue() const override { return 0; }
    void ExpandMergeTags(CText&) override {}
    QString GetRecipientFirstName(SInt32) const override { return QString(); }
    QString GetRecipientLastName(SInt32) const override { return QString(); }
    QString GetRecipientEmail(SInt32) const override { return QString(); }
    void ShowCurrentRecipient(const QString&, const QString&) override {}
    void UpdateProgress() override {}
    void RecordRecipientResult(UInt8 sent, SInt32) override { failures += sent ? 0 : 1; }
    void UpdateBatchRate() override {}
    void AutoSaveIfDue() override {}
    void WaitWhilePaused() override {}
    void RefreshDeliveredList(SInt32) override {}
    void SetStatusText(const QString&) override {}
    void ListenToMessage(MessageT, void*) override {}

    UInt16 port = 0;
    bool acceptAny = true;
    int failures = 0;
};

// "Message Retries" 0 for the row (a failure is counted, never waited on), put back after it.
class NoRetries {
public:
    NoRetries()
        : mSaved(GetPreference(CString256(kMessageRetriesKey)))
    {
        SetPreference("0", CString256(kMessageRetriesKey));
    }
    ~NoRetries() { SetPreference(mSaved ? mSaved.get() : nullptr, CString256(kMessageRetriesKey)); }

private:
    std::unique_ptr<char[]> mSaved;
};

// The 50 KB attachment file for the life of the object.
class AttachmentFile {
public:
    AttachmentFile()
    {
        QFile file(Path());
        file.open(QIODevice::WriteOnly);
        QRandomGenerator random(7);
        for (int i = 0; i < 50 * 1024; ++i)
            file.putChar(char(random.bounded(256)));
    }
    QString Path() const { return mFolder.path() + "/brochure.pdf"; }

private:
    QTemporaryDir mFolder;
};

// The mailing as the window assembles it before a send: sender, server and, when asked, the
// attachment, read and encoded once for every recipient.
Message MailingMessage(const QString& attachmentPath)
{
    Message message;
    message.from = MakeAddressHeaderForm(QStringLiteral("Brevanto Sales"), QStringLiteral("sender@example.com")).c_str();
    message.mailServer = "127.0.0.1";
    message.contentType = "text/html";
    if (!attachmentPath.isEmpty()) {
        message.attachmentDisposition = Message::kAttachment;
        message.AddAttachment(attachmentPath.toUtf8().constData());
    }
    return message;
}

// Recipient `index`'s message: the mailing's, refilled with that recipient's name, address,
// subject and bodies, as the send engine does for each job.
Message PersonalisedMessage(int index, const Message& mailing, CDeliveryWindow& window)
{
    Message message = mailing;
    const QString name = QStringLiteral("Customer N\u00FAmero %1").arg(index);
    message.to = MakeAddressHeaderForm(name, QStringLiteral("customer%1@example.org").arg(index)).c_str();
    message.recipientIndex = index;
    message.messageNumber = index;
    message.SetSubjectString(QStringLiteral("News for you, %1").arg(name));
    EncodeCFString(message, window, message.subject);
    const std::string utf8 = name.toStdString();
    message.body = ("<html><body><h1>Hello " + utf8 + "</h1><p>" + std::string(2000, 'x') + "</p></body></html>").c_str();
    message.plainText = ("Hello " + utf8 + "\n\n" + std::string(1500, 'y') + "\n").c_str();
    return message;
}

// Runs the body on a cooperative thread (the secure road needs one) until it ends.
void RunOnThread(const std::function<void()>& body)
{
    class Body : public LThread {
    public:
        Body(const std::function<void()>& body, bool& done) : mBody(body), mDone(done) {}
        void* Run() override
        {
            mBody();
            mDone = true;
            return nullptr;
        }

    private:
        const std::function<void()>& mBody;
        bool& mDone;
    };
    bool done = false;
    (new Body(body, done))->Resume();
    LThread::WaitUntil([&] { return done; }, kNoDeadline);
}

double PeakRSSKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss);
}

// Sends the row's messages as jobs of `perJob` messages (1: single jobs).
void SendSecurely(benchmark::State& state, int perJob, ESecureTLSMode mode = ESecureTLSMode::implicitTLS)
{
    LMainContext::Get();
    SecureSinkForRow server(mode);
    if (server.Port() == 0) {
        state.SkipWithError(mode == ESecureTLSMode::startTLS ? "BREVANTO_BENCH_STARTTLS_PORT is not set"
                                                             : "smtp-sink or the TLS front did not start");
        return;
    }
    NoRetries noRetries;
    const int count = int(state.range(0));
    std::unique_ptr<AttachmentFile> attachment = state.range(1) ? std::make_unique<AttachmentFile>() : nullptr;
    const Message mailing = MailingMessage(attachment ? attachment->Path() : QString());
    BenchWindow window;
    window.port = server.Port();
    window.acceptAny = !server.Verifies();
    int failures = 0;
    for (auto _ : state) {
        window.failures = 0;
        RunOnThread([&] {
            for (int first = 0; first < count; first += perJob) {
                if (perJob == 1) {
                    CSendJob job(PersonalisedMessage(first, mailing, window), window);
                    StartSendJob(job);
                    window.failures += job.success ? 0 : 1;
                    continue;
                }
                CList<Message> list;
                for (int i = first; i < std::min(count, first + perJob); ++i)
                    list.Append(PersonalisedMessage(i, mailing, window));
                CSendJob job(list, window);
                StartSendJob(job);
            }
        });
        failures += window.failures;
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.counters["failures"] = failures;
    state.counters["peak_rss_kb"] = PeakRSSKilobytes();
    // What each message adds for good: its delivery record in the window's list (the record and
    // the list node's two links).
    state.counters["record_bytes"] = double(sizeof(DeliveredRecipient) + 2 * sizeof(void*));
}

void BM_SecureRoadSingleJobs(benchmark::State& state) { SendSecurely(state, 1); }
void BM_SecureRoadBatchJobsOf25(benchmark::State& state) { SendSecurely(state, 25); }
void BM_SecureRoadStartTLSSingleJobs(benchmark::State& state) { SendSecurely(state, 1, ESecureTLSMode::startTLS); }

// Builds the row's messages once and writes them for the Python rows: per message a line
// "<sender> <recipient> <length>" and then exactly that many bytes of source.
void BM_WritePrebuiltMessages(benchmark::State& state)
{
    const char* path = std::getenv("BREVANTO_BENCH_MESSAGES_OUT");
    if (path == nullptr) {
        state.SkipWithError("BREVANTO_BENCH_MESSAGES_OUT is not set");
        return;
    }
    const int count = int(state.range(0));
    std::unique_ptr<AttachmentFile> attachment = state.range(1) ? std::make_unique<AttachmentFile>() : nullptr;
    const Message mailing = MailingMessage(attachment ? attachment->Path() : QString());
    BenchWindow window;
    for (auto _ : state) {
        QFile out(QString::fromLocal8Bit(path));
        if (!out.open(QIODevice::WriteOnly)) {
            state.SkipWithError("cannot write the messages file");
            return;
        }
        for (int i = 0; i < count; ++i) {
            const Message message = PersonalisedMessage(i, mailing, window);
            CMailMessage mail;
            BuildSendJobMessage(window, message, mail);
            const std::string source = mail.WriteSource();
            out.write(QByteArray::fromStdString("sender@example.com customer" + std::to_string(i) + "@example.org "
                                                + std::to_string(source.size()) + "\n"));
            out.write(source.data(), qint64(source.size()));
        }
    }
    state.SetItemsProcessed(state.iterations() * count);
}

// A row for each count of BENCH_COUNTS, without and with the attachment.
void SecureRoadRows(benchmark::internal::Benchmark* bench)
{
    const char* counts = std::getenv("BENCH_COUNTS");
    std::istringstream words(counts && *counts ? counts : "10000 100000");
    for (int64_t count = 0; words >> count;) {
        if (count > 0)
            bench->Args({count, 0})->Args({count, 1});
    }
}

} // namespace

// One iteration each.
#define SECURE_ROAD_ROWS(bench) \
    BENCHMARK(bench)->Apply(SecureRoadRows)->ArgNames({"messages", "attachment50KB"})->Iterations(1) \
        ->Unit(benchmark::kSecond)->UseRealTime()
SECURE_ROAD_ROWS(BM_SecureRoadSingleJobs);
SECURE_ROAD_ROWS(BM_SecureRoadBatchJobsOf25);
SECURE_ROAD_ROWS(BM_SecureRoadStartTLSSingleJobs);
SECURE_ROAD_ROWS(BM_WritePrebuiltMessages);
