// The logs of a mailing: the header block in the application log and on the progress sheet,
// the throttle and elapsed-time captions, report and raw-source file names, the HTML report with
// its summary and rows (escaped, sorted or in delivery order), and the raw source read back by
// Python's email.
#include "MailingWindowFixture.h"

#include "CEnvironment.h"
#include "CTimeThread.h"
#include "Clock.h"
#include "ControlValues.h"
#include "Events.h"
#include "HeaderForms.h"
#include "LThread.h"
#include "WorkingFolders.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

namespace {

class MailingLogsTest : public MailingWindowTest {
protected:
    void SetUp() override
    {
        MailingWindowTest::SetUp();
        mSavedDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", mFolder.path().toUtf8());  // the log and Reports of this test alone
        SetPreference("false", CString256(kDateStampLogEntriesKey));
        SetPreference(nullptr, CString256(kSortErrorsKey));
        mEnvironment = std::make_unique<CEnvironment>();
        gEnvironment = mEnvironment.get();
        mEnvironment->OpenLog();
    }
    void TearDown() override
    {
        MailingWindowTest::TearDown();
        gEnvironment = nullptr;
        mEnvironment.reset();
        qputenv("XDG_DATA_HOME", mSavedDataHome);
    }

    CBrevantoWindow* MakeWindow()
    {
        auto* window = new CBrevantoWindow();
        window->SelectSenderTab(2);
        window->mSenderTab = 2;
        SetControlText(window->Control(ControlRole::SenderNameField), "Sam Sender");
        SetControlText(window->Control(ControlRole::SenderEmailField), "sam@brevanto.test");
        window->ResolveSender();
        SetControlText(window->Control(ControlRole::ServerField), "mail.example.org");
        SetControlText(window->Control(ControlRole::PortField), "587");
        return window;
    }

    static QString LogText()
    {
        FSRef logs;
        if (!GetLogsFolder(&logs))
            return QString();
        QFile file(QString::fromStdString(logs.path) + "/Brevanto.log");
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    static QString ReadFile(const QString& inPath)
    {
        QFile file(inPath);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    static void AddRecord(CBrevantoWindow* inWindow, SInt32 inIndex, const QString& inFirst, const QString& inLast,
                          SInt32 inError, const char* inText, UInt16 inRetries)
    {
        DeliveredRecipient record;
        record.recipientIndex = inIndex;
        record.firstName = inFirst;
        record.lastName = inLast;
        record.emailAddress = inFirst.toLower() + "@example.org";
        record.errorCode = inError;
        record.errorText = CString256(inText);
        record.retries = inRetries;
        inWindow->deliveredList.Append(record);
    }

    QByteArray mSavedDataHome;
    std::unique_ptr<CEnvironment> mEnvironment;
};

TEST_F(MailingLogsTest, TheHeaderBlockGoesToTheLogOnceAndOntoTheProgressSheet)
{
    CBrevantoWindow* window = MakeWindow();
    const QString importFile = FolderPath("list.txt");
    QFile(importFile).open(QIODevice::WriteOnly);
    window->mRecipientsTab = 2;
    window->mImportPath = importFile;
    window->mWebPageURL = "http://example.org/offer.html";
    SetControlText(window->Control(ControlRole::SubjectField), "Spring offer");
    SetControlText(window->Control(ControlRole::CcField), "cc@example.org");
    SetControlText(window->Control(ControlRole::ReplyToField), "reply@example.org");
    window->LogMailingHeader(false);

    const QString log = LogText();
    const qsizetype start = log.indexOf(" Sending mail\n");
    ASSERT_GE(start, 0) << log.toStdString();
    const QStringList lines = log.mid(start + 14).split('\n');
    const QStringList expected = {
        "\tDocument: http://example.org/offer.html",
        "\tSubject: Spring offer",
        "\tServer: mail.example.org",
        "\tSender: Sam Sender <sam@brevanto.test>",
        "\tCC: cc@example.org",
        "\tBCC: ",
        "\tReturn Path: ",
        "\tReply To: reply@example.org",
        "_______________________",
        "\tImport File: " + importFile,
    };
    ASSERT_GE(lines.size(), expected.size());
    EXPECT_EQ(lines.mid(0, expected.size()), expected);

    auto caption = [window](ControlRole inRole) { return CopyControlTitleAsCFString(window->Control(inRole)); };
    EXPECT_EQ(caption(ControlRole::SummaryServerCaption), "mail.example.org (SSL; port 587)");
    EXPECT_EQ(caption(ControlRole::SummaryMonitorCaption), "OFF");
    EXPECT_EQ(caption(ControlRole::SummarySourceLabel), "Import File:");
    EXPECT_EQ(caption(ControlRole::SummarySourceCaption), importFile);
    EXPECT_EQ(caption(ControlRole::SummaryThrottleCaption), CBrevantoWindow::ThrottleCaption(window->mThrottle));

    // Shown again: the sheet only; an Address Book source without a group is "All".
    window->mRecipientsTab = 1;
    window->mThrottle.batchMode = true;
    window->mThrottle.batchSize = 25;
    window->mThrottle.batchType = 3;
    window->LogMailingHeader(true);
    EXPECT_EQ(caption(ControlRole::SummaryThrottleCaption), " (Size = 25, Copy by Bcc)");
    EXPECT_EQ(LogText(), log);
    EXPECT_EQ(caption(ControlRole::SummarySourceLabel), "Address Book Group:");
    EXPECT_EQ(caption(ControlRole::SummarySourceCaption), "All");
}

TEST_F(MailingLogsTest, ThrottleCaptionsByModeAndDelay)
{
    struct Case {
        bool batch;
        SInt32 type;
        SInt32 delay;
        const char* caption;
    };
    const Case cases[] = {
        {true, 1, 30, " (Size = 25, No copying)"}, {true, 2, 0, " (Size = 25, Copy by Cc)"},
        {true, 3, 0, " (Size = 25, Copy by Bcc)"}, {true, 7, 0, " (Size = 25"},
        {false, 1, 5, " (Delay = 5 secs )"},       {false, 1, 0, "None"},
    };
    for (const Case& c : cases) {
        ThrottleSettings throttle;
        throttle.batchMode = c.batch;
        throttle.batchType = c.type;
        throttle.delaySeconds = c.delay;
        EXPECT_EQ(CBrevantoWindow::ThrottleCaption(throttle), c.caption) << c.type << " " << c.delay;
    }
}

// The progress sheet's elapsed time follows the program's clock: with the clock stopped, only
// an advance of the clock moves the caption, so the thread's wait must notice the new second
// itself (no deadline ends it).
TEST_F(MailingLogsTest, TheElapsedCaptionFollowsTheProgramClock)
{
    struct SystemClockAtEnd {
        ~SystemClockAtEnd() { Clock::UseSystemClock(); }
    } atEnd;
    Clock::SetForTests(QDateTime::currentDateTimeUtc(), 0);
    auto* window = new CBrevantoWindow();
    ControlRef caption = window->Control(ControlRole::ElapsedCaption);
    ASSERT_NE(caption, nullptr);
    auto* thread = new CTimeThread(caption);
    window->AdoptThread(thread);
    thread->Resume();
    const auto shows = [caption](const char* inText) {
        return LThread::WaitUntil([&] { return CopyControlTitleAsCFString(caption) == inText; },
                                  DeadlineAfter(std::chrono::seconds(10)));
    };
    EXPECT_TRUE(shows("0")) << CopyControlTitleAsCFString(caption).toStdString();
    Clock::AdvanceForTests(65);
    EXPECT_TRUE(shows("1 min 5 secs ")) << CopyControlTitleAsCFString(caption).toStdString();
    Clock::AdvanceForTests(3600);
    EXPECT_TRUE(shows("1 hr 1 min 5 secs ")) << CopyControlTitleAsCFString(caption).toStdString();
    window->Cleanup();
    EXPECT_EQ(gThreadList.Count(), 0);
}

TEST_F(MailingLogsTest, ReportNamesStartWithTheSubjectAndStayOneFileName)
{
    const QString date = "2026-12-11T03:04:05";
    EXPECT_EQ(CBrevantoWindow::ReportFileName("", date, ".html"), "[2026-12-11T03.04.05].html");
    EXPECT_EQ(CBrevantoWindow::ReportFileName("Re: news/views", date, ".eml"), "Re. news-views [2026-12-11T03.04.05].eml");
    const QString long_ = QString(300, QChar(0x00E9));  // two bytes each
    const QString name = CBrevantoWindow::ReportFileName(long_, date, ".html");
    EXPECT_LE(name.toUtf8().size(), 255);
    EXPECT_TRUE(name.startsWith(QChar(0x00E9)));
    EXPECT_TRUE(name.endsWith(" [2026-12-11T03.04.05].html"));
    EXPECT_EQ(QString::fromUtf8(name.toUtf8()), name);  // cut between characters
}

TEST_F(MailingLogsTest, TheReportHoldsTheSummaryAndEveryRowEscaped)
{
    CBrevantoWindow* window = MakeWindow();
    window->mRecipientsTab = 2;
    window->mWebPageURL = "http://example.org/?a=1&b=\"2\"";
    SetControlText(window->Control(ControlRole::SubjectField), "Q&A: <b>");
    AddRecord(window, 0, "Ann", "Adams", 0, "None", 0);
    AddRecord(window, 1, "<b>&\"", "Zed", 0x10000064, "Connection timed out. (Error code = 268435556)", 2);
    AddRecord(window, 2, "Bob", "Miller", 0, "None", 1);

    const QString path = window->WriteReport(65);
    ASSERT_FALSE(path.isEmpty());
    EXPECT_TRUE(QFileInfo(path).fileName().startsWith("Q&A. <b> ["));
    const QString html = ReadFile(path);
    EXPECT_TRUE(html.contains("<title>Q&amp;A: &lt;b&gt;</title>"));
    EXPECT_TRUE(html.contains("<a href=\"http://example.org/?a=1&amp;b=&quot;2&quot;\" target=_blank>"));
    EXPECT_TRUE(html.contains("<p><u>Sender</u>: Sam Sender (sam@brevanto.test)</p>\r"));
    EXPECT_TRUE(html.contains("<p><u>Time Elapsed</u>: 1 min 5 secs </p>\r"));
    EXPECT_TRUE(html.contains("<p><u>Number Errors</u>: 1</p>\r"));
    EXPECT_TRUE(html.contains("<p><u>Message delay</u>: "));
    EXPECT_FALSE(html.contains("Batch size"));
    EXPECT_FALSE(html.contains("<u>Attachments</u>"));
    EXPECT_TRUE(html.contains("<td>2</td><td>&lt;b&gt;&amp;&quot;</td><td>Zed</td>"));
    EXPECT_FALSE(html.contains("<b>&\""));
    // Sorted by last name, Z to A.
    EXPECT_LT(html.indexOf("<td>Zed</td>"), html.indexOf("<td>Miller</td>"));
    EXPECT_LT(html.indexOf("<td>Miller</td>"), html.indexOf("<td>Adams</td>"));
    EXPECT_TRUE(LogText().contains("Log file is: " + QFileInfo(path).fileName()));

    // "Sort Errors" false keeps the delivery order; batch mode and attachments change the summary.
    SetPreference("false", CString256(kSortErrorsKey));
    window->mThrottle.batchMode = true;
    window->mThrottle.batchSize = 40;
    window->AppendAttachmentPath("/tmp/a.pdf");
    window->AppendAttachmentPath("/tmp/b.pdf");
    SetControlText(window->Control(ControlRole::SubjectField), "Second");
    const QString second = ReadFile(window->WriteReport(0));
    EXPECT_LT(second.indexOf("<td>Adams</td>"), second.indexOf("<td>Zed</td>"));
    EXPECT_LT(second.indexOf("<td>Zed</td>"), second.indexOf("<td>Miller</td>"));
    EXPECT_TRUE(second.contains("<p><u>Batch size</u>: 40</p>\r"));
    EXPECT_FALSE(second.contains("Message delay"));
    EXPECT_TRUE(second.contains("<p><u>Attachments</u>: /tmp/a.pdf, <br>\r/tmp/b.pdf</p>\r"));
}

TEST_F(MailingLogsTest, TheRawSourceLogIsTheLastMessageAsAMailReaderReadsIt)
{
    CBrevantoWindow* window = MakeWindow();
    SetControlText(window->Control(ControlRole::SubjectField), "");
    mPresenter->QueueAlert(kAlertStdAlertOKButton);  // the empty subject
    ASSERT_TRUE(window->Validate(true));
    window->mMessage.to = MakeAddressHeaderForm("Zoë Ærø", "zoe@example.org").c_str();
    window->mMessage.body = "Hello Zoë\r\n";
    window->mMessage.contentType = "text/plain";

    const QString path = window->WriteRawSourceLog();
    ASSERT_FALSE(path.isEmpty());
    EXPECT_TRUE(QFileInfo(path).fileName().startsWith("["));
    EXPECT_TRUE(path.endsWith(".eml"));
    QProcess python;
    python.start(BREVANTO_PYTHON, {QStringLiteral(BREVANTO_TEST_DATA "/read_message.py"), path});
    ASSERT_TRUE(python.waitForFinished(60000));
    const QString read = QString::fromUtf8(python.readAllStandardOutput());
    EXPECT_TRUE(read.contains("From: Sam Sender <sam@brevanto.test>\n")) << read.toStdString();
    EXPECT_TRUE(read.contains("To: Zoë Ærø <zoe@example.org>\n")) << read.toStdString();
    EXPECT_TRUE(read.contains("Parts: text/plain\n")) << read.toStdString();
    EXPECT_FALSE(read.contains("Defect")) << read.toStdString();
    EXPECT_TRUE(LogText().contains("Raw source log file is: " + QFileInfo(path).fileName()));
}

TEST_F(MailingLogsTest, AddressChecksNameWhatFailedInTheLog)
{
    CBrevantoWindow* window = MakeWindow();
    window->SelectRecipientsTab(2);
    window->mRecipientsTab = 2;
    for (const Person& person : {Person("No", "Address", ""), Person("Bad", "One", "bad address"),
                                 Person("Ann", "Lee", "ann@example.org"), Person("Ann", "Again", "ANN@example.org")})
        window->mImported.Append(person);
    window->mImportSendFlags = std::vector<bool>{true, true, true, true};
    window->ValidateFlaggedAddresses();
    window->CheckDuplicateAddresses();
    const QString log = LogText();
    for (const char* line : {"Validating email addresses.\n", "Failed validation: No Address\n",
                             "Failed validation: bad address\n", "2 messages failed verification. \n",
                             "Duplicate email address found: ANN@example.org\n",
                             "1 duplicate email address found. \n"})
        EXPECT_TRUE(log.contains(line)) << line << "\n" << log.toStdString();
}

} // namespace
