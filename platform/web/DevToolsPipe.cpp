#include "DevToolsPipe.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

DevToolsPipe::DevToolsPipe(int commandFd, int eventFd, MessageHandler onMessage, CloseHandler onClose)
    : fCommandFd(commandFd), fEventFd(eventFd), fOnMessage(std::move(onMessage)), fOnClose(std::move(onClose))
{
    fNotifier = std::make_unique<QSocketNotifier>(fEventFd, QSocketNotifier::Read);
    QObject::connect(fNotifier.get(), &QSocketNotifier::activated, [this] { ReadAvailable(); });
}

DevToolsPipe::~DevToolsPipe()
{
    Shutdown();
}

void DevToolsPipe::Shutdown()
{
    if (fNotifier) {
        fNotifier->setEnabled(false);
        fNotifier.reset();
    }
    if (fCommandFd >= 0)
        close(fCommandFd);
    if (fEventFd >= 0)
        close(fEventFd);
    fCommandFd = fEventFd = -1;
}

namespace {

// A browser that dies leaves the command pipe without a reader. Writing then must fail with
// EPIPE, not raise SIGPIPE and end the whole process, whatever the process does with that signal:
// SIGPIPE is blocked on this thread while the guard lives, and one raised meanwhile is taken off
// the thread before the old mask comes back.
class BrokenPipeGuard {
public:
    BrokenPipeGuard()
    {
        sigemptyset(&fPipeOnly);
        sigaddset(&fPipeOnly, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &fPipeOnly, &fOldMask);
        sigset_t pending;
        sigpending(&pending);
        fWasPending = sigismember(&pending, SIGPIPE) == 1;
    }
    ~BrokenPipeGuard()
    {
        sigset_t pending;
        sigpending(&pending);
        if (!fWasPending && sigismember(&pending, SIGPIPE) == 1) {
            const timespec now {};
            while (sigtimedwait(&fPipeOnly, nullptr, &now) < 0 && errno == EINTR) { }
        }
        pthread_sigmask(SIG_SETMASK, &fOldMask, nullptr);
    }
    BrokenPipeGuard(const BrokenPipeGuard&) = delete;
    BrokenPipeGuard& operator=(const BrokenPipeGuard&) = delete;

private:
    sigset_t fPipeOnly {};
    sigset_t fOldMask {};
    bool fWasPending = false;
};

} // namespace

void DevToolsPipe::Fail(const QString& reason)
{
    if (!IsOpen())
        return;
    Shutdown();
    fCloseReason = reason;
    // Messages already read are delivered first; the close comes after them.
    Deliver();
}

bool DevToolsPipe::Send(const QJsonObject& message, QDeadlineTimer deadline)
{
    if (fCommandFd < 0)
        return false;
    QByteArray bytes = QJsonDocument(message).toJson(QJsonDocument::Compact);
    bytes.append('\0');
    qsizetype written = 0;
    const BrokenPipeGuard noSigpipe;
    while (written < bytes.size()) {
        const ssize_t n = write(fCommandFd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n > 0) {
            written += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            Fail(QStringLiteral("Browser pipe write failed: %1").arg(QString::fromLocal8Bit(strerror(errno))));
            return false;
        }
        pollfd ready { fCommandFd, POLLOUT, 0 };
        const qint64 left = deadline.remainingTime();
        if (left == 0 || poll(&ready, 1, left < 0 ? 1000 : int(std::min<qint64>(left, 1000))) < 0) {
            if (errno == EINTR)
                continue;
            Fail(QStringLiteral("Browser pipe write timed out"));
            return false;
        }
    }
    return true;
}

void DevToolsPipe::ReadAvailable()
{
    char chunk[1 << 16];
    while (fEventFd >= 0) {
        const ssize_t n = read(fEventFd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            break;
        if (n < 0)
            return Fail(QStringLiteral("Browser pipe read failed: %1").arg(QString::fromLocal8Bit(strerror(errno))));
        if (n == 0)
            return Fail(QStringLiteral("Browser closed its pipe"));
        qsizetype scanFrom = fBuffer.size();
        fBuffer.append(chunk, n);
        qsizetype start = 0;
        for (qsizetype end; (end = fBuffer.indexOf('\0', scanFrom)) >= 0; start = scanFrom = end + 1) {
            QJsonParseError parse {};
            const QJsonDocument document = QJsonDocument::fromJson(fBuffer.mid(start, end - start), &parse);
            if (!document.isObject())
                return Fail(QStringLiteral("Browser sent a malformed message: %1").arg(parse.errorString()));
            fQueue.push_back(document.object());
        }
        fBuffer.remove(0, start);
        if (fBuffer.size() > kMaxMessageBytes)
            return Fail(QStringLiteral("Browser sent a message over %1 bytes").arg(kMaxMessageBytes));
    }
    Deliver();
}

void DevToolsPipe::Deliver()
{
    if (fDelivering)
        return;
    fDelivering = true;
    while (!fQueue.empty()) {
        const QJsonObject message = std::move(fQueue.front());
        fQueue.pop_front();
        fOnMessage(message);
    }
    fDelivering = false;
    if (!fCloseReason.isEmpty()) {
        const QString reason = fCloseReason;
        fCloseReason.clear();
        fOnClose(reason);
    }
}
