// Launcher: xdg-open receives exactly one safe argument (a fake xdg-open first on PATH records
// it), and Reveal reaches a FileManager1 service on a private session bus with the item's URI.
#include "Launcher.h"

#include "LQtApplication.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <chrono>
#include <thread>

namespace {

// Puts a recording xdg-open first on PATH while it lives.
class FakeOpener {
public:
    FakeOpener()
    {
        mOldPath = qgetenv("PATH");
        const QString script = mDir.path() + "/xdg-open";
        QFile file(script);
        file.open(QIODevice::WriteOnly);
        file.write("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> \"$(dirname \"$0\")/opened\"; done\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", mDir.path().toUtf8() + ":" + mOldPath);
    }
    ~FakeOpener() { qputenv("PATH", mOldPath); }

    // The arguments received so far, waiting up to two seconds for the first.
    QStringList Opened() const
    {
        QFile log(mDir.path() + "/opened");
        for (int i = 0; i < 40 && !log.exists(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (!log.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir mDir;
    QByteArray mOldPath;
};

} // namespace

TEST(Launcher, OpenPassesOneAbsolutePathOrURL)
{
    FakeOpener opener;
    EXPECT_TRUE(Launcher::Current().Open("/tmp/a file;rm -rf x"));
    EXPECT_EQ(opener.Opened(), QStringList {"/tmp/a file;rm -rf x"});
    for (const char* refused : {"", "-x", "--help", "relative/path", "a file"})
        EXPECT_FALSE(Launcher::Current().Open(refused)) << refused;
    EXPECT_TRUE(Launcher::IsOpenableText("https://example.com/"));
    EXPECT_TRUE(Launcher::IsOpenableText("mailto:a@b.c"));
}

TEST(Launcher, RevealWithoutFileManagerOpensTheFolder)
{
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    QTemporaryDir dir;
    QFile(dir.path() + "/item.txt").open(QIODevice::WriteOnly);
    FakeOpener opener;
    EXPECT_EQ(Launcher::Current().Reveal(dir.path() + "/item.txt"), noErr);
    EXPECT_EQ(opener.Opened(), QStringList {dir.path()});
    EXPECT_EQ(Launcher::Current().Reveal(dir.path() + "/missing"), fnfErr);
    EXPECT_EQ(Launcher::Current().Reveal(""), fnfErr);
}

namespace {

class FileManagerService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList received;

public slots:
    void ShowItems(const QStringList& uris, const QString&) { received += uris; }
};

// A private session bus for the test, like dbus-run-session gives a program.
class PrivateBus {
public:
    PrivateBus()
    {
        mDaemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        if (mDaemon.waitForReadyRead(5000))
            mAddress = QString::fromUtf8(mDaemon.readLine().trimmed());
    }
    ~PrivateBus()
    {
        mDaemon.terminate();
        mDaemon.waitForFinished(2000);
    }
    const QString& Address() const { return mAddress; }

private:
    QProcess mDaemon;
    QString mAddress;
};

} // namespace

TEST(Launcher, RevealSendsTheItemURIToTheFileManager)
{
    LQtApplication::Instance();
    PrivateBus bus;
    ASSERT_FALSE(bus.Address().isEmpty()) << "dbus-daemon did not start";
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.Address().toUtf8());

    QThread serviceThread;
    FileManagerService service;
    service.moveToThread(&serviceThread);
    serviceThread.start();
    QDBusConnection connection = QDBusConnection::connectToBus(bus.Address(), "file-manager");
    ASSERT_TRUE(connection.registerObject("/org/freedesktop/FileManager1", &service,
                                          QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(connection.registerService("org.freedesktop.FileManager1"));

    QTemporaryDir dir;
    const QString path = dir.path() + "/a b \"q\" #1 caf\u00e9.txt";
    QFile(path).open(QIODevice::WriteOnly);
    FakeOpener opener;
    EXPECT_EQ(Launcher::Current().Reveal(path), noErr);

    serviceThread.quit();
    serviceThread.wait();
    ASSERT_EQ(service.received.size(), 1);
    const QUrl received(service.received[0], QUrl::StrictMode);
    EXPECT_TRUE(received.isLocalFile());
    EXPECT_EQ(received.toLocalFile(), path);
    EXPECT_TRUE(service.received[0].startsWith("file:///"));
    EXPECT_FALSE(service.received[0].contains(' '));
    EXPECT_FALSE(service.received[0].contains('"'));
    QDBusConnection::disconnectFromBus("file-manager");
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
}

#include "LauncherTest.moc"
