#include "CFileItems.h"

#include "CFPreferenceDomain.h"
#include "CFPropertyList.h"
#include "FileManager.h"
#include "MemoryBlocks.h"
#include "TextHelpers.h"

#include <cstring>
#include <string>

namespace {

// The lower-cased name of the item a record resolves to; false when it resolves to nothing.
bool ResolvedName(const QByteArray& record, std::string& name)
{
    if (record.isEmpty())
        return false;
    FSRef ref;
    if (ResolveAliasRecordData(record, &ref) != noErr)
        return false;
    if (FSGetName(ref, &name) != noErr)
        return false;
    for (char& c : name)
        c = LowerAscii(c);
    return true;
}

}  // namespace

CFileItems::CFileItems(const QString& key, SInt32 capacity)
    : mCapacity(capacity)
    , mKey(key)
{
    const CFPropertyList stored = CFPreferenceDomain::Application().CopyValue(key);
    if (!stored.IsArray())
        return;
    for (const CFPropertyList& element : stored.ToArray()) {
        if (mItems.size() >= mCapacity)
            break;
        mItems.append(element.ToData());
    }
}

CFileItems::~CFileItems()
{
    CFPropertyList::Array array;
    for (const QByteArray& item : mItems)
        array.append(CFPropertyList(item));
    CFPreferenceDomain::Application().SetValue(mKey, CFPropertyList(array));
}

void CFileItems::AddItem(const FSRef& ref)
{
    if (Contains(ref))
        return;
    const QByteArray record = NewAliasRecordData(ref);
    if (record.isEmpty() || mCapacity < 1)
        return;
    if (mItems.size() >= mCapacity)
        mItems.resize(mCapacity - 1);
    mItems.prepend(record);
}

bool CFileItems::Contains(const FSRef& ref) const
{
    for (const QByteArray& record : mItems) {
        FSRef resolved;
        if (record.isEmpty() || ResolveAliasRecordData(record, &resolved) != noErr)
            continue;
        if (FSCompareFSRefs(resolved, ref) == noErr)
            return true;
    }
    return false;
}

AliasHandle CFileItems::GetItemAlias(SInt32 index) const
{
    if (index < 0 || index >= Count() || mItems[index].isEmpty())
        return nullptr;
    const QByteArray& record = mItems[index];
    AliasHandle alias = NewHandle(Size(record.size()));
    if (alias == nullptr)
        return nullptr;
    std::memcpy(*alias, record.constData(), size_t(record.size()));
    return alias;
}

OSErr CFileItems::GetItemRef(SInt32 index, FSRef& out) const
{
    if (index < 0 || index >= Count())
        return paramErr;
    if (mItems[index].isEmpty())
        return fnfErr;
    return ResolveAliasRecordData(mItems[index], &out);
}

OSErr CFileItems::GetItemPath(SInt32 index, CString256& out) const
{
    FSRef ref;
    if (OSErr error = GetItemRef(index, ref))
        return error;
    std::string path;
    if (OSErr error = FSRefMakePath(ref, &path))
        return error;
    out.Assign(path.c_str());
    return noErr;
}

int CFileItems::CompareByName(const QByteArray& a, const QByteArray& b)
{
    std::string nameA, nameB;
    const bool hasA = ResolvedName(a, nameA);
    const bool hasB = ResolvedName(b, nameB);
    if (!hasA || !hasB)
        return int(hasB) - int(hasA);  // unresolvable entries last
    const int order = std::strcmp(nameA.c_str(), nameB.c_str());
    return (order > 0) - (order < 0);
}

OSErr ResolveAliasData(AliasHandle alias, FSRef& out)
{
    if (alias == nullptr)
        return paramErr;
    return FSResolveAlias(alias, &out);
}
