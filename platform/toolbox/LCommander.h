// LCommander: a node of the command chain. Each commander has at most one super-commander and
// any number of sub-commanders (not owned: destroying a commander detaches its subs). The target
// is the active commander (the application sets it when a window activates); a command starts
// there and travels up through ObeyCommand / FindCommandStatus until one handles it; the root
// answers false (disabled). AttemptQuit asks every sub-commander, depth first, and then the
// commander itself; one refusal ends it. GUI thread only.
#pragma once

#include "LAttachable.h"

#include <QString>

#include <vector>

class LCommander : public virtual LAttachable {
public:
    explicit LCommander(LCommander* inSuper = nullptr);
    ~LCommander() override;

    LCommander* GetSuperCommander() const { return mSuper; }
    void SetSuperCommander(LCommander* inSuper);
    const std::vector<LCommander*>& GetSubCommanders() const { return mSubs; }

    static LCommander* GetTarget() { return sTarget; }
    static void SetTarget(LCommander* inTarget);

    // Starts inCommand at the target (or at the root application when there is none).
    static Boolean ProcessCommand(CommandT inCommand, void* ioParam = nullptr);
    static void ProcessCommandStatus(CommandT inCommand, Boolean& outEnabled, Boolean& outUsesMark,
                                     UInt16& outMark, QString& outName);

    // Handled → true; the default passes the command to the super-commander.
    virtual Boolean ObeyCommand(CommandT inCommand, void* ioParam);
    // The default asks the super-commander; the root reports the command disabled.
    virtual void FindCommandStatus(CommandT inCommand, Boolean& outEnabled, Boolean& outUsesMark,
                                   UInt16& outMark, QString& outName);

    Boolean AttemptQuit(SInt32 inSaveOption);
    virtual Boolean AttemptQuitSelf(SInt32 inSaveOption);

private:
    LCommander* mSuper = nullptr;
    std::vector<LCommander*> mSubs;
    static LCommander* sTarget;
};
