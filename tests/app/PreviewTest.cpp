// The preview against aiosmtpd: one message to the sender with the merge tags resolved to the
// sender, the mail program opened through the launcher, a failure's text in the status line;
// the network caution before it; the raw source saved as ".eml" and read by Python's email.
#include "MailingWindowFixture.h"

#include "../peers/SmtpServerPeer.h"
#include "../peers/TestCertificates.h"

#include "ControlHandlers.h"
#include "ControlValues.h"
#include "Launcher.h"
#include "LThread.h"
#include "RouteTable.h"
#include "SecureMessenger.h"

#include <QFile>
#include <QProcess>

#include <chrono>

namespace {

// Records what the window opens instead of opening it.
class OpenedItems : public Launcher {
public:
    OpenedItems() { Launcher::Install(this); }
    ~OpenedItems() override { Launcher::Install(nullptr); }
    bool Open(const QString& inPathOrURL) override
    {
        opened += inPathOrURL;
        return opens;
    }
    QStringList opened;
    bool opens = true;
};

class PreviewTest : public MailingWindowTest {
protected:
    void SetUp() override
    {
        MailingWindowTest::SetUp();
        ASSERT_TRUE(TestCertificates::Shared().IsValid());
        mSavedCAFile = SecureCAFile();
        SetSecureCAFile(TestCertificates::Shared().CAFile());
        RouteTable::SetSource([] { return std::string("Iface\n"); });  // no default route
        for (const char* key : {kWarnIfSubjectEmptyKey, kOpenDefaultEmailerKey, kMessageRetriesKey})
            SetPreference(nullptr, CString256(key));
    }
    void TearDown() override
    {
        MailingWindowTest::TearDown();
        SetPreference(nullptr, CString256(kMessageRetriesKey));
        RouteTable::SetSource({});
        SetSecureCAFile(mSavedCAFile);
    }

    CBrevantoWindow* MakeWindow(UInt16 inPort)
    {
        auto* window = new CBrevantoWindow();
        window->SelectSenderTab(2);
        window->mSenderTab = 2;
        SetControlText(window->Control(ControlRole::SenderNameField), "Zoë Ærø");
        SetControlText(window->Control(ControlRole::SenderEmailField), "zoe@brevanto.test");
        SetControlText(window->Control(ControlRole::ServerField), "127.0.0.1");
        SetControlText(window->Control(ControlRole::PortField), QString::number(inPort));
        const QString body = FolderPath("body.txt");
        QFile file(body);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Dear {ToNameFirst},\nsee you.\n");
        file.close();
        SetControlText(window->Control(ControlRole::SourceField), body);
        SetControlText(window->Control(ControlRole::SubjectField), "For {ToNameFirst}");
        return window;
    }

    // Runs the preview to its end (the window is busy until then).
    static bool PreviewToTheEnd(CBrevantoWindow* inWindow)
    {
        inWindow->Preview();
        return LThread::WaitUntil([inWindow] { return !inWindow->IsSending(); },
                                  DeadlineAfter(std::chrono::seconds(60)));
    }

    static QString ReadMessage(const QString& inPath)
    {
        QProcess python;
        python.start(BREVANTO_PYTHON, {QStringLiteral(BREVANTO_TEST_DATA "/read_message.py"), inPath});
        return python.waitForFinished(60000) ? QString::fromUtf8(python.readAllStandardOutput()) : QString();
    }

    std::string mSavedCAFile;
    OpenedItems mLauncher;
};

TEST_F(PreviewTest, OneMessageGoesToTheSenderAddressedAsTheSenderThenTheMailProgramOpens)
{
    SmtpServerPeer peer({SmtpServerPeer::EMode::startTLS, {}, ""});
    ASSERT_TRUE(peer.IsRunning());
    CBrevantoWindow* window = MakeWindow(peer.Port());

    // Not connected: Cancel ends the preview before anything is sent.
    mPresenter->QueueAlert(kAlertStdAlertCancelButton);
    window->Preview();
    EXPECT_EQ(mPresenter->Requests().back().message, "This computer does not seem to be connected to the Internet.");
    EXPECT_FALSE(window->IsSending());

    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    ASSERT_TRUE(PreviewToTheEnd(window));
    const auto messages = peer.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rcptTos, QStringList{"zoe@brevanto.test"});
    EXPECT_EQ(messages[0].mailFrom, "zoe@brevanto.test");
    const QString path = FolderPath("received.eml");
    QFile received(path);
    ASSERT_TRUE(received.open(QIODevice::WriteOnly));
    received.write(messages[0].data);
    received.close();
    const QString read = ReadMessage(path);
    EXPECT_TRUE(read.contains("Subject: For Zoë\n")) << read.toStdString();
    EXPECT_TRUE(read.contains("To: Zoë Ærø <zoe@brevanto.test>\n")) << read.toStdString();
    EXPECT_FALSE(read.contains("Defect")) << read.toStdString();
    EXPECT_TRUE(read.contains("Text: Dear Zoë,\n")) << read.toStdString();
    EXPECT_EQ(mLauncher.opened, QStringList{"mailto:"});
    EXPECT_EQ(CopyControlTitleAsCFString(window->Control(ControlRole::PreviewButton)), "Preview");
    EXPECT_TRUE(IsControlEnabled(window->Control(ControlRole::SendButton)));
}

TEST_F(PreviewTest, TheMailProgramWellOpensTheMailProgramOrSaysItCannot)
{
    CBrevantoWindow* window = MakeWindow(25);
    ControlEvent click;
    click.kind = ControlEventKind::click;
    click.control = window->Control(ControlRole::MailAppIconWell);
    ControlHandlers::Send(click.control, click);
    EXPECT_EQ(mLauncher.opened, QStringList{"mailto:"});

    mLauncher.opens = false;
    mPresenter->QueueSheet(kSheetOKCommand);
    window->OpenMailApplication();
    EXPECT_EQ(mPresenter->Requests().back().message, "The script to open Mail had an error.");
}

TEST_F(PreviewTest, AFailedPreviewSaysWhyAndOpensNothing)
{
    const UInt16 closed = UInt16(PeerProcess::FreeLoopbackPort());
    CBrevantoWindow* window = MakeWindow(closed);
    SetPreference("0", CString256(kMessageRetriesKey));
    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    ASSERT_TRUE(PreviewToTheEnd(window));
    const QString status = CopyControlTitleAsCFString(window->Control(ControlRole::StatusCaption));
    EXPECT_TRUE(status.startsWith("Status: An error occurred: ")) << status.toStdString();
    EXPECT_TRUE(status.contains("(Error code = ")) << status.toStdString();
    EXPECT_TRUE(mLauncher.opened.isEmpty());
}

TEST_F(PreviewTest, TheRawSourceOfAnUntitledMessageIsSavedAsEml)
{
    CBrevantoWindow* window = MakeWindow(25);
    SetControlText(window->Control(ControlRole::SubjectField), "");
    mPresenter->QueueAlert(kAlertStdAlertOKButton);  // the empty subject
    const QString chosen = FolderPath("untitled");    // the extension left out
    mPresenter->QueueSaveFile(chosen, false);
    ASSERT_TRUE(window->GenerateRawSource());
    EXPECT_EQ(mPresenter->Requests().back().explanation, "No Subject.eml");

    ASSERT_TRUE(QFile::exists(chosen + ".eml"));
    const QString read = ReadMessage(chosen + ".eml");
    EXPECT_TRUE(read.contains("To: Zoë Ærø <zoe@brevanto.test>\n")) << read.toStdString();
    EXPECT_TRUE(read.contains("Parts: text/plain\n")) << read.toStdString();
    EXPECT_FALSE(read.contains("Defect")) << read.toStdString();
    EXPECT_FALSE(window->IsSending());

    // Cancelled: nothing written.
    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    mPresenter->QueueSaveFile(std::nullopt, false);
    QFile::remove(chosen + ".eml");
    EXPECT_TRUE(window->GenerateRawSource());
    EXPECT_FALSE(QFile::exists(chosen + ".eml"));
}

} // namespace
