// POP before SMTP (see PopBeforeSMTP.h).
#include "PopBeforeSMTP.h"

#include "CDeliveryWindow.h"
#include "CEnvironment.h"
#include "LPOP3Connection.h"

#include <QFile>
#include <QMap>

#include <chrono>

namespace {

UInt16 gPortOverride = 0;

QMap<QString, std::chrono::steady_clock::time_point>& LastLogins()
{
    static QMap<QString, std::chrono::steady_clock::time_point> logins;
    return logins;
}

void Log(const QString& text)
{
    if (gEnvironment)
        gEnvironment->LogLine(text.toUtf8().constData());
}

} // namespace

UInt16 PopBeforeSMTPPort()
{
    if (gPortOverride != 0)
        return gPortOverride;
    QFile resource(":/PopPort");
    if (!resource.open(QIODevice::ReadOnly))
        return 110;
    bool ok = false;
    const uint port = QString::fromUtf8(resource.readAll()).section(':', 0, 0).trimmed().toUInt(&ok);
    return (ok && port > 0 && port <= 65535) ? UInt16(port) : 110;
}

void SetPopBeforeSMTPPort(UInt16 port)
{
    gPortOverride = port;
}

void ForgetPopBeforeSMTPLogins()
{
    LastLogins().clear();
}

bool RunPopBeforeSMTP(CDeliveryWindow& window)
{
    const SInt16 type = window.GetAuthenticationTypeValue();
    if (type != kPopAuthentication && type != kAPopAuthentication)
        return false;
    const QString host = window.GetServerName().trimmed();
    const QString user = window.GetUserName();
    const QString key = host.toLower() + "\n" + user;
    const auto now = std::chrono::steady_clock::now();
    const auto period = std::chrono::minutes(std::max<SInt32>(0, window.GetPopPeriod()));
    const auto last = LastLogins().constFind(key);
    if (last != LastLogins().constEnd() && now - last.value() < period)
        return false;

    const QString name = type == kAPopAuthentication ? "APOP" : "POP";
    Log(name + " authenticating...");
    try {
        LPOP3Connection pop;
        pop.Open(host, PopBeforeSMTPPort());
        if (type == kAPopAuthentication)
            pop.LoginAPOP(user, window.GetPassword());
        else
            pop.Login(user, window.GetPassword());
        pop.Close();
    } catch (...) {
        Log("An error occurred during " + name + " authentication. Please check your settings.");
        return false;
    }
    LastLogins().insert(key, now);
    Log(name + " authentication okay.");
    return true;
}
