// Building a mailing window from the nib: the drawer and editor variants, the no-me-card sheet,
// the charset and priority controls, and what a path makes of the window (a text file imports,
// "SendOnOpen" sends unless the workspace restore reopened it, an unreadable file opens nothing),
// with the failures that leave no window behind.
#include "MailingWindowFixture.h"
#include "SpellingBridge.h"

#include "CThread.h"
#include "CFPropertyList.h"
#include "CFPropertyListWriter.h"
#include "ControlValues.h"
#include "LApplication.h"
#include "LException.h"
#include "LThread.h"
#include "ToolboxCommands.h"
#include "SheetController.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <chrono>

namespace {

void WriteFile(const QString& inPath, const QByteArray& inBytes)
{
    QFile file(inPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(inBytes);
}

QByteArray DocumentBytes()
{
    CFPropertyList::Dictionary document;
    document.insert("Subject", CFPropertyList("Hello"));
    return CFPropertyListWriter::Write(CFPropertyList(document));
}

} // namespace

TEST_F(MailingWindowTest, BuildsEveryWindowAndControlWithoutALookupMiss)
{
    auto* window = new CBrevantoWindow();
    EXPECT_TRUE(ControlLookup::Misses().empty());
    for (size_t index = 0; index < size_t(CBrevantoWindow::ENibWindow::count); ++index)
        EXPECT_NE(window->Window(CBrevantoWindow::ENibWindow(index)), nullptr) << index;
    for (const ControlMapEntry& entry : ControlMap::Entries()) {
        // The about box and the monitor window are the application's, not the mailing window's.
        const QLatin1String design(entry.design);
        if (design == QLatin1String("About") || design == QLatin1String("MessageMonitor"))
            continue;
        EXPECT_NE(window->Control(entry.role), nullptr) << entry.design << " " << entry.number;
    }
    EXPECT_TRUE(window->GetMainWindow()->isVisible());
    EXPECT_EQ(gWindowList.Count(), 1);
    EXPECT_EQ(LCommander::GetTarget(), window);
    EXPECT_FALSE(WindowAttributes::IsWindowModified(window->GetMainWindow()));
}

TEST_F(MailingWindowTest, DisplayHeightChoosesTheDrawerAndThePreferenceTheEditors)
{
    struct Case {
        int displayHeight;
        const char* editorsWithSheets; // null: absent
        const char* drawer;
        const char* preamble;
    } const cases[] = {
        {600, nullptr, "AttachmentsSmall", "PreambleWindow"},
        {601, "true", "Attachments", "PreambleSheet"},
        {800, "false", "Attachments", "PreambleWindow"},
    };
    for (const Case& c : cases) {
        WindowAttributes::SetMainDisplaySize(QSize(1024, c.displayHeight));
        SetPreference(c.editorsWithSheets, CString256(kDisplayMessageEditorsWithSheetsKey));
        auto* window = new CBrevantoWindow();
        EXPECT_EQ(ControlLookup::NibWindowName(window->Window(CBrevantoWindow::ENibWindow::drawer)),
                  QLatin1String(c.drawer)) << c.displayHeight;
        EXPECT_EQ(ControlLookup::NibWindowName(window->Window(CBrevantoWindow::ENibWindow::preamble)),
                  QLatin1String(c.preamble)) << c.displayHeight;
        EXPECT_NE(window->Control(ControlRole::PreambleTextPane), nullptr);
        window->Cleanup();
    }
}

TEST_F(MailingWindowTest, NoMeCardSheetFollowsItsPreference)
{
    struct Case {
        const char* value; // null: absent
        bool shown;
    } const cases[] = {{"0", false}, {nullptr, true}, {"1", true}};
    for (const Case& c : cases) {
        SetPreference(c.value, CString256(kShowNoMeCardAlertKey));
        const int beeps = mPresenter->Beeps();
        auto* window = new CBrevantoWindow();
        WindowRef alert = window->Window(CBrevantoWindow::ENibWindow::noMeCard);
        EXPECT_EQ(SheetController::IsSheetShown(alert), c.shown) << (c.value ? c.value : "absent");
        // Without spell checking each editor's set-up beeps once as it hides its spelling button.
        const int setUpBeeps = IsSpellCheckingAvailable() ? 0 : 3;
        EXPECT_EQ(mPresenter->Beeps() - beeps, setUpBeeps + (c.shown ? 1 : 0));
        if (c.shown) {
            EXPECT_EQ(SheetController::GetSheetParent(alert), window->GetMainWindow());
        }
        window->Cleanup();
    }

    // A Me card: no sheet whatever the preference says.
    SetPreference("1", CString256(kShowNoMeCardAlertKey));
    WriteMeCard("Ann", "Lee", "", {"ann@example.com"});
    auto* window = new CBrevantoWindow();
    EXPECT_FALSE(SheetController::IsSheetShown(window->Window(CBrevantoWindow::ENibWindow::noMeCard)));
}

// The no-me-card sheet as a user meets it: attached at the top edge of its shown window, OK,
// Return and Escape each put it away, and its check box, once ticked, keeps it from the next
// window (untick it and it comes back).
TEST_F(MailingWindowTest, TheNoMeCardSheetIsAnsweredByItsButtonsKeysAndCheckBox)
{
    const auto openWindow = [](bool* shown) {
        auto* window = new CBrevantoWindow();
        window->GetMainWindow()->setGeometry(200, 150, 760, 470);
        window->GetMainWindow()->show();
        *shown = SheetController::IsSheetShown(window->Window(CBrevantoWindow::ENibWindow::noMeCard));
        return window;
    };
    const auto press = [](QWidget* target, int key) {
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(target, &down);
    };
    const auto button = [](WindowRef sheet, const char* name) {
        return sheet->findChild<QAbstractButton*>(QString::fromLatin1(name));
    };
    SetPreference(nullptr, CString256(kShowNoMeCardAlertKey));

    for (const char* how : {"OK", "Return", "Escape"}) {
        SCOPED_TRACE(how);
        bool shown = false;
        CBrevantoWindow* window = openWindow(&shown);
        WindowRef sheet = window->Window(CBrevantoWindow::ENibWindow::noMeCard);
        ASSERT_TRUE(shown);
        WindowRef main = window->GetMainWindow();
        const QRect content(main->mapToGlobal(QPoint(0, 0)), main->size());
        EXPECT_EQ(sheet->geometry().top(), content.top());
        // Centred to the pixel: a sheet of odd width against an even one can only be off by one.
        EXPECT_LE(std::abs(sheet->geometry().center().x() - content.center().x()), 1);
        if (QString(how) == "OK")
            button(sheet, "button_ok__")->click();
        else
            press(sheet, QString(how) == "Return" ? Qt::Key_Return : Qt::Key_Escape);
        EXPECT_FALSE(SheetController::IsSheetShown(sheet));
        window->Cleanup();
        DeleteQueued();
    }

    bool shown = false;
    CBrevantoWindow* window = openWindow(&shown);
    WindowRef sheet = window->Window(CBrevantoWindow::ENibWindow::noMeCard);
    button(sheet, "show:0")->click();
    button(sheet, "button_ok__")->click();
    EXPECT_EQ(ReadNumber(kShowNoMeCardAlertKey, 1), 0);
    window->Cleanup();
    DeleteQueued();
    window = openWindow(&shown);
    EXPECT_FALSE(shown) << "ticked: not shown again";
    window->Cleanup();
    DeleteQueued();

    SetPreference("1", CString256(kShowNoMeCardAlertKey));
    window = openWindow(&shown);
    ASSERT_TRUE(shown);
    sheet = window->Window(CBrevantoWindow::ENibWindow::noMeCard);
    button(sheet, "show:0")->click();
    button(sheet, "show:0")->click();
    EXPECT_EQ(ReadNumber(kShowNoMeCardAlertKey, 0), 1) << "unticked again: shown next time";
}

TEST_F(MailingWindowTest, CharsetPopupIsSortedWithUnicodeChosenUnlessADefaultIsRemembered)
{
    auto* window = new CBrevantoWindow();
    ControlRef popup = window->Control(ControlRole::CharsetPopup);
    const SInt32 count = CountPopupItems(popup);
    ASSERT_EQ(count, 12);
    for (SInt32 item = 2; item <= count; ++item)
        EXPECT_LT(GetPopupItemText(popup, item - 1), GetPopupItemText(popup, item));
    EXPECT_TRUE(GetPopupItemText(popup, GetControl32BitValue(popup)).startsWith("Unicode ("));
    EXPECT_EQ(window->GetCharsetName(), "UTF-8");
    EXPECT_FALSE(IsControlVisible(popup));
    window->Cleanup();

    SetPreference("2", CString256(kDefaultCharsetKey));
    window = new CBrevantoWindow();
    EXPECT_EQ(GetControl32BitValue(window->Control(ControlRole::CharsetPopup)), 2);
}

TEST_F(MailingWindowTest, PriorityControlsFollowTheirPreference)
{
    struct Case {
        const char* value;
        bool shown;
    } const cases[] = {{nullptr, false}, {"false", false}, {"true", true}};
    for (const Case& c : cases) {
        SetPreference(c.value, CString256(kShowPriorityCheckboxKey));
        auto* window = new CBrevantoWindow();
        EXPECT_EQ(IsControlVisible(window->Control(ControlRole::PriorityPopup)), c.shown);
        EXPECT_EQ(IsControlVisible(window->Control(ControlRole::PriorityLabel)), c.shown);
        window->Cleanup();
    }
}

TEST_F(MailingWindowTest, ATextFileOpensANewMailingThatImportsIt)
{
    const QString path = FolderPath("people.txt");
    WriteFile(path, "Ann\tLee\tann@example.com\n");
    auto* window = new CBrevantoWindow(path);
    EXPECT_EQ(window->mImportPath, path);
    EXPECT_TRUE(window->GetDocumentPath().isEmpty());
    ASSERT_TRUE(LThread::WaitUntil([] { return gThreadList.Count() == 0; }, DeadlineAfter(std::chrono::minutes(1))));
    EXPECT_EQ(window->GetRecipientEmail(0), "ann@example.com");
}

// Sending starts with its checks: a mailing without recipients is refused with its sheet, which
// shows that the start was asked for.
TEST_F(MailingWindowTest, SendOnOpenSendsOnlyWhenTheUserOpensTheDocument)
{
    const QString path = FolderPath("Weekly SendOnOpen.bvto");
    WriteFile(path, DocumentBytes());
    const auto startsAsked = [this] {
        return std::count_if(mPresenter->Requests().begin(), mPresenter->Requests().end(), [](const auto& inRequest) {
            return inRequest.message == "There are no recipients to send mail to.";
        });
    };

    CBrevantoWindow* restored = CBrevantoWindow::OpenDocumentFile(path, CBrevantoWindow::EOpenedBy::workspaceRestore);
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(startsAsked(), 0);
    restored->Cleanup();

    mPresenter->QueueSheet(kSheetOKCommand);
    CBrevantoWindow* opened = CBrevantoWindow::OpenDocumentFile(path);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(startsAsked(), 1);
    EXPECT_EQ(opened->GetDocumentPath(), path);

    // Opening it again brings the same window forward and sends nothing more.
    EXPECT_EQ(CBrevantoWindow::OpenDocumentFile(path), opened);
    EXPECT_EQ(startsAsked(), 1);
    EXPECT_EQ(gWindowList.Count(), 1);
}

TEST_F(MailingWindowTest, AnUnreadableDocumentOpensNoWindowAndNamesTheFile)
{
    const QString garbage = FolderPath("Broken.bvto");
    WriteFile(garbage, "<plist><dict><key>Subject</key>");
    const QString array = FolderPath("List.bvto");
    WriteFile(array, CFPropertyListWriter::Write(CFPropertyList(CFPropertyList::Array{CFPropertyList(1)})));
    const QString missing = FolderPath("Gone.bvto");
    for (const QString& path : {garbage, array, missing}) {
        mPresenter->QueueAlert(kAlertStdAlertOKButton);
        EXPECT_EQ(CBrevantoWindow::OpenDocumentFile(path), nullptr);
        ASSERT_FALSE(mPresenter->Requests().empty());
        const auto& request = mPresenter->Requests().back();
        EXPECT_EQ(request.kind, ScriptedPresenter::Kind::alert);
        EXPECT_TRUE(request.message.contains(QFileInfo(path).fileName())) << request.message.toStdString();
        EXPECT_EQ(gWindowList.Count(), 0);
    }
    DeleteQueued();
    const QWidgetList windows = QApplication::topLevelWidgets();
    EXPECT_EQ(std::count_if(windows.begin(), windows.end(), [](QWidget* inWidget) { return inWidget->isVisible(); }),
              0);
}

TEST_F(MailingWindowTest, AMissingNibThrowsAndLeavesNoWindow)
{
    NibLoader::SetNibFolder(FolderPath("no-nibs"));
    try {
        new CBrevantoWindow();
        FAIL() << "no exception";
    } catch (const LException& error) {
        EXPECT_EQ(error.GetErrorCode(), fnfErr);
    }
    EXPECT_EQ(gWindowList.Count(), 0);
}

// With no address book the quit path runs on the next pass (other windows may hold unsaved
// work); the process is not ended from inside the constructor.
TEST_F(MailingWindowTest, NoAddressBookShowsTheAlertThenTakesTheQuitPath)
{
    struct QuitWatcher : LApplication {
        void PerformQuit(SInt32 inSaveOption) override
        {
            ++quits;
            option = inSaveOption;
        }
        int quits = 0;
        SInt32 option = 0;
    } application;

    MakeAddressBookUnavailable();
    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    try {
        new CBrevantoWindow();
        FAIL() << "no exception";
    } catch (const LException& error) {
        EXPECT_EQ(error.GetErrorCode(), kWindowNotOpenedErr);
    }
    ASSERT_EQ(mPresenter->Requests().size(), 1u);
    EXPECT_EQ(mPresenter->Requests()[0].message, "Brevanto must quit because it can't connect to Contacts");
    EXPECT_EQ(gWindowList.Count(), 0);
    EXPECT_EQ(application.quits, 0);
    application.ProcessNextEvent();
    EXPECT_EQ(application.quits, 1);
    EXPECT_EQ(application.option, SInt32(kAEAsk));

    // The open entry does not report again what the user was already told.
    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    EXPECT_EQ(CBrevantoWindow::OpenDocumentFile(QString()), nullptr);
    EXPECT_EQ(mPresenter->Requests().size(), 2u);
    application.ProcessNextEvent();
}
