// The mailing window's commands and its small sheets, posted as its controls post them.
#include "ApplicationFixture.h"
#include "MailingWindowFixture.h"

#include "Clock.h"
#include "CommandRouter.h"
#include "ControlHandlers.h"
#include "ControlValues.h"
#include "DataBrowser.h"
#include "PreferenceGetters.h"
#include "../platform/QStringPrinter.h"
#include "ReportLogScan.h"
#include "SheetController.h"
#include "WindowEvents.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>

#include <QMenu>
#include <QToolButton>

namespace {

using ENib = CBrevantoWindow::ENibWindow;

void Post(CBrevantoWindow* inWindow, ENib inWhich, CommandT inCommand)
{
    CommandRouter::Get().SendWindowCommand(inWindow->Window(inWhich), inCommand);
}

void Post(CBrevantoWindow* inWindow, CommandT inCommand) { Post(inWindow, ENib::main, inCommand); }

bool Shown(CBrevantoWindow* inWindow, ENib inWhich) { return SheetController::IsSheetShown(inWindow->Window(inWhich)); }

// With the list shown, the Select Recipients sheet put away again.
CBrevantoWindow* WindowWithImportedListOnly(const std::vector<Person>& inPeople)
{
    CBrevantoWindow* window = WindowWithImported(inPeople);
    SheetController::HideSheetWindow(window->Window(ENib::recipients));
    return window;
}

class MailingCommandsTest : public MailingWindowTest {
protected:
    void SetUp() override
    {
        MailingWindowTest::SetUp();
        CBrevantoWindow::SetStartSendingHookForTests([this](CBrevantoWindow*) { ++mStarts; });
        Launcher::Install(&mLauncher);
    }
    void TearDown() override
    {
        SetPreference(nullptr, CString256(kAutoSaveKey));
        SetPreference(nullptr, CString256(kResetRecipientsKey));
        MailingWindowTest::TearDown();
        Launcher::Install(nullptr);
    }
    // The alert last shown (sheet or modal).
    QString LastAlert() const { return mPresenter->Requests().empty() ? QString() : mPresenter->Requests().back().message; }

    int mStarts = 0;
    RecordingLauncher mLauncher;
};

} // namespace

// Auto Save needs a file: Send and Schedule refuse with their own texts; without Auto Save an
// unsaved window sends, and Schedule opens its sheet only when "Reset Recipients" is on.
TEST_F(MailingCommandsTest, SendAndScheduleFollowAutoSaveAndResetRecipients)
{
    auto* window = new CBrevantoWindow();
    SetPreference("true", CString256(kAutoSaveKey));
    mPresenter->QueueSheet('ok  ');
    Post(window, 'SEND');
    EXPECT_EQ(LastAlert(), "Please save this mailing first.");
    mPresenter->QueueSheet('ok  ');
    Post(window, 'SCHD');
    EXPECT_EQ(LastAlert(), "Please save this mailing.");
    EXPECT_EQ(mStarts, 0);
    EXPECT_FALSE(Shown(window, ENib::schedule));

    SetPreference("false", CString256(kAutoSaveKey));
    Post(window, 'SEND');
    EXPECT_EQ(mStarts, 1);
    SetPreference("false", CString256(kResetRecipientsKey));
    mPresenter->QueueSheet('ok  ');
    Post(window, 'SCHD');
    EXPECT_EQ(LastAlert(), "Restoring selected recipients if no errors occur is off.");
    EXPECT_FALSE(Shown(window, ENib::schedule));
    SetPreference(nullptr, CString256(kResetRecipientsKey));
    Post(window, 'SCHD');
    EXPECT_TRUE(Shown(window, ENib::schedule));
    // From the Select Recipients sheet the schedule replaces it.
    SheetController::HideSheetWindow(window->Window(ENib::schedule));
    Post(window, 'RCPT');
    Post(window, ENib::recipients, 'SCHD');
    EXPECT_FALSE(Shown(window, ENib::recipients));
    EXPECT_TRUE(Shown(window, ENib::schedule));
}

TEST_F(MailingCommandsTest, PreviewDuringAMailingAbortsIt)
{
    auto* window = new CBrevantoWindow();
    window->mSending = 1;
    Post(window, 'PRVW');
    EXPECT_EQ(window->abortSend, 1);
    window->mSending = 0;
}

// A close is refused while sending or scheduled (the window stays); otherwise it goes.
TEST_F(MailingCommandsTest, CloseIsRefusedWhileSendingOrScheduled)
{
    auto* window = new CBrevantoWindow();
    WindowRef main = window->GetMainWindow();
    window->mSending = 1;
    mPresenter->QueueSheet('ok  ');
    main->close();
    EXPECT_EQ(LastAlert(), "A mailing is in progress.");
    window->mSending = 0;
    window->mScheduledTime = Clock::Now() + 3600;
    mPresenter->QueueSheet('ok  ');
    main->close();
    EXPECT_EQ(LastAlert(), "A mailing is scheduled.");
    EXPECT_EQ(mPresenter->Requests().back().explanation,
              "This window can not be closed because it has a scheduled mailing.  Unschedule the mailing and then "
              "close the window.");
    EXPECT_FALSE(window->IsCleanedUp());
    window->mScheduledTime = 0;
    main->close();
    EXPECT_TRUE(window->IsCleanedUp());
}

TEST_F(MailingCommandsTest, RevealNeedsAnImportFile)
{
    auto* window = new CBrevantoWindow();
    mPresenter->QueueSheet('ok  ');
    Post(window, 'SHOW');
    EXPECT_EQ(LastAlert(), "There is no import file to reveal.");
    EXPECT_TRUE(mPresenter->Requests().back().explanation.isEmpty());
    window->mImportPath = FolderPath("list.txt");
    Post(window, 'SHOW');
    EXPECT_EQ(mLauncher.revealed, std::vector<QString>{window->mImportPath});
}

// The address column is titled after the address type chosen for the group.
TEST_F(MailingCommandsTest, SelectRecipientsTitlesTheAddressColumnByAddressType)
{
    auto* window = new CBrevantoWindow();
    ControlRef addressType = window->Control(ControlRole::AddressTypePopup);
    QAbstractItemModel* header = RecipientsList(window)->model();
    const int emailColumn = 4;
    for (const char* title : {"Distribution Email", "All Email", "Home Email", "Work Email", "Other Email",
                              "Primary Email"}) {
        for (SInt32 item = 1; item <= CountPopupItems(addressType); ++item) {
            if (GetPopupItemText(addressType, item) == title)
                SetControl32BitValue(addressType, item);
        }
        Post(window, 'RCPT');
        EXPECT_EQ(header->headerData(emailColumn, Qt::Horizontal).toString(), title);
        EXPECT_TRUE(Shown(window, ENib::recipients));
        EXPECT_FALSE(IsControlVisible(window->Control(ControlRole::DeleteImportedButton)));
        Post(window, ENib::recipients, 'ok  ');
        EXPECT_FALSE(Shown(window, ENib::recipients));
    }
}

// The Mailing menu's three menu items open the pull-downs they name; the File menu's Import
// stays the application's.
TEST_F(MailingCommandsTest, MenuItemsOpenTheirPullDowns)
{
    auto* window = new CBrevantoWindow();
    const struct {
        CommandT command;
        ControlRole pullDown;
    } cases[] = {{'LoaF', ControlRole::MessageSourcePullDown},
                 {'Imfl', ControlRole::ImportActionsPullDown},
                 {'SMET', ControlRole::SenderPullDown}};
    for (const auto& c : cases) {
        window->SelectRecipientsTab(2);
        window->SelectSenderTab(2);
        QMenu* menu = qobject_cast<QToolButton*>(window->Control(c.pullDown))->menu();
        EXPECT_TRUE(window->ObeyCommand(c.command, nullptr));
        EXPECT_TRUE(menu->isVisible());
        menu->hide();
    }
    EXPECT_FALSE(window->ObeyMenuCommand('IPRT'));
    Boolean enabled = false;
    EXPECT_TRUE(window->FindMailingCommandStatus('SEND', enabled));
    EXPECT_TRUE(enabled);
}

TEST_F(MailingCommandsTest, AnUnknownCommandIsLeftToOthers)
{
    auto* window = new CBrevantoWindow();
    WindowAttributes::SetWindowModified(window->GetMainWindow(), false);
    WindowEvent event;
    event.command = 'zzzz';
    EXPECT_EQ(WindowEvents::Send(window->GetMainWindow(), event), eventNotHandledErr);
    EXPECT_FALSE(WindowAttributes::IsWindowModified(window->GetMainWindow()));
}

// Resizing keeps the height the window was built with and never narrows it below its width.
TEST_F(MailingCommandsTest, ResizingKeepsTheHeightAndTheMinimumWidth)
{
    auto* window = new CBrevantoWindow();
    WindowRef main = window->GetMainWindow();
    const QSize built = WindowAttributes::GetContentBounds(main).size();
    for (QSize asked : {QSize(built.width() + 200, built.height() + 150), QSize(built.width() - 100, built.height() - 50)}) {
        WindowEvent event;
        event.kind = WindowEventKind::boundsChanging;
        event.bounds = QRect(QPoint(10, 20), asked);
        EXPECT_EQ(WindowEvents::Send(main, event), noErr);
        EXPECT_EQ(event.bounds.height(), built.height());
        EXPECT_EQ(event.bounds.width(), std::max(asked.width(), built.width()));
        EXPECT_EQ(event.bounds.topLeft(), QPoint(10, 20));
    }
}

// While a mailing runs, every command that would change the list the engine walks is refused.
TEST_F(MailingCommandsTest, RecipientChangesAreRefusedWhileSending)
{
    CBrevantoWindow* window =
        WindowWithImportedListOnly({Person("Ann", "Lee", "ann@x.org"), Person("Bo", "Ng", "bo@x.org")});
    window->mImportPath = FolderPath("list.txt");
    window->mSending = 1;
    RecipientsList(window)->SelectAll();
    SetControlText(window->Control(ControlRole::AddEmailField), "cy@x.org");
    const struct {
        ENib window;
        CommandT command;
    } cases[] = {{ENib::main, 'IFIL'}, {ENib::main, 'uPFt'}, {ENib::main, 'RTYP'}, {ENib::main, 'GRUP'},
                 {ENib::main, 'MaRe'}, {ENib::main, 'MaSe'}, {ENib::entourageGroup, 'ok  '},
                 {ENib::recipients, 'DELE'}, {ENib::addRecipient, 'ok  '},
                 {ENib::appendOrReplace, 'APND'}, {ENib::appendOrReplace, 'RPLC'}, {ENib::removeImport, 'OKAY'}};
    for (const auto& c : cases) {
        SCOPED_TRACE(QString::number(c.command, 16).toStdString());
        mPresenter->QueueSheet('ok  ');
        Post(window, c.window, c.command);
        EXPECT_EQ(LastAlert(), "A mailing is in progress.");
        EXPECT_EQ(window->mImported.Count(), 2);
        EXPECT_EQ(window->mImportPath, FolderPath("list.txt"));
    }
    EXPECT_EQ(mPresenter->PendingAnswers(), 0u);
    window->mSending = 0;
}

// A name without an address keeps the sheet open with its error; the same person added twice
// is listed once; an empty sheet adds nothing.
TEST_F(MailingCommandsTest, AddRecipientNeedsAnAddressAndAddsAPersonOnce)
{
    CBrevantoWindow* window = WindowWithImportedListOnly({Person("Ann", "Lee", "ann@x.org")});
    Post(window, ENib::recipients, 'ADDr');
    ASSERT_TRUE(Shown(window, ENib::addRecipient));
    SetControlText(window->Control(ControlRole::AddFirstNameField), "Bo");
    const int beeps = mPresenter->Beeps();
    Post(window, ENib::addRecipient, 'ok  ');
    EXPECT_EQ(mPresenter->Beeps(), beeps + 1);
    EXPECT_TRUE(Shown(window, ENib::addRecipient));
    EXPECT_TRUE(IsControlVisible(window->Control(ControlRole::AddErrorCaption)));
    EXPECT_EQ(window->mImported.Count(), 1);

    SetControlText(window->Control(ControlRole::AddEmailField), "bo@x.org");
    for (int time = 0; time < 2; ++time) {
        Post(window, ENib::addRecipient, 'ok  ');
        EXPECT_FALSE(Shown(window, ENib::addRecipient));
        EXPECT_TRUE(Shown(window, ENib::recipients));
        Post(window, ENib::recipients, 'ADDr');
    }
    EXPECT_EQ(window->mImported.Count(), 2);
    EXPECT_EQ(*window->mImported.At(1), Person("Bo", "", "bo@x.org"));
    EXPECT_EQ(RecipientsList(window)->CountItems(), 2u);
    Post(window, ENib::addRecipient, 'clea');
    Post(window, ENib::addRecipient, 'ok  ');
    EXPECT_EQ(window->mImported.Count(), 2);
    EXPECT_EQ(CopyControlTitleAsCFString(window->Control(ControlRole::SelectionCountCaption)), "2/2");
}

// The find field searches from the row after the selected one, wraps round, and reports the
// row it started after only when that is the only match.
TEST_F(MailingCommandsTest, FindFieldWrapsRoundFromTheSelectedRow)
{
    CBrevantoWindow* window = WindowWithImportedListOnly({Person("Ann", "Lee", "a@x.org"), Person("Bo", "Leeds", "b@x.org"),
                                                  Person("Cy", "Ng", "c@x.org")});
    DataBrowser* list = RecipientsList(window);
    ControlRef search = window->Control(ControlRole::RecipientsSearchField);
    const auto find = [&](const QString& inText, std::vector<DataBrowserItemID> inSelected) {
        list->SetSelectedItems(inSelected, DataBrowserSetOption::assign);
        return window->FindNextRecipient(inText) + 1;
    };
    EXPECT_EQ(find("lee", {}), 1);     // last name, by default
    EXPECT_EQ(find("lee", {1}), 2);
    EXPECT_EQ(find("lee", {2}), 1);    // wraps round
    EXPECT_EQ(find("ng", {3}), 3);     // the only match
    EXPECT_EQ(find("lee", {1, 2}), 1); // several selected: from the first
    Post(window, ENib::recipients, 'mail');
    EXPECT_EQ(qobject_cast<QLineEdit*>(search)->placeholderText(), "Email Address");
    EXPECT_EQ(find("C@X", {}), 3);
    EXPECT_EQ(find("zz", {}), 0);
    const int beeps = mPresenter->Beeps();
    SetControlText(search, "zz"); // as typed: the field searches at once
    EXPECT_EQ(mPresenter->Beeps(), beeps + 1);
}

TEST(ReportLogScan, TakesTheAddressesOfTheRowsSentWithoutError)
{
    const QString report = "<h2>Brevanto Log</h2><TABLE border=1><tr><th>Email</th><th>Error</th></tr>"
                           "<tr><td>1</td><td>ann@x.org</td><td>None</td></tr>"
                           "<tr><td>2</td><td>bo@x.org</td><td>550 no such user (Error code = 550)</td></tr>"
                           "<tr><td>3</td><td>cy@x.org</td><td>None</td></tr></table>"
                           "<p>ed@x.org</td><td>None</p>";
    EXPECT_EQ(FindSentAddressesInReport(report), (QStringList{"ann@x.org", "cy@x.org"}));
    EXPECT_EQ(FindSentAddressesInReport("<table><tr><td>x</td></tr></table>"), QStringList());
    EXPECT_EQ(FindSentAddressesInReport("<p>no table</p>"), std::nullopt);
    EXPECT_EQ(FindSentAddressesInReport("<table><tr>"), std::nullopt);
}

// Only the recipients a report shows as sent lose their flags; a report without a table says
// so, then that it found nothing.
TEST_F(MailingCommandsTest, UnflagFromReportLogKeepsTheFailedFlagged)
{
    CBrevantoWindow* window = WindowWithImportedListOnly({Person("Ann", "Lee", "ann@x.org"), Person("Bo", "Ng", "bo@x.org")});
    QFile report(FolderPath("report.html"));
    ASSERT_TRUE(report.open(QIODevice::WriteOnly));
    report.write("<table><tr><td>ann@x.org</td><td>None</td></tr><tr><td>bo@x.org</td><td>Error</td></tr></table>");
    report.close();
    mPresenter->QueueOpenFile(report.fileName());
    mPresenter->QueueAlert(1); // "1 of 2 recipients were unflagged."
    Post(window, ENib::recipients, 'UFRL');
    EXPECT_EQ(*window->mImportSendFlags, (std::vector<bool>{false, true}));

    ASSERT_TRUE(report.open(QIODevice::WriteOnly | QIODevice::Truncate));
    report.write("<p>nothing</p>");
    report.close();
    mPresenter->QueueOpenFile(report.fileName());
    mPresenter->QueueAlert(1);
    mPresenter->QueueAlert(1);
    Post(window, ENib::recipients, 'UFRL');
    const auto& requests = mPresenter->Requests();
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(requests[requests.size() - 2].message, "The recipient table could not be found.");
    EXPECT_EQ(requests.back().message, "No email addresses with sending errors found.");
}

// Deleting asks first; Cancel keeps everyone, OK removes the selected rows by position.
TEST_F(MailingCommandsTest, DeleteAsksAndRemovesTheSelectedImportedRecipients)
{
    CBrevantoWindow* window = WindowWithImportedListOnly({Person("Ann", "Lee", "a@x.org"), Person("Bo", "Ng", "b@x.org"),
                                                  Person("Cy", "Oh", "c@x.org")});
    RecipientsList(window)->SetSelectedItems({1, 3}, DataBrowserSetOption::assign);
    mPresenter->QueueAlert(2);
    Post(window, ENib::recipients, 'DELE');
    EXPECT_EQ(window->mImported.Count(), 3);
    mPresenter->QueueAlert(1);
    Post(window, ENib::recipients, 'DELE');
    ASSERT_EQ(window->mImported.Count(), 1);
    EXPECT_EQ(window->mImported.At(0)->Email(), "b@x.org");
    EXPECT_EQ(window->mImportSendFlags->size(), 1u);

    window->SelectRecipientsTab(1);
    window->mRecipientsTab = 1;
    mPresenter->QueueAlert(1);
    Post(window, ENib::recipients, 'DELE');
    EXPECT_EQ(LastAlert(), "Sorry, this task is not available for Address Book recipeints.");
}

// Other Options: OK takes the four fields over, Cancel puts back what they held when shown.
TEST_F(MailingCommandsTest, OtherOptionsTakesOverOrRestoresItsFields)
{
    auto* window = new CBrevantoWindow();
    ControlRef cc = window->Control(ControlRole::CcField);
    ControlRef replyTo = window->Control(ControlRole::ReplyToField);
    Post(window, 'OPTS');
    ASSERT_TRUE(Shown(window, ENib::otherOptions));
    SetControlText(cc, "cc@x.org");
    SetControlText(replyTo, "reply@x.org");
    Post(window, ENib::otherOptions, 'ok  ');
    EXPECT_FALSE(Shown(window, ENib::otherOptions));
    EXPECT_STREQ(window->mCC.text, "cc@x.org");
    EXPECT_STREQ(window->mReplyTo.text, "reply@x.org");

    Post(window, 'OPTS');
    SetControlText(cc, "other@x.org");
    Post(window, ENib::otherOptions, 'not!');
    EXPECT_EQ(GetControlText(cc), "cc@x.org");
    EXPECT_STREQ(window->mCC.text, "cc@x.org");
}

TEST_F(MailingCommandsTest, RemoveImportForgetsTheListAndItsFile)
{
    CBrevantoWindow* window = WindowWithImportedListOnly({Person("Ann", "Lee", "a@x.org")});
    window->mImportPath = FolderPath("list.txt");
    Post(window, 'RMVe');
    ASSERT_TRUE(Shown(window, ENib::removeImport));
    Post(window, ENib::removeImport, 'CNCL');
    EXPECT_EQ(window->mImported.Count(), 1);
    Post(window, 'RMVe');
    Post(window, ENib::removeImport, 'OKAY');
    EXPECT_FALSE(Shown(window, ENib::removeImport));
    EXPECT_EQ(window->mImported.Count(), 0);
    EXPECT_TRUE(window->mImportPath.isEmpty());
    EXPECT_FALSE(window->mImportSendFlags.has_value());
    EXPECT_FALSE(IsControlVisible(window->Control(ControlRole::ImportSourceCaption)));
    EXPECT_EQ(CopyControlTitleAsCFString(window->Control(ControlRole::ImportCountCaption)), "0/0");
}

// OK takes the sheet over: a time ahead schedules, one not later than now unschedules; the
// number fields read their leading digits, capped at 32767 (shown back). Cancel puts back the
// time and boxes of the opening; Unschedule ends the schedule.
TEST_F(MailingCommandsTest, ScheduleSheetTakesOverRestoresOrUnschedules)
{
    Clock::SetForTests(QDateTime(QDate(2030, 5, 6), QTime(10, 0, 0), Qt::UTC));
    auto* window = new CBrevantoWindow();
    const auto setTime = [window](SInt64 inSeconds) { window->SetScheduleDateControls(inSeconds); };
    const SInt64 now = Clock::Now();
    Post(window, 'SCHD');
    ASSERT_TRUE(Shown(window, ENib::schedule));
    setTime(now + 90);
    SetControl32BitValue(window->Control(ControlRole::RepeatCheckBox), 1);
    Post(window, ENib::schedule, 'Rpte');
    EXPECT_TRUE(IsControlEnabled(window->Control(ControlRole::RepeatCountField)));
    EXPECT_FALSE(IsControlEnabled(window->Control(ControlRole::WakeSecondsField)));
    SetControlText(window->Control(ControlRole::RepeatCountField), "40000");
    SetControlText(window->Control(ControlRole::WakeSecondsField), "12 s");
    Post(window, ENib::schedule, 'ok  ');
    EXPECT_FALSE(Shown(window, ENib::schedule));
    EXPECT_EQ(window->mScheduledTime, now + 90);
    EXPECT_EQ(GetControlText(window->Control(ControlRole::RepeatCountField)), "32767");
    EXPECT_EQ(GetControlText(window->Control(ControlRole::WakeSecondsField)), "12");

    // Cancel: the time and the boxes as the sheet opened.
    Post(window, 'SCHD');
    setTime(now + 5000);
    SetControl32BitValue(window->Control(ControlRole::RepeatCheckBox), 0);
    Post(window, ENib::schedule, 'not!');
    EXPECT_EQ(window->ReadScheduleDateControls(), now + 90);
    EXPECT_EQ(GetControl32BitValue(window->Control(ControlRole::RepeatCheckBox)), 1);
    EXPECT_EQ(window->mScheduledTime, now + 90);

    for (SInt64 past : {now, now - 60}) {
        Post(window, 'SCHD');
        setTime(past);
        Post(window, ENib::schedule, 'ok  ');
        EXPECT_EQ(window->mScheduledTime, 0);
        EXPECT_FALSE(IsControlVisible(window->Control(ControlRole::ScheduleTimeCaption)));
        window->mScheduledTime = now + 90;
    }
    Post(window, 'SCHD');
    Post(window, ENib::schedule, 'Usch');
    EXPECT_EQ(window->mScheduledTime, 0);
    EXPECT_FALSE(Shown(window, ENib::schedule));
    EXPECT_EQ(window->ReadScheduleDateControls(), now);
    Clock::UseSystemClock();
}

// Adding attachments: a chosen folder gives its visible files, a path already there is kept
// once; the selected rows go, then all; BinHex says what it means.
TEST_F(MailingCommandsTest, DrawerAddsFolderFilesOnceAndRemovesTheSelected)
{
    auto* window = new CBrevantoWindow();
    ASSERT_TRUE(QDir().mkpath(FolderPath("docs/inner")));
    for (const char* name : {"docs/a.pdf", "docs/b.txt", "docs/.hidden", "docs/inner/c.pdf", "d.pdf"}) {
        QFile file(FolderPath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(name);
    }
    mPresenter->QueueChooseFiles(QStringList{FolderPath("docs"), FolderPath("d.pdf"), FolderPath("docs/a.pdf")});
    Post(window, ENib::drawer, 'ADD ');
    EXPECT_EQ(window->mAttachmentPaths, (QStringList{FolderPath("docs/a.pdf"), FolderPath("docs/b.txt"), FolderPath("d.pdf")}));

    auto* list = qobject_cast<DataBrowser*>(window->Control(ControlRole::AttachmentsList));
    ASSERT_EQ(list->CountItems(), 3u);
    list->SetSelectedItems({1, 3}, DataBrowserSetOption::assign);
    Post(window, ENib::drawer, 'DELE');
    EXPECT_EQ(window->mAttachmentPaths, QStringList{FolderPath("docs/b.txt")});
    Post(window, ENib::drawer, 'CLAR');
    EXPECT_TRUE(window->mAttachmentPaths.isEmpty());

    SetControl32BitValue(window->Control(ControlRole::BinHexCheckBox), 1);
    mPresenter->QueueAlert(1);
    Post(window, ENib::drawer, 'BHEX');
    EXPECT_EQ(LastAlert(), "Binhex encoding will be used.");
}

TEST_F(MailingCommandsTest, EditorButtonsKeepDropAndClearTheText)
{
    auto* window = new CBrevantoWindow();
    // A sheet or a window, as the preference says.
    const auto open = [window] {
        WindowRef editor = window->Window(ENib::preamble);
        return Shown(window, ENib::preamble) || (editor && editor->isVisible());
    };
    window->SetSideText(CBrevantoWindow::ESideText::preamble, QStringLiteral("Dear reader,"));
    window->ShowPreambleEditor();
    ASSERT_TRUE(open());
    ControlRef pane = window->Control(ControlRole::PreambleTextPane);
    EXPECT_EQ(GetControlText(pane), "Dear reader,");

    SetControlText(pane, QStringLiteral("Dear friend,"));
    Post(window, ENib::preamble, 'ok  ');
    EXPECT_FALSE(open());
    EXPECT_EQ(window->mEditorStoredText[1], "Dear friend,");

    window->ShowPreambleEditor();
    SetControlText(pane, QStringLiteral("typed and dropped"));
    Post(window, ENib::preamble, 'not!');
    EXPECT_FALSE(open());
    EXPECT_EQ(GetControlText(pane), "Dear friend,");

    window->ShowPreambleEditor();
    Post(window, ENib::preamble, 'clea');
    EXPECT_TRUE(open());
    EXPECT_EQ(GetControlText(pane), "");
    EXPECT_EQ(window->GetSideText(CBrevantoWindow::ESideText::preamble), "");
    window->Cleanup();
    DeleteQueued();
}
