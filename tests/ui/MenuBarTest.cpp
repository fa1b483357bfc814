// The one menu bar seen from several windows, and the Window menu.
#include "UiTestSupport.h"

#include "MenuBar.h"

#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

TEST_F(NibTest, EveryWindowShowsTheSameMenusAndTheWindowMenuListsVisibleWindows)
{
    MenuBar& bar = MenuBar::Get();
    bar.RemoveAllMenus();
    ASSERT_TRUE(bar.LoadFromNib(*mNib, QStringLiteral("MenuBar")));
    QMainWindow first;
    first.setWindowTitle(QStringLiteral("First mailing"));
    QWidget* second = Load(QStringLiteral("Main"));
    QMenuBar* firstView = bar.AttachTo(&first);
    QMenuBar* secondView = bar.AttachTo(second);
    bar.AddMenu(bar.WindowMenu());

    ASSERT_EQ(firstView->actions().size(), 3);
    EXPECT_EQ(firstView->actions(), secondView->actions()); // the same menus, not copies
    MenuBar::SetItemMark(bar.GetMenu(128), 1, true);
    EXPECT_TRUE(secondView->actions()[0]->menu()->actions()[0]->isChecked());

    first.show();
    second->show();
    emit bar.WindowMenu()->aboutToShow();
    QStringList titles;
    for (QAction* item : bar.WindowMenu()->actions())
        titles << item->text();
    EXPECT_TRUE(titles.contains(QStringLiteral("First mailing")));
    EXPECT_TRUE(titles.contains(QStringLiteral("Main")));
    first.hide();
    emit bar.WindowMenu()->aboutToShow();
    EXPECT_EQ(bar.WindowMenu()->actions().size(), titles.size() - 1);
    bar.RemoveAllMenus();
}
