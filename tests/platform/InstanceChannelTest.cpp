// The per-user instance channel with two instances in one process (the lock is per open file,
// so the second one sees it taken) and raw socket clients: the first instance listens, a later
// one hands its events over and is acknowledged, events arrive in order on the GUI thread,
// stale sockets are replaced, and garbage, oversized, unknown, relative and slow requests are
// dropped without an answer while the instance goes on serving.
#include "InstanceChannel.h"
#include "LApplication.h"
#include "ProgramRequests.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

class InstanceChannelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(mSandbox.isValid());
        mFolder = mSandbox.path() + "/channel";
    }

    // Runs inClient on another thread while the loop turns here, then a few more passes so that
    // what the client caused is dispatched.
    void WhileLooping(const std::function<void()>& inClient)
    {
        std::atomic<bool> done = false;
        std::thread client([&] {
            inClient();
            done = true;
        });
        const auto until = std::chrono::steady_clock::now() + 10s;
        while (!done && std::chrono::steady_clock::now() < until)
            mApp.ProcessNextEvent();
        client.join();
        for (int pass = 0; pass < 5; ++pass)
            mApp.ProcessNextEvent();
    }

    enum class Outcome { Answered, Closed, Silent };

    // A raw client: connects, writes inBytes, and says whether the instance answered "OK",
    // closed the connection unanswered, or said nothing within inWait.
    Outcome RawRequest(const QByteArray& inBytes, std::chrono::milliseconds inWait = 2000ms)
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(InstanceChannel::SocketPath(mFolder));
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
            ::close(fd);
            return Outcome::Closed;
        }
        ::send(fd, inBytes.constData(), size_t(inBytes.size()), MSG_NOSIGNAL);
        timeval timeout{long(inWait.count() / 1000), long(inWait.count() % 1000) * 1000};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
        char answer[2] = {};
        const ssize_t got = ::recv(fd, answer, 2, MSG_WAITALL);
        ::close(fd);
        if (got == 2 && std::memcmp(answer, "OK", 2) == 0)
            return Outcome::Answered;
        return got < 0 ? Outcome::Silent : Outcome::Closed;
    }

    // The declared size, a deadline a minute away (monotonic milliseconds), the payload.
    static QByteArray Frame(const QByteArray& inPayload, quint32 inDeclared)
    {
        QByteArray frame;
        for (int shift = 24; shift >= 0; shift -= 8)
            frame += char((inDeclared >> shift) & 0xFF);
        const auto deadline = std::chrono::duration_cast<std::chrono::milliseconds>(
            (std::chrono::steady_clock::now() + 60s).time_since_epoch());
        for (int shift = 56; shift >= 0; shift -= 8)
            frame += char((quint64(deadline.count()) >> shift) & 0xFF);
        return frame + inPayload;
    }
    static QByteArray Frame(const QByteArray& inPayload) { return Frame(inPayload, quint32(inPayload.size())); }

    LApplication mApp;
    QTemporaryDir mSandbox;
    QString mFolder;
};

QStringList Paths(const std::vector<AppleEvent>& inEvents)
{
    QStringList all;
    for (const AppleEvent& event : inEvents)
        all << event.directObject;
    return all;
}

TEST_F(InstanceChannelTest, TheFirstInstanceTakesTheLockAndListensForTheUserOnly)
{
    InstanceChannel first(mFolder);
    InstanceChannel second(mFolder);
    ASSERT_EQ(first.Open(), InstanceChannel::Role::First);
    EXPECT_EQ(second.Open(), InstanceChannel::Role::Second);

    struct stat folder {};
    struct stat socket {};
    ASSERT_EQ(::stat(QFile::encodeName(mFolder).constData(), &folder), 0);
    ASSERT_EQ(::stat(QFile::encodeName(InstanceChannel::SocketPath(mFolder)).constData(), &socket), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    EXPECT_TRUE(S_ISSOCK(socket.st_mode));
    EXPECT_EQ(socket.st_mode & 077, 0u);
}

TEST_F(InstanceChannelTest, AFolderThatIsNotPrivateIsRefused)
{
    ASSERT_TRUE(QDir().mkpath(mFolder));
    ASSERT_EQ(::chmod(QFile::encodeName(mFolder).constData(), 0755), 0);
    InstanceChannel channel(mFolder);
    EXPECT_EQ(channel.Open(), InstanceChannel::Role::Unavailable);
}

TEST_F(InstanceChannelTest, RequestsArriveAcknowledgedInOrderOnTheGuiThread)
{
    InstanceChannel instance(mFolder);
    ASSERT_EQ(instance.Open(), InstanceChannel::Role::First);
    std::vector<AppleEvent> received;
    bool allOnGuiThread = true;
    instance.SetReceiver([&](const AppleEvent& inEvent) {
        allOnGuiThread = allOnGuiThread && QThread::currentThread() == QCoreApplication::instance()->thread();
        received.push_back(inEvent);
    });

    bool firstSent = false;
    bool secondSent = false;
    QString error;
    WhileLooping([&] {
        firstSent = InstanceChannel::Send(
            mFolder,
            {AppleEvent::Make('aevt', 'odoc', {"/docs/a.bvto", "/docs/b.bvto"}), AppleEvent::Make('GURL', 'GURL', {"http://example.com/"})},
            5s, &error);
        secondSent = InstanceChannel::Send(mFolder, {AppleEvent::Make('e3ML', 'imDL', {"/tmp/p.plist"})}, 5s, &error);
    });
    EXPECT_TRUE(firstSent) << error.toStdString();
    EXPECT_TRUE(secondSent) << error.toStdString();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_TRUE(received[0].Is('aevt', 'odoc'));
    EXPECT_TRUE(received[1].Is('GURL', 'GURL'));
    EXPECT_TRUE(received[2].Is('e3ML', 'imDL'));
    EXPECT_EQ(Paths(received), QStringList({"/docs/a.bvto", "/docs/b.bvto", "http://example.com/", "/tmp/p.plist"}));
    EXPECT_TRUE(allOnGuiThread);
}

TEST_F(InstanceChannelTest, ASocketLeftByAnInstanceThatDiedIsReplaced)
{
    ASSERT_TRUE(QDir().mkpath(mFolder));
    ASSERT_EQ(::chmod(QFile::encodeName(mFolder).constData(), 0700), 0);
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(InstanceChannel::SocketPath(mFolder));
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        ::close(fd); // the file stays behind, nobody listens
    }
    QFile lock(InstanceChannel::LockPath(mFolder));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly)); // an unlocked lock file is left over too
    lock.close();

    InstanceChannel instance(mFolder);
    ASSERT_EQ(instance.Open(), InstanceChannel::Role::First);
    int received = 0;
    instance.SetReceiver([&](const AppleEvent&) { ++received; });
    bool sent = false;
    WhileLooping([&] { sent = InstanceChannel::Send(mFolder, {AppleEvent::Make('aevt', 'rapp')}, 5s, nullptr); });
    EXPECT_TRUE(sent);
    EXPECT_EQ(received, 1);
}

TEST_F(InstanceChannelTest, GarbageOversizedUnknownAndSlowRequestsGetNoAnswerAndChangeNothing)
{
    InstanceChannel instance(mFolder);
    ASSERT_EQ(instance.Open(), InstanceChannel::Role::First);
    std::vector<AppleEvent> received;
    instance.SetReceiver([&](const AppleEvent& inEvent) { received.push_back(inEvent); });

    const QByteArray unknown = ProgramRequests::Encode({AppleEvent::Make('xxxx', 'yyyy', {"/a"})});
    const QByteArray relative = ProgramRequests::Encode({AppleEvent::Make('aevt', 'odoc', {"a.bvto"})});
    const QByteArray good = ProgramRequests::Encode({AppleEvent::Make('aevt', 'odoc', {"/good.bvto"})});
    // Refused at once: the connection closes long before the read deadline.
    instance.SetReadTimeout(30s);
    const std::pair<const char*, QByteArray> refused[] = {
        {"garbage", Frame("hello, instance")},
        {"declared beyond the cap", Frame("{}", quint32(InstanceChannel::kMaxRequestBytes + 1))},
        {"declared empty", Frame("", 0)},
        {"unknown event", Frame(unknown)},
        {"relative path", Frame(relative)},
    };
    for (const auto& [what, bytes] : refused) {
        Outcome outcome = Outcome::Answered;
        WhileLooping([&] { outcome = RawRequest(bytes); });
        EXPECT_EQ(outcome, Outcome::Closed) << what;
    }
    // A request that never completes is dropped at the read deadline.
    instance.SetReadTimeout(300ms);
    Outcome slow = Outcome::Answered;
    WhileLooping([&] { slow = RawRequest(Frame(good, quint32(good.size() + 10))); });
    EXPECT_EQ(slow, Outcome::Closed);
    EXPECT_TRUE(received.empty());

    Outcome answered = Outcome::Closed;
    WhileLooping([&] { answered = RawRequest(Frame(good)); });
    EXPECT_EQ(answered, Outcome::Answered);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].directObject, QStringList({"/good.bvto"}));
}

// An instance frozen past the sender's deadline: the sender reports failure, and when the
// instance comes back it drops the request instead of carrying it out behind the sender's back.
TEST_F(InstanceChannelTest, ARequestWhoseSenderGaveUpIsNotCarriedOut)
{
    InstanceChannel instance(mFolder);
    ASSERT_EQ(instance.Open(), InstanceChannel::Role::First);
    std::vector<AppleEvent> received;
    instance.SetReceiver([&](const AppleEvent& inEvent) { received.push_back(inEvent); });

    QString error;
    bool sent = true;
    std::thread sender([&] {
        sent = InstanceChannel::Send(mFolder, {AppleEvent::Make('aevt', 'odoc', {"/late.bvto"})}, 300ms, &error);
    });
    sender.join(); // the loop does not turn meanwhile: the instance is frozen
    EXPECT_FALSE(sent);
    EXPECT_TRUE(error.contains("did not answer")) << error.toStdString();
    for (int pass = 0; pass < 10; ++pass)
        mApp.ProcessNextEvent();
    EXPECT_TRUE(received.empty());

    // The instance still serves a sender that waits.
    WhileLooping([&] { sent = InstanceChannel::Send(mFolder, {AppleEvent::Make('aevt', 'odoc', {"/on-time.bvto"})}, 5s, &error); });
    EXPECT_TRUE(sent);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].directObject, QStringList({"/on-time.bvto"}));
}

TEST_F(InstanceChannelTest, TheSecondProcessGivesUpWithAMessageWhenNoInstanceAnswers)
{
    QString error;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(InstanceChannel::Send(mFolder, {AppleEvent::Make('aevt', 'rapp')}, 300ms, &error));
    EXPECT_FALSE(error.isEmpty());

    // A listener that never answers: the deadline ends the wait.
    ASSERT_TRUE(QDir().mkpath(mFolder));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(InstanceChannel::SocketPath(mFolder));
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(::listen(fd, 4), 0);
    error.clear();
    EXPECT_FALSE(InstanceChannel::Send(mFolder, {AppleEvent::Make('aevt', 'rapp')}, 300ms, &error));
    EXPECT_TRUE(error.contains("did not answer")) << error.toStdString();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    ::close(fd);
}

} // namespace
