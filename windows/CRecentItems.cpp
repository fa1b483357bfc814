#include "CRecentItems.h"

#include "CBrevantoWindow.h"
#include "MenuBar.h"
#include "PreferenceGetters.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

CRecentItems::CRecentItems()
    : CFileItems(QString::fromUtf8(kRecentItemsKey), kCapacity)
    , mMenu(new QMenu(QStringLiteral("Open Recent")))
{
    Rebuild();
}

CRecentItems::~CRecentItems()
{
    // The menu bar's item lets go of the submenu before it goes.
    for (QMenu* menu : MenuBar::Get().Menus()) {
        for (QAction* item : menu->actions()) {
            if (item->menu() == mMenu)
                item->setMenu(nullptr);
        }
    }
    delete mMenu;
}

CFileItems* CRecentItems::New() { return new CRecentItems; }

void CRecentItems::AddItem(const FSRef& ref)
{
    CFileItems::AddItem(ref);
    Rebuild();
}

void CRecentItems::AttachMenu()
{
    if (!mAttached && mMenu)
        mAttached = MenuBar::Get().SetRecentItemsMenu(mMenu);
}

OSErr CRecentItems::Rebuild()
{
    AttachMenu();
    if (!mMenu)
        return paramErr;
    mMenu->clear();
    OSErr result = noErr;
    for (SInt32 slot = 0; slot < Count(); ++slot) {
        FSRef ref;
        const OSErr error = GetItemRef(slot, ref);
        if (error != noErr) {
            result = error; // a document that is gone has no item
            continue;
        }
        const QString path = QString::fromStdString(ref.path);
        QAction* item = MenuBar::AppendItem(mMenu, QFileInfo(path).fileName(), SlotCommand(slot));
        item->setToolTip(path);
    }
    mMenu->setToolTipsVisible(true);
    return result;
}

bool CRecentItems::FindItemIndex(CommandT inCommand, SInt32& outIndex) const
{
    const SInt32 slot = SInt32(inCommand) - SInt32(SlotCommand(0));
    if (slot < 0 || slot >= kCapacity)
        return false;
    outIndex = slot;
    return true;
}

bool CRecentItems::OpenItem(CommandT inCommand)
{
    SInt32 slot = 0;
    if (!FindItemIndex(inCommand, slot))
        return false;
    FSRef ref;
    if (slot < Count() && GetItemRef(slot, ref) == noErr && QFileInfo::exists(QString::fromStdString(ref.path)))
        CBrevantoWindow::OpenDocumentFile(QString::fromStdString(ref.path));
    return true;
}
