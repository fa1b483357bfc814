// LSMTPConnection: the framework's SMTP client. It holds the server, the user name and password,
// and runs one connection's conversation: greeting, EHLO (HELO when the "SMTP Hello" setting
// says so or the server refuses EHLO), AUTH PLAIN or LOGIN when a user name is set, then for
// each message MAIL, RCPT for every recipient and DATA, then QUIT. A refused transaction is
// followed by RSET, so the next message goes over the same connection.
//
// Promises:
// - Every reply is awaited for at most "Network Timeout" seconds (LMailClientSettings).
// - Addresses holding CR, LF, other controls, blanks, "<" or ">" (or an empty recipient) are
//   refused with paramErr before any command of that message is sent.
// - Message data goes out with every bare CR or LF made CRLF, then dot-stuffed, ending in CRLF.CRLF.
// - A refused RCPT fails the whole message (no partial delivery).
// - Progress goes to listeners as the framework's messages: 601 opening, 602 connected (after
//   the greeting), 612 sending (ioParam: the subject, a const QString*), 606 sent, 607 not sent,
//   619 unexpected disconnect, 614 closing, 603 done.
//
// Failures: a server's refusal raises LSMTPResponse (a refusal while opening ends the connection
// with QUIT); a broken, silent or aborted connection
// raises LException with the codes of NetworkErrors.h; a bad address or port LException
// paramErr.
//
// Derived classes override the command, hello, authentication and encoded-data hooks, and
// SendMessages. The greeting name is the one set with SetGreetingName, else worked out when
// greeting: this end's address, or with "Use External Address" the one the external-address
// source gives, as a name with "Do DNS", else as an address literal.
// GUI thread only, normally on a cooperative thread (waits yield); see LYieldingStream.
#pragma once

#include "LBroadcaster.h"
#include "LMailClientSettings.h"
#include "LOutgoingMail.h"
#include "LSMTPReply.h"
#include "LYieldingStream.h"

#include <QByteArray>
#include <QMap>
#include <QString>

#include <functional>

class LSMTPConnection : public LBroadcaster {
public:
    enum class EAuthMechanism { automatic, plain, login };

    // The framework's connection-progress messages.
    enum : MessageT {
        msg_OpeningConnection = 601,
        msg_Connected = 602,
        msg_Done = 603,
        msg_ItemSent = 606,
        msg_ItemSendFailed = 607,
        msg_SendingMessage = 612,
        msg_ClosingConnection = 614,
        msg_UnexpectedDisconnect = 619,
    };

    static constexpr UInt16 kDefaultPort = 25;

    LSMTPConnection();
    ~LSMTPConnection() override;

    void SetServer(const QString& inHost, UInt16 inPort = kDefaultPort);
    void SetUserName(const QString& inUserName) { mUserName = inUserName; }
    void SetPassword(const QString& inPassword) { mPassword = inPassword; }
    const QString& GetUserName() const { return mUserName; }
    const QString& GetPassword() const { return mPassword; }
    // Automatic takes PLAIN when the server offers it, else LOGIN, else no authentication.
    void SetAuthMechanism(EAuthMechanism inMechanism) { mMechanism = inMechanism; }
    // A fixed greeting name (tests, or a class that looked one up itself); empty: work it out.
    void SetGreetingName(const QByteArray& inName) { mGreetingName = inName; }
    // Where "Use External Address" takes the address from; empty text or "0.0.0.0" means unknown.
    void SetExternalAddressSource(std::function<QString()> inSource) { mExternalAddress = std::move(inSource); }

    // Opens one connection, sends every message of the list in order and closes it. A refused
    // message or a bad address is broadcast as 607 and the next message goes; a broken
    // connection ends the list and raises. A null list raises err_NilPointer.
    virtual void SendMessages(const LOutgoingMailList* inList);

    // The steps SendMessages is made of, for callers that pace messages themselves.
    void Open();
    void SendMessage(const LOutgoingMail& inMail);
    void Close();  // QUIT when connected; never raises
    // Stops a conversation in progress (see LYieldingStream::Abort).
    void Abort() { mStream.Abort(); }

    bool IsOpen() const { return mStream.IsOpen(); }
    // The EHLO keyword (upper case) was in the server's answer.
    bool ServerOffers(const QByteArray& inKeyword) const { return mExtensions.contains(inKeyword.toUpper()); }
    // The name of the last greeting sent.
    const QByteArray& GetGreetingNameUsed() const { return mGreetingNameUsed; }

    // The DATA form of a message: CRLF line ends, dot-stuffed, ending in CRLF "." CRLF.
    static QByteArray EncodeMessageData(const QByteArray& inSource);
    // True for an address that can go between "<" and ">" (see above); an empty sender is fine.
    static bool IsAcceptableAddress(const QByteArray& inAddress, bool inMayBeEmpty);

protected:
    // Sends one command line (without CRLF) and reads its reply.
    virtual LSMTPReply SendCommand(const QByteArray& inCommand);
    virtual void SayHello();
    virtual void Authenticate();
    // Writes the message data after DATA's 354, final "." included (not its reply).
    virtual void SendEncodedData(const QByteArray& inSource);

    LSMTPReply ReadReply(LDeadline inDeadline);
    // Raises LSMTPResponse unless the reply's first digit is inClass.
    static void RequireClass(const LSMTPReply& inReply, int inClass);
    QByteArray WorkOutGreetingName();
    LYieldingStream& Stream() { return mStream; }
    const LMailClientSettings& Settings() const { return mSettings; }

private:
    void ReadExtensions(const LSMTPReply& inEhloReply);
    void AuthenticatePlain();
    void AuthenticateLogin();
    void ResetAfterFailure();
    static void CheckAddresses(const LOutgoingMail& inMail);

    LYieldingStream mStream;
    LMailClientSettings mSettings;
    QString mHost;
    UInt16 mPort = kDefaultPort;
    QString mUserName;
    QString mPassword;
    EAuthMechanism mMechanism = EAuthMechanism::automatic;
    QByteArray mGreetingName;
    QByteArray mGreetingNameUsed;
    std::function<QString()> mExternalAddress;
    QMap<QByteArray, QByteArray> mExtensions; // keyword → parameters
};
