// Whole mailings of 1,000 imported recipients sent from the window's Send button through
// smtp-sink behind a TLS front (the secure road's implicit TLS), every message read back with
// Python's email package: what each recipient received, the delivery records, the log, the
// HTML report, the raw source and the document saved on the way.
#include "MailingRunFixture.h"

#include "../peers/SmtpSinkPeer.h"
#include "../peers/TlsFrontPeer.h"

#include "CFPropertyListReader.h"
#include "CommandRouter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <pwd.h>

namespace {

// smtp-sink behind the TLS front, writing every message it takes to a file of its own. The
// folder is outside the test's own (private) folder: smtp-sink runs as nobody when the tests
// run as root, and nobody must be able to reach it.
class DumpingSecureSink {
public:
    explicit DumpingSecureSink(const std::vector<std::string>& inOptions = {})
        : mFolder(QDir::rootPath() + QStringLiteral("tmp/brevanto-sink-XXXXXX"))
    {
        if (!mFolder.isValid())
            return;
        if (geteuid() == 0) {
            const passwd* nobody = getpwnam("nobody");
            if (!nobody || chown(QFile::encodeName(mFolder.path()).constData(), nobody->pw_uid, nobody->pw_gid) != 0)
                return;
        }
        std::vector<std::string> options = {"-d", mFolder.path().toStdString() + "/m."};
        options.insert(options.end(), inOptions.begin(), inOptions.end());
        mSink = std::make_unique<SmtpSinkPeer>(options, false);
        mFront = std::make_unique<TlsFrontPeer>(mSink->Port());
        if (IsRunning())
            SetImplicitTLSTestPorts({Port()});
    }
    ~DumpingSecureSink() { SetImplicitTLSTestPorts({}); }

    bool IsRunning() const { return mSink && mSink->IsRunning() && mFront && mFront->IsRunning(); }
    UInt16 Port() const { return UInt16(mFront->Port()); }
    int Count() const { return int(MessageFiles().size()); }

    // The envelope recipients of every message taken, sorted.
    QStringList Recipients() const
    {
        QStringList recipients;
        for (const QString& path : MessageFiles()) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            for (QByteArray line = file.readLine(); !line.startsWith("Received: ") && !line.isEmpty(); line = file.readLine()) {
                if (line.startsWith("X-Rcpt-Args: <"))
                    recipients << QString::fromUtf8(line.mid(14).trimmed().chopped(1));
            }
        }
        recipients.sort();
        return recipients;
    }

    QStringList MessageFiles() const
    {
        QDir folder(mFolder.path());
        QStringList files;
        for (const QString& name : folder.entryList(QDir::Files, QDir::Name))
            files << folder.filePath(name);
        return files;
    }

private:
    QTemporaryDir mFolder;
    std::unique_ptr<SmtpSinkPeer> mSink;
    std::unique_ptr<TlsFrontPeer> mFront;
};

constexpr int kRecipients = 1000;
// These two recipients have a second address: 1,002 messages.
constexpr int kTwoAddresses[] = {1, 998};
constexpr int kMessages = kRecipients + 2;
constexpr int kAutoSavePeriod = kRecipients / 4;

QString Address(int inIndex, bool inSecond = false)
{
    return QStringLiteral("r%1%2@example.org").arg(inIndex, 4, 10, QChar('0')).arg(inSecond ? ".home" : "");
}

QString FirstName(int inIndex)
{
    static const char* const kNames[] = {"Zoë", "Bjørn", "Łucja", "Renée", "Ærø"};
    return QString::fromUtf8(kNames[inIndex % 5]);
}

QString LastName(int inIndex) { return QStringLiteral("Müller%1").arg(inIndex); }

bool HasTwoAddresses(int inIndex) { return std::find(std::begin(kTwoAddresses), std::end(kTwoAddresses), inIndex) != std::end(kTwoAddresses); }

// The import file's text: first name, last name and addresses, tab-separated.
QString RecipientsText(int inCount = kRecipients, bool inSecondAddresses = true)
{
    QString text;
    for (int i = 0; i < inCount; ++i) {
        QString addresses = Address(i);
        if (inSecondAddresses && HasTwoAddresses(i))
            addresses += ", " + Address(i, true);
        text += FirstName(i) + '\t' + LastName(i) + '\t' + addresses + '\n';
    }
    return text;
}

class MailingEndToEndTest : public MailingRunTest {
protected:
    void SetUp() override
    {
        // The log, the reports and the documents of this test alone.
        mSavedDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", FolderPath("data").toUtf8());
        MailingRunTest::SetUp();
        mAttachments = {FolderPath(QStringLiteral("Preisliste März.pdf")), FolderPath("photo.jpg")};
        QByteArray pdf("%PDF-1.4\n");
        for (int i = 0; i < 3000; ++i)
            pdf += char(QRandomGenerator::global()->bounded(256));
        QByteArray jpeg("\xff\xd8\xff\xe0");
        for (int i = 0; i < 6000; ++i)
            jpeg += char(QRandomGenerator::global()->bounded(256));
        for (const auto& [path, bytes] : {std::pair{mAttachments[0], pdf}, std::pair{mAttachments[1], jpeg}}) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(bytes);
            mAttachmentHashes << QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
        }
    }

    void TearDown() override
    {
        MailingRunTest::TearDown();
        for (const char* key : {kThrottleMessageNumberKey, kThrottleTimeUnitKey})
            SetPreference(nullptr, CString256(key));
        qputenv("XDG_DATA_HOME", mSavedDataHome);
    }

    // A window sending to the sink without AUTH (smtp-sink answers AUTH with 250, which the
    // client must refuse): an HTML body and a plain-text alternative, both personalised, and
    // the drawer's two attachments. The 1,000 recipients by default, two with a second address.
    CBrevantoWindow* MakeSinkWindow(UInt16 inPort, int inCount = kRecipients, bool inSecondAddresses = true)
    {
        CBrevantoWindow* window = MakeWindow(inPort, RecipientsText(inCount, inSecondAddresses));
        SetControlText(window->Control(ControlRole::UserNameField), QString());
        SetControlText(window->Control(ControlRole::PasswordField), QString());
        SetControl32BitValue(window->Control(ControlRole::SecureAuthenticationPopup), 1);
        const QString body = FolderPath("body.html");
        WriteText(body, "<html><body><p>Dear {ToName},</p><p>this is for {ToAddress}.</p></body></html>\n");
        SetControlText(window->Control(ControlRole::SourceField), body);
        const QString plain = QStringLiteral("Hello {ToNameFirst}, this is for {ToAddress}.\n");
        window->mEditorStoredText[0] = plain;
        SetControlText(window->Control(ControlRole::PlainTextAlternativeTextPane), plain);
        window->AddAttachmentPaths(mAttachments);
        return window;
    }

    // Presses a button of the window or of its progress sheet (whose handler acts and then
    // passes the command on, so the router's "handled" tells nothing: what follows checks).
    static void Press(CBrevantoWindow* inWindow, ControlRole inButton, CommandT inCommand)
    {
        CommandRouter::Get().SendControlCommand(inWindow->Control(inButton), inCommand);
    }

    static bool WaitForEnd(CBrevantoWindow* inWindow)
    {
        return LThread::WaitUntil([inWindow] { return !inWindow->IsSending(); }, DeadlineAfter(std::chrono::minutes(2)));
    }

    static QString ProgressText(CBrevantoWindow* inWindow) { return Caption(inWindow, ControlRole::ProgressStatusCaption); }

    // Saves the mailing to a file of the test's folder, as Save As does.
    QString SaveDocument(CBrevantoWindow* inWindow)
    {
        const QString document = FolderPath("mailing.bvto");
        mPresenter->QueueSaveFile(document, false);
        EXPECT_TRUE(inWindow->SaveAs());
        return document;
    }

    static QStringList AllAddresses(int inCount)
    {
        QStringList addresses;
        for (int i = 0; i < inCount; ++i)
            addresses << Address(i);
        addresses.sort();
        return addresses;
    }

    // The indexes of the recipients whose message failed in the last run.
    static QList<SInt32> FailedIndexes(CBrevantoWindow* inWindow)
    {
        QList<SInt32> failed;
        inWindow->deliveredList.Rewind();
        while (const DeliveredRecipient* record = inWindow->deliveredList.Next()) {
            if (!record->succeeded)
                failed << record->recipientIndex;
        }
        return failed;
    }

    QStringList ReportFiles(const QString& inSuffix) const
    {
        QStringList files;
        QDirIterator it(FolderPath("data"), {"*" + inSuffix}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        return files;
    }

    static QByteArray ReadBytes(const QString& inPath)
    {
        QFile file(inPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The imported recipients' send flags as the document file holds them.
    static std::vector<bool> SavedFlags(const QByteArray& inDocument)
    {
        std::vector<bool> flags;
        for (const CFPropertyList& flag :
             CFPropertyListReader::Read(inDocument).Value("ImportRecipientsSendArray").ToArray())
            flags.push_back(flag.ToBool());
        return flags;
    }

    QStringList mAttachments;
    QStringList mAttachmentHashes;
    QByteArray mSavedDataHome;
};

// What one received message must be: the recipient's own To, subject and bodies, the two
// attachments byte for byte, no Bcc header, no defect.
void ExpectPersonalised(const QJsonObject& inMessage, int inIndex, const QString& inAddress,
                        const QStringList& inHashes)
{
    SCOPED_TRACE(inAddress.toStdString());
    EXPECT_EQ(inMessage["defects"].toInt(), 0);
    EXPECT_EQ(inMessage["envelope"].toArray(), QJsonArray{inAddress});
    const QString name = FirstName(inIndex) + ' ' + LastName(inIndex);
    EXPECT_EQ(inMessage["to"].toString().toStdString(), (name + " <" + inAddress + ">").toStdString());
    EXPECT_EQ(inMessage["from"].toString().toStdString(), "Sender Name <sender@brevanto.test>");
    EXPECT_EQ(inMessage["subject"].toString().toStdString(), ("News for " + FirstName(inIndex)).toStdString());
    EXPECT_FALSE(inMessage["bcc"].toBool());
    // A base64 text part holds its lines in the canonical CR LF form.
    EXPECT_EQ(inMessage["plain"].toString().replace("\r\n", "\n").toStdString(), ("Hello " + FirstName(inIndex) + ", this is for " + inAddress + ".\n").toStdString());
    EXPECT_TRUE(inMessage["html"].toString().contains("this is for " + inAddress + "."))
        << inMessage["html"].toString().toStdString();
    const QJsonArray attachments = inMessage["attachments"].toArray();
    ASSERT_EQ(attachments.size(), 2);
    EXPECT_EQ(attachments[0].toObject()["name"].toString(), QStringLiteral("Preisliste März.pdf"));
    EXPECT_EQ(attachments[1].toObject()["name"].toString(), "photo.jpg");
    EXPECT_EQ(attachments[0].toObject()["sha256"].toString(), inHashes[0]);
    EXPECT_EQ(attachments[1].toObject()["sha256"].toString(), inHashes[1]);
}

TEST_F(MailingEndToEndTest, AThousandRecipientsEachGetTheirOwnMessageWithBothAttachments)
{
    DumpingSecureSink sink;
    ASSERT_TRUE(sink.IsRunning());
    CBrevantoWindow* window = MakeSinkWindow(sink.Port());
    ASSERT_EQ(window->CountRecipients(), kRecipients);

    // Saved every 250 messages on the way.
    Set(kAutoSaveKey, "true");
    Set(kAutoSavePeriodKey, QByteArray::number(kAutoSavePeriod).constData());
    const QString document = SaveDocument(window);
    const QByteArray savedBefore = ReadBytes(document);
    ASSERT_EQ(SavedFlags(savedBefore), std::vector<bool>(kRecipients, true));

    mPresenter->QueueAlert(kAlertStdAlertOKButton);  // the network caution, where it is asked
    Press(window, ControlRole::SendButton, 'SEND');
    ASSERT_TRUE(window->IsSending());
    QStringList addressCounts;
    const bool ended = LThread::WaitUntil(
        [&] {
            const QString text = ProgressText(window);
            if (text.contains("(Message ") && !addressCounts.contains(text))
                addressCounts << text;
            return !window->IsSending();
        },
        DeadlineAfter(std::chrono::minutes(4)));
    ASSERT_TRUE(ended) << sink.Count() << " messages sent";
    EXPECT_EQ(addressCounts, QStringList{"Status: (Message 2 of 2 messages)"});

    // The window's account of it.
    EXPECT_EQ(ProgressText(window), "Completed with 0 errors.");
    EXPECT_EQ(Caption(window, ControlRole::RecipientCaption), QStringLiteral("%1 messages processed.").arg(kMessages));
    EXPECT_EQ(window->deliveredList.Count(), kMessages);
    int sent = 0;
    window->deliveredList.Rewind();
    while (const DeliveredRecipient* record = window->deliveredList.Next())
        sent += record->succeeded ? 1 : 0;
    EXPECT_EQ(sent, kMessages);
    EXPECT_EQ(Flags(window), std::vector<bool>(kRecipients, true));

    // What arrived: each address once, each message its recipient's.
    const QJsonArray parsed = Parsed(sink.MessageFiles());
    ASSERT_EQ(parsed.size(), kMessages);
    QMap<QString, QJsonObject> byAddress;
    QSet<QString> messageIds;
    for (const QJsonValue& value : parsed) {
        const QJsonObject message = value.toObject();
        byAddress.insert(message["envelope"].toArray().first().toString(), message);
        messageIds.insert(message["messageId"].toString());
    }
    ASSERT_EQ(byAddress.size(), kMessages);
    EXPECT_EQ(messageIds.size(), kMessages);
    for (int i = 0; i < kRecipients; ++i) {
        for (bool second : {false, true}) {
            if (second && !HasTwoAddresses(i))
                continue;
            const QString address = Address(i, second);
            ASSERT_TRUE(byAddress.contains(address)) << address.toStdString();
            ExpectPersonalised(byAddress[address], i, address, mAttachmentHashes);
            if (HasFailure())
                return;
        }
    }

    // The log: the header block, and a line for every address.
    const QStringList log = LogLines();
    EXPECT_EQ(log.filter(QRegularExpression(" Sending mail$")).size(), 1);
    EXPECT_TRUE(log.contains("\tServer: 127.0.0.1"));
    EXPECT_EQ(log.filter(QRegularExpression("^\\t\\[\\d+\\] .* \\(\\d\\) r\\d{4}(\\.home)?@example\\.org Error: None$")).size(),
              kMessages);
    EXPECT_TRUE(log.contains(QStringLiteral("\t[%1] ").arg(kTwoAddresses[1]) + FirstName(kTwoAddresses[1]) + ' ' +
                             LastName(kTwoAddresses[1]) + " (2) " + Address(kTwoAddresses[1], true) +
                             " Error: None"));

    // The report: a row for every address, all without error.
    const QStringList reports = ReportFiles(".html");
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(QFileInfo(reports[0]).fileName().startsWith("News for {ToNameFirst} ["));
    const QString report = QString::fromUtf8(ReadBytes(reports[0]));
    EXPECT_EQ(report.count("<tr><td colspan=\"6\"><hr></td></tr>"), kMessages);
    EXPECT_EQ(report.count("<td>None</td>"), kMessages);
    EXPECT_TRUE(report.contains("<td>" + Address(kTwoAddresses[1], true) + "</td>"));

    // The raw source: the last message as built, but for its Message-ID and date.
    const QStringList sources = ReportFiles(".eml");
    ASSERT_EQ(sources.size(), 1);
    const QJsonArray raw = Parsed(sources);
    ASSERT_EQ(raw.size(), 1);
    QJsonObject rawMessage = raw[0].toObject();
    QJsonObject last = byAddress[Address(kRecipients - 1)];
    for (const char* varying : {"messageId", "date", "envelope"}) {
        rawMessage.remove(varying);
        last.remove(varying);
    }
    EXPECT_EQ(rawMessage, last);

    // The document saved on the way: saves come after a recipient whose last message's number
    // is a multiple of the period (750: recipient 748; 1,000 falls inside recipient 998).
    int savedUpTo = -1;
    for (int i = 0, number = 0; i < kRecipients; ++i) {
        number += HasTwoAddresses(i) ? 2 : 1;
        if (number % kAutoSavePeriod == 0)
            savedUpTo = i;
    }
    const QByteArray savedAfter = ReadBytes(document);
    EXPECT_NE(savedAfter, savedBefore);
    std::vector<bool> expected(kRecipients, true);
    std::fill(expected.begin(), expected.begin() + savedUpTo + 1, false);
    EXPECT_EQ(SavedFlags(savedAfter), expected);
}

// Pause holds the run between recipients: nothing more reaches the server while paused, and
// the document the periodic save left holds exactly the recipients sent up to the last
// multiple of the period. Pressed again, the run goes on and ends complete.
TEST_F(MailingEndToEndTest, PauseHoldsTheRunWithTheDocumentSavedUpToItAndResumeCompletesIt)
{
    DumpingSecureSink sink;
    ASSERT_TRUE(sink.IsRunning());
    constexpr int kCount = 120;
    CBrevantoWindow* window = MakeSinkWindow(sink.Port(), kCount, false);
    Set(kAutoSaveKey, "true");
    Set(kAutoSavePeriodKey, "25");
    const QString document = SaveDocument(window);

    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    Press(window, ControlRole::SendButton, 'SEND');
    ASSERT_TRUE(LThread::WaitUntil([&] { return sink.Count() >= 60; }, DeadlineAfter(std::chrono::minutes(2))));
    Press(window, ControlRole::PauseButton, 'PAUS');
    EXPECT_EQ(Caption(window, ControlRole::PauseButton), "Resume");
    ASSERT_TRUE(LThread::WaitUntil([&] { return Caption(window, ControlRole::StatusCaption) == "Status: Paused"; },
                                   DeadlineAfter(std::chrono::minutes(1))));
    const int held = sink.Count();
    LThread::WaitUntil([] { return false; }, DeadlineAfter(std::chrono::milliseconds(500)));
    EXPECT_EQ(sink.Count(), held);
    ASSERT_LT(held, kCount);
    std::vector<bool> expected(kCount, true);
    std::fill_n(expected.begin(), held / 25 * 25, false);
    EXPECT_EQ(SavedFlags(ReadBytes(document)), expected) << held << " sent";

    Press(window, ControlRole::PauseButton, 'PAUS');
    EXPECT_EQ(Caption(window, ControlRole::PauseButton), "Pause");
    ASSERT_TRUE(WaitForEnd(window));
    EXPECT_EQ(ProgressText(window), "Completed with 0 errors.");
    EXPECT_EQ(sink.Recipients(), AllAddresses(kCount));
}

// Aborted midway: no flag comes back and nothing is resent; Send again mails exactly the rest.
TEST_F(MailingEndToEndTest, AnAbortedRunKeepsTheRestFlaggedAndSendMailsExactlyThem)
{
    DumpingSecureSink sink;
    ASSERT_TRUE(sink.IsRunning());
    constexpr int kCount = 120;
    CBrevantoWindow* window = MakeSinkWindow(sink.Port(), kCount, false);
    Set(kResendOnErrorKey, "true");

    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    Press(window, ControlRole::SendButton, 'SEND');
    ASSERT_TRUE(LThread::WaitUntil([&] { return sink.Count() >= 40; }, DeadlineAfter(std::chrono::minutes(2))));
    Press(window, ControlRole::AbortButton, 'ABRT');
    ASSERT_TRUE(WaitForEnd(window));
    EXPECT_EQ(ProgressText(window), "Aborted with 0 errors.");
    const int sent = window->deliveredList.Count();
    ASSERT_GE(sent, 40);
    ASSERT_LT(sent, kCount);
    EXPECT_EQ(sink.Count(), sent);
    std::vector<bool> expected(kCount, true);
    std::fill_n(expected.begin(), sent, false);
    EXPECT_EQ(Flags(window), expected);
    EXPECT_FALSE(window->mRun.resendPending);
    EXPECT_EQ(window->mRun.resendTimer, nullptr);

    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    Press(window, ControlRole::SendButton, 'SEND');
    ASSERT_TRUE(WaitForEnd(window));
    EXPECT_EQ(ProgressText(window), "Completed with 0 errors.");
    EXPECT_EQ(window->deliveredList.Count(), kCount - sent);
    EXPECT_EQ(sink.Recipients(), AllAddresses(kCount));
}

// The DATA numbers the aiosmtpd peer refuses (every third of its life) decide every outcome
// below: this replays them.
struct DataRefusals {
    int data = 0;
    // True when the next DATA is refused.
    bool Next() { return ++data % 3 == 0; }
};

// Two retries without a wait: each address is accepted once, and exactly those whose first
// DATA was refused took one retry.
TEST_F(MailingEndToEndTest, RefusedDataIsRetriedAndEachAddressAcceptedOnce)
{
    SmtpServerPeer::Options options{SmtpServerPeer::EMode::startTLS};
    options.failDataEvery = 3;
    SmtpServerPeer peer(options);
    ASSERT_TRUE(peer.IsRunning());
    Set(kMessageRetriesKey, "2");
    constexpr int kCount = 45;
    CBrevantoWindow* window = MakeWindow(peer.Port(), RecipientsText(kCount, false));
    ASSERT_TRUE(SendAndWait(window, *mPresenter));

    DataRefusals refusals;
    std::vector<int> retries(kCount, 0);
    for (int& recipientRetries : retries) {
        while (refusals.Next())
            ++recipientRetries;
    }
    EXPECT_EQ(ProgressText(window), "Completed with 0 errors.");
    ASSERT_EQ(window->deliveredList.Count(), kCount);
    window->deliveredList.Rewind();
    while (const DeliveredRecipient* record = window->deliveredList.Next()) {
        EXPECT_TRUE(record->succeeded);
        EXPECT_EQ(record->retries, retries[size_t(record->recipientIndex)]) << record->recipientIndex;
    }
    QStringList accepted = AcceptedAddresses(peer);
    accepted.sort();
    EXPECT_EQ(accepted, AllAddresses(kCount));
}

// No retries, "Resend On Error": each run records exactly the refused ones as failures, the
// resend timer sends only those again, until a run has none; that last run puts back the
// flags the first one started with.
TEST_F(MailingEndToEndTest, RefusedMessagesAreResentRunByRunUntilNoneIsLeft)
{
    const auto peer = StartResendPeer();
    ASSERT_TRUE(peer->IsRunning());
    constexpr int kCount = 60;
    CBrevantoWindow* window = MakeWindow(peer->Port(), RecipientsText(kCount, false));

    DataRefusals refusals;
    QList<SInt32> pending;
    for (SInt32 i = 0; i < kCount; ++i)
        pending << i;
    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    window->StartSending();
    for (int run = 1;; ++run) {
        SCOPED_TRACE(run);
        ASSERT_TRUE(WaitForEnd(window));
        QList<SInt32> failed;
        for (SInt32 index : std::as_const(pending)) {
            if (refusals.Next())
                failed << index;
        }
        EXPECT_EQ(FailedIndexes(window), failed);
        EXPECT_EQ(window->deliveredList.Count(), pending.size());
        if (failed.isEmpty())
            break;
        ASSERT_LT(run, 6);
        std::vector<bool> flags(kCount, false);
        for (SInt32 index : std::as_const(failed))
            flags[size_t(index)] = true;
        EXPECT_EQ(Flags(window), flags);
        EXPECT_EQ(Caption(window, ControlRole::RecipientCaption), "One or more errors occurred: will resend shortly...");
        ASSERT_TRUE(window->mRun.resendPending);
        // The timer starts the resend as the Send command would (the network caution again).
        mPresenter->QueueAlert(kAlertStdAlertOKButton);
        ASSERT_TRUE(WaitWithTimers([&] { return window->mRun.resendTimer == nullptr; }, std::chrono::minutes(1)));
        pending = failed;
    }
    EXPECT_EQ(ProgressText(window), "Completed with 0 errors.");
    EXPECT_EQ(Flags(window), std::vector<bool>(kCount, true));
    EXPECT_FALSE(window->mRun.resendPending);
    QStringList accepted = AcceptedAddresses(*peer);
    accepted.sort();
    EXPECT_EQ(accepted, AllAddresses(kCount));
}

// smtp-sink refusing DATA, answering MAIL with 421 and hanging up, hanging up after the data,
// and no server at all: three failures in a row abort the run ("Consecutive Errors" 3), each
// with the secure road's failure code; every recipient stays flagged and nothing is resent.
TEST_F(MailingEndToEndTest, ServerFaultsEndTheRunAtTheConsecutiveErrorLimit)
{
    mEnvironment->consecutiveErrors = 3;
    Set(kResendOnErrorKey, "true");
    const struct {
        const char* fault;
        std::vector<std::string> options;  // none: nothing listens
    } cases[] = {
        {"DATA refused", {"-f", "DATA"}},
        {"421 to MAIL and hang-up", {"-Q", "MAIL"}},
        {"hang-up after the data", {"-q", "."}},
        {"no listener", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        std::unique_ptr<DumpingSecureSink> sink;
        UInt16 port = UInt16(PeerProcess::FreeLoopbackPort());
        if (!c.options.empty()) {
            sink = std::make_unique<DumpingSecureSink>(c.options);
            ASSERT_TRUE(sink->IsRunning());
            port = sink->Port();
        } else {
            SetImplicitTLSTestPorts({port});
        }
        CBrevantoWindow* window = MakeSinkWindow(port, 6, false);
        mPresenter->QueueAlert(kAlertStdAlertOKButton);
        Press(window, ControlRole::SendButton, 'SEND');
        ASSERT_TRUE(WaitForEnd(window));

        EXPECT_EQ(ProgressText(window), "Aborted with 3 errors.");
        EXPECT_EQ(FailedIndexes(window), (QList<SInt32>{0, 1, 2}));
        window->deliveredList.Rewind();
        while (const DeliveredRecipient* record = window->deliveredList.Next())
            EXPECT_TRUE(QString::fromUtf8(record->errorText.text).endsWith(" (Error code = 33)")) << record->errorText.text;
        EXPECT_EQ(Flags(window), std::vector<bool>(6, true));
        EXPECT_FALSE(window->mRun.resendPending);
        EXPECT_EQ(window->mRun.resendTimer, nullptr);
        SetImplicitTLSTestPorts({});
    }
}

// Batches of 25 messages, each its own, with a 10-second delay after every batch but the last,
// on the program's clock run 100 times fast: the delays come exactly at the batch ends.
TEST_F(MailingEndToEndTest, BatchesOfTwentyFiveArePacedByTheirDelay)
{
    DumpingSecureSink sink;
    ASSERT_TRUE(sink.IsRunning());
    Set(kThrottleTypeKey, "3");
    Set(kThrottleBatchTypeKey, "1");
    Set(kThrottleBatchSizeKey, "25");
    Set(kThrottlePeriodDelayKey, "1");
    Clock::SetForTests(QDateTime::currentDateTime(), 100);
    constexpr int kCount = 250;
    CBrevantoWindow* window = MakeSinkWindow(sink.Port(), kCount, false);

    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    Press(window, ControlRole::SendButton, 'SEND');
    QList<int> sentAtDelays;
    bool delaying = false;
    ASSERT_TRUE(LThread::WaitUntil(
        [&] {
            const bool now = ProgressText(window).startsWith("Status: Delaying ");
            if (now && !delaying)
                sentAtDelays << sink.Count();
            delaying = now;
            return !window->IsSending();
        },
        DeadlineAfter(std::chrono::minutes(2))));
    EXPECT_EQ(window->mThrottle.delaySeconds, 10);
    EXPECT_EQ(sentAtDelays, (QList<int>{25, 50, 75, 100, 125, 150, 175, 200, 225}));
    EXPECT_EQ(ProgressText(window), "Completed with 0 errors.");
    EXPECT_EQ(sink.Recipients(), AllAddresses(kCount));
}

// On the real clock: an hour's delay ends at once with an abort; 60 a minute leaves at least
// a second between two messages' arrivals (a lower bound only: this measures nothing else).
TEST_F(MailingEndToEndTest, ThrottleDelaysOnTheRealClock)
{
    DumpingSecureSink sink;
    ASSERT_TRUE(sink.IsRunning());
    Set(kThrottleTypeKey, "1");
    Set(kThrottlePeriodDelayKey, "360");
    CBrevantoWindow* window = MakeSinkWindow(sink.Port(), 3, false);
    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    Press(window, ControlRole::SendButton, 'SEND');
    ASSERT_TRUE(LThread::WaitUntil([&] { return ProgressText(window).startsWith("Status: Delaying "); },
                                   DeadlineAfter(std::chrono::minutes(1))));
    EXPECT_EQ(window->mThrottle.delaySeconds, 3600);
    Press(window, ControlRole::AbortButton, 'ABRT');
    ASSERT_TRUE(LThread::WaitUntil([&] { return !window->IsSending(); }, DeadlineAfter(std::chrono::seconds(5))));
    EXPECT_EQ(ProgressText(window), "Aborted with 0 errors.");
    EXPECT_EQ(sink.Count(), 1);

    Set(kThrottleTypeKey, "2");
    Set(kThrottleMessageNumberKey, "60");
    Set(kThrottleTimeUnitKey, "1");
    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    Press(window, ControlRole::SendButton, 'SEND');
    ASSERT_TRUE(WaitForEnd(window));
    EXPECT_EQ(window->mThrottle.delaySeconds, 1);
    EXPECT_EQ(ProgressText(window), "Completed with 0 errors.");
    QList<qint64> arrivals;
    for (const QString& path : sink.MessageFiles())
        arrivals << QFileInfo(path).lastModified().toMSecsSinceEpoch();
    std::sort(arrivals.begin(), arrivals.end());
    ASSERT_EQ(arrivals.size(), 3);  // the aborted run's one, then this run's two
    // File times come from the kernel's coarse clock: a tick of slack.
    EXPECT_GE(arrivals[2] - arrivals[1], 990);
}

} // namespace
