// A mailing sent with the Message Monitor listening: every HTML message carries one tracking
// image right before its first closing body tag, and a real HTTP client fetching that image
// over loopback makes the monitor record the recipient, the subject and the mailing's
// identifier exactly as they were sent. Plain texts (the subject, a plain-text body or
// alternative) never get an image, even when they hold a closing body tag. With the monitor off
// the bodies go out as written.
#include "MailingRunFixture.h"

#include "CBrevantoApp.h"
#include "MessageMonitor.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QRegularExpression>

namespace {

class MailingTrackingTest : public MailingRunTest {
protected:
    void SetUp() override
    {
        MailingRunTest::SetUp();
        Set(kMessageMonitorShouldUseExternalAddressKey, "true");
        Set(kMessageMonitorIPAddressKey, "127.0.0.1");
        Set(kMessageMonitorPortKey, "0");
        SetMessageMonitorDrainInterval(std::chrono::milliseconds(0));
        // The application owns the monitor's store, which starts empty; making it forgets the
        // environment, so the run's is put back.
        QDir(GetMessageMonitorFolderPath()).removeRecursively();
        mApplication = std::make_unique<CBrevantoApp>();
        gEnvironment = mEnvironment.get();
        ASSERT_EQ(StartMessageMonitor(24, true), noErr);
        mEnvironment->monitorOn = 1;
    }

    void TearDown() override
    {
        MailingRunTest::TearDown();
        mApplication->CleanUp();
        mApplication.reset();
        SetMessageMonitorDrainInterval(std::chrono::milliseconds(50));
        for (const char* key : {kMessageMonitorShouldUseExternalAddressKey, kMessageMonitorIPAddressKey,
                                kMessageMonitorPortKey, kMessageMonitorKey})
            SetPreference(nullptr, CString256(key));
    }

    // The window's body: an HTML file whose closing body tag is in capitals and comes twice.
    CBrevantoWindow* MakeHTMLWindow(uint16_t inPort)
    {
        CBrevantoWindow* window = MakeWindow(inPort, "Zoë\tÆrø\tzoe@example.org\nBob\tJones\tbob@example.org\n");
        const QString body = FolderPath("body.html");
        WriteText(body, kBody);
        SetControlText(window->Control(ControlRole::SourceField), body);
        SetControlText(window->Control(ControlRole::SubjectField), "Q&A");
        const QString plain = QStringLiteral("Hello {ToNameFirst}, a page ends with </body>.\n");
        window->mEditorStoredText[0] = plain;
        SetControlText(window->Control(ControlRole::PlainTextAlternativeTextPane), plain);
        return window;
    }

    // The image's bytes, fetched by Qt's HTTP client while the event loop runs the monitor.
    static QByteArray Fetch(const QString& inURL)
    {
        QNetworkAccessManager manager;
        manager.setProxy(QNetworkProxy::NoProxy);
        std::unique_ptr<QNetworkReply> reply(manager.get(QNetworkRequest(QUrl::fromEncoded(inURL.toLatin1()))));
        const bool finished = WaitWithEvents([&] { return reply->isFinished(); }, std::chrono::seconds(60));
        EXPECT_TRUE(finished) << inURL.toStdString();
        EXPECT_EQ(reply->error(), QNetworkReply::NoError) << reply->errorString().toStdString();
        return reply->readAll();
    }

    static bool WaitWithEvents(const std::function<bool()>& inCondition, std::chrono::seconds inLimit)
    {
        const auto deadline = std::chrono::steady_clock::now() + inLimit;
        while (!inCondition()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            LMainContext::Get().RunQueuedCalls();
        }
        return true;
    }

    std::vector<MonitorRecord> Records() const
    {
        LMainContext::Get().RunQueuedCalls(); // the drains the connection threads asked for
        return FetchMessageMonitorRequests(*mApplication);
    }

    static constexpr const char* kBody =
        "<html><BODY>\n<p>Dear {ToNameFirst},</p>\n<p>questions and answers.</p>\n</BODY>\n"
        "<!-- an old copy: </body> -->\n</html>\n";

    std::unique_ptr<CBrevantoApp> mApplication;
};

// A line break alone, CR or LF, anywhere in the message's bytes.
bool HasBareLineBreak(const QByteArray& inData)
{
    static const QRegularExpression kBare(QStringLiteral("\r(?!\n)|(?<!\r)\n"));
    return kBare.match(QString::fromLatin1(inData)).hasMatch();
}

} // namespace

TEST_F(MailingTrackingTest, EachMessageCarriesOneImageWhoseFetchRecordsTheHitExactly)
{
    SmtpServerPeer peer({SmtpServerPeer::EMode::startTLS});
    ASSERT_TRUE(peer.IsRunning());
    const QString host = CopyMessageMonitorHostAndPort();
    ASSERT_EQ(host, QStringLiteral("127.0.0.1:%1").arg(CurrentMessageMonitorListener()->Port()));
    CBrevantoWindow* window = MakeHTMLWindow(peer.Port());
    ASSERT_TRUE(SendAndWait(window, *mPresenter));

    const auto messages = peer.Messages();
    const QJsonArray parsed = Parsed(peer);
    ASSERT_EQ(parsed.size(), 2);
    static const QRegularExpression kImage(QStringLiteral("<img src=\"(http://[^\"]*)\">"));
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_FALSE(HasBareLineBreak(messages[size_t(i)].data));
        const QJsonObject message = parsed[i].toObject();
        EXPECT_EQ(message["defects"].toInt(), 0);
        EXPECT_EQ(message["subject"].toString(), "Q&A");
        const QString html = message["html"].toString();
        EXPECT_EQ(html.count("<img "), 1) << html.toStdString();
        const QRegularExpressionMatch image = kImage.match(html);
        ASSERT_TRUE(image.hasMatch()) << html.toStdString();
        // Right before the first closing body tag, the rest as written.
        const QString after = html.mid(image.capturedEnd()).replace("\r\n", "\n");
        EXPECT_TRUE(after.startsWith("\n</BODY>\n<!-- an old copy: </body> -->")) << html.toStdString();
        EXPECT_TRUE(image.captured(1).startsWith("http://" + host + "/Brevanto.bvto?MessageMonitor="));
        EXPECT_FALSE(message["plain"].toString().contains("Brevanto.bvto"));
        EXPECT_TRUE(Fetch(image.captured(1)).startsWith("\x89PNG"));
    }

    const std::vector<MonitorRecord> records = Records();
    ASSERT_EQ(records.size(), 2u);
    const char* const names[] = {"Zoë Ærø <zoe@example.org>", "Bob Jones <bob@example.org>"};
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(records[i].name, QString::fromUtf8(names[i]));
        EXPECT_EQ(records[i].subject, "Q&A");
        EXPECT_EQ(records[i].mailerID, window->mUniqueName);
    }
}

TEST_F(MailingTrackingTest, PlainTextsNeverCarryTheImage)
{
    SmtpServerPeer peer({SmtpServerPeer::EMode::startTLS});
    ASSERT_TRUE(peer.IsRunning());
    CBrevantoWindow* window = MakeWindow(peer.Port(), "Ann\tLee\tann@example.org\n");
    const QString body = FolderPath("plain.txt");
    WriteText(body, "Dear {ToNameFirst},\nclose the page with </body>.\n");
    SetControlText(window->Control(ControlRole::SourceField), body);
    SetControlText(window->Control(ControlRole::SubjectField), "Closing </body> for {ToNameFirst}");
    ASSERT_TRUE(SendAndWait(window, *mPresenter));

    const QJsonArray parsed = Parsed(peer);
    ASSERT_EQ(parsed.size(), 1);
    const QJsonObject message = parsed[0].toObject();
    EXPECT_EQ(message["subject"].toString(), "Closing </body> for Ann");
    EXPECT_EQ(message["plain"].toString().replace("\r\n", "\n"), "Dear Ann,\nclose the page with </body>.\n");
    EXPECT_FALSE(peer.Messages()[0].data.contains("Brevanto.bvto"));
}

TEST_F(MailingTrackingTest, WithTheMonitorOffTheBodiesGoOutAsWritten)
{
    SmtpServerPeer peer({SmtpServerPeer::EMode::startTLS});
    ASSERT_TRUE(peer.IsRunning());
    ToggleMessageMonitor(true);
    ASSERT_EQ(mEnvironment->monitorOn, 0);
    CBrevantoWindow* window = MakeHTMLWindow(peer.Port());
    ASSERT_TRUE(SendAndWait(window, *mPresenter));

    const QJsonArray parsed = Parsed(peer);
    ASSERT_EQ(parsed.size(), 2);
    const char* const firstNames[] = {"Zoë", "Bob"};
    for (int i = 0; i < 2; ++i) {
        const QString expected = QString::fromUtf8(kBody).replace("{ToNameFirst}", QString::fromUtf8(firstNames[i]));
        EXPECT_EQ(parsed[i].toObject()["html"].toString().replace("\r\n", "\n"), expected) << i;
    }
}
