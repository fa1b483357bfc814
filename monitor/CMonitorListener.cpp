#include "CMonitorListener.h"

#include "ConnectionSocket.h"
#include "ListeningSocket.h"
#include "RunOnMainContext.h"

#include <QDateTime>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <pthread.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kThreadStack = 256 * 1024;
constexpr std::size_t kReadChunk = 4096;
constexpr std::int64_t kRefusalReportSpacingMs = 60'000;

std::int64_t NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Counts the listener's refused requests and says so on standard error at most once a minute,
// with the count only: a refused request's bytes are never logged. Any thread.
class MonitorRefusalReport {
public:
    void Count()
    {
        const std::uint64_t total = ++mRefused;
        const std::int64_t now = NowMs();
        std::int64_t last = mLastReport.load();
        if (last != 0 && now - last < kRefusalReportSpacingMs)
            return;
        if (!mLastReport.compare_exchange_strong(last, now))
            return;
        const std::uint64_t since = total - mReportedUpTo.exchange(total);
        std::fprintf(stderr, "The Message Monitor closed %llu request(s) it could not accept.\n",
                     static_cast<unsigned long long>(since));
    }

    std::uint64_t Total() const { return mRefused.load(); }

private:
    std::atomic<std::uint64_t> mRefused {0};
    std::atomic<std::int64_t> mLastReport {0}; // 0: nothing said yet
    std::atomic<std::uint64_t> mReportedUpTo {0};
};

} // namespace

// What the main thread and the connection threads share. Threads hold it by reference count, so
// it outlives a listener that went while they end.
struct CMonitorListener::Shared {
    struct Connection {
        std::shared_ptr<ConnectionSocket> socket;
        pthread_t thread {};
        bool started = false;
    };

    Setup setup;
    mutable std::mutex mutex;
    std::condition_variable threadEnded;
    // By serial number. An entry stays until its thread has been joined, so the entries bound
    // the threads that exist, ending ones included.
    std::map<std::uint64_t, Connection> connections;
    std::vector<std::uint64_t> finished; // threads that are ending, not yet joined
    std::uint64_t nextSerial = 0;
    int mostLive = 0;
    ListeningSocket* socket = nullptr; // main thread only; null once closed
    MonitorRefusalReport refusals;

    // Main thread: joins the ended threads, then accepts again below the cap.
    void Reap()
    {
        std::vector<pthread_t> ended;
        bool below;
        {
            std::lock_guard lock(mutex);
            for (std::uint64_t serial : finished) {
                auto entry = connections.find(serial);
                if (entry == connections.end())
                    continue;
                if (entry->second.started)
                    ended.push_back(entry->second.thread);
                connections.erase(entry);
            }
            finished.clear();
            below = int(connections.size()) < setup.limits.maxConnections;
        }
        for (pthread_t thread : ended)
            pthread_join(thread, nullptr);
        if (socket && below)
            socket->SetAccepting(true);
    }
};

namespace {

struct ConnectionJob {
    std::shared_ptr<CMonitorListener::Shared> shared;
    std::uint64_t serial;
    std::shared_ptr<ConnectionSocket> socket;
};

double SecondsSince1970() { return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0; }

// Reads one request within the limits and sends its reply; a refused or broken request gets
// none.
void Serve(const ConnectionJob& job)
{
    using Clock = ConnectionSocket::Clock;
    const auto& setup = job.shared->setup;
    const auto& limits = setup.limits;
    const Clock::time_point end = Clock::now() + limits.total;
    MonitorRequest request(limits.request);
    char buffer[kReadChunk];
    for (;;) {
        std::size_t count = 0;
        const auto deadline = std::min(end, Clock::now() + limits.idle);
        if (job.socket->ReadSome(buffer, sizeof buffer, count, deadline) != ConnectionSocket::Result::Data) {
            if (request.ReceivedBytes() > 0)
                job.shared->refusals.Count(); // cut off, timed out or broken before its end
            return;
        }
        const MonitorVerdict verdict = request.Append(std::string_view(buffer, count));
        if (verdict == MonitorVerdict::Refused) {
            job.shared->refusals.Count();
            return;
        }
        if (verdict == MonitorVerdict::Complete)
            break;
    }
    const MonitorReplyKind kind = request.Kind();
    const std::string* reply = setup.replies->ReplyFor(kind);
    if (!reply)
        return; // no image to send: closed at once, nothing recorded
    if (kind == MonitorReplyKind::Hit && setup.queue) {
        if (setup.queue->Push({DecodeMonitorHit(request.Text()), SecondsSince1970()}) && setup.hitQueued)
            setup.hitQueued();
    }
    if (job.socket->WriteAll(*reply, Clock::now() + limits.write))
        job.socket->CloseAfterReply();
}

void* RunConnection(void* argument)
{
    std::unique_ptr<ConnectionJob> job(static_cast<ConnectionJob*>(argument));
    Serve(*job);
    job->socket.reset();
    auto shared = job->shared;
    {
        std::lock_guard lock(shared->mutex);
        shared->connections[job->serial].socket.reset(); // the socket closes here, if not before
        shared->finished.push_back(job->serial);
        shared->threadEnded.notify_all();
    }
    RunOnMainContext([shared] { shared->Reap(); });
    return nullptr;
}

} // namespace

CMonitorListener::CMonitorListener(Setup setup) : mShared(std::make_shared<Shared>())
{
    mShared->setup = std::move(setup);
}

CMonitorListener::~CMonitorListener() { Close(); }

int CMonitorListener::Open(std::uint16_t port)
{
    Close();
    mSocket = std::make_unique<ListeningSocket>();
    const int error = mSocket->Listen(port, [this](int descriptor, const std::string&) { Accept(descriptor); });
    if (error) {
        return error;
    }
    mShared->socket = mSocket.get();
    return 0;
}

void CMonitorListener::Accept(int descriptor)
{
    auto socket = std::make_shared<ConnectionSocket>(descriptor);
    auto* job = new ConnectionJob {mShared, 0, socket};
    bool atCap;
    {
        std::lock_guard lock(mShared->mutex);
        job->serial = ++mShared->nextSerial;
        mShared->connections[job->serial].socket = socket;
        const int live = int(mShared->connections.size());
        mShared->mostLive = std::max(mShared->mostLive, live);
        atCap = live >= mShared->setup.limits.maxConnections;
    }
    if (atCap)
        mSocket->SetAccepting(false);

    const std::uint64_t serial = job->serial;
    pthread_attr_t attributes;
    pthread_t thread;
    bool started = false;
    {
        // Held while the thread starts, so its entry names the thread before the thread can end.
        std::lock_guard lock(mShared->mutex);
        if (pthread_attr_init(&attributes) == 0) {
            pthread_attr_setstacksize(&attributes, kThreadStack);
            started = pthread_create(&thread, &attributes, &RunConnection, job) == 0;
            pthread_attr_destroy(&attributes);
        }
        if (started) {
            mShared->connections[serial].thread = thread;
            mShared->connections[serial].started = true;
            return;
        }
        // No thread: the peer is closed at once and the record goes.
        mShared->connections.erase(serial);
    }
    delete job;
    socket.reset();
    mSocket->SetAccepting(true);
}

void CMonitorListener::Close()
{
    if (!mSocket)
        return;
    mSocket->Close();
    mShared->socket = nullptr;
    {
        std::unique_lock lock(mShared->mutex);
        for (auto& [serial, connection] : mShared->connections)
            if (connection.socket)
                connection.socket->Shutdown();
        mShared->threadEnded.wait(lock, [&] { return mShared->finished.size() >= mShared->connections.size(); });
    }
    mShared->Reap();
    mSocket.reset();
}

std::uint16_t CMonitorListener::Port() const { return mSocket ? mSocket->BoundPort() : 0; }

std::string CMonitorListener::ErrorText() const { return mSocket ? mSocket->ErrorText() : std::string(); }

int CMonitorListener::LiveConnections() const
{
    std::lock_guard lock(mShared->mutex);
    return int(mShared->connections.size());
}

std::uint64_t CMonitorListener::RefusedRequests() const { return mShared->refusals.Total(); }

int CMonitorListener::MostLiveConnections() const
{
    std::lock_guard lock(mShared->mutex);
    return mShared->mostLive;
}
