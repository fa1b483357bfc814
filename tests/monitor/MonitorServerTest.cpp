// The Message Monitor's server with real clients: raw sockets, curl and Python's http.client get
// the exact replies and each hit is recorded once; start failures; the listening address.
#include "MonitorFixture.h"

#include "CFBundle.h"
#include "InterfaceAddresses.h"
#include "MenuBar.h"
#include "ReverseLookup.h"

#include <QFile>
#include <QFileInfo>
#include <QAction>
#include <QImage>
#include <QMenu>

using namespace monitortest;

namespace {

std::string BundleFile(const char* name)
{
    QFile file(QStringLiteral(BREVANTO_SOURCE_DIR "/resources/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll().toStdString();
}

std::string Version()
{
    return CFBundle::Main().ValueForInfoDictionaryKey("CFBundleShortVersionString").ToString().toStdString();
}

std::string ImageReply(const char* type, const std::string& bytes)
{
    return "HTTP/1.0 200 OK\r\nMIME-Version: 1.0\r\nServer: Brevanto/" + Version() + "\r\nContent-Type: " + type +
           "\r\nContent-Length: " + std::to_string(bytes.size()) + "\r\n\r\n" + bytes;
}

const std::string kHelloReply = "HTTP/1.0 200 OK\r\nMIME-Version: 1.0\r\nContent-Type: text/plain\r\n"
                                "Content-Length: 48\r\n\r\nHello back! This is the Brevanto Message Monitor";
const std::string kUnrecognizedReply = "HTTP/1.0 200 OK\r\nMIME-Version: 1.0\r\nContent-Type: text/plain\r\n"
                                       "Content-Length: 20\r\n\r\nUnrecognized request";

bool MonitorMarked()
{
    QMenu* mailing = MenuBar::Get().GetMenu(128);
    QAction* item = MenuBar::Item(mailing, MenuBar::FindItemWithCommand(mailing, 'MsgM'));
    return item && item->isChecked();
}

class MonitorServerTest : public MonitorFixture {
protected:
    void TearDown() override
    {
        MonitorFixture::TearDown();
        MenuBar::Get().RemoveAllMenus();
        InterfaceAddresses::SetListSource({});
        SetReverseResolver({});
    }

    std::string Ask(const std::string& bytes, bool halfClose = false)
    {
        auto reply = std::async(std::launch::async, [port = Port(), bytes, halfClose] {
            return Exchange(port, bytes, halfClose);
        });
        return PumpFor(reply);
    }
};

} // namespace

TEST_F(MonitorServerTest, RawClientsGetTheFourRepliesAndTheHitIsRecorded)
{
    StartApplication();
    const struct {
        std::string request;
        std::string reply;
    } cases[] = {
        {"GET /Brevanto.bvto?Hello HTTP/1.0\r\n\r\n", kHelloReply},
        {"get /favicon.ico HTTP/1.0\r\n\r\n", ImageReply("image/jpeg", BundleFile("Brevanto.jpg"))},
        {"GET /Brevanto.bvto?MessageMonitor=abc&subject=Hi%20there&mailerID=123 HTTP/1.0\r\nHost: x\r\n\r\n",
         ImageReply("image/png", BundleFile("33.png"))},
        {"HEAD /Brevanto.bvto?Hello HTTP/1.0\r\n\r\n", kUnrecognizedReply},
        {"POST /x HTTP/1.0\r\nContent-Length: 3\r\n\r\nabc", kUnrecognizedReply},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Ask(c.request), c.reply) << c.request;
    EXPECT_EQ(Ask("GET /Brevanto.bvto?Hello HTTP/1.0\r\n\r\n", true), kHelloReply) << "a half-close still gets it";

    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].name, "abc");
    EXPECT_EQ(records[0].subject, "Hi there");
    EXPECT_EQ(records[0].mailerID, "123");
    EXPECT_NEAR(records[0].date, QDateTime::currentMSecsSinceEpoch() / 1000.0, 60);
}

TEST_F(MonitorServerTest, CurlAndHttpClientSeeExactRepliesAndImagesDecode)
{
    StartApplication();
    const std::string base = "http://127.0.0.1:" + std::to_string(Port());
    const std::string png = BundleFile("33.png");
    const std::string jpeg = BundleFile("Brevanto.jpg");
    const struct {
        std::vector<std::string> args;
        std::string body;
    } cases[] = {
        {{"curl", "-sS", "--http1.0", base + "/Brevanto.bvto?Hello"}, "Hello back! This is the Brevanto Message Monitor"},
        {{"curl", "-sS", "--http1.1", base + "/favicon.ico"}, jpeg},
        {{"curl", "-sS", base + "/Brevanto.bvto?MessageMonitor=k1&subject=s&mailerID=m"}, png},
        {{"curl", "-sS", "-I", base + "/Brevanto.bvto?Hello"}, kUnrecognizedReply.substr(0, kUnrecognizedReply.find("\r\n\r\n") + 4)},
    };
    for (const auto& c : cases) {
        auto run = std::async(std::launch::async, [args = c.args] { return RunChild(args); });
        const ChildResult result = PumpFor(run);
        EXPECT_EQ(result.status, 0) << c.args.back();
        EXPECT_EQ(result.output, c.body) << c.args.back();
    }
    EXPECT_FALSE(QImage::fromData(QByteArray::fromStdString(png), "PNG").isNull());
    EXPECT_FALSE(QImage::fromData(QByteArray::fromStdString(jpeg), "JPEG").isNull());

    auto check = std::async(std::launch::async, [port = Port()] {
        return RunChild({PeerProcess::Python(), DataFile("http_client_check.py"), std::to_string(port)});
    });
    const ChildResult python = PumpFor(check);
    EXPECT_EQ(python.status, 0) << python.output;
    EXPECT_EQ(python.output, "10 200 OK text/plain 48\n10 200 OK image/png " + std::to_string(png.size()) + "\n")
        << python.output;
    EXPECT_EQ(Records().size(), 2u) << "curl's hit and http.client's";
}

TEST_F(MonitorServerTest, AHitWhileOffGetsThePngAndNoRecord)
{
    StartApplication();
    gEnvironment->monitorOn = 0; // the listener runs, monitoring is off
    EXPECT_EQ(Ask("GET /Brevanto.bvto?MessageMonitor=a&subject=b&mailerID=c HTTP/1.0\r\n\r\n"),
              ImageReply("image/png", BundleFile("33.png")));
    EXPECT_TRUE(Records().empty());
}

TEST_F(MonitorServerTest, AddressTextAndStatusFollowTheSwitches)
{
    InterfaceAddresses::SetListSource([] {
        return std::vector<InterfaceAddress> {{"lo", true, true, AF_INET, "127.0.0.1"},
                                              {"eth9", true, false, AF_INET, "192.0.2.10"}};
    });
    StartApplication();
    const QString port = QString::number(Port());
    EXPECT_EQ(CopyMessageMonitorHostAndPort(), "192.0.2.10:" + port);
    EXPECT_EQ(MessageMonitorStatusText(), "The Message Monitor is listening at: 192.0.2.10:" + port + "  [local]");

    const struct {
        const char* dns;
        ReverseResolver resolver;
        QString hostAndPort;
        QString status;
    } cases[] = {
        {"false", {}, "127.0.0.1:%1", "The Message Monitor is listening at: 127.0.0.1:%1  [external]"},
        {"true", [](const std::string&) { return std::string("host.example"); }, "host.example:%1",
         "The Message Monitor is listening at: host.example:%1 (127.0.0.1) [external]"},
        {"true", [](const std::string&) { return std::string("a b<c"); }, "127.0.0.1:%1",
         "The Message Monitor is listening at: 127.0.0.1:%1  [external]"},
        {"true",
         [](const std::string&) {
             std::this_thread::sleep_for(7s); // later than the look-up's deadline
             return std::string("late.example");
         },
         "127.0.0.1:%1", "The Message Monitor is listening at: 127.0.0.1:%1  [external]"},
    };
    SetSetting(kMessageMonitorShouldUseExternalAddressKey, "true");
    SetSetting(kMessageMonitorIPAddressKey, "127.0.0.1");
    for (const auto& c : cases) {
        SetSetting(kMessageMonitorUseDNSKey, c.dns);
        SetReverseResolver(c.resolver);
        ASSERT_EQ(StartMessageMonitor(24, true), noErr);
        const QString newPort = QString::number(Port());
        EXPECT_EQ(CopyMessageMonitorHostAndPort(), c.hostAndPort.arg(newPort));
        EXPECT_EQ(MessageMonitorStatusText(), c.status.arg(newPort));
    }
    StopMessageMonitor();
    EXPECT_TRUE(CopyMessageMonitorHostAndPort().isNull()) << "off: no address";
    EXPECT_EQ(MessageMonitorStatusText(), "The Message Monitor is off");
}

TEST_F(MonitorServerTest, AFixedPortBindsAgainAtOnceAndNoChildKeepsIt)
{
    const int port = PeerProcess::FreeLoopbackPort();
    SetSetting(kMessageMonitorPortKey, std::to_string(port).c_str());
    StartApplication();
    ASSERT_EQ(Port(), port);
    // A connection served just before leaves the port in TIME_WAIT on the server's side.
    EXPECT_EQ(Ask("GET /Brevanto.bvto?Hello HTTP/1.0\r\n\r\n"), kHelloReply);
    PeerProcess child;
    ASSERT_TRUE(child.Start({"/bin/sleep", "30"}));
    // Until its exec, a forked child holds every descriptor; after it, none of the monitor's.
    ASSERT_TRUE(PumpUntil([&] {
        return QFileInfo(QString("/proc/%1/exe").arg(child.Pid())).symLinkTarget().endsWith("sleep");
    }, 10s));
    ToggleMessageMonitor(true);
    ToggleMessageMonitor(true);
    ASSERT_TRUE(IsMessageMonitorRunning());
    EXPECT_EQ(Port(), port);
    ToggleMessageMonitor(true);
    ASSERT_FALSE(IsMessageMonitorRunning());
    // With the monitor off, nothing (the child included) holds the port.
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(port));
    const int on = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    EXPECT_EQ(bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    EXPECT_EQ(listen(s, 1), 0) << std::strerror(errno);
    close(s);
}

TEST_F(MonitorServerTest, AStartThatFailsLeavesTheMonitorOffAndSaysWhy)
{
    const int held = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    socklen_t length = sizeof a;
    ASSERT_EQ(bind(held, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(listen(held, 1), 0);
    ASSERT_EQ(getsockname(held, reinterpret_cast<sockaddr*>(&a), &length), 0);
    const std::string heldPort = std::to_string(ntohs(a.sin_port));

    const struct {
        std::string port;
        QString explanation;
    } cases[] = {
        {heldPort, QString("It could not listen on port %1: Address already in use.").arg(heldPort.c_str())},
        {"70000", "70000 is not a port between 0 and 65535."},
        {"-1", "-1 is not a port between 0 and 65535."},
    };
    for (const auto& c : cases) {
        SetSetting(kMessageMonitorKey, "false");
        SetSetting(kMessageMonitorPortKey, c.port.c_str());
        CBrevantoApp& application = MakeApplication();
        application.BuildMenuBar();
        application.SetUpApplication();
        presenter->QueueAlert(kAlertStdAlertOKButton);
        ToggleMessageMonitor(false);
        ASSERT_FALSE(presenter->Requests().empty());
        EXPECT_EQ(presenter->Requests().back().message, "The Message Monitor could not be started.");
        EXPECT_EQ(presenter->Requests().back().explanation, c.explanation);
        EXPECT_EQ(presenter->PendingAnswers(), 0u) << "no ON alert after a failed start";
        EXPECT_FALSE(IsMessageMonitorRunning()) << c.port;
        EXPECT_EQ(gEnvironment->monitorOn, 0) << c.port;
        EXPECT_FALSE(MonitorMarked()) << c.port;
        EXPECT_STREQ(GetPreference(CString256(kMessageMonitorKey)).get(), "true") << "retried at the next launch";
        EXPECT_EQ(MessageMonitorStatusText(), "The Message Monitor is off");
        CloseAllWindows();
        application.CleanUp();
        app.reset();
        MenuBar::Get().RemoveAllMenus();
    }
    close(held);
}
