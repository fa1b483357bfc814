// Importing a recipients text file into a window on its cooperative thread: a 100,000-row file
// from Python's csv imports whole, duplicates, the stop button and a stop request, a second
// import or a mailing refused while one runs, a replacing import of a missing file, a window
// closed mid-import, and the text-file test.
#include "MailingWindowFixture.h"

#include "../core/DecodingPeer.h"
#include "CFileImporterThread.h"
#include "CThread.h"
#include "ControlHandlers.h"
#include "ControlValues.h"
#include "FSRef.h"
#include "FileMetadata.h"
#include "LThread.h"
#include "TextFiles.h"

#include <QDir>
#include <QFile>
#include <QWidget>

#include <chrono>
#include <functional>

namespace {

bool WaitForImports()
{
    return LThread::WaitUntil([] { return gThreadList.Count() == 0; }, DeadlineAfter(std::chrono::minutes(5)));
}

CBrevantoWindow* NewWindow()
{
    auto* window = new CBrevantoWindow();
    window->GetMainWindow()->show();
    return window;
}

void WriteFile(const QString& inPath, const QByteArray& inBytes)
{
    QFile file(inPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(inBytes);
}

QByteArray GeneratedCsv(int inRows) { return RunDecodingPeer("write_csv.py", QStringLiteral("{\"generate\": %1}").arg(inRows).toUtf8()); }

} // namespace

TEST_F(MailingWindowTest, HundredThousandRowsImportWhole)
{
    const QString path = FolderPath("people.csv");
    WriteFile(path, GeneratedCsv(100000));
    CBrevantoWindow* window = NewWindow();
    window->StartFileImport(path, false, true);
    ASSERT_TRUE(WaitForImports());
    ASSERT_EQ(window->mImported.Count(), 100000);
    EXPECT_EQ(window->GetRecipientLastName(99999), "Last, 99999");
    EXPECT_EQ(window->GetRecipientEmail(12345), "person12345@example.com");
    EXPECT_EQ(window->mImported.At(7)->ColumnValues()->value("Note"), "line one\nline two 7");
    EXPECT_EQ(CopyControlTitleAsCFString(window->Control(ControlRole::ImportStatusCaption)),
              "(Imported 100000 of 100000)");
    EXPECT_FALSE(IsControlVisible(window->Control(ControlRole::ImportStopButton)));
    EXPECT_TRUE(IsControlVisible(window->Control(ControlRole::ImportSourceCaption)));
    EXPECT_EQ(window->CountFlaggedRecipients(), 100000);
    EXPECT_EQ(window->mRecipientsTab, 2);
}

TEST_F(MailingWindowTest, EliminateDuplicatesMakesASecondImportAddNothing)
{
    const QString path = FolderPath("list.txt");
    WriteFile(path, "Ann Lee\tann@x.org\nBo\tbo@x.org\nBo\tbo@x.org\n");
    CBrevantoWindow* window = NewWindow();
    for (const char* eliminate : {"true", "false"}) {
        SCOPED_TRACE(eliminate);
        SetPreference(eliminate, CString256(kEliminateDuplicatesKey));
        window->mImported.RemoveAll();
        window->StartFileImport(path, false, false);
        ASSERT_TRUE(WaitForImports());
        window->StartFileImport(path, false, false);
        ASSERT_TRUE(WaitForImports());
        EXPECT_EQ(window->mImported.Count(), std::string(eliminate) == "true" ? 2 : 6);
    }
    SetPreference(nullptr, CString256(kEliminateDuplicatesKey));
}

// Both ways an import stops mid-file keep what was added, and leave the caption counting the
// lines really gone through (the redraws on the way are throttled).
TEST_F(MailingWindowTest, AStoppedImportKeepsWhatWasAddedAndSaysHowMany)
{
    const QString path = FolderPath("people.csv");
    WriteFile(path, GeneratedCsv(20000));
    const struct {
        const char* name;
        std::function<void(CBrevantoWindow*)> stop;
        bool panelHides; // the button lets the import end as usual; a stop request ends the thread
    } stops[] = {
        {"the stop button",
         [](CBrevantoWindow* inWindow) {
             ControlEvent press;
             press.kind = ControlEventKind::command;
             press.command = 'SipT';
             press.control = inWindow->Control(ControlRole::ImportStopButton);
             EXPECT_EQ(ControlHandlers::Send(press.control, press), noErr);
         },
         true},
        {"a stop request to the thread",
         [](CBrevantoWindow*) {
             gThreadList.Rewind();
             (*gThreadList.Next())->RequestStop();
         },
         false},
    };
    for (const auto& c : stops) {
        SCOPED_TRACE(c.name);
        CBrevantoWindow* window = NewWindow();
        window->StartFileImport(path, false, true);
        ASSERT_TRUE(LThread::WaitUntil([window] { return window->mImported.Count() > 0; },
                                       DeadlineAfter(std::chrono::minutes(1))));
        ASSERT_EQ(gThreadList.Count(), 1);
        c.stop(window);
        ASSERT_TRUE(WaitForImports());
        const SInt32 kept = window->mImported.Count();
        EXPECT_GT(kept, 0);
        EXPECT_LT(kept, 20000);
        EXPECT_EQ(window->GetRecipientEmail(kept - 1), QStringLiteral("person%1@example.com").arg(kept - 1));
        EXPECT_EQ(CopyControlTitleAsCFString(window->Control(ControlRole::ImportStatusCaption)),
                  QStringLiteral("(Imported %1 of 20000)").arg(kept));
        if (c.panelHides) {
            EXPECT_FALSE(IsControlVisible(window->Control(ControlRole::ImportStopButton)));
        }
        window->Cleanup();
    }
}

TEST_F(MailingWindowTest, ASecondImportOrAMailingWhileAnImportRunsIsRefusedAndTheListStaysWhole)
{
    const QString big = FolderPath("people.csv");
    WriteFile(big, GeneratedCsv(20000));
    const QString small = FolderPath("list.txt");
    WriteFile(small, "Ann Lee\tann@x.org\n");
    CBrevantoWindow* window = NewWindow();
    window->StartFileImport(big, false, true);
    ASSERT_TRUE(LThread::WaitUntil([window] { return window->mImported.Count() > 0; },
                                   DeadlineAfter(std::chrono::minutes(1))));
    mPresenter->QueueSheet(kSheetOKCommand);
    window->StartFileImport(small, false, false);
    mPresenter->QueueSheet(kSheetOKCommand);
    window->StartSending();   // a mailing would walk a list that still grows
    EXPECT_FALSE(window->IsSending());
    ASSERT_TRUE(WaitForImports());
    ASSERT_EQ(mPresenter->Requests().size(), 2u);
    for (const auto& request : mPresenter->Requests())
        EXPECT_EQ(request.message, "An import is in progress.");
    EXPECT_EQ(window->mImported.Count(), 20000);   // the first file whole, nothing of the second
    EXPECT_EQ(window->mImportPath, big);

    // Once it has ended, importing works again.
    window->StartFileImport(small, false, false);
    ASSERT_TRUE(WaitForImports());
    EXPECT_EQ(window->mImported.Count(), 20001);
}

TEST_F(MailingWindowTest, AReplacingImportOfAFileThatIsGoneKeepsTheList)
{
    CBrevantoWindow* window = NewWindow();
    window->mImported.Append(Person("Ann", "", "ann@x.org"));
    mPresenter->QueueSheet(kSheetOKCommand);
    window->StartFileImport(FolderPath("gone.txt"), false, true);
    ASSERT_TRUE(WaitForImports());
    EXPECT_EQ(window->mImported.Count(), 1);
    ASSERT_EQ(mPresenter->Requests().size(), 1u);
    EXPECT_EQ(mPresenter->Requests()[0].message, "The import file could not be found.");
    EXPECT_EQ(mPresenter->Requests()[0].explanation, FolderPath("gone.txt")); // names the file

    // A folder in the file's place can't be read: the list stays too.
    QDir().mkdir(FolderPath("folder.txt"));
    mPresenter->QueueSheet(kSheetOKCommand);
    window->StartFileImport(FolderPath("folder.txt"), false, true);
    ASSERT_TRUE(WaitForImports());
    EXPECT_EQ(window->mImported.Count(), 1);
}

TEST_F(MailingWindowTest, ClosingMidImportEndsTheThreadFirst)
{
    const QString path = FolderPath("people.csv");
    WriteFile(path, GeneratedCsv(20000));
    CBrevantoWindow* window = NewWindow();
    window->StartFileImport(path, false, true);
    ASSERT_TRUE(LThread::WaitUntil([window] { return window->mImported.Count() > 0; },
                                   DeadlineAfter(std::chrono::minutes(1))));
    window->Cleanup();
    EXPECT_EQ(gThreadList.Count(), 0);
    DeleteQueued();
    EXPECT_EQ(gWindowList.Count(), 0);
}

TEST_F(MailingWindowTest, TextFilesByExtensionOrRecordedType)
{
    const struct {
        const char* name;
        OSType type;
        bool text;
    } cases[] = {
        {"a.txt", 0, true}, {"a.csv", 0, true}, {"a.tsv", 0, true}, {"a.eml", 0, true},
        {"a.bvto", 0, false}, {"plain", 0, false}, {"typed", 'TEXT', true}, {"other", 'Bvto', false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = FolderPath(c.name);
        WriteFile(path, "x");
        if (c.type != 0) {
            ASSERT_EQ(FSSetTypeCreator(FSRef{path.toStdString()}, &c.type, nullptr), noErr);
        }
        EXPECT_EQ(IsTextFile(path), c.text);
    }
}
