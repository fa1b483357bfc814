#include "CSoftwareUpdaterThread.h"

#include "CEnvironment.h"
#include "DownloadFolder.h"
#include "MemoryBlocks.h"
#include "PreferenceGetters.h"
#include "UpdateWindows.h"
#include "WholeFileWrite.h"

#include <QUrl>

#include <algorithm>
#include <cstring>

namespace {
constexpr UInt32 kPassTicks = 2; // each pass of the wait sleeps this long, keeping no core busy

std::string UserAgent()
{
    CString256 agent;
    if (gEnvironment)
        gEnvironment->GetUserAgent(agent);
    else
        MakeDefaultAgentText("", agent);
    return agent.text;
}
} // namespace

CSoftwareUpdaterThread::CSoftwareUpdaterThread(const QString& inURL, SInt32 inIdleSeconds)
    : mURL(inURL)
    , mIdleSeconds(inIdleSeconds)
{
}

CSoftwareUpdaterThread::~CSoftwareUpdaterThread() = default;

void CSoftwareUpdaterThread::PostMessage(SInt32 inMessage, const void* inBytes, SInt32 inLength)
{
    Message message{inMessage, {}};
    if (inBytes && inLength > 0)
        message.bytes.assign(static_cast<const char*>(inBytes), static_cast<const char*>(inBytes) + inLength);
    std::lock_guard<std::mutex> lock(mQueueLock);
    mQueue.push_back(std::move(message));
}

void CSoftwareUpdaterThread::DrainMessages()
{
    std::vector<Message> messages;
    {
        std::lock_guard<std::mutex> lock(mQueueLock);
        messages.swap(mQueue);
    }
    for (const Message& message : messages) {
        SInt32 count = 0;
        if (message.code != CHTTPRequest::kProgressMessage || message.bytes.size() != sizeof(count))
            continue;
        std::memcpy(&count, message.bytes.data(), sizeof(count));
        if (count > 0) // the request's end mark is -1
            mReceived += count;
    }
    if (mExpected > 0 && mProgress)
        mProgress->SetValue(Percent(mReceived, mExpected));
}

int CSoftwareUpdaterThread::Percent(qint64 inReceived, qint64 inExpected)
{
    if (inExpected <= 0 || inReceived <= 0)
        return 0;
    return int(std::min<qint64>(100, inReceived / inExpected >= 1 ? 100 : inReceived * 100 / inExpected));
}

QString CSoftwareUpdaterThread::SafeFileName(const QString& inURL)
{
    const QUrl url(inURL);
    const QByteArray path = url.path(QUrl::FullyEncoded).toUtf8();
    const QByteArray encoded = path.mid(path.lastIndexOf('/') + 1);
    const QByteArray name = QByteArray::fromPercentEncoding(encoded);
    if (name.isEmpty() || name == "." || name == ".." || name.size() > 255)
        return QString();
    for (char byte : name) {
        const auto code = static_cast<unsigned char>(byte);
        if (code < 0x20 || code == 0x7F || byte == '/')
            return QString();
    }
    const QString text = QString::fromUtf8(name);
    return text.toUtf8() == name ? text : QString(); // invalid UTF-8 is no name either
}

bool CSoftwareUpdaterThread::Save(const QByteArray& inBody, QString& outPath)
{
    const QString name = SafeFileName(mURL);
    QString folder;
    if (name.isEmpty() || GetDownloadFolder(folder) != noErr)
        return false;
    outPath = folder + QLatin1Char('/') + name;
    return WriteWholeFileAtomically(outPath.toUtf8().toStdString(), inBody.constData(), size_t(inBody.size()),
                                    WholeFileMode::ReplaceAsNew) == noErr;
}

void* CSoftwareUpdaterThread::Run()
{
    mProgress = std::make_unique<CDownloadUpdateWindow>(this);
    const std::string url = mURL.toUtf8().toStdString();
    const std::string agent = UserAgent();
    bool succeeded = false;
    QString path;
    {
        // The size first, when the server tells it.
        CHTTPRequest head(mIdleSeconds, false);
        if (head.Head(url.c_str(), agent.c_str(), nullptr, nullptr) == 0) {
            while (!head.IsThreadEnded() && !mCancelled) {
                LThread::Delay(kPassTicks);
                CheckStop();
            }
            if (head.IsThreadEnded() && head.Succeeded()) {
                if (const auto length = head.GetHeaderField("Content-Length"))
                    mExpected = std::max<qint64>(0, std::atoll(length->c_str()));
            }
        }
    }
    if (mExpected > 0) {
        mProgress->SetDeterminate(true);
        mProgress->SetRange(0, 100);
        mProgress->SetValue(0);
    }
    mReceived = 0;
    {
        // Lives in this scope: a stop unwinds through its destructor, which cancels the request
        // and waits for its thread before the queue goes.
        CHTTPRequest request(this, mIdleSeconds, false);
        if (!mCancelled && request.Get(url.c_str(), agent.c_str(), nullptr, nullptr) == 0) {
            while (!request.IsThreadEnded()) {
                DrainMessages();
                LThread::Delay(kPassTicks);
                CheckStop();
                if (mCancelled)
                    request.Cancel();
            }
        }
        DrainMessages();
        mProgress->SetValue(0);
        if (mExpected > 0)
            mProgress->SetDeterminate(false);
        if (!mCancelled && request.Succeeded()) {
            Ptr data = request.GetData();
            const QByteArray body = data ? QByteArray(data, request.GetDataLength()) : QByteArray();
            DisposePtr(data);
            // A body cut short is no archive: with a known size, only that size is saved.
            if (!body.isEmpty() && (mExpected == 0 || body.size() == mExpected))
                succeeded = Save(body, path);
        }
    }
    mProgress.reset();
    new CUpdateResultWindow(succeeded, mCancelled, succeeded ? path : QString());
    return nullptr;
}

void StartUpdateDownload(const QString& inURL)
{
    auto* thread = new CSoftwareUpdaterThread(inURL);
    thread->Resume();
}
