// HttpTransfer: one HTTP or HTTPS GET or HEAD driven step by step, for a cooperative thread
// that must never block: each Step does what the sockets allow at once and returns, and the
// caller yields between steps. Redirects are never followed (a redirect's header is the
// result). The header block is offered once it is complete; the body collects until the
// caller takes it. The caller watches idleness itself (BytesReceived tells it when data came).
// Stands in for the URL loading the download thread was written for; libcurl (multi handle)
// underneath, which this header never shows.
// One thread at a time (the thread that started it); what can fail: an unsupported scheme or
// a refused option (Start false), then anything on the wire (Succeeded false, ErrorText).
#pragma once

#include "HttpRequestOptions.h"
#include "HttpResponseHeader.h"

#include <cstdint>
#include <memory>
#include <string>

class HttpTransfer {
public:
    enum class State { Idle, Running, Finished };

    HttpTransfer();
    ~HttpTransfer();
    HttpTransfer(const HttpTransfer&) = delete;
    HttpTransfer& operator=(const HttpTransfer&) = delete;

    // Starts the request (redirects are never followed whatever `options` says). False, with
    // the state Finished and the error set, when it cannot start.
    bool Start(const HttpRequestOptions& options);
    // Moves the transfer on without waiting; returns the state afterwards.
    State Step();
    // Ends a running transfer without success ("aborted"); nothing happens once finished.
    void Abort();

    State GetState() const;
    // The final header block, complete once IsComplete() says so.
    const HttpResponseHeader& Header() const;
    // The body bytes received since the last call.
    std::string TakeBody();
    uint64_t BytesReceived() const;
    // The announced body length (Content-Length); -1 when unknown.
    int64_t ExpectedSize() const;

    bool Succeeded() const;
    int ErrorCode() const;
    const std::string& ErrorText() const;

private:
    struct Impl;
    std::unique_ptr<Impl> mImpl;
};
