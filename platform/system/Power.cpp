#include "Power.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>

#include <unistd.h>

namespace {

const char* const kNotAvailable = "not available";
constexpr int kBusTimeoutMs = 5000;

QString gSysfsRoot = "/sys";
QString gBusAddress;

void SetReason(QString* reason, const QString& text)
{
    if (reason)
        *reason = text;
}

// The system bus, or a disconnected connection when there is none.
QDBusConnection SystemBus()
{
    if (gBusAddress.isEmpty())
        return QDBusConnection::systemBus();
    QDBusConnection::disconnectFromBus("brevanto-power");
    return QDBusConnection::connectToBus(gBusAddress, "brevanto-power");
}

QDBusMessage CallLogind(const QString& method, const QVariantList& arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1",
                                                       "org.freedesktop.login1.Manager", method);
    call.setArguments(arguments);
    QDBusConnection bus = SystemBus();
    if (!bus.isConnected())
        return QDBusMessage::createError(QDBusError::Disconnected, kNotAvailable);
    return bus.call(call, QDBus::Block, kBusTimeoutMs);
}

bool WriteAlarm(const QString& path, const QByteArray& value)
{
    QFile alarm(path);
    if (!alarm.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return alarm.write(value) == value.size() && alarm.flush();
}

} // namespace

bool Power::CanSleep(QString* reason)
{
    const QDBusMessage reply = CallLogind("CanSuspend", {});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        SetReason(reason, kNotAvailable);
        return false;
    }
    const bool yes = reply.arguments().first().toString() == "yes";
    SetReason(reason, yes ? QString() : QString(kNotAvailable));
    return yes;
}

bool Power::SleepNow(QString* reason)
{
    if (!CanSleep(reason))
        return false;
    const QDBusMessage reply = CallLogind("Suspend", {false});
    if (reply.type() != QDBusMessage::ReplyMessage) {
        SetReason(reason, kNotAvailable);
        return false;
    }
    return true;
}

bool Power::ScheduleWake(int64_t utcSeconds, QString* reason)
{
    const QString alarm = gSysfsRoot + "/class/rtc/rtc0/wakealarm";
    if (access(QFile::encodeName(alarm).constData(), W_OK) != 0) {
        SetReason(reason, kNotAvailable);
        return false;
    }
    // A set alarm must be cleared before another can be written.
    if (!WriteAlarm(alarm, "0") || !WriteAlarm(alarm, QByteArray::number(qlonglong(utcSeconds)))) {
        SetReason(reason, kNotAvailable);
        return false;
    }
    SetReason(reason, {});
    return true;
}

void Power::SetSysfsRoot(const QString& root)
{
    gSysfsRoot = root.isEmpty() ? QString("/sys") : root;
}

void Power::SetSystemBusAddress(const QString& address)
{
    gBusAddress = address;
}
