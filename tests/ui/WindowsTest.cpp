// Window events, sheets that stack without blocking, and the drawer along the window's bottom.
#include "UiTestSupport.h"

#include "Drawer.h"
#include "SheetController.h"
#include "WindowAttributes.h"
#include "WindowEvents.h"

#include <QCloseEvent>

TEST_F(NibTest, HandledCloseKeepsTheWindowAndUnhandledClosesIt)
{
    QWidget* window = Load(QStringLiteral("Main"));
    bool keep = true;
    int closes = 0;
    WindowEvents::InstallWindowEventHandler(window, [&](WindowEvent& event) {
        if (event.kind != WindowEventKind::close)
            return OSStatus(eventNotHandledErr);
        ++closes;
        return keep ? OSStatus(noErr) : OSStatus(eventNotHandledErr);
    });
    window->show();
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    keep = false;
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(closes, 2);
}

TEST_F(NibTest, BoundsChangingAnswerBecomesSizeLimits)
{
    QWidget* window = Load(QStringLiteral("Main"));
    constexpr int kFixedHeight = 380;
    WindowEvents::InstallWindowEventHandler(window, [](WindowEvent& event) {
        if (event.kind != WindowEventKind::boundsChanging)
            return OSStatus(eventNotHandledErr);
        event.bounds.setHeight(kFixedHeight);
        event.bounds.setWidth(std::max(event.bounds.width(), 450));
        return OSStatus(noErr);
    });
    window->show();
    window->resize(300, 500);
    EXPECT_EQ(window->height(), kFixedHeight);
    EXPECT_EQ(window->minimumHeight(), kFixedHeight);
    EXPECT_EQ(window->maximumHeight(), kFixedHeight);
    EXPECT_GE(window->width(), 450);
    EXPECT_EQ(window->minimumWidth(), 450);
}

TEST_F(NibTest, SheetsStackWithoutBlocking)
{
    QWidget* window = Load(QStringLiteral("Main"));
    QWidget* first = Load(QStringLiteral("Sheet"));
    QWidget* second = Load(QStringLiteral("Sheet"));
    std::vector<QWidget*> opened;
    WindowEvents::InstallWindowEventHandler(window, [&](WindowEvent& event) {
        if (event.kind == WindowEventKind::sheetOpening)
            opened.push_back(event.sheet);
        return OSStatus(eventNotHandledErr);
    });
    window->show();

    // Each call returns at once (no modal loop), so the test goes on with both sheets up.
    ASSERT_EQ(SheetController::ShowSheetWindow(first, window), noErr);
    ASSERT_EQ(SheetController::ShowSheetWindow(second, window), noErr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_TRUE(second->isVisible());
    EXPECT_EQ(first->windowModality(), Qt::WindowModal);
    EXPECT_EQ(SheetController::GetSheetParent(first), window);
    EXPECT_EQ(SheetController::GetSheetParent(second), first);
    EXPECT_EQ(SheetController::GetTopSheet(window), second);
    EXPECT_EQ(opened, (std::vector<QWidget*>{first, second}));

    ASSERT_EQ(SheetController::HideSheetWindow(second), noErr);
    EXPECT_EQ(SheetController::GetTopSheet(window), first);
    ASSERT_EQ(SheetController::HideSheetWindow(first), noErr);
    EXPECT_EQ(SheetController::GetTopSheet(window), nullptr);
    EXPECT_EQ(first->parentWidget(), nullptr); // back to a window of its own
    EXPECT_EQ(SheetController::ShowSheetWindow(nullptr, window), paramErr);
}

TEST_F(NibTest, DrawerStateAndWindowHeightFollowEachToggle)
{
    QWidget* window = Load(QStringLiteral("Main"));
    QWidget* drawer = Load(QStringLiteral("Drawer"));
    EXPECT_EQ(Drawer::OpenDrawer(drawer), paramErr); // no parent yet
    ASSERT_EQ(Drawer::SetDrawerParent(drawer, window), noErr);
    ASSERT_EQ(Drawer::SetDrawerOffsets(drawer, 16, 16), noErr);
    window->show();
    window->setFixedHeight(window->height());
    const QRect closedBounds = WindowAttributes::GetContentBounds(window);
    EXPECT_EQ(Drawer::GetDrawerState(drawer), kWindowDrawerClosed);

    struct Step {
        UInt32 state;
        bool grown;
    };
    for (const Step step : {Step{kWindowDrawerOpen, true}, Step{kWindowDrawerClosed, false},
                            Step{kWindowDrawerOpen, true}}) {
        ASSERT_EQ(Drawer::ToggleDrawer(drawer), noErr);
        EXPECT_EQ(Drawer::GetDrawerState(drawer), step.state);
        EXPECT_EQ(window->height() > closedBounds.height(), step.grown);
        EXPECT_EQ(window->minimumHeight(), window->maximumHeight()); // still a fixed height
        // The window's own bounds never include the drawer.
        EXPECT_EQ(WindowAttributes::GetContentBounds(window).height(), closedBounds.height());
    }
    EXPECT_GE(window->height() - closedBounds.height(), 90);
    int leading = 0;
    int trailing = 0;
    Drawer::GetDrawerOffsets(drawer, &leading, &trailing);
    EXPECT_EQ(leading, 16);
    EXPECT_EQ(trailing, 16);
}

TEST_F(NibTest, WindowKeepsReferenceModifiedMarkAndPath)
{
    QWidget* window = Load(QStringLiteral("Main"));
    int owner = 0;
    WindowAttributes::SetWRefCon(window, &owner);
    WindowAttributes::SetWindowModified(window, true);
    WindowAttributes::SetWindowFilePath(window, QStringLiteral("/tmp/a.bvto"));
    EXPECT_EQ(WindowAttributes::GetWRefCon(window), &owner);
    EXPECT_TRUE(WindowAttributes::IsWindowModified(window));
    EXPECT_EQ(WindowAttributes::GetWindowFilePath(window), QStringLiteral("/tmp/a.bvto"));

    WindowAttributes::SetMainDisplaySize(QSize(800, 600));
    EXPECT_EQ(WindowAttributes::MainDisplaySize().height(), 600);
    WindowAttributes::SetMainDisplaySize(QSize());
}
