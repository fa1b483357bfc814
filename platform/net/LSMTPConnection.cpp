#include "LSMTPConnection.h"

#include "LException.h"
#include "LGreetingName.h"
#include "LSMTPResponse.h"
#include "NetworkErrors.h"

namespace {

// A reply of more lines than this is not a mail server talking; the connection is dropped.
constexpr int kMaxReplyLines = 256;

// Data goes out in pieces, each with its own deadline, so a large message on a slow link only
// fails when the server stops taking bytes.
constexpr qsizetype kDataPiece = 64 * 1024;

bool IsDisconnection(SInt32 inCode)
{
    return inCode == err_NetDisconnected || inCode == err_NetDisconnectedAbortive;
}

} // namespace

LSMTPConnection::LSMTPConnection() = default;

LSMTPConnection::~LSMTPConnection() = default;

void LSMTPConnection::SetServer(const QString& inHost, UInt16 inPort)
{
    mHost = inHost;
    mPort = inPort;
}

void LSMTPConnection::SendMessages(const LOutgoingMailList* inList)
{
    ThrowIfNil_(inList);
    Open();
    for (LOutgoingMail* mail : *inList) {
        QString subject = mail->GetSubject();
        BroadcastMessage(msg_SendingMessage, &subject);
        try {
            SendMessage(*mail);
            BroadcastMessage(msg_ItemSent);
        } catch (const LSMTPResponse&) {
            BroadcastMessage(msg_ItemSendFailed);
        } catch (const LException& failure) {
            BroadcastMessage(msg_ItemSendFailed);
            if (failure.GetErrorCode() == paramErr)
                continue;
            if (IsDisconnection(failure.GetErrorCode()))
                BroadcastMessage(msg_UnexpectedDisconnect);
            throw;
        }
    }
    Close();
}

void LSMTPConnection::Open()
{
    mStream.Close();
    mExtensions.clear();
    mSettings = LMailClientSettings::FromPreferences();
    if (mPort == 0)
        throw LException(paramErr, "invalid port");
    BroadcastMessage(msg_OpeningConnection);
    mStream.Connect(mHost, mPort, mSettings.ReplyDeadline());
    try {
        RequireClass(ReadReply(mSettings.ReplyDeadline()), 2);
        BroadcastMessage(msg_Connected);
        SayHello();
        Authenticate();
    } catch (const LSMTPResponse&) {
        Close(); // a refusing server still expects QUIT
        throw;
    } catch (...) {
        mStream.Close();
        throw;
    }
}

void LSMTPConnection::SendMessage(const LOutgoingMail& inMail)
{
    CheckAddresses(inMail);
    try {
        RequireClass(SendCommand("MAIL FROM:<" + inMail.GetEnvelopeSender() + ">"), 2);
        for (const QByteArray& recipient : inMail.GetEnvelopeRecipients())
            RequireClass(SendCommand("RCPT TO:<" + recipient + ">"), 2);
        RequireClass(SendCommand("DATA"), 3);
        SendEncodedData(inMail.GetSource());
        RequireClass(ReadReply(mSettings.ReplyDeadline()), 2);
    } catch (const LSMTPResponse&) {
        ResetAfterFailure();
        throw;
    }
}

void LSMTPConnection::Close()
{
    if (!mStream.IsOpen())
        return;
    BroadcastMessage(msg_ClosingConnection);
    try {
        SendCommand("QUIT");
    } catch (const std::exception&) {
        // The server may hang up without answering QUIT; the connection ends either way.
    }
    mStream.Close();
    BroadcastMessage(msg_Done);
}

LSMTPReply LSMTPConnection::SendCommand(const QByteArray& inCommand)
{
    const LDeadline deadline = mSettings.ReplyDeadline();
    mStream.WriteAll(inCommand + "\r\n", deadline);
    return ReadReply(deadline);
}

LSMTPReply LSMTPConnection::ReadReply(LDeadline inDeadline)
{
    LSMTPReply reply;
    for (;;) {
        QByteArray line = mStream.ReadLine(inDeadline);
        if (reply.lines.size() >= kMaxReplyLines) {
            mStream.Close();
            throw LException(err_NetDisconnectedAbortive, "the server's reply has too many lines");
        }
        if (reply.lines.isEmpty())
            reply.code = LSMTPReply::LeadingNumber(line);
        const bool more = line.size() > 3 && line[3] == '-';
        reply.lines.append(std::move(line));
        if (!more)
            return reply;
    }
}

void LSMTPConnection::RequireClass(const LSMTPReply& inReply, int inClass)
{
    if (inReply.Class() != inClass)
        throw LSMTPResponse(inReply);
}

void LSMTPConnection::SayHello()
{
    const QByteArray name = WorkOutGreetingName();
    mGreetingNameUsed = name;
    if (mSettings.sayEHLO) {
        const LSMTPReply reply = SendCommand("EHLO " + name);
        if (reply.Class() == 2) {
            ReadExtensions(reply);
            return;
        }
        // A server that does not know EHLO answers 5xx; anything else is a real refusal.
        if (reply.Class() != 5)
            throw LSMTPResponse(reply);
    }
    RequireClass(SendCommand("HELO " + name), 2);
}

QByteArray LSMTPConnection::WorkOutGreetingName()
{
    if (!mGreetingName.isEmpty())
        return mGreetingName;
    QString address = mStream.LocalAddress();
    if (mSettings.useExternalAddress && mExternalAddress) {
        const QString external = mExternalAddress();
        if (!external.isEmpty() && external != QLatin1String("0.0.0.0"))
            address = external;
    }
    return LGreetingName::Make(address, mSettings.doDNS, mSettings.ReplyDeadline());
}

void LSMTPConnection::ReadExtensions(const LSMTPReply& inEhloReply)
{
    mExtensions.clear();
    for (qsizetype i = 1; i < inEhloReply.lines.size(); ++i) {
        const QByteArray text = inEhloReply.lines[i].mid(4).trimmed();
        qsizetype split = text.indexOf(' ');
        // The old "AUTH=PLAIN LOGIN" form names the same extension.
        const qsizetype equals = text.indexOf('=');
        if (equals >= 0 && (split < 0 || equals < split))
            split = equals;
        const QByteArray keyword = (split < 0 ? text : text.left(split)).toUpper();
        const QByteArray parameters = split < 0 ? QByteArray() : text.mid(split + 1).trimmed().toUpper();
        if (keyword.isEmpty())
            continue;
        if (mExtensions.contains(keyword))
            mExtensions[keyword] += " " + parameters;
        else
            mExtensions.insert(keyword, parameters);
    }
}

void LSMTPConnection::Authenticate()
{
    if (mUserName.isEmpty())
        return;
    const QList<QByteArray> offered = mExtensions.value("AUTH").split(' ');
    EAuthMechanism mechanism = mMechanism;
    if (mechanism == EAuthMechanism::automatic) {
        if (offered.contains("PLAIN"))
            mechanism = EAuthMechanism::plain;
        else if (offered.contains("LOGIN"))
            mechanism = EAuthMechanism::login;
        else
            return;
    }
    if (mechanism == EAuthMechanism::plain)
        AuthenticatePlain();
    else
        AuthenticateLogin();
}

void LSMTPConnection::AuthenticatePlain()
{
    const QByteArray credentials = '\0' + mUserName.toUtf8() + '\0' + mPassword.toUtf8();
    RequireClass(SendCommand("AUTH PLAIN " + credentials.toBase64()), 2);
}

void LSMTPConnection::AuthenticateLogin()
{
    RequireClass(SendCommand("AUTH LOGIN"), 3);
    RequireClass(SendCommand(mUserName.toUtf8().toBase64()), 3);
    RequireClass(SendCommand(mPassword.toUtf8().toBase64()), 2);
}

void LSMTPConnection::SendEncodedData(const QByteArray& inSource)
{
    const QByteArray data = EncodeMessageData(inSource);
    for (qsizetype at = 0; at < data.size(); at += kDataPiece)
        mStream.WriteAll(data.mid(at, kDataPiece), mSettings.ReplyDeadline());
}

void LSMTPConnection::ResetAfterFailure()
{
    if (!mStream.IsOpen())
        return;
    try {
        SendCommand("RSET");
    } catch (const std::exception&) {
        // A server that hung up after refusing fails the next message on its own.
    }
}

void LSMTPConnection::CheckAddresses(const LOutgoingMail& inMail)
{
    if (!IsAcceptableAddress(inMail.GetEnvelopeSender(), true))
        throw LException(paramErr, "invalid sender address");
    const QList<QByteArray> recipients = inMail.GetEnvelopeRecipients();
    if (recipients.isEmpty())
        throw LException(paramErr, "no recipient");
    for (const QByteArray& recipient : recipients) {
        if (!IsAcceptableAddress(recipient, false))
            throw LException(paramErr, "invalid recipient address");
    }
}

bool LSMTPConnection::IsAcceptableAddress(const QByteArray& inAddress, bool inMayBeEmpty)
{
    if (inAddress.isEmpty())
        return inMayBeEmpty;
    for (const char c : inAddress) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= ' ' || byte == 0x7F || c == '<' || c == '>')
            return false;
    }
    return true;
}

QByteArray LSMTPConnection::EncodeMessageData(const QByteArray& inSource)
{
    QByteArray data;
    data.reserve(inSource.size() + inSource.size() / 32 + 8);
    bool lineStart = true;
    for (qsizetype i = 0; i < inSource.size(); ++i) {
        const char c = inSource[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < inSource.size() && inSource[i + 1] == '\n')
                ++i;
            data += "\r\n";
            lineStart = true;
            continue;
        }
        if (lineStart && c == '.')
            data += '.';
        data += c;
        lineStart = false;
    }
    if (!lineStart)
        data += "\r\n";
    data += ".\r\n";
    return data;
}
