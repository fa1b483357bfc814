// LApplication: the application object over the process's one QApplication (quit on last
// window closed: off) and the root of the command chain. Run is the toolbox's own loop; each
// pass, at the top level only and outside any dispatch:
//   1. waits for events (not while a thread is ready or a deadline is due; at most 6 ticks,
//      so idle passes come like null events) and delivers them;
//   2. runs the queued calls (RunOnMainContext), the due event-loop timers and a quit that a
//      cooperative thread asked for;
//   3. sends message 810 with the pass's EventRecord to the attachments in order;
//   4. runs the repeaters and, on a pass without events, the idlers - unless an attachment
//      said not to execute the host, which skips the idlers of that pass.
// Exceptions from any of these are reported (LExceptionReporter) and the loop goes on.
// A quit (DoQuit) asks every sub-commander, then ConfirmQuitSelf; when all agree Run ends
// after the pass. A quit asked on a cooperative thread's stack waits for the next pass, or the
// quit's wait for all threads would wait for that thread itself.
// One instance at a time; GUI thread, main context only.
#pragma once

#include "Events.h"
#include "LCommander.h"

#include <QString>

class LApplication : public LCommander {
public:
    enum class EProgramState { startingUp, processingEvents, quitting };

    explicit LApplication(int* ioArgc = nullptr, char** ioArgv = nullptr);
    ~LApplication() override;

    static LApplication* GetApplication() { return sApplication; }

    EProgramState GetState() const { return mState; }
    void SetState(EProgramState inState) { mState = inState; }

    // Builds the menu bar, starts up (StartUp), then loops until the state becomes quitting.
    void Run();
    // One pass of the loop (see above). Top level only.
    void ProcessNextEvent();

    // The framework's quit: sub-commanders, then ConfirmQuitSelf; all agreeing → quitting.
    void DoQuit(SInt32 inSaveOption);

    // Run's start: the plain application initialises; a document application dispatches the
    // events it was launched with instead.
    virtual void StartUp();
    virtual void Initialize();
    virtual void BuildMenuBar();
    virtual void OpenDocumentFile(const QString& inPath); // an absolute POSIX path
    Boolean ObeyCommand(CommandT inCommand, void* ioParam) override;
    void FindCommandStatus(CommandT inCommand, Boolean& outEnabled, Boolean& outUsesMark, UInt16& outMark,
                           QString& outName) override;
    virtual void PerformQuit(SInt32 inSaveOption);
    virtual Boolean ConfirmQuitSelf(SInt32 inSaveOption);
    virtual void CleanUp();

    Boolean AttemptQuitSelf(SInt32 inSaveOption) final;

private:
    void RunDeferredQuit();

    EProgramState mState = EProgramState::startingUp;
    bool mInPass = false;
    bool mQuitDeferred = false;
    SInt32 mDeferredSaveOption = 0;
    static LApplication* sApplication;
};
