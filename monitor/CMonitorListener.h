// CMonitorListener: the Message Monitor's HTTP server. The listening socket is served on the
// main thread's event loop; each accepted connection gets one OS thread (small stack) that reads
// one request within its limits, answers it byte for byte and ends. At most `maxConnections`
// threads live at once; at the cap accepting pauses, so further peers wait in the listen queue.
// A decoded hit goes to the hit queue, and the first one into an empty queue asks the main
// thread to drain it. Connection threads read no preference, environment or widget: all they
// need is fixed when the listener starts.
// The listener object belongs to the main thread; its destructor (or Close) shuts every live
// connection down and waits for its thread.
#pragma once

#include "MonitorHitQueue.h"
#include "MonitorProtocol.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class ListeningSocket;

struct MonitorServerLimits {
    MonitorLimits request;
    std::chrono::milliseconds idle {10'000};  // between received bytes
    std::chrono::milliseconds total {20'000}; // from accept to the request's end
    std::chrono::milliseconds write {10'000}; // for the reply
    int maxConnections = 64;
};

class CMonitorListener {
public:
    struct Setup {
        MonitorServerLimits limits;
        std::shared_ptr<const MonitorReplies> replies;
        MonitorHitQueue* queue = nullptr;
        // Called on a connection thread when a hit lands in an empty queue.
        std::function<void()> hitQueued;
    };

    explicit CMonitorListener(Setup setup);
    ~CMonitorListener();
    CMonitorListener(const CMonitorListener&) = delete;
    CMonitorListener& operator=(const CMonitorListener&) = delete;

    // 0 or an errno (ErrorText says why).
    int Open(std::uint16_t port);
    void Close();
    std::uint16_t Port() const;
    std::string ErrorText() const;

    // Live connections (accepted, thread not yet ended) and their high-water mark.
    int LiveConnections() const;
    int MostLiveConnections() const;
    // Requests refused since this listener opened (over a limit, or not this protocol); a
    // summary line goes to standard error at most once a minute.
    std::uint64_t RefusedRequests() const;

    struct Shared; // what the connection threads share with the listener

private:
    void Accept(int descriptor);

    std::shared_ptr<Shared> mShared;
    std::unique_ptr<ListeningSocket> mSocket;
};
