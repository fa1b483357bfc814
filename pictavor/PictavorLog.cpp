#include "PictavorLog.h"

#include <QDateTime>

#include <syslog.h>
#include <unistd.h>

#include <cstdio>

namespace pictavor {

namespace {

std::function<void(const QString&)>& Capture()
{
    static std::function<void(const QString&)> capture;
    return capture;
}

void OpenSystemLogOnce()
{
    static const bool opened = [] {
        openlog("pictavor", LOG_PID, LOG_USER);
        return true;
    }();
    (void)opened;
}

} // namespace

void LogEntry(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    const QByteArray stamp = QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss.zzz").toUtf8();
    fprintf(stderr, "%s pictavor[%d] %s\n", stamp.constData(), int(getpid()), utf8.constData());
    fflush(stderr);
    OpenSystemLogOnce();
    syslog(LOG_NOTICE, "%s", utf8.constData());
    if (Capture())
        Capture()(text);
}

void SetLogCapture(std::function<void(const QString&)> capture)
{
    Capture() = std::move(capture);
}

} // namespace pictavor
