#include "CCleanupObject.h"

#include <algorithm>
#include <vector>

CList<CCleanupObject*> gCleanupList;

namespace {
// The batch DeleteAll is working through; an object its destructors delete is nulled here.
std::vector<CCleanupObject*>* sDeleting = nullptr;
} // namespace

CCleanupObject::CCleanupObject() = default;

CCleanupObject::~CCleanupObject()
{
    if (!mCleanupRequested)
        return;
    gCleanupList.Remove(this);
    if (sDeleting)
        std::replace(sDeleting->begin(), sDeleting->end(), this, static_cast<CCleanupObject*>(nullptr));
}

void CCleanupObject::Cleanup()
{
    if (mCleanupRequested)
        return;
    mCleanupRequested = true;
    gCleanupList.Append(this);
}

void CCleanupObject::DeleteAll()
{
    if (gCleanupList.Count() < 1)
        return;
    std::vector<CCleanupObject*> batch;
    gCleanupList.Rewind();
    while (CCleanupObject** object = gCleanupList.Next())
        batch.push_back(*object);
    gCleanupList.RemoveAll();

    std::vector<CCleanupObject*>* outer = sDeleting;
    sDeleting = &batch;
    for (CCleanupObject*& slot : batch) {
        CCleanupObject* object = slot;
        if (!object)
            continue;
        slot = nullptr;
        object->mCleanupRequested = false; // no longer listed anywhere
        delete object;
    }
    sDeleting = outer;
}
