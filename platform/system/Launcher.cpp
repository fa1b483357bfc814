#include "Launcher.h"

#include "ProcessRunner.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include <sys/stat.h>

namespace {

Launcher*& Installed()
{
    static Launcher* launcher = nullptr;
    return launcher;
}

constexpr int kFileManagerTimeoutMs = 5000;

// Without an announced bus or the per-user socket there is no session bus to ask (and no
// bus daemon is to be started for us).
bool HasSessionBus()
{
    if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    struct stat info {};
    return !runtime.isEmpty() && stat(QFile::encodeName(runtime + "/bus").constData(), &info) == 0
        && S_ISSOCK(info.st_mode);
}

} // namespace

Launcher& Launcher::Current()
{
    static Launcher desktop;
    Launcher* installed = Installed();
    return installed ? *installed : desktop;
}

void Launcher::Install(Launcher* launcher)
{
    Installed() = launcher;
}

bool Launcher::IsOpenableText(const QString& text)
{
    if (text.isEmpty() || text.startsWith('-'))
        return false;
    if (text.startsWith('/'))
        return true;
    static const QRegularExpression scheme("^[A-Za-z][A-Za-z0-9+.-]*:");
    return scheme.match(text).hasMatch();
}

bool Launcher::Open(const QString& pathOrURL)
{
    if (!IsOpenableText(pathOrURL))
        return false;
    return ProcessRunner::StartDetached("xdg-open", {pathOrURL});
}

OSErr Launcher::Reveal(const QString& path)
{
    struct stat info {};
    if (path.isEmpty() || lstat(QFile::encodeName(path).constData(), &info) != 0)
        return fnfErr;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (AskFileManagerToShow(QUrl::fromLocalFile(absolute).toString(QUrl::FullyEncoded)))
        return noErr;
    Open(QFileInfo(absolute).absolutePath());
    return noErr;
}

bool Launcher::AskFileManagerToShow(const QString& fileURI)
{
    if (!HasSessionBus())
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.FileManager1",
                                                       "/org/freedesktop/FileManager1",
                                                       "org.freedesktop.FileManager1", "ShowItems");
    call << QStringList {fileURI} << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, kFileManagerTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}
