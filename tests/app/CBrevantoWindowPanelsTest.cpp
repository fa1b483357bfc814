// The mailing window's panels: tab hits, the sender resolved and shown, the attachment size
// and count captions (past 4 GiB too), and the View button.
#include "MailingWindowFixture.h"

#include "ControlHandlers.h"
#include "ControlValues.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QTabBar>
#include <QTabWidget>

namespace {

ControlEvent HitOn(ControlRef inControl)
{
    ControlEvent event;
    event.kind = ControlEventKind::hit;
    event.control = inControl;
    return event;
}

} // namespace

TEST_F(MailingWindowTest, TabHitSwapsPanesAndMarksTheWindowOnlyForANewValue)
{
    auto* window = new CBrevantoWindow();
    WindowRef main = window->GetMainWindow();
    ControlRef tabs = window->Control(ControlRole::RecipientsTabs);
    ControlRef groupPane = window->Control(ControlRole::RecipientsGroupPane);
    ControlRef importPane = window->Control(ControlRole::RecipientsImportPane);
    ASSERT_TRUE(IsControlVisible(groupPane));
    ASSERT_FALSE(IsControlVisible(importPane));

    ControlEvent same = HitOn(tabs);
    EXPECT_EQ(window->RecipientsTabHit(same), eventNotHandledErr);
    EXPECT_FALSE(WindowAttributes::IsWindowModified(main));
    EXPECT_TRUE(IsControlVisible(groupPane));

    SetControl32BitValue(tabs, 2);
    ControlEvent changed = HitOn(tabs);
    EXPECT_EQ(window->RecipientsTabHit(changed), eventNotHandledErr);
    EXPECT_TRUE(WindowAttributes::IsWindowModified(main));
    EXPECT_FALSE(IsControlVisible(groupPane));
    EXPECT_TRUE(IsControlVisible(importPane));
    EXPECT_EQ(window->mRecipientsTab, 2);

    EXPECT_EQ(CBrevantoWindow::RecipientsTabHelp(1),
              "Use the \"Group\" tab to specify the recipients using Address Book groups.");
    EXPECT_EQ(CBrevantoWindow::SenderTabHelp(3), " ");
    EXPECT_TRUE(CBrevantoWindow::SenderTabHelp(0).isEmpty());
}

// The tab controls of the nib are tab widgets: a click on a tab is heard, shows its own page,
// is stored when the window closes, and a new window opens on the stored tab.
TEST_F(MailingWindowTest, AClickedTabIsShownStoredAndReopened)
{
    const struct {
        ControlRole tabs, secondPane;
        const char* key;
        SInt32 CBrevantoWindow::*stored;
    } cases[] = {
        {ControlRole::RecipientsTabs, ControlRole::RecipientsImportPane, kRecipientsTabValueKey,
         &CBrevantoWindow::mRecipientsTab},
        {ControlRole::SenderTabs, ControlRole::SenderManualPane, kSenderTabValueKey, &CBrevantoWindow::mSenderTab},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        auto* window = new CBrevantoWindow();
        window->GetMainWindow()->show();
        auto* tabs = qobject_cast<QTabWidget*>(window->Control(c.tabs));
        ASSERT_NE(tabs, nullptr);
        QTabBar* bar = tabs->tabBar();
        const QPoint at = bar->tabRect(1).center();
        QMouseEvent press(QEvent::MouseButtonPress, at, bar->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, bar->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(bar, &press);
        QApplication::sendEvent(bar, &release);

        EXPECT_EQ(window->*c.stored, 2);
        EXPECT_EQ(GetControl32BitValue(tabs), 2);
        EXPECT_EQ(tabs->currentWidget(), window->Control(c.secondPane));
        EXPECT_TRUE(window->Control(c.secondPane)->isVisible());
        window->Cleanup();
        DeleteQueued();
        EXPECT_EQ(ReadNumber(c.key, 0), 2);

        auto* reopened = new CBrevantoWindow();
        auto* reopenedTabs = qobject_cast<QTabWidget*>(reopened->Control(c.tabs));
        ASSERT_NE(reopenedTabs, nullptr);
        EXPECT_EQ(reopenedTabs->currentIndex(), 1);
        EXPECT_EQ(reopenedTabs->currentWidget(), reopened->Control(c.secondPane));
        reopened->Cleanup();
        DeleteQueued();
    }
}

// The import panel (bar, busy arrows, Stop, status) appears only while an import runs: on the
// Import tab with no import, none of it is on screen (the busy arrows would animate for ever).
TEST_F(MailingWindowTest, TheImportPanelIsHiddenWhileNoImportRuns)
{
    auto* window = new CBrevantoWindow();
    window->GetMainWindow()->show();
    SetControl32BitValue(window->Control(ControlRole::RecipientsTabs), 2);
    ASSERT_TRUE(window->Control(ControlRole::RecipientsImportPane)->isVisible());
    for (ControlRole role : {ControlRole::ImportProgressBar, ControlRole::ImportArrows, ControlRole::ImportStopButton,
                             ControlRole::ImportStatusCaption}) {
        ControlRef control = window->Control(role);
        ASSERT_NE(control, nullptr);
        EXPECT_FALSE(control->isVisible()) << control->objectName().toStdString();
    }
}

TEST_F(MailingWindowTest, SenderComesFromTheMeCardOrTheManualFields)
{
    auto* window = new CBrevantoWindow();
    ControlRef caption = window->Control(ControlRole::SenderCaption);

    // My Card without a Me card: no sender.
    EXPECT_FALSE(window->ResolveSender());
    EXPECT_TRUE(window->SenderText().Length() == 0);

    // Manual, address alone: the combined text is the bare address, the caption starts " <".
    window->SelectSenderTab(2);
    window->mSenderTab = 2;
    SetControlText(window->Control(ControlRole::SenderEmailField), "ann@example.com");
    window->UpdateSenderCaption(true);
    EXPECT_STREQ(window->SenderText().text, "ann@example.com");
    EXPECT_EQ(CopyControlTitleAsCFString(caption), " <ann@example.com>");

    SetControlText(window->Control(ControlRole::SenderNameField), "Ann Lee");
    window->UpdateSenderCaption(true);
    EXPECT_STREQ(window->SenderText().text, "Ann Lee <ann@example.com>");
    EXPECT_EQ(window->GetMyEmail(), "ann@example.com");

    // No address any more: the caption no longer names the earlier sender.
    SetControlText(window->Control(ControlRole::SenderEmailField), "");
    window->UpdateSenderCaption(true);
    EXPECT_TRUE(CopyControlTitleAsCFString(caption).isEmpty());
    EXPECT_TRUE(window->GetMyEmail().isEmpty());
}

TEST_F(MailingWindowTest, MeCardGivesTheSenderFromTheChosenAddress)
{
    WriteMeCard("Ann", "Lee", "Lee & Co", {"ann@home.example", "ann@work.example"});
    auto* window = new CBrevantoWindow();
    SetControl32BitValue(window->Control(ControlRole::FromMeAtPopup), 2);
    window->UpdateSenderCaption(true);
    EXPECT_EQ(CopyControlTitleAsCFString(window->Control(ControlRole::SenderCaption)),
              "Ann Lee <ann@work.example>");
}

TEST(AttachmentCaptions, SizesAndCounts)
{
    const std::pair<UInt64, const char*> sizes[] = {
        {0, "0 bytes"},       {1, "1 byte"},         {1000, "1000 bytes"},
        {1001, "1 KB"},       {1999, "1 KB"},        {2000, "2 KB"},
        {5368709120ull, "5368709 KB"},
    };
    for (const auto& [total, text] : sizes)
        EXPECT_EQ(CBrevantoWindow::AttachmentSizeText(total), text) << total;
    EXPECT_EQ(CBrevantoWindow::AttachmentCountText(0), "0 files");
    EXPECT_EQ(CBrevantoWindow::AttachmentCountText(1), "1 file");
    EXPECT_EQ(CBrevantoWindow::AttachmentCountText(2), "2 files");
}

TEST_F(MailingWindowTest, AttachmentsListAddsRealFileSizesPast4GiB)
{
    const QString large = FolderPath("large.bin");
    QFile file(large);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(qint64(5) << 30)); // sparse: no disk is used
    file.close();
    const QString small = FolderPath("small.txt");
    QFile smallFile(small);
    ASSERT_TRUE(smallFile.open(QIODevice::WriteOnly));
    smallFile.write("x");
    smallFile.close();

    auto* window = new CBrevantoWindow();
    for (const QString& path : {large, small, FolderPath("missing.pdf"), mFolder.path()})
        window->mAttachmentPaths.append(path);
    window->RefreshAttachmentsList();
    EXPECT_EQ(CopyControlTitleAsCFString(window->Control(ControlRole::AttachmentSizeCaption)), "5368709 KB");
    EXPECT_EQ(CopyControlTitleAsCFString(window->Control(ControlRole::AttachmentCountCaption)), "4 files");
}

TEST_F(MailingWindowTest, ViewButtonIsEnabledOnlyWithAURL)
{
    auto* window = new CBrevantoWindow();
    ControlRef button = window->Control(ControlRole::ViewButton);
    window->UpdateViewButton();
    EXPECT_FALSE(IsControlEnabled(button));

    window->SetWebPageURLText("http://127.0.0.1/offer.html");
    window->UpdateViewButton();
    EXPECT_TRUE(IsControlEnabled(button));
    const QString title = CopyControlTitleAsCFString(button);
    EXPECT_TRUE(title == "View" || title.startsWith("View with ")) << title.toStdString();

    window->SetWebPageURLText("   ");
    window->UpdateViewButton();
    EXPECT_FALSE(IsControlEnabled(button));
}
