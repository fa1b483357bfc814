// CRecentItems: the recent-items list ("Recent Items", 10 files), made once with the
// environment. Until its menu is built it has no items of its own: it owns no command and opens
// nothing. GUI thread only.
#pragma once

#include "CFileItems.h"

class CRecentItems : public CFileItems {
public:
    static constexpr SInt32 kCapacity = 10;

    CRecentItems();
    ~CRecentItems() override;

    // The environment's factory.
    static CFileItems* New();

    // True and the item's index when the command belongs to one of its menu items.
    bool FindItemIndex(CommandT inCommand, SInt32& outIndex) const;
    // Opens the file of the item carrying the command; false when no item carries it.
    bool OpenItem(CommandT inCommand);
};
