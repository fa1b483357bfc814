// Service browsing against a stand-in Avahi daemon (tests/peers/fake_avahi.py, python3-dbus) on
// a private bus of our own dbus-daemon: services found once whatever reports them, removals,
// names, resolving to IPv4 only and within the deadline, the search that can't start.
#include "../peers/PeerProcess.h"

#include "ServiceBrowsing.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>

#include <chrono>
#include <memory>

namespace {

using namespace std::chrono_literals;

QStringList Names(const QList<DiscoveredService>* services)
{
    QStringList names;
    if (services != nullptr)
        for (const DiscoveredService& service : *services)
            names << service.name;
    return names;
}

class ServiceBrowsing : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QCoreApplication::instance() == nullptr)
            mApplication = std::make_unique<QCoreApplication>(mArgc, mArgv);
        ASSERT_TRUE(mBus.Start({"/usr/bin/dbus-daemon", "--session", "--nofork", "--print-address=1"}));
        mAddress = QString::fromStdString(mBus.ReadLine(20s));
        ASSERT_FALSE(mAddress.isEmpty()) << "the private bus did not start";
        std::string script = PeerProcess::PeersFolder();
        script.append("/fake_avahi.py");
        ASSERT_TRUE(mAvahi.Start({PeerProcess::Python(), script, mAddress.toStdString()}));
        ASSERT_EQ(mAvahi.ReadLine(30s), "ready") << "the stand-in Avahi daemon did not start";
        mConnection = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(mAddress, kConnectionName));
        ASSERT_TRUE(mConnection->isConnected()) << mConnection->lastError().message().toStdString();
        SetServiceBrowsingBus(*mConnection);
        SetServiceResolveDeadline(1s);
    }

    void TearDown() override
    {
        StopServiceBrowser();
        SetServiceBrowsingBus(QDBusConnection::systemBus());
        SetServiceResolveDeadline(10s);
        mConnection.reset();
        QDBusConnection::disconnectFromBus(kConnectionName);
        mAvahi.Stop();
        mBus.Stop();
    }

    void Control(const char* method, const QVariantList& arguments)
    {
        QDBusMessage call =
            QDBusMessage::createMethodCall("org.freedesktop.Avahi", "/control", "org.brevanto.FakeAvahi", method);
        call.setArguments(arguments);
        const QDBusMessage reply = mConnection->call(call);
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << method << ": " << reply.errorMessage().toStdString();
    }
    void Report(const char* method, int interface, int protocol, const QString& name)
    {
        Control(method, {interface, protocol, name, QStringLiteral("_brevanto._tcp"), QStringLiteral("local")});
    }
    QStringList DaemonCalls()
    {
        const QDBusMessage reply = mConnection->call(
            QDBusMessage::createMethodCall("org.freedesktop.Avahi", "/control", "org.brevanto.FakeAvahi", "Calls"));
        return reply.arguments().value(0).toStringList();
    }

    // Lets the bus's messages in until the found names are `expected` (or the limit passes).
    QStringList PumpUntilNames(const QStringList& expected, std::chrono::milliseconds limit = 10s)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (Names(FoundServices()) != expected && std::chrono::steady_clock::now() < end)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return Names(FoundServices());
    }
    // Runs the loop a little so that reports the daemon sent would be in.
    void Settle()
    {
        DaemonCalls(); // a round trip: what the daemon sent before its answer has arrived
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }

    static constexpr char kConnectionName[] = "fake-avahi";
    int mArgc = 1;
    char mName[16] = "tests_monitor";
    char* mArgv[2] = {mName, nullptr};
    std::unique_ptr<QCoreApplication> mApplication;
    PeerProcess mBus;
    PeerProcess mAvahi;
    QString mAddress;
    std::unique_ptr<QDBusConnection> mConnection;
};

TEST_F(ServiceBrowsing, EachServiceIsListedOnceWhateverInterfaceOrProtocolReportsIt)
{
    EXPECT_EQ(FoundServices(), nullptr); // before the first search
    Report("Add", 2, 0, "Office"); // present before the search: reported before the browser's answer
    StartServiceBrowser();
    ASSERT_TRUE(IsServiceBrowserRunning());
    ASSERT_NE(FoundServices(), nullptr);
    EXPECT_EQ(PumpUntilNames({"Office"}), QStringList{"Office"});
    EXPECT_TRUE(DaemonCalls().contains("ServiceBrowserNew _brevanto._tcp "));

    Report("Add", 3, 0, "Office");
    Report("Add", 2, 1, "Office");
    Report("Add", 2, 0, "Lab");
    EXPECT_EQ(PumpUntilNames({"Office", "Lab"}), QStringList({"Office", "Lab"}));
    Report("Remove", 2, 0, "Ghost"); // never reported
    Report("Remove", 2, 0, "Office");
    Report("Remove", 3, 0, "Office");
    Settle();
    EXPECT_EQ(Names(FoundServices()), QStringList({"Office", "Lab"})); // still reported on 2 over IPv6
    Report("Remove", 2, 1, "Office");
    EXPECT_EQ(PumpUntilNames({"Lab"}), QStringList{"Lab"});

    ASSERT_TRUE(FindServiceNamed("Lab").has_value());
    EXPECT_EQ(FindServiceNamed("Lab")->domain, "local");
    EXPECT_FALSE(FindServiceNamed("lab").has_value());
    EXPECT_FALSE(FindServiceNamed("Office").has_value());
}

TEST_F(ServiceBrowsing, StopKeepsTheListAndAnotherSearchBeginsAfresh)
{
    Report("Add", 2, 0, "Office");
    StartServiceBrowser();
    ASSERT_EQ(PumpUntilNames({"Office"}), QStringList{"Office"});
    StopServiceBrowser();
    EXPECT_FALSE(IsServiceBrowserRunning());
    EXPECT_TRUE(DaemonCalls().contains("Free /Client1/ServiceBrowser1"));
    Report("Add", 2, 0, "Lab"); // no browser hears it
    Settle();
    EXPECT_EQ(Names(FoundServices()), QStringList{"Office"});

    StartServiceBrowser();
    ASSERT_TRUE(IsServiceBrowserRunning());
    EXPECT_EQ(PumpUntilNames({"Office", "Lab"}), QStringList({"Office", "Lab"}));
}

TEST_F(ServiceBrowsing, ResolvingGivesIPv4AddressesOnlyAndWaitsNoLongerThanTheDeadline)
{
    for (const char* name : {"Mute", "Six", "Refused", "Office"})
        Report("Add", 2, 0, name);
    Control("SetSilent", {QStringLiteral("Mute")});
    Control("SetAnswer", {QStringLiteral("Six"), 1, QStringLiteral("fe80::1"), QVariant::fromValue(quint16(4242))});
    Control("SetAnswer", {QStringLiteral("Office"), 0, QStringLiteral("192.0.2.7"), QVariant::fromValue(quint16(4242))});
    StartServiceBrowser();
    ASSERT_EQ(PumpUntilNames({"Mute", "Six", "Refused", "Office"}), QStringList({"Mute", "Six", "Refused", "Office"}));

    quint16 port = 1;
    EXPECT_EQ(ResolveServiceNamed("Office", port), "192.0.2.7");
    EXPECT_EQ(port, 4242);
    port = 1;
    for (const char* name : {"Six", "Mute", "Refused", "Nobody"}) {
        EXPECT_TRUE(ResolveServiceNamed(name, port).isNull()) << name;
        EXPECT_EQ(port, 1) << name;
    }
    // the silent, IPv6 and refused services come first and are passed over
    EXPECT_EQ(FindServiceNameByAddress("192.0.2.7", 4242), "Office");
    EXPECT_TRUE(FindServiceNameByAddress("192.0.2.7", 4243).isNull());
    EXPECT_TRUE(FindServiceNameByAddress("192.0.2.8", 4242).isNull());
}

TEST_F(ServiceBrowsing, WithoutADaemonTheSearchCannotStart)
{
    mAvahi.Stop(); // the bus stays, nobody owns the daemon's name
    StartServiceBrowser();
    EXPECT_FALSE(IsServiceBrowserRunning());
    EXPECT_EQ(FoundServices(), nullptr);
    quint16 port = 1;
    EXPECT_TRUE(ResolveServiceNamed("Office", port).isNull());
    EXPECT_TRUE(FindServiceNameByAddress("192.0.2.7", 4242).isNull());

    SetServiceBrowsingBus(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), "no-bus"));
    StartServiceBrowser();
    EXPECT_FALSE(IsServiceBrowserRunning());
    EXPECT_EQ(FoundServices(), nullptr);
    QDBusConnection::disconnectFromBus("no-bus");
}

} // namespace
