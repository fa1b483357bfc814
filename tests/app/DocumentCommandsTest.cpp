// Save, Save As, Revert and Close of a mailing window as a user meets them: the save question
// on close and quit with its three answers, saves that cannot write (a folder in the file's
// place) keeping the old file and the window's edits, the permissions of new files, the revert
// sheets, the refusals while a mailing is scheduled, side texts the character set cannot hold,
// the web-page address made whole, and the recipients exported as tab-separated text.
#include "MailingWindowFixture.h"

#include "ApplicationDocuments.h"
#include "CFPropertyList.h"
#include "Clock.h"
#include "ControlValues.h"
#include "DataBrowser.h"
#include "ToolboxCommands.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

#include <sys/stat.h>

namespace {

QByteArray ReadFile(const QString& inPath)
{
    QFile file(inPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A folder with something in it: nothing can be renamed over it.
void MakeNonEmptyFolder(const QString& inPath)
{
    ASSERT_TRUE(QDir().mkpath(inPath + "/inside"));
}

} // namespace

class DocumentCommandsTest : public MailingWindowTest {
protected:
    // A window saved at inPath, then edited (its subject changed).
    CBrevantoWindow* SavedAndEdited(const QString& inPath)
    {
        auto* window = new CBrevantoWindow();
        SetControlText(window->Control(ControlRole::SubjectField), "First");
        mPresenter->QueueSaveFile(inPath, false);
        EXPECT_TRUE(window->SaveAs());
        SetControlText(window->Control(ControlRole::SubjectField), "Second");
        return window;
    }

    bool IsOpen(CBrevantoWindow* inWindow)
    {
        gWindowList.Rewind();
        while (CBrevantoWindow** window = gWindowList.Next()) {
            if (*window == inWindow)
                return true;
        }
        return false;
    }
};

TEST_F(DocumentCommandsTest, TheSaveQuestionOnQuitTakesEachAnswer)
{
    const QString path = FolderPath("Quit.bvto");
    struct Case {
        const char* name;
        bool hasFile;
        std::vector<SaveChangesAnswer> answers;
        bool saveAsChooses;
        bool quits;
        const char* subjectOnDisk; // null: no file expected
    } cases[] = {
        {"cancel", true, {SaveChangesAnswer::cancel}, false, false, "First"},
        {"don't save", true, {SaveChangesAnswer::dontSave}, false, true, "First"},
        {"save to its file", true, {SaveChangesAnswer::save}, false, true, "Second"},
        {"save as, chosen", false, {SaveChangesAnswer::save}, true, true, "Second"},
        {"save as, cancelled", false, {SaveChangesAnswer::save}, false, false, nullptr},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        QFile::remove(path);
        CBrevantoWindow* window = nullptr;
        if (test.hasFile) {
            window = SavedAndEdited(path);
        } else {
            window = new CBrevantoWindow();
            SetControlText(window->Control(ControlRole::SubjectField), "Second");
        }
        for (SaveChangesAnswer answer : test.answers)
            mPresenter->QueueSaveChanges(answer);
        if (!test.hasFile)
            mPresenter->QueueSaveFile(test.saveAsChooses ? std::optional<QString>(path) : std::nullopt, false);
        EXPECT_EQ(window->ConfirmQuit(), test.quits);
        EXPECT_EQ(IsOpen(window), !test.quits);
        if (test.subjectOnDisk)
            EXPECT_TRUE(ReadFile(path).contains(QByteArray("<string>") + test.subjectOnDisk + "</string>"));
        else
            EXPECT_FALSE(QFileInfo::exists(path));
        EXPECT_EQ(mPresenter->PendingAnswers(), 0u);
        if (IsOpen(window))
            window->Cleanup();
        DeleteQueued();
    }
}

TEST_F(DocumentCommandsTest, AnUnchangedWindowClosesWithoutAQuestion)
{
    auto* window = new CBrevantoWindow();
    window->AttemptClose();
    DeleteQueued();
    EXPECT_EQ(gWindowList.Count(), 0);
    EXPECT_TRUE(mPresenter->Requests().empty());
}

TEST_F(DocumentCommandsTest, ClosingAnEditedWindowAsksAndCancelKeepsIt)
{
    CBrevantoWindow* window = SavedAndEdited(FolderPath("Close.bvto"));
    mPresenter->QueueSaveChanges(SaveChangesAnswer::cancel);
    window->ObeyCommand('CLSE', nullptr);
    EXPECT_TRUE(IsOpen(window));
    EXPECT_EQ(mPresenter->Requests().back().message, "Close.bvto") << "the question names the document";

    // The window's own close button takes the same road.
    mPresenter->QueueSaveChanges(SaveChangesAnswer::dontSave);
    window->GetMainWindow()->close();
    EXPECT_FALSE(IsOpen(window));
}

TEST_F(DocumentCommandsTest, ScheduledMailingsBlockClosingOnlyWhileAhead)
{
    auto* window = new CBrevantoWindow();
    window->mScheduledTime = Clock::Now() + 60;
    mPresenter->QueueSheet(kSheetOKCommand);
    window->AttemptClose();
    EXPECT_TRUE(IsOpen(window));
    EXPECT_EQ(mPresenter->Requests().back().message, "A mailing is scheduled.");
    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    EXPECT_FALSE(window->ConfirmQuit());

    window->mScheduledTime = Clock::Now() - 1; // already past
    mPresenter->QueueSaveChanges(SaveChangesAnswer::dontSave);
    window->AttemptClose();
    EXPECT_FALSE(IsOpen(window));
}

TEST_F(DocumentCommandsTest, SavesThatCannotWriteKeepTheOldFileAndTheEdits)
{
    const QString path = FolderPath("Kept.bvto");
    CBrevantoWindow* window = SavedAndEdited(path);
    const QByteArray before = ReadFile(path);

    // Save As onto a folder: the old document stays as it was, and so does the window.
    const QString blocked = FolderPath("Blocked.bvto");
    MakeNonEmptyFolder(blocked);
    mPresenter->QueueSaveFile(blocked, true);
    mPresenter->QueueSheet(kSheetOKCommand);
    EXPECT_FALSE(window->SaveAs());
    EXPECT_EQ(mPresenter->Requests().back().message, "The document \"Blocked.bvto\" could not be saved.");
    EXPECT_EQ(window->GetDocumentPath(), path);
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_TRUE(window->IsModified());

    // Save when a folder took the document's place: told, still modified.
    ASSERT_TRUE(QFile::remove(path));
    MakeNonEmptyFolder(path);
    mPresenter->QueueSheet(kSheetOKCommand);
    window->ObeyCommand(cmd_Save, nullptr);
    EXPECT_EQ(mPresenter->Requests().back().message, "The document \"Kept.bvto\" could not be saved.");
    EXPECT_TRUE(WindowAttributes::IsWindowModified(window->GetMainWindow()));

    // Answering "Save" to the close question with a save that fails keeps the window open.
    mPresenter->QueueSaveChanges(SaveChangesAnswer::save);
    mPresenter->QueueSheet(kSheetOKCommand);
    EXPECT_FALSE(window->ConfirmQuit());
    EXPECT_TRUE(IsOpen(window));
}

TEST_F(DocumentCommandsTest, NewDocumentsTakeTheUmaskAndSaveClearsTheModifiedMark)
{
    for (mode_t mask : {mode_t(022), mode_t(077)}) {
        const mode_t old = ::umask(mask);
        const QString path = FolderPath(QStringLiteral("Mode%1.bvto").arg(mask, 0, 8));
        auto* window = new CBrevantoWindow();
        SetControlText(window->Control(ControlRole::SubjectField), "Edited");
        mPresenter->QueueSaveFile(path, false);
        window->ObeyCommand(cmd_Save, nullptr); // no file yet: Save As
        ::umask(old);
        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
        EXPECT_FALSE(WindowAttributes::IsWindowModified(window->GetMainWindow()));
        EXPECT_EQ(window->GetMainWindow()->windowTitle(), QFileInfo(path).fileName());
        window->Cleanup();
        DeleteQueued();
    }
}

TEST_F(DocumentCommandsTest, RevertAsksOnlyWhenThereIsSomethingToRevert)
{
    auto* window = new CBrevantoWindow();
    mPresenter->QueueSheet(kSheetOKCommand);
    window->ObeyCommand(cmd_Revert, nullptr);
    EXPECT_EQ(mPresenter->Requests().back().message, "The window does not need to be reverted.");
    EXPECT_EQ(mPresenter->Requests().back().explanation,
              "No changes have been made since you opened or last saved this window.");

    SetControlText(window->Control(ControlRole::SubjectField), "Edited");
    mPresenter->QueueSheet(kSheetCancelCommand);
    window->ObeyCommand(cmd_Revert, nullptr);
    EXPECT_EQ(mPresenter->Requests().back().message, "Are you sure you want to revert?");
    EXPECT_EQ(mPresenter->Requests().back().explanation,
              "Since the window has not yet been saved, reverting will close this window and open a new Mailer "
              "window.");
    window->Cleanup();

    CBrevantoWindow* saved = SavedAndEdited(FolderPath("Back.bvto"));
    mPresenter->QueueSheet(kSheetCancelCommand);
    saved->ObeyCommand(cmd_Revert, nullptr);
    EXPECT_EQ(mPresenter->Requests().back().message, "Revert changes to file \"Back.bvto\".");
    EXPECT_EQ(mPresenter->Requests().back().explanation,
              "Reverting file \"Back.bvto\" will discard all changes made to this file since you last saved it. "
              "Do you want to discard all changes to this file?");
    EXPECT_TRUE(IsOpen(saved)) << "cancelled: nothing happens";
}

TEST_F(DocumentCommandsTest, ASideTextTheCharsetCannotHoldAlertsAndKeepsTheOldBytes)
{
    auto* window = new CBrevantoWindow();
    ControlRef charset = window->Control(ControlRole::CharsetPopup);
    for (SInt32 item = 1; item <= CountPopupItems(charset); ++item) {
        if (GetPopupItemText(charset, item).startsWith("Greek"))
            SetControl32BitValue(charset, item);
    }
    window->SetSideText(CBrevantoWindow::ESideText::preamble, "Καλή");
    window->GetPreamble(window->mPreamble);
    const QByteArray greek("\xca\xe1\xeb\xde");
    ASSERT_EQ(QByteArray(window->mPreamble.buffer, window->mPreamble.length), greek);

    // The window's record keeps its bytes, and a save writes those.
    window->SetSideText(CBrevantoWindow::ESideText::preamble, "日本");
    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    window->GetPreamble(window->mPreamble);
    EXPECT_EQ(QByteArray(window->mPreamble.buffer, window->mPreamble.length), greek);
    EXPECT_EQ(mPresenter->Requests().back().kind, ScriptedPresenter::Kind::alert) << "an alert, not a sheet";
    EXPECT_EQ(mPresenter->Requests().back().message,
              "The preamble could not be extracted using the specified encoding.");
    EXPECT_EQ(mPresenter->Requests().back().explanation, "Please try another encoding, such as Unicode.");
    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    EXPECT_EQ(window->BuildDocumentDictionary().Value("Preamble").ToData(), greek);
}

TEST_F(DocumentCommandsTest, WebPageAddressesWithoutASchemeGetOne)
{
    auto* window = new CBrevantoWindow();
    const struct {
        const char* typed;
        const char* normalised;
        bool answer;
    } cases[] = {
        {"example.org/page", "http://example.org/page", true},
        {"HTTP://Example.org", "HTTP://Example.org", true},
        {"https://example.org", "https://example.org", true},
        {"file:///tmp/page.html", "file:///tmp/page.html", true},
        {"/Users/ann/page.html", "/Users/ann/page.html", true},
        {"ftp://example.org", "ftp://example.org", true}, // left for the View button to refuse
        {"", "", false},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.typed);
        SetControlText(window->Control(ControlRole::SourceField), test.typed);
        EXPECT_EQ(window->NormalizeURL(), test.answer);
        EXPECT_EQ(window->mWebPageURL, test.normalised);
        EXPECT_EQ(GetControlText(window->Control(ControlRole::SourceField)), test.normalised);
    }
}

TEST_F(DocumentCommandsTest, RecipientsExportAsTabSeparatedLines)
{
    auto* window = new CBrevantoWindow();
    window->SelectRecipientsTab(2);
    window->mRecipientsTab = 2;
    for (const Person& person : {Person("Ann", "Lee", "ann@x.org"), Person("", "Smith", ""), Person("Bo", "", "bo@x.org")})
        window->mImported.Append(person);
    window->ShowImportedRecipients();
    window->mImportSendFlags = std::vector<bool>{true, false, true};
    auto* list = qobject_cast<DataBrowser*>(window->Control(ControlRole::RecipientsList));
    ASSERT_NE(list, nullptr);
    list->SetSelectedItems({}, DataBrowserSetOption::assign);

    const QByteArray ann = "Ann\tLee\tann@x.org\r", smith = "\tSmith\t\r", bo = "Bo\t\tbo@x.org\r";
    const struct {
        SInt16 mode;
        std::vector<DataBrowserItemID> selected;
        QByteArray bytes;
    } cases[] = {
        {0, {}, ""},  // nothing selected: an empty file
        {0, {3, 1}, ann + bo},
        {1, {}, ann + bo},
        {2, {}, ann + smith + bo},
    };
    const QString path = FolderPath("Recipients.txt");
    for (const auto& test : cases) {
        SCOPED_TRACE(test.mode);
        list->SetSelectedItems(test.selected, DataBrowserSetOption::assign);
        mPresenter->QueueSaveFile(path, QFileInfo::exists(path));
        EXPECT_FALSE(window->ExportRecipients(test.mode));
        EXPECT_EQ(QFileInfo(mPresenter->Requests().back().explanation).fileName(), "Recipients.txt");
        EXPECT_EQ(ReadFile(path), test.bytes);
    }

    // The subject names the file; cancelling writes nothing.
    SetControlText(window->Control(ControlRole::SubjectField), "May/June");
    mPresenter->QueueSaveFile(std::nullopt, false);
    EXPECT_TRUE(window->ExportRecipients(2));
    EXPECT_EQ(QFileInfo(mPresenter->Requests().back().explanation).fileName(), "May-June.txt");

    // A file that cannot be written is told, and what was in its place stays.
    MakeNonEmptyFolder(FolderPath("Taken.txt"));
    mPresenter->QueueSaveFile(FolderPath("Taken.txt"), true);
    mPresenter->QueueSheet(kSheetOKCommand);
    EXPECT_FALSE(window->ExportRecipients(2));
    EXPECT_EQ(mPresenter->Requests().back().message, "The recipients could not be saved to \"Taken.txt\".");
    EXPECT_TRUE(QFileInfo(FolderPath("Taken.txt/inside")).isDir());

    // New files take the user's umask.
    const mode_t old = ::umask(027);
    mPresenter->QueueSaveFile(FolderPath("Masked.txt"), false);
    window->ExportRecipients(2);
    ::umask(old);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(FolderPath("Masked.txt")).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(DocumentCommandsTest, ActivationShowsTheLastWindowWhenEveryOneIsMinimised)
{
    auto* first = new CBrevantoWindow();
    auto* last = new CBrevantoWindow();
    first->GetMainWindow()->showMinimized();
    RefreshWindowsOnActivate();
    EXPECT_TRUE(first->GetMainWindow()->isMinimized()) << "one window is still up: nothing to bring back";

    last->GetMainWindow()->showMinimized();
    RefreshWindowsOnActivate();
    EXPECT_FALSE(last->GetMainWindow()->isMinimized());
    EXPECT_TRUE(first->GetMainWindow()->isMinimized());
}
