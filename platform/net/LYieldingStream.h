// LYieldingStream: one TCP connection for the cooperative threads. Every step (name lookup,
// connect, reading a line, writing) is a poll-then-yield loop bounded by the caller's deadline,
// so a slow or silent peer never blocks the GUI thread or the other cooperative threads.
//
// Name lookup runs through getaddrinfo_a and is polled between yields; each address found is
// tried in turn. Reads are buffered; ReadLine hands back one line without its CRLF (a bare LF
// also ends a line) and refuses a line longer than its cap, dropping the connection.
//
// Failures raise LException with the codes of NetworkErrors.h: err_NetTimedOut at a deadline,
// err_NetAborted after Abort, err_NetDisconnected when the peer closed the stream,
// err_NetDisconnectedAbortive for a reset, a refused or unreachable peer, an unknown host or an
// over-long line. After any failure the stream is closed.
//
// Threads: the GUI thread only, from a cooperative thread (waits suspend it) or from the main
// context, where LThread's waits run the other threads' rounds and non-input events in place
// instead of yielding; either way the deadline holds. Abort may be called from any cooperative
// thread or the main context while another one waits on this stream.
#pragma once

#include "Events.h"
#include "MacTypes.h"

#include <QByteArray>
#include <QString>

class LYieldingStream {
public:
    // The longest reply line a mail server may send, CRLF included.
    static constexpr size_t kMaxLineLength = 1000;

    LYieldingStream();
    ~LYieldingStream();
    LYieldingStream(const LYieldingStream&) = delete;
    LYieldingStream& operator=(const LYieldingStream&) = delete;

    // Resolves inHost (a name or a numeric address) and connects to the first address that
    // answers. A stream that is open is closed first.
    void Connect(const QString& inHost, UInt16 inPort, LDeadline inDeadline);

    // The next line without its line end. An unterminated tail at the end of the stream is a
    // disconnection, not a line.
    QByteArray ReadLine(LDeadline inDeadline, size_t inMaxLength = kMaxLineLength);

    // Writes every byte before returning.
    void WriteAll(const QByteArray& inBytes, LDeadline inDeadline);

    // Closes the socket (idempotent); buffered input is dropped.
    void Close();

    // Stops the exchange: a wait in progress on this stream, and every later call until the
    // next Connect, raise err_NetAborted.
    void Abort();

    bool IsOpen() const { return mSocket >= 0; }

    // The numeric address of this end and of the peer ("" when closed).
    QString LocalAddress() const;
    QString PeerAddress() const;

private:
    int ConnectOne(const struct addrinfo& inAddress, LDeadline inDeadline, int& outError);
    void WaitFor(bool inWritable, LDeadline inDeadline);
    void FillBuffer(LDeadline inDeadline);
    [[noreturn]] void Fail(SInt32 inCode, const std::string& inMessage);
    void ThrowIfAborted();

    int mSocket = -1;
    bool mAborted = false;
    QByteArray mBuffer;
};
