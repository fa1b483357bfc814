// MenuBar: the program's one menu bar, shared by its windows: each window that shows it gets
// its own QMenuBar view of the same menus (the same QMenu and QAction objects, so marks,
// enabling and texts agree everywhere). The menus come from the nib's "MenuBar" window (a
// window holding a QMenuBar; menus named "menu:<ID>", e.g. "menu:128") and from code (AddMenu).
// Items carry their command in the property `command`; they are routed by CommandRouter, and
// their enabling, marks and names come from FindCommandStatus when a menu opens and before a
// shortcut runs. Items are 1-based, separators counted. The item with the command 'RCNT' holds
// the recent-items submenu; the Window menu lists the program's visible windows.
// GUI thread only; needs the Qt application.
#pragma once

#include "UITypes.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class NibLoader;
class QAction;
class QMenuBar;

using ResIDT = SInt16;

class MenuBar : public QObject {
    Q_OBJECT

public:
    static MenuBar& Get();

    // Takes the menus of the nib's menu-bar window in order; false with an error text when the
    // window is missing or holds no QMenuBar.
    bool LoadFromNib(NibLoader& inNib, const QString& inWindowName, QString* outError = nullptr);
    // Appends a menu (the bar keeps it); views are refreshed.
    void AddMenu(QMenu* inMenu);
    void RemoveAllMenus();
    QMenu* GetMenu(ResIDT inMenuID) const;
    QList<QMenu*> Menus() const { return mMenus; }

    // A view of the bar for a window: a QMainWindow gets it as its menu bar, another window in
    // its layout. The view follows later changes.
    QMenuBar* AttachTo(QWidget* inWindow);

    // The Window menu (made on first use; append it with AddMenu where it belongs).
    QMenu* WindowMenu();
    // Installs a submenu on the item carrying 'RCNT'; false when no such item exists.
    bool SetRecentItemsMenu(QMenu* inSubmenu);

    // Enabling, marks and names of every menu from FindCommandStatus.
    void UpdateAllStatus();

    // Items (1-based; 0 or out of range gives null).
    static QAction* Item(QMenu* inMenu, SInt32 inItem);
    static SInt32 CountItems(QMenu* inMenu);
    static SInt32 FindItemWithCommand(QMenu* inMenu, CommandT inCommand); // 0 when none
    static QAction* AppendItem(QMenu* inMenu, const QString& inText, CommandT inCommand);
    static void SetItemMark(QMenu* inMenu, SInt32 inItem, bool inMarked);
    static void SetItemEnabled(QMenu* inMenu, SInt32 inItem, bool inEnabled);
    static void SetItemHelpTag(QMenu* inMenu, SInt32 inItem, const QString& inTag);
    // The mark of the item carrying the command, wherever it is in the bar.
    void SetCommandMark(CommandT inCommand, bool inMarked);

protected:
    bool eventFilter(QObject* inWatched, QEvent* inEvent) override;

private:
    MenuBar();
    void RefreshViews();
    void RebuildWindowMenu();

    QWidget* mKeeper; // parent of the menus, never shown
    QList<QMenu*> mMenus;
    QList<QPointer<QMenuBar>> mViews;
    QMenu* mWindowMenu = nullptr;
};
