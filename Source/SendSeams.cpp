#include "SendSeams.h"

#include "CBrevantoWindow.h"
#include "WindowEvents.h"


#include <utility>

namespace {
SendSeams::Observer& StartSendingObserver()
{
    static SendSeams::Observer observer;
    return observer;
}
} // namespace

void SendSeams::SetStartSendingObserver(Observer inObserver) { StartSendingObserver() = std::move(inObserver); }

void SendSeams::NotifyStartSending(CBrevantoWindow* inWindow)
{
    if (StartSendingObserver())
        StartSendingObserver()(inWindow);
}

void CBrevantoWindow::StartSending() { SendSeams::NotifyStartSending(this); }

OSStatus CBrevantoWindow::HandleAttachmentsDrawerEvent(WindowEvent&) { return eventNotHandledErr; }
OSStatus CBrevantoWindow::HandleScheduleSheetEvent(WindowEvent&) { return eventNotHandledErr; }
OSStatus CBrevantoWindow::HandleProgressSheetEvent(WindowEvent&) { return eventNotHandledErr; }
OSStatus CBrevantoWindow::HandlePreambleSheetEvent(WindowEvent&) { return eventNotHandledErr; }
OSStatus CBrevantoWindow::HandleEpilogueSheetEvent(WindowEvent&) { return eventNotHandledErr; }
OSStatus CBrevantoWindow::HandlePlainTextAlternativeEvent(WindowEvent&) { return eventNotHandledErr; }
