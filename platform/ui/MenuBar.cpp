#include "MenuBar.h"

#include "CommandRouter.h"
#include "NibLoader.h"

#include <QApplication>
#include <QLayout>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace {
constexpr CommandT kRecentItemsCommand = 'RCNT';
}

MenuBar& MenuBar::Get()
{
    static MenuBar* sBar = new MenuBar; // lives as long as the process
    return *sBar;
}

MenuBar::MenuBar()
    : mKeeper(new QWidget)
{
    qApp->installEventFilter(this);
}

bool MenuBar::LoadFromNib(NibLoader& inNib, const QString& inWindowName, QString* outError)
{
    std::unique_ptr<QWidget> window(inNib.CreateWindow(inWindowName));
    QMenuBar* bar = window ? window->findChild<QMenuBar*>() : nullptr;
    if (!bar) {
        if (outError)
            *outError = window ? QStringLiteral("\"%1\" holds no menu bar").arg(inWindowName) : inNib.LastError();
        return false;
    }
    // Designer declares the items on the window, which goes away here: the bar keeps them.
    for (QAction* action : window->findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly))
        action->setParent(mKeeper);
    for (QAction* action : bar->actions()) {
        if (QMenu* menu = action->menu())
            AddMenu(menu);
    }
    return true;
}

namespace {

// The program has one menu bar: its keys work from every window of the program, also from those
// that show no view of the bar (preferences, the monitor, editors), unless a modal dialog is up.
void MakeKeysApplicationWide(QMenu* inMenu)
{
    for (QAction* action : inMenu->actions()) {
        action->setShortcutContext(Qt::ApplicationShortcut);
        if (QMenu* submenu = action->menu())
            MakeKeysApplicationWide(submenu);
    }
}

} // namespace

void MenuBar::AddMenu(QMenu* inMenu)
{
    if (!inMenu || mMenus.contains(inMenu))
        return;
    inMenu->setParent(mKeeper, inMenu->windowFlags());
    MakeKeysApplicationWide(inMenu);
    inMenu->setToolTipsVisible(true);
    CommandRouter::Get().WireMenuBarMenu(inMenu);
    mMenus.append(inMenu);
    RefreshViews();
}

void MenuBar::RemoveAllMenus()
{
    mMenus.clear();
    RefreshViews();
}

QMenu* MenuBar::GetMenu(ResIDT inMenuID) const
{
    const QString name = QStringLiteral("menu:%1").arg(inMenuID);
    for (QMenu* menu : mMenus) {
        if (menu->objectName() == name)
            return menu;
        if (auto* found = menu->findChild<QMenu*>(name))
            return found;
    }
    return nullptr;
}

QMenuBar* MenuBar::AttachTo(QWidget* inWindow)
{
    if (!inWindow)
        return nullptr;
    QMenuBar* view = nullptr;
    if (auto* main = qobject_cast<QMainWindow*>(inWindow)) {
        view = main->menuBar();
    } else {
        view = new QMenuBar(inWindow);
        if (inWindow->layout())
            inWindow->layout()->setMenuBar(view);
    }
    mViews.removeAll(QPointer<QMenuBar>());
    if (!mViews.contains(view))
        mViews.append(view);
    RefreshViews();
    return view;
}

void MenuBar::RefreshViews()
{
    mViews.removeAll(QPointer<QMenuBar>());
    for (const QPointer<QMenuBar>& view : mViews) {
        view->clear();
        for (QMenu* menu : mMenus)
            view->addAction(menu->menuAction());
    }
}

QMenu* MenuBar::WindowMenu()
{
    if (mWindowMenu)
        return mWindowMenu;
    mWindowMenu = new QMenu(QStringLiteral("Window"), mKeeper);
    mWindowMenu->setObjectName(QStringLiteral("menu:Window"));
    connect(mWindowMenu, &QMenu::aboutToShow, this, &MenuBar::RebuildWindowMenu);
    return mWindowMenu;
}

void MenuBar::RebuildWindowMenu()
{
    mWindowMenu->clear();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || qobject_cast<QMenu*>(window) || window->windowTitle().isEmpty())
            continue;
        QAction* item = mWindowMenu->addAction(window->windowTitle());
        item->setCheckable(true);
        item->setChecked(window->isActiveWindow());
        QPointer<QWidget> guard(window);
        connect(item, &QAction::triggered, window, [guard] {
            if (!guard)
                return;
            guard->raise();
            guard->activateWindow();
        });
    }
}

bool MenuBar::SetRecentItemsMenu(QMenu* inSubmenu)
{
    for (QMenu* menu : mMenus) {
        const SInt32 item = FindItemWithCommand(menu, kRecentItemsCommand);
        if (item == 0)
            continue;
        QAction* action = Item(menu, item);
        action->setMenu(inSubmenu);
        CommandRouter::Get().WireMenuBarMenu(inSubmenu);
        return true;
    }
    return false;
}

void MenuBar::UpdateAllStatus()
{
    for (QMenu* menu : mMenus) {
        CommandRouter::UpdateMenuStatus(menu);
        for (QMenu* submenu : menu->findChildren<QMenu*>())
            CommandRouter::UpdateMenuStatus(submenu);
    }
}

bool MenuBar::eventFilter(QObject*, QEvent* inEvent)
{
    if (inEvent->type() == QEvent::ShortcutOverride && !mMenus.isEmpty())
        UpdateAllStatus();
    return false;
}

QAction* MenuBar::Item(QMenu* inMenu, SInt32 inItem)
{
    if (!inMenu || inItem < 1 || inItem > inMenu->actions().size())
        return nullptr;
    return inMenu->actions().at(inItem - 1);
}

SInt32 MenuBar::CountItems(QMenu* inMenu) { return inMenu ? SInt32(inMenu->actions().size()) : 0; }

SInt32 MenuBar::FindItemWithCommand(QMenu* inMenu, CommandT inCommand)
{
    const SInt32 count = CountItems(inMenu);
    for (SInt32 item = 1; item <= count; ++item) {
        if (CommandRouter::CommandOf(Item(inMenu, item)) == inCommand)
            return item;
    }
    return 0;
}

QAction* MenuBar::AppendItem(QMenu* inMenu, const QString& inText, CommandT inCommand)
{
    if (!inMenu)
        return nullptr;
    QAction* action = inMenu->addAction(inText);
    action->setProperty("command", inCommand);
    action->setShortcutContext(Qt::ApplicationShortcut);
    return action;
}

void MenuBar::SetItemMark(QMenu* inMenu, SInt32 inItem, bool inMarked)
{
    if (QAction* action = Item(inMenu, inItem)) {
        action->setCheckable(true);
        action->setChecked(inMarked);
    }
}

void MenuBar::SetItemEnabled(QMenu* inMenu, SInt32 inItem, bool inEnabled)
{
    if (QAction* action = Item(inMenu, inItem))
        action->setEnabled(inEnabled);
}

void MenuBar::SetItemHelpTag(QMenu* inMenu, SInt32 inItem, const QString& inTag)
{
    if (QAction* action = Item(inMenu, inItem)) {
        action->setToolTip(inTag);
        inMenu->setToolTipsVisible(true);
    }
}

void MenuBar::SetCommandMark(CommandT inCommand, bool inMarked)
{
    for (QMenu* menu : mMenus) {
        if (const SInt32 item = FindItemWithCommand(menu, inCommand))
            SetItemMark(menu, item, inMarked);
    }
}
