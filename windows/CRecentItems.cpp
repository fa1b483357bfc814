#include "CRecentItems.h"

#include "PreferenceGetters.h"

CRecentItems::CRecentItems()
    : CFileItems(QString::fromUtf8(kRecentItemsKey), kCapacity)
{
}

CRecentItems::~CRecentItems() = default;

CFileItems* CRecentItems::New() { return new CRecentItems; }

bool CRecentItems::FindItemIndex(CommandT, SInt32&) const { return false; }

bool CRecentItems::OpenItem(CommandT) { return false; }
