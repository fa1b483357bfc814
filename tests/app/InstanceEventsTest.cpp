// The program as two processes: a running brevanto receives what a later invocation hands over
// (a document, a quit), survives garbage and oversized requests, and recovers a socket left by
// an instance that died. Each test gives the programs their own home, settings and runtime
// folder, and reads the remembered documents back from the settings the instance wrote.
#include "AppleEvent.h"
#include "CFileItems.h"
#include "InstanceChannel.h"
#include "LMainContext.h"
#include "PreferenceGetters.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int kStartMilliseconds = 30000;

class InstanceEventsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LMainContext::Get();
        ASSERT_TRUE(sandbox.isValid());
        for (const char* sub : {"home", "config", "runtime", "tmp", "documents"})
            ASSERT_TRUE(QDir(sandbox.path()).mkpath(sub));
        QFile::setPermissions(Path("runtime"), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ExeOwner);
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", Path("home"));
        environment.insert("XDG_CONFIG_HOME", Path("config"));
        environment.insert("XDG_DATA_HOME", Path("home/.local/share"));
        environment.insert("XDG_RUNTIME_DIR", Path("runtime"));
        environment.insert("TMPDIR", Path("tmp"));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
    }

    void TearDown() override
    {
        if (instance.state() != QProcess::NotRunning) {
            instance.kill();
            instance.waitForFinished(5000);
        }
    }

    QString Path(const QString& inSub) const { return sandbox.path() + "/" + inSub; }
    QString ChannelFolder() const { return Path("runtime/brevanto"); }

    QString MakeDocument(const QString& inName)
    {
        const QString path = Path("documents/" + inName);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict/>\n</plist>\n");
        return path;
    }

    // Starts the instance and waits until it listens.
    void StartInstance()
    {
        instance.setProcessEnvironment(environment);
        instance.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        instance.start(BREVANTO_EXECUTABLE, {});
        ASSERT_TRUE(instance.waitForStarted(kStartMilliseconds));
        const QString socket = InstanceChannel::SocketPath(ChannelFolder());
        QDeadlineTimer deadline(kStartMilliseconds);
        while (!deadline.hasExpired() && instance.state() == QProcess::Running) {
            QLocalSocket probe;
            probe.connectToServer(socket);
            if (probe.waitForConnected(200))
                return;
            QThread::msleep(100);
        }
        FAIL() << "the instance never listened";
    }

    // A later invocation: its exit code (-1 when it did not finish).
    int RunSecond(const QStringList& inArguments, const QString& inWorkingFolder = {})
    {
        QProcess second;
        second.setProcessEnvironment(environment);
        second.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        if (!inWorkingFolder.isEmpty())
            second.setWorkingDirectory(inWorkingFolder);
        second.start(BREVANTO_EXECUTABLE, inArguments);
        if (!second.waitForFinished(kStartMilliseconds))
            return -1;
        return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -1;
    }

    void QuitInstance()
    {
        QString error;
        ASSERT_TRUE(InstanceChannel::Send(ChannelFolder(), {AppleEvent::Make(kCoreEventClass, kAEQuitApplication)},
                                          std::chrono::seconds(10), &error))
            << error.toStdString();
        ASSERT_TRUE(instance.waitForFinished(kStartMilliseconds));
        EXPECT_EQ(instance.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(instance.exitCode(), 0);
    }

    // "Open Items" as the instance stored it in its own settings.
    QStringList StoredOpenItems()
    {
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", Path("config").toUtf8());
        QStringList paths;
        {
            CFileItems items(QString::fromUtf8(kOpenItemsKey), 25);
            for (SInt32 index = 0; index < items.Count(); ++index) {
                FSRef file;
                if (items.GetItemRef(index, file) == noErr)
                    paths << QString::fromStdString(file.path);
            }
        }
        qputenv("XDG_CONFIG_HOME", saved);
        return paths;
    }

    // Sends raw bytes as a client; true when the instance answered anything.
    bool SendRaw(const QByteArray& inBytes)
    {
        QLocalSocket socket;
        socket.connectToServer(InstanceChannel::SocketPath(ChannelFolder()));
        if (!socket.waitForConnected(5000))
            return false;
        socket.write(inBytes);
        socket.flush();
        QDeadlineTimer deadline(10000);
        while (socket.state() == QLocalSocket::ConnectedState && !deadline.hasExpired())
            socket.waitForReadyRead(100);
        return socket.bytesAvailable() > 0;
    }

    QTemporaryDir sandbox;
    QProcessEnvironment environment;
    QProcess instance;
};

} // namespace

TEST_F(InstanceEventsTest, DocumentReachesTheInstanceAndQuitRemembersIt)
{
    const QString document = MakeDocument("handed.bvto");
    StartInstance();
    EXPECT_EQ(RunSecond({"handed.bvto"}, Path("documents")), 0) << "relative paths are sent absolute";
    QuitInstance();
    EXPECT_EQ(StoredOpenItems(), QStringList{document});
}

// A later invocation from a place without a display (a terminal over ssh, a script) hands its
// file over all the same: only the instance needs a display.
TEST_F(InstanceEventsTest, AHandOverNeedsNoDisplay)
{
    const QString document = MakeDocument("headless.bvto");
    StartInstance();
    for (const char* variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(variable);
    EXPECT_EQ(RunSecond({document}), 0);
    QuitInstance();
    EXPECT_EQ(StoredOpenItems(), QStringList{document});
}

TEST_F(InstanceEventsTest, GarbageAndOversizedRequestsAreIgnored)
{
    const QString document = MakeDocument("after-garbage.bvto");
    StartInstance();
    QByteArray garbage("\0\0\0\x0cnot a plist!", 16);
    EXPECT_FALSE(SendRaw(garbage));
    QByteArray oversized("\x7f\xff\xff\xff", 4);
    oversized += QByteArray(1024, 'x');
    EXPECT_FALSE(SendRaw(oversized));
    EXPECT_EQ(instance.state(), QProcess::Running);

    EXPECT_EQ(RunSecond({document}), 0);
    QuitInstance();
    EXPECT_EQ(StoredOpenItems(), QStringList{document});
}

TEST_F(InstanceEventsTest, StaleSocketIsRecovered)
{
    ASSERT_TRUE(QDir().mkpath(ChannelFolder()));
    QFile::setPermissions(ChannelFolder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ExeOwner);
    // A socket file nobody listens on, as a crashed instance leaves it.
    const QByteArray socketPath = QFile::encodeName(InstanceChannel::SocketPath(ChannelFolder()));
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(descriptor, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(size_t(socketPath.size()), sizeof(address.sun_path));
    std::memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
    ASSERT_EQ(::bind(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(descriptor);
    ASSERT_TRUE(QFileInfo::exists(QString::fromUtf8(socketPath)));

    const QString document = MakeDocument("after-crash.bvto");
    StartInstance();
    EXPECT_EQ(RunSecond({document}), 0);
    QuitInstance();
    EXPECT_EQ(StoredOpenItems(), QStringList{document});
}
