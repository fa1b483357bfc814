#include "LCommander.h"

#include "LApplication.h"

#include <algorithm>

LCommander* LCommander::sTarget = nullptr;

LCommander::LCommander(LCommander* inSuper) { SetSuperCommander(inSuper); }

LCommander::~LCommander()
{
    if (sTarget == this)
        sTarget = mSuper;
    for (LCommander* sub : mSubs)
        sub->mSuper = nullptr;
    mSubs.clear();
    SetSuperCommander(nullptr);
}

void LCommander::SetSuperCommander(LCommander* inSuper)
{
    if (mSuper)
        std::erase(mSuper->mSubs, this);
    mSuper = inSuper;
    if (mSuper)
        mSuper->mSubs.push_back(this);
}

void LCommander::SetTarget(LCommander* inTarget) { sTarget = inTarget; }

namespace {
LCommander* StartOfChain()
{
    if (LCommander* target = LCommander::GetTarget())
        return target;
    return LApplication::GetApplication();
}
} // namespace

Boolean LCommander::ProcessCommand(CommandT inCommand, void* ioParam)
{
    LCommander* start = StartOfChain();
    return start ? start->ObeyCommand(inCommand, ioParam) : false;
}

void LCommander::ProcessCommandStatus(CommandT inCommand, Boolean& outEnabled, Boolean& outUsesMark,
                                      UInt16& outMark, QString& outName)
{
    outEnabled = false;
    outUsesMark = false;
    if (LCommander* start = StartOfChain())
        start->FindCommandStatus(inCommand, outEnabled, outUsesMark, outMark, outName);
}

Boolean LCommander::ObeyCommand(CommandT inCommand, void* ioParam)
{
    return mSuper ? mSuper->ObeyCommand(inCommand, ioParam) : false;
}

void LCommander::FindCommandStatus(CommandT inCommand, Boolean& outEnabled, Boolean& outUsesMark,
                                   UInt16& outMark, QString& outName)
{
    if (mSuper) {
        mSuper->FindCommandStatus(inCommand, outEnabled, outUsesMark, outMark, outName);
        return;
    }
    outEnabled = false;
    outUsesMark = false;
}

Boolean LCommander::AttemptQuit(SInt32 inSaveOption)
{
    const std::vector<LCommander*> subs = mSubs; // a sub may close itself while asked
    for (LCommander* sub : subs) {
        if (std::find(mSubs.begin(), mSubs.end(), sub) == mSubs.end())
            continue;
        if (!sub->AttemptQuit(inSaveOption))
            return false;
    }
    return AttemptQuitSelf(inSaveOption);
}

Boolean LCommander::AttemptQuitSelf(SInt32) { return true; }
