// Choosing the message source: View through the launcher, a chosen file's title as subject,
// Mail's message through stand-in scripts, the front browser page through a substituted process
// lookup and script engine, and the side-text editors with the window titles.
#include "ApplicationFixture.h"
#include "MailingWindowFixture.h"

#include "AppleEventHelpers.h"
#include "AppleScriptRunner.h"
#include "CommandRouter.h"
#include "ControlValues.h"
#include "NetworkChecks.h"
#include "ScriptEngine.h"
#include "ScriptRunner.h"
#include "SheetController.h"
#include "WindowUtilities.h"

#include <QFile>
#include <QWidget>

namespace {

void WriteFile(const QString& inPath, const QByteArray& inBytes, bool inExecutable = false)
{
    QFile file(inPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(inBytes);
    file.close();
    if (inExecutable)
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Answers each script by a word its source holds; "fails" in a source fails the run.
class BrowserEngine : public ScriptEngine {
public:
    OSErr Compile(const QByteArray& inSource, ScriptID* outScript) override
    {
        mSource = inSource;
        *outScript = 1;
        return noErr;
    }
    OSErr Execute(ScriptID, ScriptID* outResult, QString*) override
    {
        *outResult = 2;
        return (mSource.contains("URL") ? urlResult : titleResult).isNull() ? OSErr(-2753) : OSErr(noErr);
    }
    OSErr Display(ScriptID, QString* outText) override
    {
        *outText = mSource.contains("URL") ? urlResult : titleResult;
        return noErr;
    }
    QString urlResult;
    QString titleResult;

private:
    QByteArray mSource;
};

class SourceChoicesTest : public MailingWindowTest {
protected:
    void SetUp() override
    {
        MailingWindowTest::SetUp();
        Launcher::Install(&mLauncher);
        SetPingSound([] {});
        for (const char* key : {kSetSubjectToFilenameKey, kSetSubjectToTitleKey})
            SetPreference(nullptr, CString256(key));
        mWindow = new CBrevantoWindow();
    }

    void TearDown() override
    {
        MailingWindowTest::TearDown();
        Launcher::Install(nullptr);
        SetPingSound({});
        ScriptRunner::SetScriptsFolder(QString());
        ScriptEngine::Install(nullptr);
        SetProcessLookup({});
    }

    QString Field(ControlRole inRole) const { return GetControlText(mWindow->Control(inRole)); }
    QString LastAlert() const { return mPresenter->Requests().empty() ? QString() : mPresenter->Requests().back().message; }

    RecordingLauncher mLauncher;
    CBrevantoWindow* mWindow = nullptr;
};

} // namespace

TEST_F(SourceChoicesTest, ViewOpensWebAddressesAndFilesOrSaysWhatIsWrong)
{
    struct Case {
        QString field;
        bool opens;
        QString opened;   // empty: nothing reaches the launcher
        const char* alert; // null: none
    } cases[] = {
        {"", true, "", "The web page url or file path is empty."},
        {"HTTPS://example.test/a b", true, "HTTPS://example.test/a b", nullptr},
        {"/tmp/my page.html", true, "file:///tmp/my%20page.html", nullptr},
        {"ftp://x", true, "", "The web page url or file path is not correctly specified."},
        {"http://example.test/", false, "http://example.test/", "An error occurred when trying to view the web page or file."},
    };
    ControlRef field = mWindow->Control(ControlRole::SourceField);
    for (const Case& c : cases) {
        mLauncher.opened.clear();
        mLauncher.opens = c.opens;
        mWindow->SetWebPageURLText(c.field);
        SetKeyboardFocus(mWindow->GetMainWindow(), mWindow->Control(ControlRole::SubjectField));
        if (c.alert)
            mPresenter->QueueSheet(kSheetOKCommand);
        mWindow->ViewMessageSource();
        EXPECT_EQ(mLauncher.opened, c.opened.isEmpty() ? std::vector<QString>() : std::vector<QString> {c.opened})
            << c.field.toStdString();
        if (!c.alert)
            continue;
        EXPECT_EQ(LastAlert(), c.alert);
        EXPECT_EQ(mWindow->GetMainWindow()->focusWidget(), field) << c.field.toStdString();
    }
    EXPECT_EQ(mPresenter->PendingAnswers(), 0u);
}

TEST_F(SourceChoicesTest, ChosenFileBecomesTheSourceAndItsTitleTheSubject)
{
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* subject;
    } cases[] = {
        {"utf8.html", "<html><TITLE>Zo\xC3\xAB's page</TITLE>", "Zo\xC3\xAB's page"},
        {"utf16.html", QByteArray("\xFF\xFE", 2) + QByteArray(reinterpret_cast<const char*>(u"<title>Wide \u00e9</title>"), sizeof(u"<title>Wide \u00e9</title>") - 2),
         "Wide \xC3\xA9"},
        {"latin1.html", "<title>Caf\xE9</title>", "Caf\xC3\xA9"},
        {"untitled.txt", "no title here", "untitled.txt"},
    };
    for (const Case& c : cases) {
        WriteFile(FolderPath(c.name), c.bytes);
        mPresenter->QueueChooseOneFile(FolderPath(c.name));
        mWindow->ChooseMessageFile();
        EXPECT_EQ(Field(ControlRole::SourceField), FolderPath(c.name));
        EXPECT_EQ(Field(ControlRole::SubjectField), QString::fromUtf8(c.subject)) << c.name;
    }
    EXPECT_TRUE(IsControlEnabled(mWindow->Control(ControlRole::ViewButton)));

    SetPreference("false", CString256(kSetSubjectToFilenameKey));
    mPresenter->QueueChooseOneFile(FolderPath("utf8.html"));
    mWindow->ChooseMessageFile();
    EXPECT_EQ(Field(ControlRole::SubjectField), "untitled.txt");

    mPresenter->QueueChooseOneFile(std::nullopt);
    mWindow->ChooseMessageFile();
    EXPECT_EQ(Field(ControlRole::SourceField), FolderPath("utf8.html"));
}

TEST_F(SourceChoicesTest, MailMessageIsSavedUnderItsSubjectMadeSafe)
{
    // No scripts at all: the first question fails.
    ScriptRunner::SetScriptsFolder(FolderPath("none"));
    mPresenter->QueueSheet(kSheetOKCommand);
    mWindow->LoadMailMessageSource();
    EXPECT_EQ(LastAlert(), "The subject of the message could not be retrieved. Make sure a message is selected in Mail.");
    EXPECT_TRUE(Field(ControlRole::SourceField).isEmpty());

    ScriptRunner::SetScriptsFolder(mFolder.path());
    WriteFile(FolderPath("MailSubject"), "#!/bin/sh\nprintf 'Q3/Q4: plan\\n'\n", true);
    mPresenter->QueueSheet(kSheetOKCommand);
    mWindow->LoadMailMessageSource();
    EXPECT_EQ(LastAlert(), "The source of the message could not be retrieved. Make sure a message is selected in Mail.");
    EXPECT_EQ(Field(ControlRole::SubjectField), "Q3/Q4: plan");

    WriteFile(FolderPath("MailSource"), "#!/bin/sh\nprintf 'Subject: Q3/Q4: plan\\r\\n\\r\\nBody'\n", true);
    mWindow->LoadMailMessageSource();
    const QString path = Field(ControlRole::SourceField);
    EXPECT_TRUE(path.endsWith("/Q3-Q4- plan.eml")) << path.toStdString();
    QFile written(path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), "Subject: Q3/Q4: plan\r\n\r\nBody");
}

TEST_F(SourceChoicesTest, FrontBrowserPageGivesTheAddressAndTheTitle)
{
    mPresenter->QueueSheet(kSheetOKCommand);
    mWindow->LoadFrontBrowserURL();
    EXPECT_EQ(LastAlert(), "A supported browser may not be running.");

    SetProcessLookup([](OSType inSignature) { return inSignature == 'sfri' ? OSErr(noErr) : OSErr(procNotFound); });
    BrowserEngine engine;
    ScriptEngine::Install(&engine);
    mPresenter->QueueSheet(kSheetOKCommand);
    mWindow->LoadFrontBrowserURL();
    EXPECT_EQ(LastAlert(), "The URL could not be copied.");

    engine.urlResult = "\"http://127.0.0.1:1/reports/q3.html\" and \"more\"";
    engine.titleResult = "\"Quarter \xE2\x80\x94 three\"";
    mWindow->LoadFrontBrowserURL();
    EXPECT_EQ(Field(ControlRole::SourceField), "http://127.0.0.1:1/reports/q3.html");
    EXPECT_EQ(Field(ControlRole::SubjectField), QString::fromUtf8("Quarter \xE2\x80\x94 three"));

    // Without a title the page's own title is asked for; an unreachable page gives its file name.
    engine.titleResult = QString();
    mWindow->LoadFrontBrowserURL();
    EXPECT_EQ(Field(ControlRole::SubjectField), GetURLTitle("http://127.0.0.1:1/reports/q3.html"));
    EXPECT_FALSE(Field(ControlRole::SubjectField).isEmpty());
    EXPECT_EQ(mPresenter->PendingAnswers(), 0u);
}

TEST_F(SourceChoicesTest, EditorsShowByTheSettingAndLoadTheirTextOnce)
{
    WindowRef preamble = mWindow->Window(CBrevantoWindow::ENibWindow::preamble);
    ControlRef pane = mWindow->Control(ControlRole::PreambleTextPane);
    ControlRef addressBookTags = mWindow->Control(ControlRole::PreambleAddressBookTagPullDown);
    mWindow->mEditorStoredText[1] = "Dear reader,";

    mWindow->SelectRecipientsTab(2);
    mWindow->ShowPreambleEditor();
    EXPECT_TRUE(preamble->isVisible());
    EXPECT_FALSE(SheetController::IsSheetShown(preamble));
    EXPECT_FALSE(IsControlVisible(addressBookTags));
    EXPECT_EQ(GetControlText(pane), "Dear reader,");
    EXPECT_EQ(preamble->focusWidget(), pane);

    // Later shows keep what the user typed.
    SetControlText(pane, "Typed");
    preamble->hide();
    mWindow->SelectRecipientsTab(1);
    mWindow->ShowPreambleEditor();
    EXPECT_EQ(GetControlText(pane), "Typed");
    EXPECT_TRUE(IsControlVisible(addressBookTags));

    SetPreference("true", CString256(kDisplayMessageEditorsWithSheetsKey));
    auto* sheets = new CBrevantoWindow();
    sheets->ShowEpilogueEditor();
    EXPECT_TRUE(SheetController::IsSheetShown(sheets->Window(CBrevantoWindow::ENibWindow::epilogue)));
}

TEST_F(SourceChoicesTest, TitlesFollowTheDocumentFileName)
{
    const QString untitled = mWindow->GetMainWindow()->windowTitle();
    mWindow->SetEditorTitles();
    EXPECT_EQ(mWindow->GetMainWindow()->windowTitle(), untitled);

    WriteFile(FolderPath("Spring.bvto"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict/></plist>\n");
    auto* document = new CBrevantoWindow(FolderPath("Spring.bvto"));
    EXPECT_EQ(document->GetMainWindow()->windowTitle(), "Spring.bvto");
    EXPECT_EQ(document->Window(CBrevantoWindow::ENibWindow::plainTextAlternative)->windowTitle(),
              "Plain Text Alternative: Spring.bvto");
    EXPECT_EQ(document->Window(CBrevantoWindow::ENibWindow::preamble)->windowTitle(), "Preamble: Spring.bvto");
    EXPECT_EQ(document->Window(CBrevantoWindow::ENibWindow::epilogue)->windowTitle(), "Epilogue: Spring.bvto");
}

TEST_F(SourceChoicesTest, MainWindowCommandsReachTheSourceChoices)
{
    // Without browsers, Mail or its scripts every choice takes its failure path, visibly.
    ScriptRunner::SetScriptsFolder(FolderPath("none"));
    const struct {
        CommandT command;
        ScriptedPresenter::Kind asked;
        const char* message; // null: only the request's kind is checked
    } cases[] = {
        {'VIEW', ScriptedPresenter::Kind::sheet, "The web page url or file path is empty."},
        {'FILE', ScriptedPresenter::Kind::chooseOneFile, nullptr},
        {'MaiL', ScriptedPresenter::Kind::sheet,
         "The subject of the message could not be retrieved. Make sure a message is selected in Mail."},
        {'WEB ', ScriptedPresenter::Kind::sheet, "A supported browser may not be running."},
    };
    mWindow->GetMainWindow()->show();
    for (const auto& c : cases) {
        if (c.asked == ScriptedPresenter::Kind::sheet)
            mPresenter->QueueSheet(kSheetOKCommand);
        else
            mPresenter->QueueChooseOneFile(std::nullopt);
        EXPECT_TRUE(CommandRouter::Get().SendWindowCommand(mWindow->GetMainWindow(), c.command));
        ASSERT_FALSE(mPresenter->Requests().empty());
        EXPECT_EQ(mPresenter->Requests().back().kind, c.asked);
        if (c.message) {
            EXPECT_EQ(LastAlert(), c.message);
        }
    }
    EXPECT_EQ(mPresenter->PendingAnswers(), 0u);

    const struct {
        CommandT command;
        CBrevantoWindow::ENibWindow editor;
    } editors[] = {
        {'PTA ', CBrevantoWindow::ENibWindow::plainTextAlternative},
        {'QUIK', CBrevantoWindow::ENibWindow::preamble},
        {'EPIL', CBrevantoWindow::ENibWindow::epilogue},
    };
    // Spelling goes only to a focused editor: the one shown last has the focus.
    Boolean enabled = true;
    EXPECT_TRUE(mWindow->FindSourceCommandStatus('SPEL', enabled));
    EXPECT_FALSE(enabled);
    EXPECT_FALSE(mWindow->ObeySourceCommand('SPEL', nullptr));
    for (const auto& e : editors) {
        EXPECT_TRUE(CommandRouter::Get().SendWindowCommand(mWindow->GetMainWindow(), e.command));
        EXPECT_TRUE(mWindow->Window(e.editor)->isVisible());
    }
    QCoreApplication::processEvents(); // the activation
    EXPECT_TRUE(mWindow->FindSourceCommandStatus('SPEL', enabled));
    EXPECT_TRUE(enabled);
    EXPECT_EQ(mWindow->FocusedEditorPane(), mWindow->Control(ControlRole::EpilogueTextPane));

    // Mail's recipients without a script: the import line is not left saying "Loading".
    mWindow->mEntourageGroup = "Friends";
    EXPECT_TRUE(CommandRouter::Get().SendWindowCommand(mWindow->GetMainWindow(), 'MaRe'));
    EXPECT_EQ(CopyControlTitleAsCFString(mWindow->Control(ControlRole::ImportSourceCaption)), "Entourage Group: Friends");

}
