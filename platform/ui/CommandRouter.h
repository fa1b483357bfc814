// CommandRouter: where a command goes. A control's command (property `command`: four characters
// or a small number) is sent when a button is pressed, a check box or popup changed by the user
// (a popup sends its own command; its items' command IDs are data), or an item of a pull-down or
// search-field menu chosen (the item's command). Control commands go to the control's handler,
// then its nib window's handler, then the application's handlers - never to the commander
// chain, so a sheet's 'CLSE' cannot close the window behind it. Menu commands (the menu bar, and
// nib menus shown for no window) go to the Help handler, then the application's handlers, then
// the commander chain (the target, normally the active mailing window, then the application);
// before all of them, the front window's focused control when it answers (FocusedCommands).
// Menus take their enabling, marks and names from FindCommandStatus when they open.
// GUI thread only.
#pragma once

#include "UITypes.h"

#include <QObject>
#include <QPoint>

#include <functional>
#include <map>

class QAction;

class CommandRouter : public QObject {
    Q_OBJECT

public:
    using CommandHandler = std::function<bool(CommandT inCommand)>;

    static CommandRouter& Get();

    // Application handlers are asked in the order they were added; the id removes one.
    int AddApplicationHandler(CommandHandler inHandler);
    void RemoveApplicationHandler(int inID);
    void SetHelpHandler(CommandHandler inHandler);

    // True when someone handled it.
    bool SendControlCommand(ControlRef inControl, CommandT inCommand);
    bool SendWindowCommand(WindowRef inWindow, CommandT inCommand, ControlRef inControl = nullptr);
    bool SendMenuCommand(CommandT inCommand);

    // The command a widget or action carries (0 when none).
    static CommandT CommandOf(const QObject* inObject);

    // Wires the controls of a loaded window (done by NibLoader); wiring twice does nothing.
    void WireControls(QWidget* inRoot);
    // A nib menu: its items go to the window it was shown for, else the menu route.
    void WireNibMenu(QMenu* inMenu);
    // A menu of the menu bar: menu route, status when it opens.
    void WireMenuBarMenu(QMenu* inMenu);
    // Shows a nib menu for a window (context menus); its commands go to that window.
    static void PopUpNibMenu(QMenu* inMenu, WindowRef inWindow, QPoint inGlobal);

    // Enabling, mark and name of every item that carries a command, from FindCommandStatus.
    static void UpdateMenuStatus(QMenu* inMenu);

private:
    CommandRouter() = default;
    bool SendToApplication(CommandT inCommand);
    void WireButton(QWidget* inControl);

    std::map<int, CommandHandler> mApplicationHandlers;
    CommandHandler mHelpHandler;
    int mNextID = 1;
};
