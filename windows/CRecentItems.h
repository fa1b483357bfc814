// CRecentItems: the recent-items list ("Recent Items", at most 10 mailing documents, newest
// first) and its submenu of the File menu's "Open Recent" item. Each document that can still be
// found has an item titled with its file name, with its full path as help tag and the command of
// its slot ('Rcn0' for the newest ... 'Rcn9'), so a document that is gone shifts no other item's
// command. Choosing an item opens its document as a mailing window. Made once with the
// environment (its factory is installed by the application). GUI thread only.
#pragma once

#include "CFileItems.h"
#include "UITypes.h"

#include <QPointer>
#include <QStringList>

class QMenu;

class CRecentItems : public CFileItems {
public:
    static constexpr SInt32 kCapacity = 10;

    CRecentItems();
    ~CRecentItems() override;

    // The environment's factory.
    static CFileItems* New();

    // The base's add (a listed document keeps its place), then the menu is rebuilt.
    void AddItem(const FSRef& ref) override;
    // Refills the menu from the list; noErr, or the last error met finding a document.
    OSErr Rebuild();

    // True and the slot when the command is one of the slots' commands.
    bool FindItemIndex(CommandT inCommand, SInt32& outIndex) const;
    // True when the command is a slot's; then the slot's document is opened when it can still
    // be found (else nothing opens).
    bool OpenItem(CommandT inCommand);

    static CommandT SlotCommand(SInt32 inSlot) { return CommandT('Rcn0' + inSlot); }
    QMenu* Menu() const { return mMenu; }

private:
    void AttachMenu();

    QPointer<QMenu> mMenu;
    bool mAttached = false;
};
