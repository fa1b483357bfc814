#include "LYieldingStream.h"

#include "LException.h"
#include "LThread.h"
#include "NetworkErrors.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// An Abort from another thread is seen within this time even while the socket stays silent.
constexpr auto kAbortCheckSlice = std::chrono::milliseconds(250);

// One asynchronous name lookup; getaddrinfo_a keeps pointers into it until it completes.
struct HostLookup {
    gaicb request{};
    addrinfo hints{};
    std::string host;
    std::string service;
};

struct AddressListDeleter {
    void operator()(addrinfo* list) const
    {
        if (list)
            freeaddrinfo(list);
    }
};
using AddressList = std::unique_ptr<addrinfo, AddressListDeleter>;

// A lookup that could not be cancelled still owns its buffers: a helper thread waits for it
// to end and frees them, so the caller can give up at its deadline.
void AbandonLookup(std::unique_ptr<HostLookup> lookup)
{
    if (gai_cancel(&lookup->request) == EAI_CANCELED)
        return;
    std::thread([pending = lookup.release()] {
        const gaicb* list[1] = {&pending->request};
        while (gai_error(&pending->request) == EAI_INPROGRESS)
            gai_suspend(list, 1, nullptr);
        AddressList(pending->request.ar_result);
        delete pending;
    }).detach();
}

QString NumericAddress(const sockaddr_storage& address, socklen_t length)
{
    char text[NI_MAXHOST] = {};
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&address), length, text, sizeof text, nullptr, 0,
                    NI_NUMERICHOST) != 0)
        return {};
    return QString::fromLatin1(text);
}

} // namespace

LYieldingStream::LYieldingStream() = default;

LYieldingStream::~LYieldingStream() { Close(); }

void LYieldingStream::Connect(const QString& inHost, UInt16 inPort, LDeadline inDeadline)
{
    Close();
    mAborted = false;

    auto lookup = std::make_unique<HostLookup>();
    lookup->host = inHost.toStdString();
    lookup->service = std::to_string(inPort);
    lookup->hints.ai_family = AF_UNSPEC;
    lookup->hints.ai_socktype = SOCK_STREAM;
    lookup->hints.ai_flags = AI_NUMERICSERV;
    lookup->request.ar_name = lookup->host.c_str();
    lookup->request.ar_service = lookup->service.c_str();
    lookup->request.ar_request = &lookup->hints;
    gaicb* requests[1] = {&lookup->request};
    if (getaddrinfo_a(GAI_NOWAIT, requests, 1, nullptr) != 0)
        Fail(err_NetDisconnectedAbortive, "cannot start looking up " + lookup->host);

    LThread::WaitUntil([&] { return mAborted || gai_error(&lookup->request) != EAI_INPROGRESS; }, inDeadline);
    const int lookupResult = gai_error(&lookup->request);
    if (lookupResult == EAI_INPROGRESS) {
        const std::string host = lookup->host;
        AbandonLookup(std::move(lookup));
        ThrowIfAborted();
        Fail(err_NetTimedOut, "looking up " + host + " timed out");
    }
    AddressList addresses(lookup->request.ar_result);
    ThrowIfAborted();
    if (lookupResult != 0)
        Fail(err_NetDisconnectedAbortive, "cannot find host " + lookup->host + ": " + gai_strerror(lookupResult));

    int lastError = EHOSTUNREACH;
    for (const addrinfo* address = addresses.get(); address; address = address->ai_next) {
        if (ConnectOne(*address, inDeadline, lastError) >= 0)
            return;
    }
    Fail(err_NetDisconnectedAbortive, "cannot connect to " + lookup->host + ": " + std::strerror(lastError));
}

// Connects one address; the socket or -1 with outError set. Deadlines and aborts raise.
int LYieldingStream::ConnectOne(const addrinfo& inAddress, LDeadline inDeadline, int& outError)
{
    const int fd = socket(inAddress.ai_family, inAddress.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                          inAddress.ai_protocol);
    if (fd < 0) {
        outError = errno;
        return -1;
    }
    mSocket = fd;
    if (connect(fd, inAddress.ai_addr, inAddress.ai_addrlen) != 0) {
        if (errno != EINPROGRESS) {
            outError = errno;
            Close();
            return -1;
        }
        WaitFor(true, inDeadline);
        int error = 0;
        socklen_t length = sizeof error;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
            error = errno;
        if (error != 0) {
            outError = error;
            Close();
            return -1;
        }
    }
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

QByteArray LYieldingStream::ReadLine(LDeadline inDeadline, size_t inMaxLength)
{
    ThrowIfAborted();
    if (!IsOpen())
        Fail(err_NetDisconnectedAbortive, "not connected");
    qsizetype scanned = 0;
    for (;;) {
        const qsizetype end = mBuffer.indexOf('\n', scanned);
        if (end >= 0) {
            if (size_t(end) + 1 > inMaxLength)
                Fail(err_NetDisconnectedAbortive, "line longer than " + std::to_string(inMaxLength) + " octets");
            QByteArray line = mBuffer.left(end);
            mBuffer.remove(0, end + 1);
            if (line.endsWith('\r'))
                line.chop(1);
            return line;
        }
        if (size_t(mBuffer.size()) >= inMaxLength)
            Fail(err_NetDisconnectedAbortive, "line longer than " + std::to_string(inMaxLength) + " octets");
        scanned = mBuffer.size();
        FillBuffer(inDeadline);
    }
}

void LYieldingStream::FillBuffer(LDeadline inDeadline)
{
    char chunk[16384];
    for (;;) {
        const ssize_t count = recv(mSocket, chunk, sizeof chunk, 0);
        if (count > 0) {
            mBuffer.append(chunk, count);
            return;
        }
        if (count == 0)
            Fail(err_NetDisconnected, "the server closed the connection");
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            Fail(err_NetDisconnectedAbortive, std::string("connection broken: ") + std::strerror(errno));
        WaitFor(false, inDeadline);
    }
}

void LYieldingStream::WriteAll(const QByteArray& inBytes, LDeadline inDeadline)
{
    ThrowIfAborted();
    if (!IsOpen())
        Fail(err_NetDisconnectedAbortive, "not connected");
    const char* next = inBytes.constData();
    size_t left = size_t(inBytes.size());
    while (left > 0) {
        const ssize_t count = send(mSocket, next, left, MSG_NOSIGNAL);
        if (count >= 0) {
            next += count;
            left -= size_t(count);
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno == EPIPE)
            Fail(err_NetDisconnected, "the server closed the connection");
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            Fail(err_NetDisconnectedAbortive, std::string("connection broken: ") + std::strerror(errno));
        WaitFor(true, inDeadline);
    }
}

// Waits until the socket is ready, in slices so that an Abort is seen while the peer is silent.
void LYieldingStream::WaitFor(bool inWritable, LDeadline inDeadline)
{
    const auto event = inWritable ? LThread::EDescriptorEvent::writable : LThread::EDescriptorEvent::readable;
    for (;;) {
        ThrowIfAborted();
        const LDeadline slice = std::min<LDeadline>(inDeadline, Clock::now() + kAbortCheckSlice);
        const auto result = LThread::WaitForDescriptor(mSocket, event, slice);
        ThrowIfAborted();
        if (result == LThread::EWaitResult::ready)
            return;
        if (Clock::now() >= inDeadline)
            Fail(err_NetTimedOut, "no answer from the server in time");
    }
}

void LYieldingStream::Close()
{
    if (mSocket >= 0)
        ::close(mSocket);
    mSocket = -1;
    mBuffer.clear();
}

void LYieldingStream::Abort()
{
    mAborted = true;
    if (mSocket >= 0)
        shutdown(mSocket, SHUT_RDWR);
}

void LYieldingStream::ThrowIfAborted()
{
    if (mAborted)
        Fail(err_NetAborted, "the connection was aborted");
}

void LYieldingStream::Fail(SInt32 inCode, const std::string& inMessage)
{
    Close();
    throw LException(inCode, inMessage);
}

QString LYieldingStream::LocalAddress() const
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (mSocket < 0 || getsockname(mSocket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return {};
    return NumericAddress(address, length);
}

QString LYieldingStream::PeerAddress() const
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (mSocket < 0 || getpeername(mSocket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return {};
    return NumericAddress(address, length);
}
