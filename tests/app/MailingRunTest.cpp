// A mailing sent from its window through aiosmtpd (STARTTLS, AUTH PLAIN): every address of every
// flagged recipient gets its personalised message, checked with Python's email parser; batches
// merged in Cc carry exactly their recipients; failures keep their recipients flagged, the
// consecutive-error limit aborts, a resend sends only the failed ones and then restores the
// first run's flags; pause, resume and abort.
#include "MailingRunFixture.h"

#include "PreferenceGetters.h"
#include "WindowEvents.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

using EMode = SmtpServerPeer::EMode;

const QString kThreeRecipients = QStringLiteral(
    "Zoë\tÆrø\tzoe@example.org\n"
    "Bob\tJones\tbob@example.org, bob.home@example.org\n"
    "Cy\tDoe\tcy@example.org\n");

TEST_F(MailingRunTest, EveryAddressGetsItsOwnPersonalisedMessageAndTheFlagsComeBack)
{
    SmtpServerPeer peer({EMode::startTLS});
    ASSERT_TRUE(peer.IsRunning());
    CBrevantoWindow* window = MakeWindow(peer.Port(), kThreeRecipients);
    ASSERT_EQ(window->CountRecipients(), 3);
    ASSERT_TRUE(SendAndWait(window, *mPresenter));

    const QJsonArray parsed = Parsed(peer);
    ASSERT_EQ(parsed.size(), 4);
    struct Expected {
        const char* to;
        const char* subject;
        const char* bodyAddress;
    };
    const Expected expected[] = {
        {"Zoë Ærø <zoe@example.org>", "News for Zoë", "zoe@example.org"},
        {"Bob Jones <bob@example.org>", "News for Bob", "bob@example.org"},
        {"Bob Jones <bob.home@example.org>", "News for Bob", "bob.home@example.org"},
        {"Cy Doe <cy@example.org>", "News for Cy", "cy@example.org"},
    };
    QSet<QString> messageIds;
    for (int i = 0; i < 4; ++i) {
        const QJsonObject message = parsed[i].toObject();
        SCOPED_TRACE(i);
        EXPECT_EQ(message["defects"].toInt(), 0);
        EXPECT_EQ(message["to"].toString(), QString::fromUtf8(expected[i].to));
        EXPECT_EQ(message["subject"].toString(), QString::fromUtf8(expected[i].subject));
        EXPECT_EQ(message["from"].toString(), "Sender Name <sender@brevanto.test>");
        EXPECT_TRUE(message["plain"].toString().contains(QStringLiteral("this is for %1.").arg(expected[i].bodyAddress)))
            << message["plain"].toString().toStdString();
        EXPECT_FALSE(message["bcc"].toBool());
        messageIds.insert(message["messageId"].toString());
    }
    EXPECT_EQ(messageIds.size(), 4);
    EXPECT_EQ(peer.Messages()[2].rcptTos, QStringList{"bob.home@example.org"});

    EXPECT_EQ(window->deliveredList.Count(), 4);
    EXPECT_EQ(Caption(window, ControlRole::ProgressStatusCaption), "Completed with 0 errors.");
    EXPECT_EQ(Caption(window, ControlRole::RecipientCaption), "4 messages processed.");
    EXPECT_EQ(Flags(window), (std::vector<bool>{true, true, true}));
    EXPECT_TRUE(LogLines().contains("\t[1] Bob Jones (2) bob.home@example.org Error: None"))
        << LogLines().join('\n').toStdString();
    EXPECT_TRUE(IsControlVisible(window->Control(ControlRole::ReportsButton)));
    EXPECT_FALSE(window->IsSending());
}

// Five recipients, the third unflagged, in batches of three merged into Cc: the first message
// carries recipients 0, 1 and 3, the second recipient 4; a refused merged recipient fails the
// whole message, so every recipient it carried stays flagged.
TEST_F(MailingRunTest, BatchesMergedInCcCarryExactlyTheirRecipients)
{
    SmtpServerPeer peer({EMode::startTLS, {"user:secret"}, nullptr, {"e@example.org"}});
    ASSERT_TRUE(peer.IsRunning());
    Set(kThrottleTypeKey, "3");
    Set(kThrottleBatchSizeKey, "3");
    Set(kThrottleBatchTypeKey, "2");
    CBrevantoWindow* window =
        MakeWindow(peer.Port(), "A\tA\ta@example.org\nB\tB\tb@example.org\nC\tC\tc@example.org\n"
                                "D\tD\td@example.org\nE\tE\te@example.org\n");
    (*window->mImportSendFlags)[2] = false;
    ASSERT_TRUE(SendAndWait(window, *mPresenter));

    const auto stored = peer.Messages();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].rcptTos, (QStringList{"a@example.org", "b@example.org", "d@example.org"}));
    const QJsonArray parsed = Parsed(peer);
    ASSERT_EQ(parsed.size(), 1);
    EXPECT_EQ(parsed[0].toObject()["cc"].toString(), "B B <b@example.org>, D D <d@example.org>");
    EXPECT_EQ(window->deliveredList.Count(), 2);
    // Sent: 0, 1, 3 unflagged after the run, restored by "Reset Recipients" only after a clean
    // run: this one failed, so the flags show what is left to send.
    EXPECT_EQ(Flags(window), (std::vector<bool>{false, false, false, false, true}));
    EXPECT_EQ(Caption(window, ControlRole::ProgressStatusCaption), "Completed with 1 error.");
}

TEST_F(MailingRunTest, ConsecutiveFailuresAbortTheRunAndLeaveTheRestFlagged)
{
    SmtpServerPeer peer({EMode::startTLS, {"user:secret"}, nullptr,
                         {"a@example.org", "b@example.org", "c@example.org", "d@example.org"}});
    ASSERT_TRUE(peer.IsRunning());
    mEnvironment->consecutiveErrors = 3;
    Set(kResendOnErrorKey, "true");
    CBrevantoWindow* window =
        MakeWindow(peer.Port(), "A\tA\ta@example.org\nB\tB\tb@example.org\nC\tC\tc@example.org\n"
                                "D\tD\td@example.org\nE\tE\te@example.org\n");
    ASSERT_TRUE(SendAndWait(window, *mPresenter));

    EXPECT_EQ(Caption(window, ControlRole::ProgressStatusCaption), "Aborted with 3 errors.");
    ASSERT_EQ(window->deliveredList.Count(), 3);
    window->deliveredList.Rewind();
    while (const DeliveredRecipient* record = window->deliveredList.Next())
        EXPECT_TRUE(QString::fromUtf8(record->errorText.text).endsWith(" (Error code = 33)"));
    EXPECT_EQ(Flags(window), (std::vector<bool>(5, true)));
    EXPECT_TRUE(peer.Messages().empty());
    // An aborted run never resends.
    EXPECT_FALSE(window->mRun.resendPending);
    EXPECT_EQ(window->mRun.resendTimer, nullptr);
}

// Every third DATA fails: the first run fails recipients 2 and 5; the resend sends only those
// two (DATA 7 and 8 pass) and, clean at last, puts back the flags the first run started with.
TEST_F(MailingRunTest, ResendSendsOnlyTheFailedOnesThenRestoresTheFirstRunsFlags)
{
    const auto peer = StartResendPeer();
    ASSERT_TRUE(peer->IsRunning());
    QString list;
    for (char c = 'a'; c <= 'g'; ++c)
        list += QStringLiteral("%1\t%1\t%1@example.org\n").arg(QChar(c));
    CBrevantoWindow* window = MakeWindow(peer->Port(), list);
    (*window->mImportSendFlags)[6] = false;  // g stays out throughout
    ASSERT_TRUE(SendAndWait(window, *mPresenter));

    EXPECT_EQ(Caption(window, ControlRole::RecipientCaption), "One or more errors occurred: will resend shortly...");
    EXPECT_EQ(Flags(window), (std::vector<bool>{false, false, true, false, false, true, false}));
    EXPECT_TRUE(window->mRun.resendPending);
    ASSERT_NE(window->mRun.resendTimer, nullptr);

    // The timer starts the resend as the Send command would (the reachability caution again).
    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    ASSERT_TRUE(WaitWithTimers([&] { return peer->Messages().size() == 6; }, std::chrono::minutes(1)));
    ASSERT_TRUE(WaitWithTimers([&] { return !window->IsSending() && !window->mRun.resendPending; },
                               std::chrono::minutes(1)));
    EXPECT_EQ(AcceptedAddresses(*peer), (QStringList{"a@example.org", "b@example.org", "d@example.org",
                                                    "e@example.org", "c@example.org", "f@example.org"}));
    EXPECT_EQ(Caption(window, ControlRole::ProgressStatusCaption), "Completed with 0 errors.");
    EXPECT_EQ(Flags(window), (std::vector<bool>{true, true, true, true, true, true, false}));
    EXPECT_EQ(window->mRun.resendTimer, nullptr);
}

TEST_F(MailingRunTest, AMailingStartedPausedSendsNothingUntilResumedAndAbortWhilePausedSendsNothing)
{
    SmtpServerPeer peer({EMode::startTLS});
    ASSERT_TRUE(peer.IsRunning());
    Set(kStartMailingPausedKey, "true");
    CBrevantoWindow* window = MakeWindow(peer.Port(), kThreeRecipients);

    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    window->StartSending();
    ASSERT_TRUE(window->IsSending());
    LThread::WaitUntil([] { return false; }, DeadlineAfter(std::chrono::milliseconds(300)));
    EXPECT_TRUE(peer.Messages().empty());
    EXPECT_EQ(Caption(window, ControlRole::PauseButton), "Resume");
    EXPECT_EQ(Caption(window, ControlRole::StatusCaption), "Status: Paused");
    window->TogglePause();
    EXPECT_EQ(Caption(window, ControlRole::PauseButton), "Pause");
    ASSERT_TRUE(LThread::WaitUntil([&] { return !window->IsSending(); }, DeadlineAfter(std::chrono::minutes(1))));
    EXPECT_EQ(peer.Messages().size(), 4u);

    // Again paused from the start, then aborted: no record, so the run says nothing was sent.
    Set(kResetRecipientsKey, "false");
    window->SetAllSendFlags(true);
    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    window->StartSending();
    ASSERT_TRUE(window->IsSending());
    mPresenter->QueueSheet(kSheetOKCommand);
    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    window->AbortMailing();
    ASSERT_TRUE(LThread::WaitUntil([&] { return !window->IsSending(); }, DeadlineAfter(std::chrono::minutes(1))))
        << LogLines().join('\n').toStdString() << Caption(window, ControlRole::StatusCaption).toStdString() << " / "
        << Caption(window, ControlRole::ProgressStatusCaption).toStdString();
    EXPECT_EQ(peer.Messages().size(), 4u);
    EXPECT_EQ(Caption(window, ControlRole::ProgressStatusCaption), "Aborted with 0 errors.");
    const auto& requests = mPresenter->Requests();
    EXPECT_TRUE(std::any_of(requests.begin(), requests.end(), [](const auto& inRequest) {
        return inRequest.message == "Mail was not sent. Check server settings and the internet connection.";
    }));
    EXPECT_EQ(Flags(window), (std::vector<bool>(3, true)));
}

TEST_F(MailingRunTest, RefusalsComeInOrderAndStartNothing)
{
    CBrevantoWindow* window = MakeWindow(25, QString());
    mPresenter->QueueSheet(kSheetOKCommand);
    window->StartSending();
    EXPECT_FALSE(window->IsSending());

    CBrevantoWindow* flagless = MakeWindow(25, "A\tA\ta@example.org\n");
    flagless->SetAllSendFlags(false);
    mPresenter->QueueSheet(kSheetOKCommand);
    flagless->StartSending();
    EXPECT_FALSE(flagless->IsSending());

    // The reachability caution: Cancel stops before any other check.
    CBrevantoWindow* ready = MakeWindow(25, "A\tA\ta@example.org\n");
    mPresenter->QueueAlert(kAlertStdAlertCancelButton);
    ready->StartSending();
    EXPECT_FALSE(ready->IsSending());

    QStringList messages;
    for (const auto& request : mPresenter->Requests())
        messages << request.message;
    EXPECT_EQ(messages, (QStringList{"There are no recipients to send mail to.",
                                     "There are no selected recipients to send mail to.",
                                     "This computer does not seem to be connected to the Internet."}));
}

} // namespace

namespace {

// Aborted midway: no flag comes back and nothing is resent; Send again mails exactly the rest.
TEST_F(MailingRunTest, AnAbortedRunLeavesTheRestFlaggedAndTheNextSendMailsExactlyThem)
{
    SmtpServerPeer peer({EMode::startTLS});
    ASSERT_TRUE(peer.IsRunning());
    Set(kResendOnErrorKey, "true");
    QString list;
    for (int i = 0; i < 8; ++i)
        list += QStringLiteral("P%1\tQ\tp%1@example.org\n").arg(i);
    CBrevantoWindow* window = MakeWindow(peer.Port(), list);
    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    window->StartSending();
    ASSERT_TRUE(LThread::WaitUntil([&] { return peer.Messages().size() >= 2; }, DeadlineAfter(std::chrono::minutes(1))));
    window->AbortMailing();
    ASSERT_TRUE(LThread::WaitUntil([&] { return !window->IsSending(); }, DeadlineAfter(std::chrono::minutes(1))));
    EXPECT_EQ(Caption(window, ControlRole::ProgressStatusCaption), "Aborted with 0 errors.");
    const int sent = window->deliveredList.Count();
    ASSERT_GE(sent, 2);
    ASSERT_LT(sent, 8);
    std::vector<bool> expected(8, true);
    std::fill(expected.begin(), expected.begin() + sent, false);
    EXPECT_EQ(Flags(window), expected);
    EXPECT_EQ(window->mRun.resendTimer, nullptr);

    ASSERT_TRUE(SendAndWait(window, *mPresenter));
    QStringList all;
    for (int i = 0; i < 8; ++i)
        all << QStringLiteral("p%1@example.org").arg(i);
    EXPECT_EQ(AcceptedAddresses(peer), all);
}

// On the program's clock, frozen: a mailing due 90 s ahead, repeating every 2 minutes. The due
// second itself starts nothing, the next one does; the next run is due 120 s after this one
// ended. With repeat off the time is cleared before sending.
TEST_F(MailingRunTest, AScheduledMailingStartsTheSecondAfterItsTimeAndRepeatsFromItsEnd)
{
    SmtpServerPeer peer({EMode::startTLS});
    ASSERT_TRUE(peer.IsRunning());
    Clock::SetForTests(QDateTime(QDate(2041, 3, 5), QTime(10, 4, 0)), 0);
    CBrevantoWindow* window = MakeWindow(peer.Port(), kThreeRecipients);
    SetControl32BitValue(window->Control(ControlRole::RepeatCheckBox), 1);
    SetControlText(window->Control(ControlRole::RepeatCountField), "2");
    SetControl32BitValue(window->Control(ControlRole::RepeatUnitsPopup), 2);
    const SInt64 due = Clock::Now() + 90;
    window->mScheduledTime = due;
    ASSERT_TRUE(window->ShowSchedule());
    EXPECT_TRUE(IsControlVisible(window->Control(ControlRole::ScheduleTimeCaption)));
    EXPECT_TRUE(Caption(window, ControlRole::ScheduleTimeCaption).contains("10:05:30"))
        << Caption(window, ControlRole::ScheduleTimeCaption).toStdString();
    EXPECT_TRUE(window->IsScheduledLater());

    EXPECT_FALSE(window->CheckSchedule());
    Clock::AdvanceForTests(90);
    EXPECT_FALSE(window->CheckSchedule());
    Clock::AdvanceForTests(1);
    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    ASSERT_TRUE(window->CheckSchedule());
    EXPECT_TRUE(window->IsSending());
    EXPECT_EQ(window->mStartedBySchedule, 1);
    EXPECT_EQ(window->mScheduledTime, due);
    ASSERT_TRUE(LThread::WaitUntil([&] { return !window->IsSending(); }, DeadlineAfter(std::chrono::minutes(1))));
    EXPECT_EQ(peer.Messages().size(), 4u);
    EXPECT_EQ(window->mStartedBySchedule, 0);
    EXPECT_EQ(window->mScheduledTime, Clock::Now() + 120);
    EXPECT_TRUE(window->IsScheduledLater());

    // Due while a run is going on (started paused): it waits for the window.
    Set(kStartMailingPausedKey, "true");
    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    window->StartSending();
    ASSERT_TRUE(window->IsSending());
    Clock::AdvanceForTests(121);
    EXPECT_FALSE(window->CheckSchedule());
    mPresenter->QueueSheet(kSheetOKCommand);  // that run sends nothing
    window->AbortMailing();
    ASSERT_TRUE(LThread::WaitUntil([&] { return !window->IsSending(); }, DeadlineAfter(std::chrono::minutes(1))));
    Set(kStartMailingPausedKey, nullptr);

    // Repeat off: the time goes before the mailing starts.
    SetControl32BitValue(window->Control(ControlRole::RepeatCheckBox), 0);
    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    ASSERT_TRUE(window->CheckSchedule());
    EXPECT_EQ(window->mScheduledTime, 0);
    ASSERT_TRUE(LThread::WaitUntil([&] { return !window->IsSending(); }, DeadlineAfter(std::chrono::minutes(1))));
    EXPECT_EQ(peer.Messages().size(), 8u);
    EXPECT_FALSE(window->IsScheduledLater());
}

// Repeats are counted in 64 bits: weeks of the largest count stay in the future.
TEST_F(MailingRunTest, RepeatIntervalsNeverOverflow)
{
    Clock::SetForTests(QDateTime(QDate(2040, 2, 7), QTime(0, 0, 0)), 0);
    CBrevantoWindow* window = MakeWindow(25, QString());
    SetControl32BitValue(window->Control(ControlRole::RepeatCheckBox), 1);
    struct Case {
        const char* count;
        SInt32 unit;
        SInt64 interval; // 0: no repeat
    };
    const Case cases[] = {{"32767", 5, 32767LL * 604800}, {"40000", 5, 32767LL * 604800}, {"2", 2, 120},
                          {"0", 2, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        window->mScheduledTime = Clock::Now() - 1;
        SetControlText(window->Control(ControlRole::RepeatCountField), c.count);
        SetControl32BitValue(window->Control(ControlRole::RepeatUnitsPopup), c.unit);
        const bool armed = window->RearmRepeatSchedule();
        EXPECT_EQ(armed, c.interval > 0);
        if (armed) {
            EXPECT_EQ(window->mScheduledTime, Clock::Now() + c.interval);
        }
    }
}

} // namespace

namespace {

// The progress sheet's Pause holds the run between recipients (nothing more reaches the server
// while paused); a second Pause resumes it and the run completes.
TEST_F(MailingRunTest, PauseFromTheProgressSheetHoldsTheRunUntilPressedAgain)
{
    SmtpServerPeer peer({EMode::startTLS});
    ASSERT_TRUE(peer.IsRunning());
    QString list;
    for (int i = 0; i < 6; ++i)
        list += QStringLiteral("P%1\tQ\tp%1@example.org\n").arg(i);
    CBrevantoWindow* window = MakeWindow(peer.Port(), list);
    WindowRef sheet = window->Window(CBrevantoWindow::ENibWindow::progress);
    const auto press = [&](CommandT inCommand) {
        WindowEvent event;
        event.command = inCommand;
        window->HandleProgressSheetEvent(event);
    };
    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    window->StartSending();
    ASSERT_TRUE(LThread::WaitUntil([&] { return peer.Messages().size() >= 1; }, DeadlineAfter(std::chrono::minutes(1))));
    press('PAUS');
    EXPECT_EQ(Caption(window, ControlRole::PauseButton), "Resume");
    ASSERT_TRUE(LThread::WaitUntil([&] { return Caption(window, ControlRole::StatusCaption) == "Status: Paused"; },
                                   DeadlineAfter(std::chrono::minutes(1))));
    const size_t held = peer.Messages().size();
    LThread::WaitUntil([] { return false; }, DeadlineAfter(std::chrono::milliseconds(400)));
    EXPECT_EQ(peer.Messages().size(), held);
    EXPECT_LT(held, 6u);
    press('PAUS');
    EXPECT_EQ(Caption(window, ControlRole::PauseButton), "Pause");
    ASSERT_TRUE(LThread::WaitUntil([&] { return !window->IsSending(); }, DeadlineAfter(std::chrono::minutes(1))));
    EXPECT_EQ(peer.Messages().size(), 6u);
    EXPECT_EQ(Caption(window, ControlRole::ProgressStatusCaption), "Completed with 0 errors.");
    EXPECT_NE(sheet, nullptr);
}

// Batches merged in Bcc: one envelope for the whole batch and no Bcc header in the message.
TEST_F(MailingRunTest, BatchesMergedInBccGoInTheEnvelopeOnly)
{
    SmtpServerPeer peer({EMode::startTLS});
    ASSERT_TRUE(peer.IsRunning());
    Set(kThrottleTypeKey, "3");
    Set(kThrottleBatchSizeKey, "4");
    Set(kThrottleBatchTypeKey, "3");
    QString list;
    for (int i = 0; i < 10; ++i)
        list += QStringLiteral("P%1\tQ\tp%1@example.org\n").arg(i);
    CBrevantoWindow* window = MakeWindow(peer.Port(), list);
    ASSERT_TRUE(SendAndWait(window, *mPresenter));

    const auto stored = peer.Messages();
    ASSERT_EQ(stored.size(), 3u);
    const int sizes[] = {4, 4, 2};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(stored[i].rcptTos.size(), sizes[i]);
    EXPECT_EQ(stored[2].rcptTos, (QStringList{"p8@example.org", "p9@example.org"}));
    for (const QJsonValue& message : Parsed(peer)) {
        EXPECT_FALSE(message.toObject()["bcc"].toBool());
        EXPECT_EQ(message.toObject()["cc"].toString(), "");
        EXPECT_EQ(message.toObject()["defects"].toInt(), 0);
    }
    EXPECT_EQ(window->deliveredList.Count(), 3);
    EXPECT_EQ(Flags(window), std::vector<bool>(10, true));
    EXPECT_EQ(Caption(window, ControlRole::ProgressStatusCaption), "Completed with 0 errors.");
}

} // namespace

namespace {

// Frequency 12 a minute: a 5-second delay (on the program's clock, run 20 times fast here)
// after every recipient but the last, and none after a failed one.
TEST_F(MailingRunTest, FrequencyThrottleDelaysBetweenRecipientsButNotAfterAFailureOrTheLast)
{
    SmtpServerPeer peer({EMode::startTLS, {"user:secret"}, nullptr, {"b@example.org"}});
    ASSERT_TRUE(peer.IsRunning());
    Set(kThrottleTypeKey, "2");
    Clock::SetForTests(QDateTime::currentDateTime(), 20);
    CBrevantoWindow* window = MakeWindow(
        peer.Port(), "A\tA\ta@example.org\nB\tB\tb@example.org\nC\tC\tc@example.org\nD\tD\td@example.org\n");
    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    window->StartSending();
    ASSERT_TRUE(window->IsSending());
    int delays = 0;
    bool delaying = false;
    const bool ended = LThread::WaitUntil(
        [&] {
            const bool now = Caption(window, ControlRole::ProgressStatusCaption).startsWith("Status: Delaying ");
            if (now && !delaying)
                ++delays;
            delaying = now;
            return !window->IsSending();
        },
        DeadlineAfter(std::chrono::minutes(1)));
    ASSERT_TRUE(ended);
    EXPECT_EQ(window->mThrottle.delaySeconds, 5);
    EXPECT_EQ(delays, 2);
    EXPECT_EQ(peer.Messages().size(), 3u);
    EXPECT_EQ(Caption(window, ControlRole::ProgressStatusCaption), "Completed with 1 error.");
}

} // namespace
