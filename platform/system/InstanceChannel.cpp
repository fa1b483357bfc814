#include "InstanceChannel.h"

#include "ProgramRequests.h"
#include "RunOnMainContext.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr char kAcknowledgement[] = "OK";
constexpr auto kConnectRetry = std::chrono::milliseconds(50);

// The folder exists (made 0700 when missing), is a real directory, is the user's and private.
bool IsPrivateFolder(const QString& inPath)
{
    const QByteArray path = QFile::encodeName(inPath);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}

using Clock = std::chrono::steady_clock;

// A request's frame: its payload's size (4 bytes) and the sender's deadline (8 bytes,
// milliseconds of the system's monotonic clock, which every process of the machine shares),
// both big-endian, then the payload.
constexpr int kFrameHeaderBytes = 12;
// A request this close to its deadline is dropped: the sender would give up before the
// acknowledgement reached it, and report a failure for a request that was carried out.
constexpr std::chrono::milliseconds kAnswerMargin{500};

QByteArray Frame(const QByteArray& inPayload, Clock::time_point inDeadline)
{
    const quint64 deadline =
        quint64(std::chrono::duration_cast<std::chrono::milliseconds>(inDeadline.time_since_epoch()).count());
    QByteArray frame(kFrameHeaderBytes, '\0');
    const quint32 size = quint32(inPayload.size());
    for (int i = 0; i < 4; ++i)
        frame[i] = char((size >> (24 - 8 * i)) & 0xFF);
    for (int i = 0; i < 8; ++i)
        frame[4 + i] = char((deadline >> (56 - 8 * i)) & 0xFF);
    return frame + inPayload;
}

quint32 FrameSize(const QByteArray& inHeader)
{
    quint32 size = 0;
    for (int i = 0; i < 4; ++i)
        size = (size << 8) | quint8(inHeader[i]);
    return size;
}

Clock::time_point FrameDeadline(const QByteArray& inHeader)
{
    quint64 deadline = 0;
    for (int i = 4; i < kFrameHeaderBytes; ++i)
        deadline = (deadline << 8) | quint8(inHeader[i]);
    return Clock::time_point(std::chrono::milliseconds(qint64(std::min<quint64>(deadline, quint64(INT64_MAX) / 1000000))));
}

int MillisecondsLeft(Clock::time_point inDeadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(inDeadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

// Waits for inEvents on the descriptor until the deadline; false on time-out or error.
bool WaitFor(int inDescriptor, short inEvents, Clock::time_point inDeadline)
{
    for (;;) {
        pollfd entry{inDescriptor, inEvents, 0};
        const int ready = ::poll(&entry, 1, MillisecondsLeft(inDeadline));
        if (ready > 0)
            return (entry.revents & inEvents) != 0 || (entry.revents & POLLHUP) != 0;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

int ConnectBefore(const QString& inSocketPath, Clock::time_point inDeadline)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(inSocketPath);
    if (size_t(path.size()) >= sizeof(address.sun_path))
        return -1;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    for (;;) {
        const int descriptor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (descriptor < 0)
            return -1;
        if (::connect(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0)
            return descriptor;
        ::close(descriptor);
        // The instance may hold the lock before it listens: try again until the deadline.
        if (Clock::now() + kConnectRetry >= inDeadline)
            return -1;
        std::this_thread::sleep_for(kConnectRetry);
    }
}

bool WriteAll(int inDescriptor, const QByteArray& inBytes, Clock::time_point inDeadline)
{
    qsizetype done = 0;
    while (done < inBytes.size()) {
        if (!WaitFor(inDescriptor, POLLOUT, inDeadline))
            return false;
        const ssize_t wrote = ::send(inDescriptor, inBytes.constData() + done, size_t(inBytes.size() - done), MSG_NOSIGNAL);
        if (wrote < 0 && errno != EINTR && errno != EAGAIN)
            return false;
        done += wrote > 0 ? wrote : 0;
    }
    return true;
}

bool ReadAcknowledgement(int inDescriptor, Clock::time_point inDeadline)
{
    QByteArray answer;
    const qsizetype wanted = qsizetype(sizeof(kAcknowledgement) - 1);
    while (answer.size() < wanted) {
        if (!WaitFor(inDescriptor, POLLIN, inDeadline))
            return false;
        char buffer[8];
        const ssize_t got = ::recv(inDescriptor, buffer, size_t(wanted - answer.size()), 0);
        if (got == 0)
            return false;
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return false;
        }
        answer.append(buffer, got);
    }
    return answer == kAcknowledgement;
}

} // namespace

InstanceChannel::InstanceChannel(const QString& inFolder)
    : mFolder(inFolder.isEmpty() ? DefaultFolder() : inFolder)
{
}

InstanceChannel::~InstanceChannel()
{
    if (mServer) {
        mServer->close(); // removes the socket file
        delete mServer;
    }
    if (mLockDescriptor >= 0)
        ::close(mLockDescriptor); // releases the lock
}

QString InstanceChannel::DefaultFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.startsWith(u'/')) {
        const QString folder = runtime + QStringLiteral("/brevanto");
        if (IsPrivateFolder(folder))
            return folder;
    }
    const QString folder = QDir::tempPath() + QStringLiteral("/brevanto-%1").arg(::getuid());
    return IsPrivateFolder(folder) ? folder : QString();
}

QString InstanceChannel::SocketPath(const QString& inFolder) { return inFolder + QStringLiteral("/instance"); }

QString InstanceChannel::LockPath(const QString& inFolder) { return inFolder + QStringLiteral("/instance.lock"); }

InstanceChannel::Role InstanceChannel::Open()
{
    const Role role = Claim();
    if (role == Role::First && !Listen())
        return Role::Unavailable;
    return role;
}

InstanceChannel::Role InstanceChannel::Claim()
{
    if (mLockDescriptor >= 0)
        return Role::First;
    if (mFolder.isEmpty() || !IsPrivateFolder(mFolder))
        return Role::Unavailable;
    const QByteArray lockPath = QFile::encodeName(LockPath(mFolder));
    const int descriptor = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (descriptor < 0)
        return Role::Unavailable;
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        const bool taken = errno == EWOULDBLOCK;
        ::close(descriptor);
        return taken ? Role::Second : Role::Unavailable;
    }
    mLockDescriptor = descriptor;
    return Role::First;
}

bool InstanceChannel::Listen()
{
    if (mServer)
        return true;
    if (mLockDescriptor < 0)
        return false;
    // Holding the lock, any socket in the folder was left by an instance that is gone.
    QLocalServer::removeServer(SocketPath(mFolder));
    mServer = new QLocalServer;
    mServer->setSocketOptions(QLocalServer::UserAccessOption);
    if (!mServer->listen(SocketPath(mFolder))) {
        delete mServer;
        mServer = nullptr;
        ::close(mLockDescriptor);
        mLockDescriptor = -1;
        return false;
    }
    connect(mServer, &QLocalServer::newConnection, this, &InstanceChannel::AcceptConnections);
    return true;
}

void InstanceChannel::AcceptConnections()
{
    while (QLocalSocket* socket = mServer->nextPendingConnection()) {
        socket->setReadBufferSize(kMaxRequestBytes + 4);
        QPointer<QLocalSocket> guarded(socket);
        QTimer::singleShot(mReadTimeout, socket, [guarded] {
            if (guarded)
                guarded->abort();
        });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadRequest(socket); });
        if (socket->bytesAvailable() > 0)
            ReadRequest(socket);
    }
}

void InstanceChannel::ReadRequest(QLocalSocket* inSocket)
{
    if (inSocket->property("answered").toBool())
        return;
    if (inSocket->bytesAvailable() < kFrameHeaderBytes)
        return;
    const QByteArray header = inSocket->peek(kFrameHeaderBytes);
    const quint32 size = FrameSize(header);
    if (size == 0 || size > kMaxRequestBytes) {
        inSocket->abort();
        return;
    }
    if (inSocket->bytesAvailable() < qint64(size) + kFrameHeaderBytes)
        return;
    inSocket->read(kFrameHeaderBytes);
    // The sender has given up on (or is about to give up on) a request read this late: it
    // reported a failure, so the request is not carried out.
    if (Clock::now() + kAnswerMargin > FrameDeadline(header)) {
        inSocket->abort();
        return;
    }
    const auto decoded = ProgramRequests::Decode(inSocket->read(size));
    std::vector<AppleEvent> accepted;
    for (const AppleEvent& event : decoded.value_or(std::vector<AppleEvent>{})) {
        if (auto checked = ProgramRequests::Accept(event))
            accepted.push_back(std::move(*checked));
    }
    if (accepted.empty()) {
        inSocket->abort();
        return;
    }
    inSocket->setProperty("answered", true);
    Deliver(accepted);
    inSocket->write(kAcknowledgement, qint64(sizeof(kAcknowledgement) - 1));
    inSocket->flush();
    inSocket->disconnectFromServer();
}

void InstanceChannel::Deliver(const std::vector<AppleEvent>& inEvents)
{
    QPointer<InstanceChannel> channel(this);
    for (const AppleEvent& event : inEvents) {
        RunOnMainContext([channel, event] {
            if (channel && channel->mReceiver)
                channel->mReceiver(event);
        });
    }
}

bool InstanceChannel::Send(const QString& inFolder, const std::vector<AppleEvent>& inEvents,
                           std::chrono::milliseconds inTimeout, QString* outError)
{
    const auto fail = [outError](const QString& inMessage) {
        if (outError)
            *outError = inMessage;
        return false;
    };
    const QByteArray payload = ProgramRequests::Encode(inEvents);
    if (inFolder.isEmpty())
        return fail(QStringLiteral("Brevanto has no private folder to reach its running instance."));
    if (payload.size() > kMaxRequestBytes)
        return fail(QStringLiteral("The request is too large to hand to the running Brevanto."));
    const Clock::time_point deadline = Clock::now() + inTimeout;
    const int descriptor = ConnectBefore(SocketPath(inFolder), deadline);
    if (descriptor < 0)
        return fail(QStringLiteral("Brevanto is running but could not be reached."));
    const bool answered = WriteAll(descriptor, Frame(payload, deadline), deadline) && ReadAcknowledgement(descriptor, deadline);
    ::close(descriptor);
    if (!answered) {
        return fail(QStringLiteral("Brevanto is running but did not answer within %1 seconds.")
                        .arg(double(inTimeout.count()) / 1000.0));
    }
    return true;
}
