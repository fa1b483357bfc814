#include "CommandRouter.h"

#include "CodeText.h"
#include "ControlHandlers.h"
#include "ControlLookup.h"
#include "FocusedCommands.h"
#include "LCommander.h"
#include "SearchField.h"
#include "WindowEvents.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <QPointer>
#include <QToolButton>

namespace {
constexpr const char* kWiredProperty = "commandWired";
constexpr const char* kTargetWindowProperty = "targetWindow";
constexpr const char* kMenuValueProperty = "menuValue";

bool MarkWired(QObject* ioObject)
{
    if (ioObject->property(kWiredProperty).toBool())
        return false;
    ioObject->setProperty(kWiredProperty, true);
    return true;
}
} // namespace

CommandRouter& CommandRouter::Get()
{
    static CommandRouter* sRouter = new CommandRouter; // lives as long as the process
    return *sRouter;
}

int CommandRouter::AddApplicationHandler(CommandHandler inHandler)
{
    const int id = mNextID++;
    mApplicationHandlers.emplace(id, std::move(inHandler));
    return id;
}

void CommandRouter::RemoveApplicationHandler(int inID) { mApplicationHandlers.erase(inID); }

void CommandRouter::SetHelpHandler(CommandHandler inHandler) { mHelpHandler = std::move(inHandler); }

CommandT CommandRouter::CommandOf(const QObject* inObject)
{
    return inObject ? CodeText::ParseCommand(inObject->property("command")) : 0;
}

bool CommandRouter::SendToApplication(CommandT inCommand)
{
    const auto handlers = mApplicationHandlers; // a handler may add or remove handlers
    for (const auto& [id, handler] : handlers) {
        if (handler && handler(inCommand))
            return true;
    }
    return false;
}

bool CommandRouter::SendWindowCommand(WindowRef inWindow, CommandT inCommand, ControlRef inControl)
{
    if (inCommand == 0)
        return false;
    WindowEvent event;
    event.kind = WindowEventKind::commandProcess;
    event.command = inCommand;
    event.control = inControl;
    if (inWindow && WindowEvents::Send(inWindow, event) == noErr)
        return true;
    return SendToApplication(inCommand);
}

bool CommandRouter::SendControlCommand(ControlRef inControl, CommandT inCommand)
{
    if (inCommand == 0)
        return false;
    ControlEvent event;
    event.kind = ControlEventKind::command;
    event.command = inCommand;
    if (inControl && ControlHandlers::Send(inControl, event) == noErr)
        return true;
    return SendWindowCommand(ControlLookup::NibWindowOf(inControl), inCommand, inControl);
}

bool CommandRouter::SendMenuCommand(CommandT inCommand)
{
    if (inCommand == 0)
        return false;
    if (FocusedCommandResponder* focused = FindFocusedCommandResponder(); focused && focused->ObeyFocusedCommand(inCommand))
        return true;
    if (mHelpHandler && mHelpHandler(inCommand))
        return true;
    if (SendToApplication(inCommand))
        return true;
    return LCommander::ProcessCommand(inCommand);
}

void CommandRouter::WireButton(QWidget* inControl)
{
    auto* button = qobject_cast<QAbstractButton*>(inControl);
    if (!button || !MarkWired(button))
        return;
    auto* toolButton = qobject_cast<QToolButton*>(button);
    if (toolButton && toolButton->menu()) {
        QPointer<QToolButton> guard(toolButton);
        connect(toolButton->menu(), &QMenu::triggered, this, [this, guard](QAction* item) {
            if (!guard)
                return;
            guard->setProperty(kMenuValueProperty, int(guard->menu()->actions().indexOf(item)) + 1);
            SendControlCommand(guard, CommandOf(item));
        });
        return;
    }
    connect(button, &QAbstractButton::clicked, this, [this, button] { SendControlCommand(button, CommandOf(button)); });
}

void CommandRouter::WireControls(QWidget* inRoot)
{
    if (!inRoot)
        return;
    for (QAbstractButton* button : inRoot->findChildren<QAbstractButton*>())
        WireButton(button);
    for (QComboBox* popup : inRoot->findChildren<QComboBox*>()) {
        if (!MarkWired(popup))
            continue;
        connect(popup, &QComboBox::activated, this, [this, popup] { SendControlCommand(popup, CommandOf(popup)); });
    }
    for (SearchField* field : inRoot->findChildren<SearchField*>()) {
        if (!MarkWired(field))
            continue;
        connect(field->Menu(), &QMenu::triggered, this,
                [this, field](QAction* item) { SendControlCommand(field, CommandOf(item)); });
    }
}

void CommandRouter::WireNibMenu(QMenu* inMenu)
{
    if (!inMenu || !MarkWired(inMenu))
        return;
    connect(inMenu, &QMenu::triggered, this, [this, inMenu](QAction* item) {
        if (!inMenu->actions().contains(item))
            return; // a submenu's own menu reports it
        auto* window = inMenu->property(kTargetWindowProperty).value<QWidget*>();
        if (window) {
            SendWindowCommand(window, CommandOf(item));
            return;
        }
        SendMenuCommand(CommandOf(item));
    });
    for (QAction* item : inMenu->actions()) {
        if (item->menu())
            WireNibMenu(item->menu());
    }
}

void CommandRouter::WireMenuBarMenu(QMenu* inMenu)
{
    if (!inMenu || !MarkWired(inMenu))
        return;
    connect(inMenu, &QMenu::aboutToShow, inMenu, [inMenu] { UpdateMenuStatus(inMenu); });
    connect(inMenu, &QMenu::triggered, this, [this, inMenu](QAction* item) {
        if (inMenu->actions().contains(item))
            SendMenuCommand(CommandOf(item));
    });
    for (QAction* item : inMenu->actions()) {
        if (item->menu())
            WireMenuBarMenu(item->menu());
    }
}

void CommandRouter::PopUpNibMenu(QMenu* inMenu, WindowRef inWindow, QPoint inGlobal)
{
    if (!inMenu)
        return;
    inMenu->setProperty(kTargetWindowProperty, QVariant::fromValue(static_cast<QWidget*>(inWindow)));
    inMenu->popup(inGlobal);
}

void CommandRouter::UpdateMenuStatus(QMenu* inMenu)
{
    if (!inMenu)
        return;
    for (QAction* item : inMenu->actions()) {
        const CommandT command = CommandOf(item);
        if (command == 0 || item->isSeparator())
            continue;
        Boolean enabled = false;
        Boolean usesMark = false;
        UInt16 mark = 0;
        QString name;
        FocusedCommandResponder* focused = FindFocusedCommandResponder();
        if (!focused || !focused->FindFocusedCommandStatus(command, enabled))
            LCommander::ProcessCommandStatus(command, enabled, usesMark, mark, name);
        item->setEnabled(enabled);
        if (usesMark) {
            item->setCheckable(true);
            item->setChecked(mark != 0);
        }
        if (!name.isEmpty())
            item->setText(name);
    }
}
