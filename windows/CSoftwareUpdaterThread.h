// CSoftwareUpdaterThread: downloads an update's archive into the download folder. A cooperative
// thread that owns the HTTP request (on an OS thread of its own, which posts byte counts into
// this thread's locked queue), shows a progress window with Cancel and, at the end, the result
// window. The archive is written under its URL's last path component, only when that is one
// safe name, through a temporary file renamed over an older one when complete; a body shorter
// than the size the server announced is not saved. A stop (quit) ends it without a result
// window. The scheduler deletes it after it ends. GUI thread (the queue: any thread).
#pragma once

#include "CHTTPRequest.h"
#include "CThread.h"

#include <QString>

#include <memory>
#include <mutex>
#include <vector>

class CDownloadUpdateWindow;

class CSoftwareUpdaterThread : public CThread, public CHTTPRequestOwner {
public:
    explicit CSoftwareUpdaterThread(const QString& inURL, SInt32 inIdleSeconds = 60);
    ~CSoftwareUpdaterThread() override;

    void* Run() override;
    // The request's thread: queues a copy of the message.
    void PostMessage(SInt32 inMessage, const void* inBytes, SInt32 inLength) override;
    // Applies the queued byte counts to the counters and the progress bar.
    void DrainMessages();
    void Cancel() { mCancelled = true; }

    qint64 Received() const { return mReceived; }
    qint64 Expected() const { return mExpected; }
    void SetExpected(qint64 inBytes) { mExpected = inBytes; }
    // The bar's value for the counts: 0-100.
    static int Percent(qint64 inReceived, qint64 inExpected);
    // The safe file name of a download URL, or empty.
    static QString SafeFileName(const QString& inURL);

private:
    struct Message {
        SInt32 code;
        std::vector<char> bytes;
    };

    bool Save(const QByteArray& inBody, QString& outPath);

    QString mURL;
    SInt32 mIdleSeconds;
    std::mutex mQueueLock;
    std::vector<Message> mQueue;
    qint64 mReceived = 0;
    qint64 mExpected = 0;
    bool mCancelled = false;
    std::unique_ptr<CDownloadUpdateWindow> mProgress;
};
