#include "LAttachable.h"

#include "LAttachment.h"
#include "LExceptionReporter.h"

#include <algorithm>

LAttachable::LAttachable() = default;

LAttachable::~LAttachable()
{
    std::vector<Entry> entries;
    entries.swap(mAttachments);
    for (Entry& entry : entries) {
        if (!entry.attachment)
            continue;
        entry.attachment->mOwnerHost = nullptr;
        if (entry.owned)
            delete entry.attachment;
    }
}

void LAttachable::AddAttachment(LAttachment* inAttachment, LAttachment* inBefore, Boolean inOwnsAttachment)
{
    if (!inAttachment)
        return;
    if (inAttachment->mOwnerHost)
        inAttachment->mOwnerHost->RemoveAttachment(inAttachment);
    auto before = std::find_if(mAttachments.begin(), mAttachments.end(),
                               [&](const Entry& e) { return inBefore && e.attachment == inBefore; });
    mAttachments.insert(before, Entry{inAttachment, inOwnsAttachment});
    inAttachment->mOwnerHost = this;
}

void LAttachable::RemoveAttachment(LAttachment* inAttachment)
{
    auto found = std::find_if(mAttachments.begin(), mAttachments.end(),
                              [&](const Entry& e) { return e.attachment == inAttachment; });
    if (found == mAttachments.end())
        return;
    inAttachment->mOwnerHost = nullptr;
    found->attachment = nullptr;
    CompactIfIdle();
}

Boolean LAttachable::ExecuteAttachments(MessageT inMessage, void* ioParam)
{
    Boolean executeHost = true;
    ++mExecuteDepth;
    const size_t count = mAttachments.size(); // added during the walk: next time
    for (size_t i = 0; i < count; ++i) {
        LAttachment* attachment = mAttachments[i].attachment;
        if (!attachment)
            continue;
        try {
            executeHost = attachment->Execute(inMessage, ioParam) && executeHost;
        } catch (...) {
            LExceptionReporter::ReportCurrent("attachment");
        }
    }
    --mExecuteDepth;
    CompactIfIdle();
    return executeHost;
}

size_t LAttachable::CountAttachments() const
{
    return size_t(std::count_if(mAttachments.begin(), mAttachments.end(),
                                [](const Entry& e) { return e.attachment != nullptr; }));
}

void LAttachable::CompactIfIdle()
{
    if (mExecuteDepth > 0)
        return;
    std::erase_if(mAttachments, [](const Entry& e) { return e.attachment == nullptr; });
}
