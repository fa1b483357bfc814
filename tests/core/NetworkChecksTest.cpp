// Network checks: reachability and the local address from fed routes and interfaces, the
// public address from the test peer, page titles, the e-mail form and blacklist patterns.
#include "NetworkChecks.h"

#include "InterfaceAddresses.h"
#include "RouteTable.h"

#include "../peers/HttpPeer.h"

#include <gtest/gtest.h>

#include <QFile>

#include <sys/socket.h>

namespace {

const char* kRoutes =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
    "eth0\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n";

class FedNetwork : public ::testing::Test {
protected:
    void Feed(bool withRoute, std::vector<InterfaceAddress> list)
    {
        const std::string routes = withRoute ? kRoutes : "Iface\n";
        RouteTable::SetSource([routes] { return routes; });
        InterfaceAddresses::SetListSource([list] { return list; });
    }
    void TearDown() override
    {
        RouteTable::SetSource({});
        InterfaceAddresses::SetListSource({});
        SetNetworkAlertPresenter({});
    }
};

TEST_F(FedNetwork, LocalAddressSkipsLoopbackAndIPv6AndIsCached)
{
    Feed(true, {{"lo", true, true, AF_INET, "127.0.0.1"},
                {"eth0", true, false, AF_INET6, "fe80::1"},
                {"dummy0", true, false, AF_INET, "127.0.1.1"},
                {"eth0", true, false, AF_INET, "192.168.1.20"},
                {"eth1", true, false, AF_INET, "10.0.0.9"}});
    EXPECT_TRUE(IsNetworkReachable());
    EXPECT_EQ(GetLocalIPAddress(true, false), "192.168.1.20");
    Feed(true, {{"eth1", true, false, AF_INET, "10.0.0.9"}});
    EXPECT_EQ(GetLocalIPAddress(false, false), "192.168.1.20") << "the cache is kept";
    EXPECT_EQ(GetLocalIPAddress(true, false), "10.0.0.9");
    Feed(false, {{"lo", true, true, AF_INET, "127.0.0.1"}});
    EXPECT_FALSE(IsNetworkReachable());
    EXPECT_EQ(GetLocalIPAddress(true, false), "0.0.0.0");

    CString256 address, name;
    EXPECT_EQ(GetGatewayAddress(address, name), -3201);
    Feed(true, {{"eth0", true, false, AF_INET, "192.168.1.20"}});
    EXPECT_EQ(GetGatewayAddress(address, name), noErr);
    EXPECT_STREQ(address.text, "192.168.1.1");
    EXPECT_EQ(GetInterfaceAddress(address, name), noErr);
    EXPECT_STREQ(address.text, "192.168.1.20");
}

TEST_F(FedNetwork, DiagnosisShowsItsAlert)
{
    std::vector<std::pair<QString, QString>> shown;
    SetNetworkAlertPresenter([&](const QString& message, const QString& explanation) {
        shown.push_back({message, explanation});
    });
    Feed(true, {{"eth0", true, false, AF_INET, "192.168.1.20"}});
    RunNetworkDiagnostics();
    Feed(false, {});
    RunNetworkDiagnostics();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].first, "The connection seems to be up");
    EXPECT_EQ(shown[0].second, "Network diagnostics is not needed.");
    EXPECT_EQ(shown[1].first, "The connection seems to be down");
    EXPECT_EQ(shown[1].second, "Check this computer's network connection and try again.");
}

TEST(LiveNetworkChecks, NamespaceIsUnreachableWithUnknownLocalAddress)
{
    for (const InterfaceAddress& item : InterfaceAddresses::List()) {
        if (item.up && !item.loopback)
            GTEST_SKIP() << "not inside the private test namespace";
    }
    EXPECT_FALSE(IsNetworkReachable());
    EXPECT_EQ(GetLocalIPAddress(true, false), "0.0.0.0");
}

class WebChecks : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(peer.IsRunning()); }
    void TearDown() override { SetExternalAddressServiceURL({}); }
    QString External(const std::string& path)
    {
        SetExternalAddressServiceURL(QString::fromStdString(peer.URL(path)));
        return GetExternalIPAddress(true, false);
    }
    void Page(const QString& name, const QByteArray& bytes)
    {
        QFile file(peer.Root() + "/" + name);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
    }
    QString Title(const QString& name) { return GetURLTitle(QString::fromStdString(peer.URL("/static/")) + name); }

    HttpPeer peer;
};

TEST_F(WebChecks, ExternalAddressMustBeAPlainIPv4Text)
{
    EXPECT_EQ(External("/ip?body=198.51.100.7%0A"), "198.51.100.7");
    EXPECT_EQ(GetExternalIPAddress(false, false), "198.51.100.7");
    for (const char* bad : {"/ip?body=%3Chtml%3E198.51.100.7%3C/html%3E", "/status/404", "/ip?body=256.1.1.1",
                            "/ip?body=1.2.3", "/ip?body=evil.example.com", "/ip?body=1.2.3.4%20x"})
        EXPECT_EQ(External(bad), "0.0.0.0") << bad;
}

TEST_F(WebChecks, ExternalAddressFallbackCarriesTheBrowserUserAgent)
{
    peer.ClearRequests();
    EXPECT_EQ(External("/ip?body=198.51.100.9&need=Safari/533.20.27"), "198.51.100.9");
    const auto requests = peer.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].Header("User-Agent").toStdString(), kExternalAddressFallbackUserAgent);
}

TEST_F(WebChecks, PageTitlesBecomeOneSafeName)
{
    Page("title.html", "<html><head><TITLE>a/b: c</TITLE></head></html>");
    Page("notitle.html", "<html><body>none</body></html>");
    Page("dots.html", "<title>..</title>");
    Page("roman.html", "<title>Caf\x8e \xd0 Men\x9f</title>");
    Page("long.html", "<title>" + QByteArray(300, 'x') + "\xc3\xa9</title>");
    EXPECT_EQ(Title("title.html"), "a-b- c");
    EXPECT_EQ(Title("notitle.html"), "notitle.html");
    EXPECT_EQ(Title("dots.html"), "dots.html");
    EXPECT_EQ(Title("roman.html"), QString::fromUtf8("Caf\u00e9 \u2013 Men\u00fc"));
    EXPECT_LE(Title("long.html").toUtf8().size(), 255);
    EXPECT_EQ(Title("missing.html"), "missing.html");
    EXPECT_TRUE(GetURLTitle(QString()).isNull());
    EXPECT_TRUE(GetURLTitle(QString::fromStdString(peer.URL("/status/404/"))).isNull());
}

TEST(AddressForms, EmailTable)
{
    struct {
        const char* address;
        bool valid;
    } cases[] = {
        {"", false},
        {"a@b.c", false},
        {"a@b.co", true},
        {"a@b.info", true},
        {"a@b.museum", true},
        {"a@b.travel", true},
        {"a@b.photography", true},
        {"a@b.online", true},
        {"a@example.xn--p1ai", true},
        {"o'brien@example.ie", true},
        {"a@b.abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyzabcdefghijk", true},   // 63 letters
        {"a@b.abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyzabcdefghijkl", false},  // 64
        {"a@b.c0m", false},
        {"ann@example.org\r\nBcc:victim@x.example", false},
        {"ann@example.org\nx", false},
        {"ann\t@example.org", false},
        {"ann,bob@example.org", false},
        {"ann;bob@example.org", false},
        {"<ann@example.org>", false},
        {"\"ann\"@example.org", false},
        {"ann\x7F@example.org", false},
        {"First.Last+tag@Sub.Example.COM", true},
        {"a@@b.com", false},
        {"a@b@c.com", false},
        {"jos\u00e9@example.com", true},
        {"no at sign.com", false},
        {"a b@c.com", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsValidEmailAddress(QString::fromUtf8(c.address)), c.valid) << c.address;
    EXPECT_TRUE(IsValidEmailCString("jos\x8e@example.com", 0));
    EXPECT_TRUE(IsValidEmailCString("jos\xc3\xa9@example.com", 0x08000100));
    EXPECT_FALSE(IsValidEmailCString(nullptr, 0));
}

TEST(AddressForms, BlacklistPatterns)
{
    const QString address = "Spammer@Spam.com";
    EXPECT_FALSE(MatchesAnyPattern({}, address, true));
    EXPECT_TRUE(MatchesAnyPattern({"spammer@spam.COM"}, address, false));
    EXPECT_FALSE(MatchesAnyPattern({"spam.com"}, address, false));
    EXPECT_TRUE(MatchesAnyPattern({".*@spam\\.com"}, address, true));
    EXPECT_FALSE(MatchesAnyPattern({"spam\\.com"}, address, true)) << "the whole address must match";
    EXPECT_TRUE(MatchesAnyPattern({"*@spam.com", "[", ".*@SPAM\\.com"}, address, true))
        << "invalid entries are skipped, the rest still tried";
    EXPECT_TRUE(MatchesAnyPattern({"\\S+@\\S+"}, address, true)) << "\\S keeps its meaning";
    EXPECT_FALSE(MatchesAnyPattern({"\\S+"}, "a b@c.com", true));
    EXPECT_TRUE(MatchesAnyPattern({"o'brien@.*"}, "O'Brien@x.com", true)) << "a quote is literal";
    EXPECT_TRUE(MatchesAnyPattern({"jose@.*"}, QString::fromUtf8("Jos\u00e9@x.com"), true));
}

} // namespace
