// ListeningSocket: an IPv4 TCP socket listening on every interface, whose connections are
// accepted on the owner's event loop and handed on as descriptors. Address reuse lets a fixed
// port bind again at once after a stop (old connections in TIME_WAIT); close-on-exec keeps it
// out of child processes. When the process runs out of descriptors or buffers, accepting pauses
// for 100 ms instead of spinning. GUI thread (any thread with a Qt event loop).
#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <string>

class QSocketNotifier;
class QTimer;

class ListeningSocket : public QObject {
    Q_OBJECT
public:
    // Called with each accepted (blocking, close-on-exec) descriptor, which it then owns, and the
    // peer's IPv4 address as dotted decimal.
    using AcceptHandler = std::function<void(int descriptor, const std::string& peerAddress)>;

    explicit ListeningSocket(QObject* parent = nullptr);
    ~ListeningSocket() override;

    // Binds INADDR_ANY:port (0: the system's choice) and listens. 0 or an errno; on failure
    // ErrorText() says why and nothing is held.
    int Listen(std::uint16_t port, AcceptHandler handler);
    void Close();
    bool IsListening() const { return mSocket >= 0; }
    std::uint16_t BoundPort() const { return mPort; }
    std::string ErrorText() const { return mErrorText; }

    // Stops or resumes taking connections off the queue (waiting peers stay queued).
    void SetAccepting(bool accepting);
    bool IsAccepting() const { return mAccepting; }

private:
    void AcceptPending();
    void UpdateNotifier();

    int mSocket = -1;
    std::uint16_t mPort = 0;
    std::string mErrorText;
    AcceptHandler mHandler;
    QSocketNotifier* mNotifier = nullptr;
    QTimer* mPause = nullptr;
    bool mAccepting = true;
};
