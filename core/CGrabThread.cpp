#include "CGrabThread.h"

#include "CDownloadThread.h"
#include "CURL.h"

namespace {

const char* OrNull(const CString256& text)
{
    return text.Length() > 0 ? text.text : nullptr;
}

} // namespace

CGrabThread::CGrabThread(CURL* url, const char* userAgent, const char* userName, const char* password,
                         SInt32 mode)
    : mUserAgent(userAgent)
    , mUserName(userName)
    , mPassword(password)
    , mURL(url)
    , mMode(mode)
{
    mURL->loaded = false;
    mURL->statusCode = 0;
    mURL->AddListener(this);
}

void* CGrabThread::Run()
{
    mDownload = new CDownloadThread(mURL->GetURLText().c_str(), kIdleTimeoutSeconds, mMode, OrNull(mUserAgent),
                                    OrNull(mUserName), OrNull(mPassword));
    mDownload->AddListener(this);
    mDownload->Resume();
    WaitForDownload();
    return nullptr;
}

void CGrabThread::WaitForDownload()
{
    while (mDownload)
        CheckStop();
}

void CGrabThread::ListenToMessage(MessageT message, void* param)
{
    switch (message) {
    case 'PHdr': {
        const auto* info = static_cast<const CDownloadInfo*>(param);
        mURL->headerText = info->headerText;
        mURL->statusLine.Assign(info->statusLine.text);
        mURL->statusCode = info->statusCode;
        break;
    }
    case 'Cmpl':
        mURL->loaded = true;
        if (mDownload) {
            mURL->data.ResetBuffer();
            mURL->data.ConcatenateBuffer(mDownload->data);
            mURL->headerText = mDownload->responseHeader;
        }
        mDownload = nullptr;
        break;
    case 'DAbt':
        mURL->loaded = false;
        mDownload = nullptr;
        break;
    case 'SKIP':
        RequestStop();
        break;
    default:
        break;
    }
}
