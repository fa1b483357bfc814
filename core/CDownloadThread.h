// CDownloadThread: downloads one URL into memory on a cooperative thread and tells its
// listeners every step as broadcasts: status texts ('Mesg'), start ('Init'), the parsed
// response header ('PHdr', a CDownloadInfo), the resource name ('Chng'), data arrival ('Avai',
// 'Prog' with a CDownloadProgress), elapsed time ('Time'), errors ('NErr'), abort ('Abrt'),
// pause ('Paus'/'Rsme') and the end: 'Cmpl' for a finished download, 'DAbt' for one that was
// aborted, timed out, failed or could not start. Listeners send 'Paus' (toggle) and 'Cncl'.
//
// The transfer is stepped (HttpTransfer), one step per pass, yielding between passes; redirects
// are not followed (mode 1 stops after the header). Only one download runs at a time: a new
// thread waits until the previous one has been destroyed. The idle time counts seconds without
// data, paused time included.
// GUI thread (cooperative). What can fail: shown by the broadcasts above.
#pragma once

#include "CDownloadInfo.h"
#include "CLDynamicBuffer.h"
#include "CString256.h"
#include "CText.h"
#include "CThread.h"
#include "HttpTransfer.h"
#include "LBroadcaster.h"
#include "LListener.h"
#include "MacTypes.h"

#include <string>

// Payload of 'Prog' and 'Avai'.
struct CDownloadProgress {
    UInt32 bytesSoFar = 0;
    UInt32 expectedSize = 0; // 0 when unknown
    Str255 resourceName = {};
};

class CDownloadThread : public CThread, public LListener, public LBroadcaster {
public:
    // Events of the transfer, delivered through ListenToMessage like the commands.
    enum : MessageT {
        kInitiatedEvent = 1,
        kResourceFoundEvent = 4,
        kDownloadingEvent = 5,
        kErrorOccurredEvent = 7,
        kAbortInitiatedEvent = 8,
        kCompletedEvent = 9,
        kDataAvailableEvent = 21,
        kPercentEvent = 30,
        kPeriodicEvent = 31,
    };
    static constexpr SInt32 kHeaderOnlyMode = 1;

    // `userAgent` null: the environment's. Null or empty credentials: none.
    CDownloadThread(const char* url, UInt32 idleTimeoutSeconds, SInt32 mode, const char* userAgent,
                    const char* userName, const char* password);
    ~CDownloadThread() override;

    void* Run() override;
    void ListenToMessage(MessageT message, void* param) override;

    void Abort();
    void Idle();
    void ReadAvailableData();
    void ParseHeader();
    void SetBasicAuthorization();

    // True while a download thread exists (between its start and its destruction).
    static bool IsDownloadRunning();

    CText responseHeader;
    CDownloadInfo headerInfo;
    UInt32 idleTimeout;
    UInt32 idleSeconds = 0;
    UInt32 lastTick = 0;
    UInt32 previousTick = 0;
    CLDynamicBuffer data;
    SInt32 mode;
    CString256 userName;
    CString256 password;
    CText userAgent;
    Boolean paused = false;
    Boolean aborting = false;
    Boolean abortCompleted = false;
    Boolean completed = false;
    SInt32 expectedSize = 0;
    OSType creator = 0;
    OSType fileType = 0;
    Str255 resourceName = {};
    UInt32 bytesReceived = 0;

private:
    void BroadcastText(const char* text);
    void BroadcastProgress(MessageT message, UInt32 bytesSoFar);
    void Step();
    void OnDataAvailable();
    void ReportError();
    void BroadcastTime(UInt32 startSeconds);

    std::string mURL;
    std::string mRequestHeader; // "Accept: */*", or the Authorization line that replaces it
    HttpTransfer mTransfer;
    bool mOwnsDownloadFlag = false;
    bool mFailed = false;
    bool mFoundAnnounced = false;
    bool mDownloadingAnnounced = false;
    bool mAvailableAnnounced = false;
    bool mAbortAnnounced = false;
};
