#include "LPOP3Connection.h"

#include "LException.h"

#include <QCryptographicHash>

LPOP3Connection::LPOP3Connection() = default;

LPOP3Connection::~LPOP3Connection() = default;

void LPOP3Connection::Open(const QString& inHost, UInt16 inPort)
{
    mStream.Close();
    mTimestamp.clear();
    mSettings = LMailClientSettings::FromPreferences();
    if (inPort == 0)
        throw LException(paramErr, "invalid port");
    const LDeadline deadline = mSettings.ReplyDeadline();
    mStream.Connect(inHost, inPort, deadline);
    try {
        mTimestamp = FindTimestamp(ReadStatus(deadline));
    } catch (...) {
        mStream.Close();
        throw;
    }
}

void LPOP3Connection::Login(const QString& inUserName, const QString& inPassword)
{
    SendCommand("USER " + inUserName.toUtf8());
    SendCommand("PASS " + inPassword.toUtf8());
}

void LPOP3Connection::LoginAPOP(const QString& inUserName, const QString& inPassword)
{
    if (mTimestamp.isEmpty())
        throw LException(err_POP3Refused, "the server offers no APOP");
    SendCommand("APOP " + inUserName.toUtf8() + " " + APOPDigest(mTimestamp, inPassword.toUtf8()));
}

void LPOP3Connection::Close()
{
    if (!mStream.IsOpen())
        return;
    try {
        SendCommand("QUIT");
    } catch (const std::exception&) {
        // The session ends either way.
    }
    mStream.Close();
}

QByteArray LPOP3Connection::SendCommand(const QByteArray& inCommand)
{
    const LDeadline deadline = mSettings.ReplyDeadline();
    mStream.WriteAll(inCommand + "\r\n", deadline);
    return ReadStatus(deadline);
}

QByteArray LPOP3Connection::ReadStatus(LDeadline inDeadline)
{
    const QByteArray line = mStream.ReadLine(inDeadline);
    if (line == "+OK" || line.startsWith("+OK "))
        return line.mid(4);
    throw LException(err_POP3Refused, line.toStdString());
}

QByteArray LPOP3Connection::FindTimestamp(const QByteArray& inGreeting)
{
    const qsizetype open = inGreeting.indexOf('<');
    if (open < 0)
        return {};
    const qsizetype close = inGreeting.indexOf('>', open);
    if (close < 0)
        return {};
    const QByteArray stamp = inGreeting.mid(open, close - open + 1);
    return stamp.contains('@') ? stamp : QByteArray();
}

QByteArray LPOP3Connection::APOPDigest(const QByteArray& inTimestamp, const QByteArray& inPassword)
{
    return QCryptographicHash::hash(inTimestamp + inPassword, QCryptographicHash::Md5).toHex();
}
