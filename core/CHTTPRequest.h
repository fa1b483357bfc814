// CHTTPRequest: one HTTP or HTTPS GET or HEAD whose body is collected in memory, run on an OS
// thread of its own (HttpClient underneath). Redirects are followed; Basic credentials go out
// on the first request when user name and password are both given; the time-out is the idle
// time (no byte for that long ends the request). A final status of 400 or more, a time-out, a
// cancel or any transport error ends it without success; the status stays readable.
//
// Waiting form (wait set): Get/Head return when the request has ended; meanwhile a cooperative
// thread keeps yielding, the main context blocks. Owner form (wait clear): Get/Head return at
// once; the request posts message 2 to its owner with each read's byte count and, once it
// ends, -1; the owner polls IsThreadEnded (IsDone is set on every path too) and may Cancel.
// Destroying a request cancels it and waits for its thread, so it is always safe.
//
// Threads: construct, start, read results and destroy on one thread (the GUI thread or a
// cooperative thread); Cancel, the flags and the owner's PostMessage cross threads safely.
// A request serves one start. What can fail: thread creation (Get/Head return its errno).
//
// The body is held in memory, so it has a limit (kMaxBodyBytes, counted after decoding: a
// small gzip body may inflate to gigabytes): a larger one ends the request without success and
// with a text saying so. Every caller wants a page, an image or a short answer.
#pragma once

#include "CMutableData.h"
#include "HttpResponseHeader.h"
#include "MacTypes.h"

#include <QByteArray>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

class CString256;
class CText;

// Receives a request's progress messages; PostMessage is called on the request's thread and
// must copy the bytes and queue them under its own lock.
class CHTTPRequestOwner {
public:
    virtual ~CHTTPRequestOwner() = default;
    virtual void PostMessage(SInt32 message, const void* bytes, SInt32 length) = 0;
};

class CHTTPRequest {
public:
    static constexpr SInt32 kProgressMessage = 2;
    static constexpr SInt32 kFinishedValue = -1;
    static constexpr uint64_t kMaxBodyBytes = uint64_t(128) << 20;

    CHTTPRequest(SInt32 timeoutSeconds, Boolean wait);
    CHTTPRequest(CHTTPRequestOwner* owner, SInt32 timeoutSeconds, Boolean wait);
    ~CHTTPRequest();
    CHTTPRequest(const CHTTPRequest&) = delete;
    CHTTPRequest& operator=(const CHTTPRequest&) = delete;

    // 0, or the error of starting (or joining) the thread. A null URL does nothing and ends
    // the request at once.
    int Get(const char* url, const char* userAgent, const char* userName, const char* password);
    int Head(const char* url, const char* userAgent, const char* userName, const char* password);
    int Start(const char* url, const char* userAgent, const char* userName, const char* password,
              const char* method);

    // Once succeeded: a copy of the body in a new block from NewPtr (the caller disposes it);
    // null when the body is empty or the request did not succeed.
    Ptr GetData();
    SInt32 GetDataLength();
    // Once succeeded: the body itself, handed over without a copy (the request keeps none);
    // empty when the request did not succeed.
    QByteArray TakeBody();

    void Cancel() { mCancel = true; }
    Boolean IsCancelled() const { return mCancel; }
    Boolean IsDone() const { return mDone; }
    Boolean IsThreadEnded() const { return mThreadEnded; }
    Boolean Succeeded() const { return mSucceeded; }

    // The final response, once done (empty before, or without a response).
    SInt32 GetStatusCode();
    std::string GetStatusLine();
    std::string GetHeaderBlock();
    std::optional<std::string> GetHeaderField(const char* name);
    std::string GetErrorText();
    // The address finally served, after redirects; empty before the end or without a response.
    std::string GetEffectiveURL();

    void AppendData(const void* bytes, SInt32 length);
    void PostProgress(SInt32 value);

private:
    void RunRequest();
    void Finish(bool succeeded, const HttpResponseHeader& header, const std::string& errorText,
                const std::string& effectiveURL = {});
    void WaitForThread();

    std::string mURL;
    std::string mUserAgent;
    std::string mUserName;
    std::string mPassword;
    std::string mMethod;
    SInt32 mTimeout;
    Boolean mWait;
    CHTTPRequestOwner* mOwner;

    std::atomic<bool> mDone {false};
    std::atomic<bool> mSucceeded {false};
    std::atomic<bool> mCancel {false};
    std::atomic<bool> mThreadEnded {false};

    std::mutex mLock; // guards the data and the response
    CMutableData mData;
    HttpResponseHeader mResponse;
    std::string mErrorText;
    std::string mEffectiveURL;
    std::thread mThread;
};

// Clears `text`; for an http:// or https:// URL (any case) appends the body of a waiting GET
// with a 10-second time-out and the environment's user agent, when it succeeded.
void FetchURL(const CString256& url, CText& text);
