// DevToolsPipe: the browser's debugging protocol over a pipe pair: JSON messages, each ended
// by a NUL byte, written to the command descriptor and read from the event descriptor.
// Reading is driven by the event loop (a socket notifier); each whole message is parsed and
// handed to the message handler in order, never re-entrantly (so a handler must not wait for a
// later message: it records what it saw and returns). A message longer than
// kMaxMessageBytes, a message that is not a JSON object, a read error or end of file closes
// the pipe and calls the close handler once with the reason. Writing blocks until the message
// is written or its deadline passes.
// Main thread (the event loop's). Owns both descriptors.
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QJsonObject>
#include <QSocketNotifier>
#include <QString>

#include <deque>
#include <functional>
#include <memory>

class DevToolsPipe {
public:
    static constexpr qsizetype kMaxMessageBytes = 96 << 20;

    using MessageHandler = std::function<void(const QJsonObject&)>;
    using CloseHandler = std::function<void(const QString& reason)>;

    DevToolsPipe(int commandFd, int eventFd, MessageHandler onMessage, CloseHandler onClose);
    ~DevToolsPipe();
    DevToolsPipe(const DevToolsPipe&) = delete;
    DevToolsPipe& operator=(const DevToolsPipe&) = delete;

    bool IsOpen() const { return fEventFd >= 0; }
    // Writes one message (a NUL is added). False when the pipe is closed, the write fails or the
    // deadline passes; the pipe is then closed.
    bool Send(const QJsonObject& message, QDeadlineTimer deadline);
    // Closes both descriptors without calling the close handler.
    void Shutdown();

private:
    void ReadAvailable();
    void Deliver();
    void Fail(const QString& reason);

    int fCommandFd;
    int fEventFd;
    MessageHandler fOnMessage;
    CloseHandler fOnClose;
    std::unique_ptr<QSocketNotifier> fNotifier;
    QByteArray fBuffer;
    std::deque<QJsonObject> fQueue;
    bool fDelivering = false;
    QString fCloseReason;
};
