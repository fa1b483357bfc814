// POP before SMTP through the send thread, against Dovecot's POP3 and aiosmtpd: one log-in per
// period for a server and user, with its log lines; a refused POP log-in is logged and the
// message still goes.
#include <gtest/gtest.h>

#include "FakeDeliveryWindow.h"
#include "SendJobFixture.h"

#include "../peers/DovecotPeer.h"

#include "PopBeforeSMTP.h"

namespace {

class PopBeforeSMTPTest : public SendJobTest {
protected:
    void SetUp() override
    {
        SendJobTest::SetUp();
        ForgetPopBeforeSMTPLogins();
    }
    void TearDown() override
    {
        SetPopBeforeSMTPPort(0);
        ForgetPopBeforeSMTPLogins();
        SendJobTest::TearDown();
    }
};

TEST_F(PopBeforeSMTPTest, TwoSendsWithinThePeriodLogInOnceAndWithoutAPeriodEachTime)
{
    const struct {
        SInt32 periodMinutes;
        int logins;
    } cases[] = {{10, 1}, {0, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.periodMinutes);
        ForgetPopBeforeSMTPLogins();
        DovecotPeer pop({{"user", "secret"}}, false);
        SmtpServerPeer smtp({SmtpServerPeer::EMode::startTLS});
        ASSERT_TRUE(pop.IsRunning() && smtp.IsRunning());
        SetPopBeforeSMTPPort(UInt16(pop.Port()));
        const qsizetype logStart = LogLines().size() - 1;

        FakeDeliveryWindow window;
        window.port = smtp.Port();
        window.authenticationType = kPopAuthentication;
        window.popPeriod = c.periodMinutes;
        for (int i = 0; i < 2; ++i) {
            CSendJob job(MessageFor(0), window);
            Run(job);
            EXPECT_EQ(job.success, 1) << job.errorText.CharAt(0);
        }

        EXPECT_EQ(pop.CountLogins("user"), c.logins) << pop.Log().constData();
        const QStringList lines = LogLines().mid(logStart);
        EXPECT_EQ(lines.count("POP authenticating..."), c.logins);
        EXPECT_EQ(lines.count("POP authentication okay."), c.logins);
        EXPECT_EQ(smtp.Messages().size(), 2u);
    }
}

TEST_F(PopBeforeSMTPTest, RefusedPopLogInIsLoggedAndTheMessageStillGoes)
{
    DovecotPeer pop({{"user", "secret"}}, false);
    SmtpServerPeer smtp({SmtpServerPeer::EMode::startTLS, {"user:smtp-only"}});
    ASSERT_TRUE(pop.IsRunning() && smtp.IsRunning());
    SetPopBeforeSMTPPort(UInt16(pop.Port()));

    FakeDeliveryWindow window;
    window.port = smtp.Port();
    window.password = "smtp-only";
    window.authenticationType = kPopAuthentication;
    CSendJob job(MessageFor(0), window);
    Run(job);

    EXPECT_EQ(job.success, 1) << job.errorText.CharAt(0);
    EXPECT_EQ(pop.CountLogins("user"), 0);
    EXPECT_EQ(CountLines("POP authenticating..."), 1);
    EXPECT_EQ(CountLines("An error occurred during POP authentication. Please check your settings."), 1);
    EXPECT_EQ(CountLines("POP authentication okay."), 0);
    EXPECT_EQ(smtp.Messages().size(), 1u);
}

} // namespace
