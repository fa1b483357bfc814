// CFileItems: a short, most-recent-first list of files kept in the application's preferences as
// alias records (an array of data under one key), so each file is found again after it is
// renamed in its folder. The open-documents list ("Open Items", 25) and the recent-items menu
// ("Recent Items", 10, a subclass that rebuilds its menu) use it.
//
// Invariants: at most `mCapacity` entries; a file is listed once. The constructor reads the key
// (a value that is not an array gives an empty list); the destructor writes the list back and
// the store saves it at once. An entry whose file is gone stays listed and fails to resolve.
// Callers read and may empty `mItems` directly.
// One thread at a time (the GUI thread or a cooperative thread). Nothing throws except
// allocation; failures come back as result codes.
#pragma once

#include "AliasRecord.h"
#include "CString256.h"
#include "FSRef.h"
#include "MacTypes.h"

#include <QByteArray>
#include <QList>
#include <QString>

class CFileItems {
public:
    CFileItems(const QString& key, SInt32 capacity);
    virtual ~CFileItems();
    CFileItems(const CFileItems&) = delete;
    CFileItems& operator=(const CFileItems&) = delete;

    // Puts the file first unless it is listed already (it then keeps its place); at capacity
    // the oldest entry falls off. When no alias can be made of the file nothing changes.
    virtual void AddItem(const FSRef& ref);

    // True when some entry resolves to the same item; unresolvable entries never match.
    bool Contains(const FSRef& ref) const;
    // A new handle holding a copy of the entry's record (DisposeHandle it); null when the index
    // is out of range or the entry is empty.
    AliasHandle GetItemAlias(SInt32 index) const;
    OSErr GetItemRef(SInt32 index, FSRef& out) const;
    // The entry's POSIX path, cut at 255 bytes; `out` changes only on success.
    OSErr GetItemPath(SInt32 index, CString256& out) const;
    SInt32 Count() const { return SInt32(mItems.size()); }

    // Orders two records by their items' names (ASCII case folded): < 0, 0 or > 0. Records that
    // cannot be resolved or named sort after every resolvable one and equal each other, so the
    // order is strict and weak (safe for any sort).
    static int CompareByName(const QByteArray& a, const QByteArray& b);

    QList<QByteArray> mItems;
    SInt32 mCapacity;
    QString mKey;
};

// Resolves an alias record (no base file) into `out`.
OSErr ResolveAliasData(AliasHandle alias, FSRef& out);
