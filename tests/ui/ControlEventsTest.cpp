// Control handlers: tab hits from the user only (also on the selected tab), "text accepted" on
// every change of a search field, a control's own handler before its window; Escape on a sheet.
#include "UiTestSupport.h"

#include "CommandRouter.h"
#include "ControlHandlers.h"
#include "ControlLookup.h"
#include "ControlValues.h"
#include "SheetController.h"
#include "WindowEvents.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTabBar>

namespace {
void ClickTab(QTabBar* inTabs, int inIndex)
{
    const QPointF where = inTabs->tabRect(inIndex).center();
    QMouseEvent press(QEvent::MouseButtonPress, where, inTabs->mapToGlobal(where), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(inTabs, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, where, inTabs->mapToGlobal(where), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(inTabs, &release);
}
} // namespace

TEST_F(NibTest, TabHitsComeFromClicksOnAnyTabButNotFromCode)
{
    QWidget* window = Load(QStringLiteral("Main"));
    auto* tabs = qobject_cast<QTabBar*>(ControlLookup::FindControl(window, 'RTAB', 0));
    tabs->addTab(QStringLiteral("Group"));
    tabs->addTab(QStringLiteral("Import"));
    window->show();
    std::vector<std::pair<SInt16, SInt32>> hits; // part, value at the time of the hit
    ControlHandlers::InstallControlEventHandler(tabs, {ControlEventKind::hit}, [&](ControlEvent& event) {
        hits.emplace_back(event.part, GetControl32BitValue(event.control));
        return OSStatus(noErr);
    });

    ClickTab(tabs, 0); // the tab already selected
    ClickTab(tabs, 1);
    SetControl32BitValue(tabs, 1);
    EXPECT_EQ(hits, (std::vector<std::pair<SInt16, SInt32>>{{1, 1}, {2, 2}}));
}

TEST_F(NibTest, SearchFieldAcceptsOnEveryChangeAndPlainFieldsOnReturn)
{
    QWidget* window = Load(QStringLiteral("Main"));
    auto* search = qobject_cast<QLineEdit*>(ControlLookup::FindControl(window, 'CNTL', 6));
    auto* field = qobject_cast<QLineEdit*>(ControlLookup::FindControl(window, 'CC  ', 0));
    int searchAccepted = 0;
    int fieldAccepted = 0;
    ControlHandlers::InstallControlEventHandler(search, {ControlEventKind::textAccepted}, [&](ControlEvent&) {
        ++searchAccepted;
        return OSStatus(noErr);
    });
    ControlHandlers::InstallControlEventHandler(field, {ControlEventKind::textAccepted}, [&](ControlEvent&) {
        ++fieldAccepted;
        return OSStatus(noErr);
    });
    search->setText(QStringLiteral("a"));
    search->setText(QStringLiteral("ab"));
    field->setText(QStringLiteral("ab"));
    EXPECT_EQ(searchAccepted, 2);
    EXPECT_EQ(fieldAccepted, 0);
    QKeyEvent returnKey(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(field, &returnKey);
    EXPECT_EQ(fieldAccepted, 1);
}

TEST_F(NibTest, ControlHandlerHearsItsCommandBeforeTheWindow)
{
    QWidget* window = Load(QStringLiteral("Main"));
    ControlRef button = ControlLookup::FindControl(window, 'CNTL', 1);
    std::vector<std::string> heard;
    WindowEvents::InstallWindowEventHandler(window, [&](WindowEvent& event) {
        if (event.kind == WindowEventKind::commandProcess)
            heard.push_back("window");
        return OSStatus(noErr);
    });
    bool controlTakes = true;
    ControlHandlers::InstallControlEventHandler(button, {ControlEventKind::command}, [&](ControlEvent& event) {
        heard.push_back("control");
        EXPECT_EQ(event.command, CommandT('SEND'));
        return controlTakes ? OSStatus(noErr) : OSStatus(eventNotHandledErr);
    });
    qobject_cast<QAbstractButton*>(button)->click();
    controlTakes = false;
    qobject_cast<QAbstractButton*>(button)->click();
    EXPECT_EQ(heard, (std::vector<std::string>{"control", "control", "window"}));
}

TEST_F(NibTest, EscapePressesTheSheetsCancelButtonInsteadOfHidingIt)
{
    QWidget* window = Load(QStringLiteral("Main"));
    QWidget* sheet = Load(QStringLiteral("Sheet"));
    std::vector<CommandT> commands;
    WindowEvents::InstallWindowEventHandler(sheet, [&](WindowEvent& event) {
        if (event.kind == WindowEventKind::commandProcess)
            commands.push_back(event.command);
        return OSStatus(noErr);
    });
    window->show();
    ASSERT_EQ(SheetController::ShowSheetWindow(sheet, window), noErr);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(sheet, &escape);
    EXPECT_EQ(commands, std::vector<CommandT>{'not!'});
    EXPECT_TRUE(SheetController::IsSheetShown(sheet)); // hiding is the handler's call
}
