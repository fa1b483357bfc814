#include "CHTTPRequest.h"

#include "CString256.h"
#include "CText.h"
#include "HttpClient.h"
#include "LMainContext.h"
#include "LThread.h"
#include "MemoryBlocks.h"
#include "WebEnvironment.h"

#include <cerrno>
#include <system_error>

namespace {

constexpr SInt32 kFetchTimeoutSeconds = 10;

bool OnCooperativeThread()
{
    return LMainContext::OnGuiThread() && !LThread::InMainContext();
}

} // namespace

CHTTPRequest::CHTTPRequest(SInt32 timeoutSeconds, Boolean wait)
    : CHTTPRequest(nullptr, timeoutSeconds, wait)
{
}

CHTTPRequest::CHTTPRequest(CHTTPRequestOwner* owner, SInt32 timeoutSeconds, Boolean wait)
    : mTimeout(timeoutSeconds)
    , mWait(wait)
    , mOwner(owner)
{
}

CHTTPRequest::~CHTTPRequest()
{
    mCancel = true;
    if (mThread.joinable())
        mThread.join();
}

int CHTTPRequest::Get(const char* url, const char* userAgent, const char* userName, const char* password)
{
    return Start(url, userAgent, userName, password, "GET");
}

int CHTTPRequest::Head(const char* url, const char* userAgent, const char* userName, const char* password)
{
    return Start(url, userAgent, userName, password, "HEAD");
}

int CHTTPRequest::Start(const char* url, const char* userAgent, const char* userName,
                        const char* password, const char* method)
{
    if (mThread.joinable() || mDone)
        return EBUSY; // a request serves one start
    if (!url) {
        mDone = true;
        mThreadEnded = true;
        return 0;
    }
    mURL = url;
    mUserAgent = userAgent ? userAgent : "";
    mUserName = userName ? userName : "";
    mPassword = password ? password : "";
    mMethod = method ? method : "GET";
    mCancel = false;
    try {
        mThread = std::thread(&CHTTPRequest::RunRequest, this);
    } catch (const std::system_error& error) {
        mDone = true;
        mThreadEnded = true;
        return error.code().value() ? error.code().value() : EAGAIN;
    }
    if (mWait)
        WaitForThread();
    return 0;
}

void CHTTPRequest::WaitForThread()
{
    if (OnCooperativeThread()) {
        while (!mThreadEnded)
            LThread::Yield();
    }
    mThread.join();
}

void CHTTPRequest::RunRequest()
{
    if (!HttpClient::IsSupportedURL(mURL)) {
        mDone = true;
        mThreadEnded = true;
        return;
    }
    HttpRequestOptions options;
    options.url = mURL;
    options.head = mMethod == "HEAD";
    options.userAgent = mUserAgent;
    options.userName = mUserName;
    options.password = mPassword;
    options.connectTimeoutSeconds = mTimeout;
    options.idleTimeoutSeconds = mTimeout;
    options.maxBodyBytes = kMaxBodyBytes;
    const HttpResult result = HttpClient::Perform(
        options,
        [this](const char* bytes, size_t count) {
            AppendData(bytes, SInt32(count));
            PostProgress(SInt32(count));
            return true;
        },
        [this] { return mCancel.load(); });
    Finish(result.succeeded && !mCancel, result.header, result.errorText, result.effectiveURL);
    mThreadEnded = true;
}

void CHTTPRequest::Finish(bool succeeded, const HttpResponseHeader& header, const std::string& errorText,
                          const std::string& effectiveURL)
{
    {
        std::lock_guard guard(mLock);
        mResponse = header;
        mErrorText = errorText;
        mEffectiveURL = effectiveURL;
    }
    mSucceeded = succeeded;
    PostProgress(kFinishedValue);
    mDone = true;
}

void CHTTPRequest::AppendData(const void* bytes, SInt32 length)
{
    std::lock_guard guard(mLock);
    mData.Append(bytes, length);
}

void CHTTPRequest::PostProgress(SInt32 value)
{
    if (mOwner)
        mOwner->PostMessage(kProgressMessage, &value, sizeof value);
}

std::string CHTTPRequest::GetEffectiveURL()
{
    std::lock_guard guard(mLock);
    return mEffectiveURL;
}

Ptr CHTTPRequest::GetData()
{
    if (!mSucceeded)
        return nullptr;
    std::lock_guard guard(mLock);
    if (mData.GetLength() == 0)
        return nullptr;
    return mData.CopyToNewPtr();
}

QByteArray CHTTPRequest::TakeBody()
{
    if (!mSucceeded)
        return {};
    std::lock_guard guard(mLock);
    return mData.TakeBytes();
}

SInt32 CHTTPRequest::GetDataLength()
{
    std::lock_guard guard(mLock);
    return mData.GetLength();
}

SInt32 CHTTPRequest::GetStatusCode()
{
    std::lock_guard guard(mLock);
    return mResponse.StatusCode();
}

std::string CHTTPRequest::GetStatusLine()
{
    std::lock_guard guard(mLock);
    return mResponse.StatusLine();
}

std::string CHTTPRequest::GetHeaderBlock()
{
    std::lock_guard guard(mLock);
    return mResponse.Block();
}

std::optional<std::string> CHTTPRequest::GetHeaderField(const char* name)
{
    std::lock_guard guard(mLock);
    return mResponse.Field(name ? name : "");
}

std::string CHTTPRequest::GetErrorText()
{
    std::lock_guard guard(mLock);
    return mErrorText;
}

void FetchURL(const CString256& url, CText& text)
{
    text.Clear();
    if (!HttpClient::IsSupportedURL(url.text))
        return;
    CHTTPRequest request(kFetchTimeoutSeconds, true);
    const std::string userAgent = WebEnvironment::UserAgent();
    request.Get(url.text, userAgent.c_str(), "", "");
    const QByteArray body = request.TakeBody();
    text.AppendBytes(body.constData(), long(body.size()));
}
