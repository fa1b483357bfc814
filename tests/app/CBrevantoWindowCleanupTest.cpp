// The end of a mailing window and its status line: Cleanup once, the window's threads stopped
// before its controls go, the layout written into the document atomically (read back by
// Python's plistlib), read-only and non-dictionary documents left alone, the choices written to
// the preferences and taken by the next new window, and the connection status texts.
#include "MailingWindowFixture.h"

#include "CFPropertyList.h"
#include "CFPropertyListReader.h"
#include "CFPropertyListWriter.h"
#include "CThread.h"
#include "ControlValues.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QWidget>

#include <unistd.h>

namespace {

void WriteFile(const QString& inPath, const QByteArray& inBytes)
{
    QFile file(inPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(inBytes);
}

QByteArray ReadFile(const QString& inPath)
{
    QFile file(inPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray DocumentWithPadding()
{
    CFPropertyList::Dictionary document;
    document.insert("Subject", CFPropertyList("Spring offers"));
    // Long enough that the rewritten document is shorter than the file it replaces.
    document.insert("WindowBounds", CFPropertyList(QByteArray(4096, 'x')));
    return CFPropertyListWriter::Write(CFPropertyList(document));
}

QString Preference(const char* inKey)
{
    std::unique_ptr<char[]> value = GetPreference(CString256(inKey));
    return value ? QString::fromUtf8(value.get()) : QStringLiteral("<absent>");
}

// A worker that keeps yielding until asked to stop, and notes whether the window's controls
// were still there when it stopped.
class ImportLikeThread : public CThread {
public:
    explicit ImportLikeThread(CBrevantoWindow* inWindow, bool* outSawControls)
        : mWindow(inWindow), mSawControls(outSawControls)
    {
    }
    void* Run() override
    {
        while (!IsStopRequested())
            LThread::Yield();
        *mSawControls = mWindow->Control(ControlRole::SourceField) != nullptr;
        return nullptr;
    }

private:
    CBrevantoWindow* mWindow;
    bool* mSawControls;
};

} // namespace

TEST_F(MailingWindowTest, CleanupRunsOnceAndTakesTheWindowOffTheList)
{
    auto* window = new CBrevantoWindow();
    auto* other = new CBrevantoWindow();
    window->Cleanup();
    EXPECT_TRUE(window->IsCleanedUp());
    EXPECT_EQ(gWindowList.Count(), 1);
    EXPECT_EQ(window->GetMainWindow(), nullptr);
    EXPECT_EQ(window->Control(ControlRole::SourceField), nullptr);
    EXPECT_EQ(gCleanupList.Count(), 1);
    window->Cleanup();
    EXPECT_EQ(gCleanupList.Count(), 1);
    EXPECT_NE(LCommander::GetTarget(), window);
    DeleteQueued();
    EXPECT_EQ(gWindowList.Count(), 1);
    EXPECT_NE(other->GetMainWindow(), nullptr);
}

TEST_F(MailingWindowTest, CleanupStopsTheWindowsThreadsBeforeItsControlsGo)
{
    auto* window = new CBrevantoWindow();
    bool sawControls = false;
    auto* thread = new ImportLikeThread(window, &sawControls);
    window->AdoptThread(thread);
    thread->Resume();
    LThread::Yield(); // the thread is running and waiting
    ASSERT_EQ(gThreadList.Count(), 1);
    window->Cleanup();
    EXPECT_EQ(gThreadList.Count(), 0);
    EXPECT_TRUE(sawControls);
}

TEST_F(MailingWindowTest, CloseWritesTheLayoutIntoTheDocumentAtomically)
{
    const QString path = FolderPath("Mailing.bvto");
    WriteFile(path, DocumentWithPadding());
    // A second name of the old file: a write in place would change it too.
    const QString oldName = FolderPath("Mailing.old");
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(oldName).constData()), 0);
    CBrevantoWindow* window = CBrevantoWindow::OpenDocumentFile(path);
    ASSERT_NE(window, nullptr);
    WindowRef main = window->GetMainWindow();
    main->move(-37, -5); // negative coordinates must survive the 16-bit big-endian form
    const QRect bounds = WindowAttributes::GetContentBounds(main);
    window->Cleanup();

    EXPECT_EQ(ReadFile(oldName), DocumentWithPadding()) << "the document was rewritten in place";
    const QString script = QStringLiteral(
        "import plistlib, struct, sys\n"
        "d = plistlib.load(open(sys.argv[1], 'rb'))\n"
        "print(d['Subject'])\n"
        "print(*struct.unpack('>hhhh', d['WindowBounds']))\n"
        "print(len(d['ProgressSheetBounds']), d['AttachmentsDrawerOpen'], sorted(k for k in d if k.endswith('DB')))\n");
    QProcess python;
    python.start(BREVANTO_PYTHON, {"-c", script, path});
    ASSERT_TRUE(python.waitForFinished(20000));
    ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    const QStringList lines = QString::fromUtf8(python.readAllStandardOutput()).split('\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], "Spring offers");
    EXPECT_EQ(lines[1], QStringLiteral("%1 %2 %3 %4")
                            .arg(bounds.top())
                            .arg(bounds.left())
                            .arg(bounds.top() + bounds.height())
                            .arg(bounds.left() + bounds.width()));
    // A document that does not say otherwise opens with its drawer open.
    EXPECT_EQ(lines[2], "8 True ['AttachmentsDB', 'DeliveredRecipientsDB', 'RecipientsDB']");
}

TEST_F(MailingWindowTest, ReadOnlyAndNonDictionaryDocumentsAreLeftAlone)
{
    const QString readOnly = FolderPath("ReadOnly.bvto");
    WriteFile(readOnly, DocumentWithPadding());
    const QString replaced = FolderPath("Replaced.bvto");
    WriteFile(replaced, DocumentWithPadding());

    CBrevantoWindow* first = CBrevantoWindow::OpenDocumentFile(readOnly);
    CBrevantoWindow* second = CBrevantoWindow::OpenDocumentFile(replaced);
    ASSERT_TRUE(first && second);
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFile::ReadOwner));
    const QByteArray array = CFPropertyListWriter::Write(CFPropertyList(CFPropertyList::Array{CFPropertyList(7)}));
    WriteFile(replaced, array);

    first->Cleanup();
    second->Cleanup();
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(ReadFile(readOnly), DocumentWithPadding());
    EXPECT_EQ(ReadFile(replaced), array);
}

TEST_F(MailingWindowTest, ANeverSavedWindowWritesOnlyItsChoices)
{
    auto* window = new CBrevantoWindow();
    SetControlText(window->Control(ControlRole::SenderNameField), "Ann Lee");
    SetControl32BitValue(window->Control(ControlRole::AuthenticationPopup), 3);
    const QStringList before = QDir(mFolder.path()).entryList(QDir::Files);
    window->Cleanup();
    EXPECT_EQ(QDir(mFolder.path()).entryList(QDir::Files), before);
    EXPECT_EQ(Preference(kUseSSLKey), "1");
    EXPECT_EQ(Preference(kMyNameKey), "Ann Lee");
    EXPECT_EQ(Preference(kAuthenticationTypeKey), "3");
    EXPECT_EQ(Preference(kRecipientsTabValueKey), "1");
    EXPECT_EQ(Preference(kDefaultCharsetKey).toInt() > 0, true);
}

TEST_F(MailingWindowTest, NewWindowsTakeTheRememberedServerChoices)
{
    struct Case {
        const char* useSSL;
        const char* authentication;
        bool sslOn, popShown, authenticationShown;
    } const cases[] = {
        {"1", "4", true, false, false},
        {nullptr, "4", false, true, true},
        {nullptr, "5", false, true, true},
        {nullptr, "2", false, false, true},
    };
    for (const Case& c : cases) {
        SetPreference(c.useSSL, CString256(kUseSSLKey));
        SetPreference(c.authentication, CString256(kAuthenticationTypeKey));
        auto* window = new CBrevantoWindow();
        const auto shown = [window](ControlRole inRole) { return IsControlVisible(window->Control(inRole)); };
        const std::string label = std::string(c.useSSL ? "SSL " : "") + c.authentication;
        EXPECT_EQ(GetControl32BitValue(window->Control(ControlRole::UseSSLCheckBox)) == 1, c.sslOn) << label;
        if (c.sslOn) {
            EXPECT_TRUE(shown(ControlRole::SecureAuthenticationPopup)) << label;
        }
        EXPECT_EQ(shown(ControlRole::AuthenticationPopup), c.authenticationShown) << label;
        EXPECT_EQ(shown(ControlRole::PopPeriodField), c.popShown) << label;
        EXPECT_EQ(shown(ControlRole::PopPeriodLabel), c.popShown) << label;
        window->Cleanup(); // remembers "Use SSL" for every later window
        SetPreference(nullptr, CString256(kUseSSLKey));
    }

    // What one window remembers, the next one shows.
    SetPreference("Jo", CString256(kMyNameKey));
    SetPreference("mail.example.com", CString256(kMailServerKey));
    SetPreference("2", CString256(kSenderTabValueKey));
    auto* window = new CBrevantoWindow();
    EXPECT_EQ(GetControlText(window->Control(ControlRole::SenderNameField)), "Jo");
    EXPECT_EQ(window->GetServerName(), "mail.example.com");
    EXPECT_EQ(window->mSenderTab, 2);
    EXPECT_TRUE(IsControlVisible(window->Control(ControlRole::SenderManualPane)));
    EXPECT_FALSE(IsControlVisible(window->Control(ControlRole::SenderCardPane)));
}

TEST_F(MailingWindowTest, ConnectionMessagesBecomeStatusTexts)
{
    struct Progress {
        UInt32 total, done;
    };
    Progress half{200, 100};
    Progress none{0, 50};
    Progress sending{0, 1234};
    struct Case {
        MessageT message;
        void* param;
        const char* text;
    } const cases[] = {
        {601, nullptr, "Opening Connection"},     {602, nullptr, "Connected"},
        {603, nullptr, "Done"},                   {604, &sending, "Sending Data...(1234)"},
        {605, &half, "Receiving Data...(50%)"},   {605, &none, "Receiving Data...(0%)"},
        {606, nullptr, "Item successfully sent"}, {607, nullptr, "Item send failed"},
        {608, nullptr, "Item successfully retrieved"}, {609, nullptr, "Item retrieve failed"},
        {612, nullptr, "Sending message"},        {613, nullptr, "Receiving item"},
        {614, nullptr, "Closing connection"},     {615, nullptr, "Opening data connection"},
        {616, nullptr, "Closing data connection"}, {617, nullptr, "Data connected"},
        {618, nullptr, "Data disconnected"},      {619, nullptr, "Unexpected disconnect"},
    };
    auto* window = new CBrevantoWindow();
    ControlRef caption = window->Control(ControlRole::StatusCaption);
    for (const Case& c : cases) {
        window->ListenToMessage(c.message, c.param);
        EXPECT_EQ(CopyControlTitleAsCFString(caption), QStringLiteral("Status: ") + c.text) << c.message;
    }
    EXPECT_TRUE(IsControlVisible(window->Control(ControlRole::StatusProgress)));
    for (MessageT quiet : {610u, 611u, 600u, 620u}) {
        window->ListenToMessage(quiet, nullptr);
        EXPECT_EQ(CopyControlTitleAsCFString(caption), "Status: Unexpected disconnect") << quiet;
    }
}
