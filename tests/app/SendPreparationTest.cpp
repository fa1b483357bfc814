// The checks before a mailing: the Send command's refusals in order, Validate's server,
// sender and subject checks, the message assembled from the fields, the automatic mechanism
// choice and the server test against aiosmtpd, and the two address checks.
#include "MailingWindowFixture.h"

#include "../peers/SmtpServerPeer.h"
#include "../peers/TestCertificates.h"

#include "ControlValues.h"
#include "PageImager.h"
#include "SecureMessenger.h"

#include <QFile>

#include <chrono>

namespace {

class SendPreparationTest : public MailingWindowTest {
protected:
    void SetUp() override
    {
        MailingWindowTest::SetUp();
        ASSERT_TRUE(TestCertificates::Shared().IsValid());
        mSavedCAFile = SecureCAFile();
        SetSecureCAFile(TestCertificates::Shared().CAFile());
        for (const char* key : {kVerifyEmailAddressesKey, kWarnIfSubjectEmptyKey})
            SetPreference(nullptr, CString256(key));
    }
    void TearDown() override
    {
        MailingWindowTest::TearDown();
        SetSecureCAFile(mSavedCAFile);
        CBrevantoWindow::SetPortTestDeadlineForTests(std::chrono::milliseconds(0));
        PageImager::SetProgramForTests(QString());
        PageImager::SetDeadlineForTests(std::chrono::milliseconds(0));
    }

    // A stand-in page imager: a script running inBody (its arguments in "$@").
    QString WriteImager(const QString& inBody)
    {
        const QString path = FolderPath("imager");
        QFile script(path);
        EXPECT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(("#!/bin/sh\n" + inBody + "\n").toUtf8());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }

    // A window with imported recipients, a manual sender and a server on loopback.
    CBrevantoWindow* MakeWindow(const std::vector<Person>& inPeople, UInt16 inPort = 25)
    {
        auto* window = new CBrevantoWindow();
        window->SelectRecipientsTab(2);
        window->mRecipientsTab = 2;
        for (const Person& person : inPeople)
            window->mImported.Append(person);
        window->ResetSendFlags(CBrevantoWindow::ERecipientSource::imported, window->mImported.Count(),
                               window->mImportSendFlags, false);
        window->SelectSenderTab(2);
        window->mSenderTab = 2;
        SetText(window, ControlRole::SenderNameField, "Zoë Sender");
        SetText(window, ControlRole::SenderEmailField, "sender@brevanto.test");
        window->ResolveSender();
        SetText(window, ControlRole::ServerField, "127.0.0.1");
        SetText(window, ControlRole::PortField, QString::number(inPort));
        SetText(window, ControlRole::SubjectField, "Hello");
        return window;
    }

    static void SetText(CBrevantoWindow* inWindow, ControlRole inRole, const QString& inText)
    {
        SetControlText(inWindow->Control(inRole), inText);
    }

    const ScriptedPresenter::Request& LastRequest() const { return mPresenter->Requests().back(); }

    std::string mSavedCAFile;
};

TEST_F(SendPreparationTest, SendRefusesWithoutRecipientsThenWithoutFlaggedOnes)
{
    CBrevantoWindow* window = MakeWindow({});
    mPresenter->QueueSheet(kSheetOKCommand);
    EXPECT_FALSE(window->CheckBeforeSending());
    EXPECT_EQ(LastRequest().message, "There are no recipients to send mail to.");

    window->mImported.Append(Person("Ann", "Lee", "ann@example.org"));
    window->mImportSendFlags = std::vector<bool>{false};
    mPresenter->QueueSheet(kSheetOKCommand);
    EXPECT_FALSE(window->CheckBeforeSending());
    EXPECT_EQ(LastRequest().message, "There are no selected recipients to send mail to.");
    EXPECT_EQ(LastRequest().explanation, "Either the list of recipients is empty, or none are selected.");
}

TEST_F(SendPreparationTest, ValidateRefusesAMissingServerThenAMissingSenderInTheSourcesWording)
{
    CBrevantoWindow* window = MakeWindow({Person("Ann", "Lee", "ann@example.org")});
    SetText(window, ControlRole::ServerField, "  ");
    mPresenter->QueueSheet(kSheetOKCommand);
    EXPECT_FALSE(window->Validate(false));
    EXPECT_EQ(LastRequest().message, "Please specify a mail server.");

    SetText(window, ControlRole::ServerField, "127.0.0.1");
    SetText(window, ControlRole::SenderEmailField, "");
    window->ResolveSender();
    struct Case {
        SInt32 tab;
        const char* explanation;
    };
    const Case cases[] = {
        {2, "The sender email is used to specify the return address of the mail message."},
        {1, "The sender email is being retrieved from the Address Book \"Me\" record and is used to specify the "
            "return address of the mail message."},
    };
    for (const Case& c : cases) {
        window->mRecipientsTab = c.tab;
        window->SelectRecipientsTab(c.tab);
        mPresenter->QueueSheet(kSheetOKCommand);
        EXPECT_FALSE(window->Validate(false));
        EXPECT_EQ(LastRequest().message, "Sender email is empty.");
        EXPECT_EQ(LastRequest().explanation, c.explanation);
    }
}

TEST_F(SendPreparationTest, AnEmptySubjectAsksInTheWordingOfTheModeAndCancelStops)
{
    CBrevantoWindow* window = MakeWindow({Person("Ann", "Lee", "ann@example.org")});
    SetText(window, ControlRole::SubjectField, "");
    for (const bool raw : {false, true}) {
        mPresenter->QueueAlert(kAlertStdAlertCancelButton);
        EXPECT_FALSE(window->Validate(raw));
        EXPECT_EQ(LastRequest().message, "The subject of the message is empty.");
        EXPECT_EQ(LastRequest().explanation, raw ? "Do you want to continue generating the raw source?"
                                                 : "Do you want to continue sending the message?");
    }
    // OK goes on to the end; the setting turned off asks nothing.
    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    EXPECT_TRUE(window->Validate(true));
    SetPreference("false", CString256(kWarnIfSubjectEmptyKey));
    EXPECT_TRUE(window->Validate(true));
    EXPECT_EQ(mPresenter->PendingAnswers(), 0u);
}

TEST_F(SendPreparationTest, TheMessageIsAssembledFromTheFieldsAsTheyStandNow)
{
    CBrevantoWindow* window = MakeWindow({Person("Ann", "Lee", "ann@example.org")});
    SetText(window, ControlRole::CcField, "cc@example.org");
    SetText(window, ControlRole::ReplyToField, "Reply <reply@example.org>");
    ASSERT_TRUE(window->Validate(true));
    EXPECT_STREQ(window->mMessage.from.buffer, "=?UTF-8?B?Wm/DqyBTZW5kZXI=?= <sender@brevanto.test>");
    EXPECT_STREQ(window->mMessage.cc.buffer, "cc@example.org");
    EXPECT_STREQ(window->mMessage.replyTo.buffer, "Reply <reply@example.org>");

    // A field emptied since leaves nothing of its old value behind.
    SetText(window, ControlRole::CcField, "");
    ASSERT_TRUE(window->Validate(true));
    EXPECT_EQ(window->mMessage.cc.length, 0);
}

TEST_F(SendPreparationTest, AutomaticBecomesTheFirstOfferedMechanismOrPlain)
{
    struct Case {
        const char* offered;
        SInt16 chosen;
        const char* status;
    };
    const Case cases[] = {
        {"PLAIN LOGIN", 2, "PLAIN authentication chosen"},
        {"LOGIN CRAM-MD5", 3, "LOGIN authentication chosen"},
        {"", 2, "PLAIN authentication chosen"},
    };
    for (const Case& c : cases) {
        SmtpServerPeer peer({SmtpServerPeer::EMode::startTLS, {"user:secret"}, c.offered});
        ASSERT_TRUE(peer.IsRunning());
        CBrevantoWindow* window = MakeWindow({Person("Ann", "Lee", "ann@example.org")}, peer.Port());
        SetText(window, ControlRole::UserNameField, "user");
        SetText(window, ControlRole::PasswordField, "secret");
        window->SetSecureMechanismValue(1);
        ASSERT_TRUE(window->AssembleMessage(false)) << c.offered;
        EXPECT_EQ(window->GetSecureMechanismValue(), c.chosen) << c.offered;
        EXPECT_EQ(window->checkSucceeded, 1) << c.offered;
        EXPECT_TRUE(peer.Messages().empty());  // the automatic test sends nothing

        // The raw source never connects: it takes what the last test found.
        window->SetSecureMechanismValue(1);
        window->detectedMechanisms.Assign("AUTH CRAM-MD5");
        window->AssembleMessage(true);
        EXPECT_EQ(window->GetSecureMechanismValue(), 4);
        window->Cleanup();
    }
}

TEST_F(SendPreparationTest, TheInteractiveServerTestMailsTheSenderAndTellsTheOutcome)
{
    SmtpServerPeer peer({SmtpServerPeer::EMode::startTLS, {"user:secret"}});
    ASSERT_TRUE(peer.IsRunning());
    CBrevantoWindow* window = MakeWindow({}, peer.Port());
    SetText(window, ControlRole::UserNameField, "user");
    SetText(window, ControlRole::PasswordField, "secret");
    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    window->TestServerPort(true);
    EXPECT_EQ(LastRequest().message,
              QStringLiteral("127.0.0.1: This server did accept a connection on port %1.").arg(peer.Port()));
    ASSERT_EQ(peer.Messages().size(), 1u);
    EXPECT_EQ(peer.Messages()[0].rcptTos, QStringList{"sender@brevanto.test"});
    EXPECT_TRUE(peer.Messages()[0].data.contains("Subject: Testing Port"));
    EXPECT_TRUE(IsControlEnabled(window->Control(ControlRole::TestPortButton)));

    // Without a sender only the connection is tried: no message with an empty envelope sender.
    SetText(window, ControlRole::SenderEmailField, "");
    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    window->TestServerPort(true);
    EXPECT_TRUE(LastRequest().message.contains("did accept a connection"));
    EXPECT_EQ(peer.Messages().size(), 1u);
    EXPECT_EQ(peer.Verbs().count("MAIL"), 1);

    const UInt16 closed = UInt16(PeerProcess::FreeLoopbackPort());
    SetText(window, ControlRole::PortField, QString::number(closed));
    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    window->TestServerPort(true);
    EXPECT_EQ(LastRequest().message,
              QStringLiteral("127.0.0.1: This server did not accept a connection on port %1.").arg(closed));
    EXPECT_EQ(LastRequest().explanation, "Try a different port or mail server.");

    // Empty fields are named before anything connects.
    SetText(window, ControlRole::PortField, "");
    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    window->TestServerPort(true);
    EXPECT_EQ(LastRequest().message, "Testing a port requires a port.");
    SetText(window, ControlRole::ServerField, "");
    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    window->TestServerPort(true);
    EXPECT_EQ(LastRequest().message, "Testing a port requires a mail server.");
}

TEST_F(SendPreparationTest, AServerThatNeverGreetsFailsTheTestAtItsDeadline)
{
    SmtpServerPeer peer({SmtpServerPeer::EMode::silent});
    ASSERT_TRUE(peer.IsRunning());
    CBrevantoWindow* window = MakeWindow({}, peer.Port());
    CBrevantoWindow::SetPortTestDeadlineForTests(std::chrono::milliseconds(1500));
    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    const auto start = std::chrono::steady_clock::now();
    window->TestServerPort(true);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
    EXPECT_EQ(window->checkDone, 1);
    EXPECT_EQ(window->checkSucceeded, 0);
    EXPECT_TRUE(LastRequest().message.contains("did not accept"));
    EXPECT_TRUE(IsControlEnabled(window->Control(ControlRole::TestPortButton)));

    // The check ended at the same deadline: closing the window does not wait for the server
    // (before, it waited for the check's 30-second idle time-out, or for ever on a server that
    // kept the conversation alive).
    const auto closing = std::chrono::steady_clock::now();
    window->Cleanup();
    EXPECT_LT(std::chrono::steady_clock::now() - closing, std::chrono::seconds(10));
}

TEST_F(SendPreparationTest, VerificationReportsFlaggedRecipientsWithAnEmptyOrMalformedAddress)
{
    CBrevantoWindow* window = MakeWindow({
        Person("Ann", "Lee", "ann@example.org"),
        Person("No", "Address", ""),
        Person("Two", "Addresses", "two@example.org, not an address"),
        Person("Bad", "Unflagged", "bad address"),
        Person("Ok", "Two", "ok@example.org,ok2@example.org"),
    });
    window->mImportSendFlags = std::vector<bool>{true, true, true, false, true};
    EXPECT_EQ(window->ValidateFlaggedAddresses(), (std::vector<SInt32>{1, 2}));

    mPresenter->QueueSheet(kSheetOKCommand);
    EXPECT_FALSE(window->VerifyAddresses(false));
    EXPECT_EQ(LastRequest().message, "Some flagged email addresses did not pass verification.");
    EXPECT_EQ(LastRequest().explanation, "Recipients with malformed email addresses have been selected (see the "
                                         "Brevanto Console log for more information.)");

    // With verification on, Send stops there.
    SetPreference("true", CString256(kVerifyEmailAddressesKey));
    mPresenter->QueueSheet(kSheetOKCommand);
    EXPECT_FALSE(window->CheckBeforeSending());
    EXPECT_TRUE(LastRequest().explanation.startsWith("Use the \"Select Recipients...\"  window"));
}

TEST_F(SendPreparationTest, DuplicatesIgnoreLetterCaseAndNeverNameTheFirstOccurrence)
{
    CBrevantoWindow* window = MakeWindow({
        Person("A", "One", "Ann@Example.org"),
        Person("B", "Two", "bob@example.org"),
        Person("C", "Three", "carl@example.org, ann@example.ORG"),
        Person("D", "Four", "BOB@example.org"),
        Person("E", "Five", ""),
    });
    window->mImportSendFlags = std::vector<bool>{false, false, false, false, false};  // flags do not matter
    EXPECT_EQ(window->CheckDuplicateAddresses(), (std::vector<SInt32>{2, 3}));
    EXPECT_EQ(CBrevantoWindow::SplitRecipientAddresses(" a@b.c,, d@e.f ,"), (QStringList{"a@b.c", "d@e.f"}));
}

TEST_F(SendPreparationTest, ThePageImageIsMadeFromAFileURLAndReachesTheDrawer)
{
    const QString arguments = FolderPath("arguments");
    PageImager::SetProgramForTests(WriteImager(
        QStringLiteral("printf '%s\\n' \"$@\" > '%1'\nprintf 'jpeg' > \"$TMPDIR/Brevanto-$(id -u)/load-url-1963.jpg\"")
            .arg(arguments)));
    CBrevantoWindow* window = MakeWindow({Person("Ann", "Lee", "ann@example.org")});
    window->mImageHTML = 1;
    SetText(window, ControlRole::SourceField, "/srv/web pages/100% offer.html");
    QFile::remove(PageImager::ImagePath());

    mPresenter->QueueSheet(kSheetOKCommand);
    ASSERT_TRUE(window->ImageWebPageIfRequested());
    QFile recorded(arguments);
    ASSERT_TRUE(recorded.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(recorded.readAll()),
              "file:///srv/web%20pages/100%25%20offer.html\njpg\n3\n");
    EXPECT_TRUE(window->mAttachmentPaths.contains(PageImager::ImagePath()));

    // In image mode the message carries the image in place of a body.
    ASSERT_TRUE(window->AssembleMessage(true));
    EXPECT_EQ(window->mMessage.body.length, 0);
    ASSERT_EQ(window->mMessage.attachments.Count(), 1);
}

TEST_F(SendPreparationTest, AnImagerThatNeverEndsIsStoppedAndSendStops)
{
    PageImager::SetProgramForTests(WriteImager("exec sleep 600"));
    PageImager::SetDeadlineForTests(std::chrono::milliseconds(500));
    CBrevantoWindow* window = MakeWindow({Person("Ann", "Lee", "ann@example.org")});
    window->mImageHTML = 1;
    SetText(window, ControlRole::SourceField, "http://127.0.0.1:9/page.html");
    const auto start = std::chrono::steady_clock::now();
    mPresenter->QueueSheet(kSheetOKCommand);
    mPresenter->QueueSheet(kSheetOKCommand);
    EXPECT_FALSE(window->CheckBeforeSending());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_EQ(LastRequest().message, "The page could not be imaged.");
    EXPECT_TRUE(window->mAttachmentPaths.isEmpty());

    // Without the imager the option is refused at once.
    PageImager::SetProgramForTests(FolderPath("missing"));
    mPresenter->QueueSheet(kSheetOKCommand);
    EXPECT_FALSE(window->ImageWebPageIfRequested());
    EXPECT_EQ(LastRequest().message, "Brevanto requires Quicktime 6.4 or greater to image HTML.");
}

} // namespace
