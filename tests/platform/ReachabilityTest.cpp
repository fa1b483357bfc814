// Reachability, the default gateway and the interface list from fed route tables and
// interface lists; then the live answers inside the test namespace (loopback only).
#include "InterfaceAddressWatch.h"
#include "InterfaceAddresses.h"
#include "LQtApplication.h"
#include "Reachability.h"
#include "RouteTable.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <netinet/in.h>
#include <sys/socket.h>

namespace {

const char* kTitles = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";

std::vector<InterfaceAddress> Interfaces(bool ethUp)
{
    return {
        {"lo", true, true, AF_INET, "127.0.0.1"},
        {"eth0", ethUp, false, AF_PACKET, ""},
        {"eth0", ethUp, false, AF_INET6, "fe80::1"},
        {"eth0", ethUp, false, AF_INET, "192.168.1.20"},
    };
}

class FedSources : public ::testing::Test {
protected:
    void Feed(const std::string& routes, bool ethUp)
    {
        const std::string text = kTitles + routes;
        RouteTable::SetSource([text] { return text; });
        InterfaceAddresses::SetListSource([ethUp] { return Interfaces(ethUp); });
    }
    void TearDown() override
    {
        RouteTable::SetSource({});
        InterfaceAddresses::SetListSource({});
    }
};

TEST_F(FedSources, DefaultRouteNeedsUpRouteZeroMaskAndUpInterface)
{
    struct Case {
        const char* routes;
        bool ethUp;
        bool reachable;
        const char* gateway;
    } cases[] = {
        {"eth0\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n", true, true, "192.168.1.1"},
        {"eth0\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n", false, false, nullptr},
        {"eth0\t00000000\t0101A8C0\t0002\t0\t0\t100\t00000000\t0\t0\t0\n", true, false, nullptr},
        {"eth0\t0001A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n", true, false, nullptr},
        {"eth0\t00000000\t0101A8C0\t0003\t0\t0\t100\t000000FF\t0\t0\t0\n", true, false, nullptr},
        {"wlan9\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
         "eth0\t00000000\t0201A8C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n", true, true, "192.168.1.2"},
        {"garbage line\n", true, false, nullptr},
        {"", true, false, nullptr},
    };
    for (const Case& c : cases) {
        Feed(c.routes, c.ethUp);
        EXPECT_EQ(Reachability::IPv4DefaultRoute(), c.reachable) << c.routes;
        const auto gateway = InterfaceAddresses::DefaultGateway();
        EXPECT_EQ(gateway.has_value(), c.gateway != nullptr) << c.routes;
        if (gateway && c.gateway) {
            EXPECT_EQ(*gateway, c.gateway);
        }
    }
}

TEST_F(FedSources, ListKeepsTheSourceOrder)
{
    Feed("", true);
    const auto list = InterfaceAddresses::List();
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].name, "lo");
    EXPECT_EQ(list[3].address, "192.168.1.20");
    EXPECT_TRUE(InterfaceAddresses::IsInterfaceUp("eth0"));
    EXPECT_FALSE(InterfaceAddresses::IsInterfaceUp("eth1"));
}

bool InPrivateNamespace()
{
    for (const InterfaceAddress& item : InterfaceAddresses::List()) {
        if (item.up && !item.loopback)
            return false;
    }
    return true;
}

TEST(LiveNetwork, NamespaceHasNoRouteOut)
{
    if (!InPrivateNamespace())
        GTEST_SKIP() << "not inside the private test namespace";
    EXPECT_FALSE(Reachability::IPv4DefaultRoute());
    EXPECT_FALSE(InterfaceAddresses::DefaultGateway());
    bool sawLoopback = false;
    for (const InterfaceAddress& item : InterfaceAddresses::List())
        sawLoopback |= item.loopback && item.family == AF_INET && item.address == "127.0.0.1";
    EXPECT_TRUE(sawLoopback);
}

TEST(LiveNetwork, WatchSeesAnIPv4AddressAppear)
{
    if (!InPrivateNamespace() || geteuid() != 0)
        GTEST_SKIP() << "adds an address to loopback: only as root inside the private namespace";
    LQtApplication::Instance();
    InterfaceAddressWatch watch;
    ASSERT_TRUE(watch.IsWatching());
    int changes = 0;
    QObject::connect(&watch, &InterfaceAddressWatch::Changed, [&] { ++changes; });
    ASSERT_EQ(std::system("ip addr add 127.0.0.77/32 dev lo"), 0);
    QElapsedTimer clock;
    clock.start();
    while (changes == 0 && clock.elapsed() < 3000) {
        QEventLoop loop;
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        loop.exec();
    }
    std::system("ip addr del 127.0.0.77/32 dev lo");
    EXPECT_GT(changes, 0);
}

} // namespace
