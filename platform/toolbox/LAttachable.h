// LAttachable: a host of attachments, run in the order they were added. Owned attachments are
// deleted with the host. Attachments may be added, removed or deleted while the host executes
// them: a removed one is skipped, an added one runs from the next execution on. An exception
// from an attachment is reported (LExceptionReporter) and the others still run.
// GUI thread only.
#pragma once

#include "MacTypes.h"

#include <vector>

class LAttachment;

class LAttachable {
public:
    LAttachable();
    virtual ~LAttachable();
    LAttachable(const LAttachable&) = delete;
    LAttachable& operator=(const LAttachable&) = delete;

    // Adds inAttachment before inBefore (at the end when null or not attached here). An
    // attachment belongs to one host at a time: it leaves its former host first.
    void AddAttachment(LAttachment* inAttachment, LAttachment* inBefore = nullptr, Boolean inOwnsAttachment = true);
    // Takes inAttachment off this host without deleting it.
    void RemoveAttachment(LAttachment* inAttachment);

    // Sends inMessage to every attachment in order; true when all of them let the host execute.
    Boolean ExecuteAttachments(MessageT inMessage, void* ioParam);

    size_t CountAttachments() const;

private:
    struct Entry {
        LAttachment* attachment;
        bool owned;
    };
    void CompactIfIdle();

    std::vector<Entry> mAttachments; // removed entries are null while executing
    int mExecuteDepth = 0;
};
