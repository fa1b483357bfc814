#include "ListeningSocket.h"

#include <QSocketNotifier>
#include <QTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
constexpr int kBacklog = 128;
constexpr int kResourcePauseMs = 100;
} // namespace

ListeningSocket::ListeningSocket(QObject* parent) : QObject(parent)
{
    mPause = new QTimer(this);
    mPause->setSingleShot(true);
    mPause->setInterval(kResourcePauseMs);
    connect(mPause, &QTimer::timeout, this, &ListeningSocket::UpdateNotifier);
}

ListeningSocket::~ListeningSocket() { Close(); }

int ListeningSocket::Listen(std::uint16_t port, AcceptHandler handler)
{
    Close();
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    int error = fd < 0 ? errno : 0;
    if (!error) {
        const int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_ANY);
        if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, kBacklog) != 0)
            error = errno;
        socklen_t length = sizeof address;
        if (!error && getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            error = errno;
        mPort = error ? 0 : ntohs(address.sin_port);
    }
    if (error) {
        mErrorText = std::strerror(error);
        if (fd >= 0)
            close(fd);
        return error;
    }
    mErrorText.clear();
    mSocket = fd;
    mHandler = std::move(handler);
    mNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(mNotifier, &QSocketNotifier::activated, this, &ListeningSocket::AcceptPending);
    UpdateNotifier();
    return 0;
}

void ListeningSocket::Close()
{
    mPause->stop();
    delete mNotifier;
    mNotifier = nullptr;
    if (mSocket >= 0)
        close(mSocket);
    mSocket = -1;
    mPort = 0;
}

void ListeningSocket::SetAccepting(bool accepting)
{
    mAccepting = accepting;
    UpdateNotifier();
}

void ListeningSocket::UpdateNotifier()
{
    if (mNotifier)
        mNotifier->setEnabled(mAccepting && !mPause->isActive());
}

void ListeningSocket::AcceptPending()
{
    while (mSocket >= 0 && mAccepting) {
        sockaddr_in peer {};
        socklen_t length = sizeof peer;
        const int fd = accept4(mSocket, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == ECONNABORTED || errno == EINTR)
                continue;
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                mPause->start();
                UpdateNotifier();
            }
            return; // EAGAIN: the queue is empty
        }
        char text[INET_ADDRSTRLEN] = "";
        inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
        // The handler may stop accepting (the connection cap) or close the listener.
        mHandler(fd, text);
    }
}
