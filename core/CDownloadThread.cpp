#include "CDownloadThread.h"

#include "DatesAndTimes.h"
#include "LException.h"
#include "WebEnvironment.h"

#include <QByteArray>
#include <QTime>
#include <QUrl>

#include <chrono>
#include <cstring>

namespace {

bool gDownloadRunning = false;

UInt32 NowSeconds()
{
    using namespace std::chrono;
    return UInt32(duration_cast<seconds>(steady_clock::now().time_since_epoch()).count());
}

void ToPascal(const std::string& text, Str255 out)
{
    const size_t length = std::min<size_t>(text.size(), 255);
    out[0] = static_cast<unsigned char>(length);
    std::memcpy(out + 1, text.data(), length);
}

std::string ResourceNameOf(const std::string& url)
{
    const QString path = QUrl(QString::fromStdString(url)).path(QUrl::FullyDecoded);
    return path.section('/', -1).toStdString();
}

} // namespace

CDownloadThread::CDownloadThread(const char* url, UInt32 idleTimeoutSeconds, SInt32 downloadMode,
                                 const char* agent, const char* user, const char* pass)
    : idleTimeout(idleTimeoutSeconds)
    , mode(downloadMode)
    , mURL(url ? url : "")
{
    userAgent.Assign(agent ? agent : WebEnvironment::UserAgent().c_str());
    userName.Assign(user ? user : "");
    password.Assign(pass ? pass : "");
}

CDownloadThread::~CDownloadThread()
{
    if (mOwnsDownloadFlag)
        gDownloadRunning = false;
}

bool CDownloadThread::IsDownloadRunning()
{
    return gDownloadRunning;
}

void CDownloadThread::BroadcastText(const char* text)
{
    Str255 message;
    ToPascal(text, message);
    BroadcastMessage('Mesg', message);
}

void CDownloadThread::BroadcastProgress(MessageT message, UInt32 bytesSoFar)
{
    CDownloadProgress progress;
    progress.bytesSoFar = bytesSoFar;
    progress.expectedSize = UInt32(std::max<SInt32>(0, expectedSize));
    std::memcpy(progress.resourceName, resourceName, sizeof progress.resourceName);
    BroadcastMessage(message, &progress);
}

void CDownloadThread::SetBasicAuthorization()
{
    if (userName.Length() == 0 || password.Length() == 0)
        return;
    const QByteArray pair = QByteArray(userName.text) + ":" + password.text;
    mRequestHeader = "Authorization: Basic " + pair.toBase64().toStdString();
}

void* CDownloadThread::Run()
{
    while (gDownloadRunning)
        CheckStop();
    gDownloadRunning = true;
    mOwnsDownloadFlag = true;

    HttpRequestOptions options;
    options.url = mURL;
    options.userAgent = userAgent.buffer ? userAgent.buffer : "";
    options.followRedirects = false;
    options.connectTimeoutSeconds = int(idleTimeout);
    mRequestHeader = "Accept: */*";
    SetBasicAuthorization();
    // Without the Accept line libcurl would add its own.
    options.headerLines = {mRequestHeader};
    if (mRequestHeader.rfind("Accept:", 0) != 0)
        options.headerLines.push_back("Accept:");
    ToPascal(ResourceNameOf(mURL), resourceName);

    if (!mTransfer.Start(options)) {
        BroadcastMessage('DAbt');
        return nullptr;
    }
    ListenToMessage(kInitiatedEvent, nullptr);

    const UInt32 start = NowSeconds();
    lastTick = start;
    idleSeconds = 0;
    try {
        while (!completed && !abortCompleted) {
            Idle();
            const UInt32 now = NowSeconds();
            BroadcastTime(start);
            previousTick = lastTick;
            idleSeconds += now - lastTick;
            lastTick = now;
            if (idleSeconds > idleTimeout) {
                Abort();
                break;
            }
        }
    } catch (const CThread::CStopException&) {
        Abort();
    } catch (const LException& error) {
        CString256 text("Error ");
        text.Append(error.GetErrorMessage().c_str());
        text.Append(" ( ");
        text.AppendNumber(error.GetErrorCode());
        text.Append(" ) occurred.");
        BroadcastText(text.text);
        Abort();
    }
    BroadcastMessage(aborting || mFailed ? 'DAbt' : 'Cmpl');
    return nullptr;
}

void CDownloadThread::BroadcastTime(UInt32 startSeconds)
{
    const QTime elapsed = QTime(0, 0).addSecs(int(NowSeconds() - startSeconds));
    Str255 text;
    ToPascal(TimeTextWithSeconds(elapsed).toStdString(), text);
    BroadcastMessage('Time', text);
}

void CDownloadThread::Abort()
{
    paused = false;
    abortCompleted = false;
    if (aborting)
        return;
    aborting = true;
    mTransfer.Abort();
    BroadcastMessage('Abrt');
}

void CDownloadThread::Idle()
{
    while (paused)
        CheckStop();
    CheckStop();
    Step();
}

// One step of the transfer, turned into the events the download reports.
void CDownloadThread::Step()
{
    const HttpTransfer::State state = mTransfer.Step();
    if (aborting && !mAbortAnnounced) {
        mAbortAnnounced = true;
        ListenToMessage(kAbortInitiatedEvent, nullptr);
    }
    const HttpResponseHeader& header = mTransfer.Header();
    if (!mFoundAnnounced && !header.IsEmpty()) {
        mFoundAnnounced = true;
        ListenToMessage(kResourceFoundEvent, nullptr);
    }
    if (!mDownloadingAnnounced && header.IsComplete()) {
        mDownloadingAnnounced = true;
        ListenToMessage(kDownloadingEvent, nullptr);
    }
    if (!aborting && !mAvailableAnnounced && header.IsComplete()) {
        mAvailableAnnounced = true;
        ListenToMessage(kDataAvailableEvent, nullptr);
    } else if (mAvailableAnnounced) {
        ListenToMessage(kPeriodicEvent, nullptr);
    }
    if (state != HttpTransfer::State::Finished)
        return;
    if (!aborting && !mTransfer.Succeeded())
        ListenToMessage(kErrorOccurredEvent, nullptr);
    ListenToMessage(kCompletedEvent, nullptr);
}

void CDownloadThread::ListenToMessage(MessageT message, void* param)
{
    switch (message) {
    case kInitiatedEvent:
        BroadcastText("Download initiated...");
        BroadcastMessage('Init');
        break;
    case kResourceFoundEvent:
        BroadcastText("Resource found...");
        break;
    case kDownloadingEvent:
        BroadcastText("Downloading data...");
        break;
    case kAbortInitiatedEvent:
        BroadcastText("Abort initiated...");
        break;
    case kErrorOccurredEvent:
        ReportError();
        break;
    case kCompletedEvent:
        if (aborting) {
            BroadcastText("Abort completed...");
            abortCompleted = true;
        } else {
            if (!mFailed)
                BroadcastText("Download completed...");
            completed = true;
        }
        break;
    case kDataAvailableEvent:
        OnDataAvailable();
        break;
    case kPercentEvent:
        if (param && static_cast<CDownloadProgress*>(param)->bytesSoFar != 0)
            BroadcastProgress('Prog', static_cast<CDownloadProgress*>(param)->bytesSoFar);
        break;
    case kPeriodicEvent: {
        const UInt32 before = bytesReceived;
        ReadAvailableData();
        if (bytesReceived != before) {
            CDownloadProgress progress;
            progress.bytesSoFar = bytesReceived;
            ListenToMessage(kPercentEvent, &progress);
        }
        break;
    }
    case 'Paus':
        paused = !paused;
        BroadcastMessage(paused ? 'Paus' : 'Rsme');
        break;
    case 'Cncl':
        Abort();
        break;
    default:
        break;
    }
}

void CDownloadThread::ReportError()
{
    mFailed = true;
    SInt32 error = -mTransfer.ErrorCode();
    CString256 text("An error occurred: ");
    text.AppendNumber(error);
    BroadcastText(text.text);
    BroadcastText(mTransfer.ErrorText().c_str());
    BroadcastMessage('NErr', &error);
}

void CDownloadThread::OnDataAvailable()
{
    BroadcastText("Data available...");
    responseHeader.Assign(mTransfer.Header().Block().c_str());
    if (responseHeader.length > 0) {
        ParseHeader();
        BroadcastMessage('PHdr', &headerInfo);
    }
    if (mode == kHeaderOnlyMode)
        Abort();
    const int64_t announced = mTransfer.ExpectedSize();
    expectedSize = announced > 0 ? SInt32(std::min<int64_t>(announced, 0x7FFFFFFF))
                                 : SInt32(std::atol(headerInfo.contentLength.text));
    fileType = headerInfo.contentType.StartsWithNoCase("text/") ? 'TEXT' : 0;
    creator = 0;
    data.SetFileType(fileType);
    data.SetFileCreator(creator);
    BroadcastMessage('Chng', resourceName);
    ReadAvailableData();
    BroadcastProgress('Avai', 0);
}

void CDownloadThread::ReadAvailableData()
{
    const std::string chunk = mTransfer.TakeBody();
    if (chunk.empty())
        return;
    data.ConcatenateBuffer(chunk.data(), SInt32(chunk.size()));
    bytesReceived += UInt32(chunk.size());
    CString256 text("Downloading data...( ");
    text.AppendNumber(long(bytesReceived));
    if (expectedSize > 0) {
        text.Append(" of ");
        text.AppendNumber(expectedSize);
    }
    text.Append(" bytes. )");
    BroadcastText(text.text);
    idleSeconds = 0;
}

void CDownloadThread::ParseHeader()
{
    headerInfo.Parse(responseHeader.buffer);
}
