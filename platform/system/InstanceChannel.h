// InstanceChannel: one running program per user. The first process to take the lock file of the
// user's channel folder is the instance: it removes a socket left by one that died, listens on
// a local socket that only the user can reach, and hands each request it receives to the
// receiver as events (ProgramRequests), in arrival order, on the GUI thread at the next pass of
// the loop. A later process finds the lock taken and sends its events instead (Send), which
// succeeds once the instance acknowledges them.
// The folder is $XDG_RUNTIME_DIR/brevanto, or a private 0700 folder of the user under the
// temporary folder; a folder that is not the user's own and private is refused.
// A request carries its sender's deadline: one read after it (an instance that was frozen) is
// dropped unanswered, so that a sender that reported failure never sees its request done.
// Requests are untrusted: a length-prefixed frame of at most kMaxRequestBytes, read within the
// read deadline, decoded and checked (ProgramRequests::Accept); anything else closes the
// connection unanswered, and events that fail the check are ignored.
// The instance side is GUI thread only; Send blocks its caller up to its time-out and may run on
// any thread.
#pragma once

#include "AppleEvent.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <vector>

class QLocalServer;
class QLocalSocket;

class InstanceChannel : public QObject {
public:
    using Receiver = std::function<void(const AppleEvent&)>;
    enum class Role { First, Second, Unavailable };

    static constexpr qint64 kMaxRequestBytes = 64 * 1024;

    // An empty folder means DefaultFolder().
    explicit InstanceChannel(const QString& inFolder = {});
    ~InstanceChannel() override;

    // The user's private channel folder, made when missing; empty when none can be had.
    static QString DefaultFolder();

    // Takes the lock and listens (First), finds another instance (Second), or fails.
    Role Open();
    // Open in two steps, so that a later process can hand over before it makes its windowing
    // application (it may have no display): Claim takes the lock (First) or finds it taken
    // (Second) and needs no event loop; Listen, for the First, listens (false: the lock is given
    // up and the channel is unavailable).
    Role Claim();
    bool Listen();
    void SetReceiver(Receiver inReceiver) { mReceiver = std::move(inReceiver); }
    void SetReadTimeout(std::chrono::milliseconds inTimeout) { mReadTimeout = inTimeout; }

    QString Folder() const { return mFolder; }
    static QString SocketPath(const QString& inFolder);
    static QString LockPath(const QString& inFolder);

    // Hands the events to the running instance of inFolder; true once it acknowledged them,
    // otherwise false and a message for the user in outError (no instance, refusal, time-out).
    static bool Send(const QString& inFolder, const std::vector<AppleEvent>& inEvents,
                     std::chrono::milliseconds inTimeout, QString* outError);

private:
    void AcceptConnections();
    void ReadRequest(QLocalSocket* inSocket);
    void Deliver(const std::vector<AppleEvent>& inEvents);

    QString mFolder;
    int mLockDescriptor = -1;
    QLocalServer* mServer = nullptr;
    Receiver mReceiver;
    std::chrono::milliseconds mReadTimeout{5000};
};
