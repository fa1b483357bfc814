// The whole test run happens in a private network namespace: nothing but loopback is there.
#include <gtest/gtest.h>

#include <QNetworkInterface>

TEST(TestNamespace, OnlyLoopbackIsUp)
{
    if (std::getenv("BREVANTO_OUTSIDE_NAMESPACE"))
        GTEST_SKIP() << "run outside the private namespace on request";
    for (const QNetworkInterface& iface : QNetworkInterface::allInterfaces()) {
        if (!(iface.flags() & QNetworkInterface::IsUp))
            continue;
        EXPECT_TRUE(iface.flags() & QNetworkInterface::IsLoopBack) << iface.name().toStdString();
    }
}
