// The end of a mailing window (its threads stopped first, its layout and choices written, its
// nib windows disposed, the object queued for deletion) and its status line.
#include "CBrevantoWindow.h"

#include "CThread.h"
#include "ControlHandlers.h"
#include "ControlValues.h"
#include "EventPass.h"
#include "LThread.h"
#include "NibLoader.h"
#include "WindowAttributes.h"

#include <QMenu>
#include <QWidget>

#include <algorithm>

namespace {

// The connection progress a broadcaster sends with messages 604 and 605.
struct TransferProgress {
    UInt32 total = 0;
    UInt32 done = 0;
};

bool IsLive(CThread* inThread)
{
    gThreadList.Rewind();
    while (CThread** thread = gThreadList.Next()) {
        if (*thread == inThread)
            return true;
    }
    return false;
}

} // namespace

void CBrevantoWindow::Cleanup()
{
    if (mCleanedUp)
        return;
    mCleanedUp = true;
    // A mailing still running ends at its next check; no timer fires on the closed window.
    abortSend = 1;
    RemoveSendTimers();
    StopThreads();
    for (ControlRole role : {ControlRole::SourceField, ControlRole::BrowserIconWell, ControlRole::MailAppIconWell,
                             ControlRole::RecipientsTabs, ControlRole::SenderTabs, ControlRole::RecipientsSearchField}) {
        if (ControlRef control = Control(role))
            ControlHandlers::RemoveControlEventHandler(control);
    }
    SaveBrowserStates();
    SaveWindowLayout();
    SaveWindowDefaults();
    gWindowList.Remove(this);
    if (LCommander::GetTarget() == this)
        LCommander::SetTarget(GetSuperCommander());
    HideProgressSheets(true);
    if (WindowRef main = GetMainWindow())
        main->hide();
    DisposeWindows();
    CCleanupObject::Cleanup();
}

// The window's threads are asked to stop and waited for (by yielding), so none of them finds
// its controls gone. The calling thread itself, when it is one of them, is not waited for.
void CBrevantoWindow::StopThreads()
{
    LThread* self = LThread::GetCurrentThread();
    std::vector<CThread*> waited;
    for (CThread* thread : mThreads) {
        if (static_cast<LThread*>(thread) == self || !IsLive(thread))
            continue;
        thread->RequestStop();
        waited.push_back(thread);
    }
    mThreads.clear();
    LThread::WaitUntil([&waited] { return std::none_of(waited.begin(), waited.end(), IsLive); }, kNoDeadline);
}

void CBrevantoWindow::DisposeWindow(ENibWindow inWhich)
{
    WindowRef& window = mWindows[size_t(inWhich)];
    if (!window)
        return;
    // The window's handler stays (it may be running now); it answers nothing once cleaned up.
    WindowAttributes::SetWRefCon(window, nullptr);
    for (auto it = mControls.begin(); it != mControls.end();) {
        if (it->second == window || window->isAncestorOf(it->second))
            it = mControls.erase(it);
        else
            ++it;
    }
    // Deferred: the window may be delivering the very event that closes it.
    window->deleteLater();
    window = nullptr;
}

void CBrevantoWindow::DisposeWindows()
{
    for (size_t index = 0; index < size_t(ENibWindow::count); ++index) {
        if (ENibWindow(index) != ENibWindow::main)
            DisposeWindow(ENibWindow(index));
    }
    DisposeWindow(ENibWindow::main);
    for (MenuRef* menu : {&mRecipientsContextMenu, &mSpellCheckMenu}) {
        if (*menu)
            (*menu)->deleteLater();
        *menu = nullptr;
    }
    mControls.clear();
    mNib.reset();
}

void CBrevantoWindow::SetStatusText(const QString& inText)
{
    ShowControl(Control(ControlRole::StatusProgress));
    ControlRef caption = Control(ControlRole::StatusCaption);
    SetControlTitleWithCFString(caption, QStringLiteral("Status: ") + inText);
    Draw1Control(caption);
    EventPass::LetOneEventThrough();
    SetStatusTextAndYield(inText);
    LThread::YieldToAnyThread();
}

// The status texts of the connection progress messages; empty for those that show nothing.
QString CBrevantoWindow::StatusTextFor(MessageT inMessage, const void* inParam)
{
    const auto* progress = static_cast<const TransferProgress*>(inParam);
    switch (inMessage) {
    case 601: return QStringLiteral("Opening Connection");
    case 602: return QStringLiteral("Connected");
    case 603: return QStringLiteral("Done");
    case 604:
        return QStringLiteral("Sending Data...(%1)").arg(progress ? qint64(float(progress->done)) : 0);
    case 605: {
        // A total of 0 bytes shows 0 percent rather than a division by zero.
        qint64 percent = 0;
        if (progress && progress->total != 0)
            percent = qint64(float(progress->done) / float(progress->total) * 100.0f);
        return QStringLiteral("Receiving Data...(%1%)").arg(percent);
    }
    case 606: return QStringLiteral("Item successfully sent");
    case 607: return QStringLiteral("Item send failed");
    case 608: return QStringLiteral("Item successfully retrieved");
    case 609: return QStringLiteral("Item retrieve failed");
    case 612: return QStringLiteral("Sending message");
    case 613: return QStringLiteral("Receiving item");
    case 614: return QStringLiteral("Closing connection");
    case 615: return QStringLiteral("Opening data connection");
    case 616: return QStringLiteral("Closing data connection");
    case 617: return QStringLiteral("Data connected");
    case 618: return QStringLiteral("Data disconnected");
    case 619: return QStringLiteral("Unexpected disconnect");
    default: return QString();
    }
}

void CBrevantoWindow::ListenToMessage(MessageT inMessage, void* ioParam)
{
    const QString text = StatusTextFor(inMessage, ioParam);
    if (!text.isEmpty())
        SetStatusText(text);
}
