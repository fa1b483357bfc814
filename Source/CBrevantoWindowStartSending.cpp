// The start of a mailing: the checks made before anything is sent (CheckBeforeSending; each
// refusal is told), and the hand-over to the send thread.
#include "CBrevantoWindow.h"

#include "CSendThread.h"

namespace {

std::function<void(CBrevantoWindow*)>& StartSendingHook()
{
    static std::function<void(CBrevantoWindow*)> hook;
    return hook;
}

} // namespace

void CBrevantoWindow::SetStartSendingHookForTests(std::function<void(CBrevantoWindow*)> inHook)
{
    StartSendingHook() = std::move(inHook);
}

// A second run never starts on a window that is sending or previewing: the engine walks the
// recipients by index, and two runs would send twice.
void CBrevantoWindow::StartSending()
{
    if (StartSendingHook()) {
        StartSendingHook()(this);
        return;
    }
    if (IsSending() || mPreviewing) {
        ShowAlertSheet(QStringLiteral("A mailing is in progress."),
                       QStringLiteral("Wait for it to end, or abort it, before sending again."));
        return;
    }
    if (RefuseWhileImporting() || !CheckBeforeSending())
        return;
    mSending = 1;
    abortSend = 0;
    pauseSend = 0;
    auto* thread = new CSendThread(*this);
    AdoptThread(thread);
    thread->Resume();
}
