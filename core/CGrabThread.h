// CGrabThread: fetches a CURL's resource through a CDownloadThread and keeps the results in
// the CURL: the header text, status line and code when the header arrives, and on 'Cmpl' the
// data and raw header with loaded set; 'DAbt' leaves loaded clear. Its own run waits, yielding,
// until the download has ended; a stop request (or the message 'SKIP') ends the wait.
// The CURL must outlive the grab thread. GUI thread (cooperative).
#pragma once

#include "CString256.h"
#include "CThread.h"
#include "LListener.h"
#include "MacTypes.h"

class CDownloadThread;
class CURL;

class CGrabThread : public CThread, public LListener {
public:
    static constexpr UInt32 kIdleTimeoutSeconds = 60;

    CGrabThread(CURL* url, const char* userAgent, const char* userName, const char* password, SInt32 mode);

    void* Run() override;
    void ListenToMessage(MessageT message, void* param) override;
    // Yields until the download thread has ended.
    void WaitForDownload();

private:
    CString256 mUserAgent;
    CString256 mUserName;
    CString256 mPassword;
    CURL* mURL;
    SInt32 mMode;
    CDownloadThread* mDownload = nullptr;
};
