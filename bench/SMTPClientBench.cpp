// The framework's SMTP client against Postfix's smtp-sink on loopback: personalised messages
// (own To name and address, subject, plain and HTML text with the name, optionally a 50 KB
// base64 attachment) sent over one connection, and in batches of 25 per connection. Figures
// only: messages per second. Skipped when smtp-sink is not installed.
#include "../tests/peers/SmtpSinkPeer.h"

#include "LMailEnvelope.h"
#include "LMainContext.h"
#include "LSMTPConnection.h"
#include "LThread.h"

#include <benchmark/benchmark.h>

#include <QByteArray>

#include <exception>
#include <functional>
#include <memory>

namespace {

QByteArray Attachment()
{
    QByteArray bytes(50 * 1024, '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 31 + i / 251);
    QByteArray encoded = bytes.toBase64();
    QByteArray folded;
    for (qsizetype at = 0; at < encoded.size(); at += 76)
        folded += encoded.mid(at, 76) + "\r\n";
    return folded;
}

LMailEnvelope PersonalisedMail(int inNumber, bool inAttachment)
{
    static const QByteArray attachment = Attachment();
    const QByteArray name = "Recipient " + QByteArray::number(inNumber);
    const QByteArray address = "r" + QByteArray::number(inNumber) + "@example.org";
    QByteArray source = "From: Sender <sender@example.org>\r\nTo: " + name + " <" + address + ">\r\n"
        "Subject: Offer for " + name + "\r\nMIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n"
        "--b1\r\nContent-Type: multipart/alternative; boundary=\"b2\"\r\n\r\n"
        "--b2\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: base64\r\n\r\n"
        + ("Dear " + name + ",\nhere is your offer.\n").toBase64() + "\r\n"
        "--b2\r\nContent-Type: text/html; charset=utf-8\r\nContent-Transfer-Encoding: base64\r\n\r\n"
        + ("<p>Dear " + name + ",</p><p>here is your offer.</p>").toBase64() + "\r\n--b2--\r\n";
    if (inAttachment)
        source += "--b1\r\nContent-Type: application/octet-stream; name=\"a.bin\"\r\n"
                  "Content-Transfer-Encoding: base64\r\n\r\n" + attachment;
    source += "--b1--\r\n";
    return LMailEnvelope("sender@example.org", {address}, source, "Offer for " + QString::fromLatin1(name));
}

// Runs inBody on a cooperative thread until it ends.
void RunOnThread(const std::function<void()>& inBody)
{
    class Body : public LThread {
    public:
        Body(const std::function<void()>& inBody, bool& outDone) : mBody(inBody), mDone(outDone) {}
        void* Run() override
        {
            try {
                mBody();
            } catch (const std::exception&) {
            }
            mDone = true;
            return nullptr;
        }

    private:
        const std::function<void()>& mBody;
        bool& mDone;
    };
    bool done = false;
    (new Body(inBody, done))->Resume();
    LThread::WaitUntil([&] { return done; }, kNoDeadline);
}

void SendAll(benchmark::State& state, qsizetype inBatch)
{
    LMainContext::Get();
    SmtpSinkPeer sink({}, false);
    if (!sink.IsRunning()) {
        state.SkipWithError("smtp-sink did not start");
        return;
    }
    const int count = int(state.range(0));
    const bool attachment = state.range(1) != 0;
    std::vector<LMailEnvelope> mails;
    for (int i = 0; i < count; ++i)
        mails.push_back(PersonalisedMail(i, attachment));
    for (auto _ : state) {
        RunOnThread([&] {
            for (qsizetype first = 0; first < count; first += inBatch) {
                LOutgoingMailList list;
                for (qsizetype i = first; i < std::min<qsizetype>(count, first + inBatch); ++i)
                    list.push_back(&mails[size_t(i)]);
                LSMTPConnection connection;
                connection.SetServer("127.0.0.1", UInt16(sink.Port()));
                connection.SendMessages(&list);
            }
        });
    }
    state.SetItemsProcessed(state.iterations() * count);
}

void BM_SMTPClientOneConnection(benchmark::State& state) { SendAll(state, state.range(0)); }
void BM_SMTPClientBatchesOf25(benchmark::State& state) { SendAll(state, 25); }

} // namespace

BENCHMARK(BM_SMTPClientOneConnection)->Args({1000, 0})->Args({1000, 1})->Args({10000, 0})->Args({10000, 1})->Args({100000, 0})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SMTPClientBatchesOf25)->Args({1000, 0})->Args({1000, 1})->Args({10000, 0})->Args({10000, 1})->Args({100000, 0})->Unit(benchmark::kMillisecond)->UseRealTime();
