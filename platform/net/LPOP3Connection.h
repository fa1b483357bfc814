// LPOP3Connection: the framework's POP3 client, as far as logging in goes: the greeting (with
// the APOP timestamp when the server offers one), USER/PASS, APOP (MD5 of timestamp and
// password, RFC 1939) and QUIT. Every reply is awaited for at most "Network Timeout" seconds.
//
// Failures: a "-ERR" reply (or anything but "+OK") raises LException err_POP3Refused with the
// server's line as its message; APOP without a timestamp in the greeting raises it too, without
// sending anything; a broken, silent or aborted connection raises the codes of NetworkErrors.h.
// GUI thread only, normally on a cooperative thread (waits yield); see LYieldingStream.
#pragma once

#include "LMailClientSettings.h"
#include "LYieldingStream.h"

#include <QByteArray>
#include <QString>

// LException code of a refused POP3 command.
inline constexpr SInt32 err_POP3Refused = '-ERR';

class LPOP3Connection {
public:
    static constexpr UInt16 kDefaultPort = 110;

    LPOP3Connection();
    ~LPOP3Connection();

    // Connects and reads the greeting.
    void Open(const QString& inHost, UInt16 inPort = kDefaultPort);
    void Login(const QString& inUserName, const QString& inPassword);
    void LoginAPOP(const QString& inUserName, const QString& inPassword);
    // QUIT when connected; never raises.
    void Close();
    void Abort() { mStream.Abort(); }

    // The greeting's "<...>" timestamp, brackets included; empty when it had none.
    const QByteArray& GetTimestamp() const { return mTimestamp; }

    // Lower-case hex MD5 of timestamp followed by password.
    static QByteArray APOPDigest(const QByteArray& inTimestamp, const QByteArray& inPassword);

protected:
    // Sends one command line (without CRLF); the text after "+OK".
    QByteArray SendCommand(const QByteArray& inCommand);

private:
    QByteArray ReadStatus(LDeadline inDeadline);
    static QByteArray FindTimestamp(const QByteArray& inGreeting);

    LYieldingStream mStream;
    LMailClientSettings mSettings;
    QByteArray mTimestamp;
};
