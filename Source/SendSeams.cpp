#include "SendSeams.h"

#include "CBrevantoWindow.h"
#include "ControlHandlers.h"
#include "SheetController.h"
#include "WindowEvents.h"

#include <QWidget>

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

void CBrevantoWindow::ReadThrottleSettings() {}

OSStatus CBrevantoWindow::HandleWindowEvent(WindowEvent& ioEvent)
{
    if (ioEvent.kind == WindowEventKind::close)
        Cleanup();
    return eventNotHandledErr;
}

OSStatus CBrevantoWindow::HandleAttachmentsDrawerEvent(WindowEvent&) { return eventNotHandledErr; }
OSStatus CBrevantoWindow::HandleSelectRecipientsEvent(WindowEvent&) { return eventNotHandledErr; }
OSStatus CBrevantoWindow::HandleScheduleSheetEvent(WindowEvent&) { return eventNotHandledErr; }
OSStatus CBrevantoWindow::HandleAddRecipientEvent(WindowEvent&) { return eventNotHandledErr; }
OSStatus CBrevantoWindow::HandleSenderSheetEvent(WindowEvent&) { return eventNotHandledErr; }
OSStatus CBrevantoWindow::HandleServerSettingsEvent(WindowEvent&) { return eventNotHandledErr; }
OSStatus CBrevantoWindow::HandleProgressSheetEvent(WindowEvent&) { return eventNotHandledErr; }
OSStatus CBrevantoWindow::HandlePreambleSheetEvent(WindowEvent&) { return eventNotHandledErr; }
OSStatus CBrevantoWindow::HandleEpilogueSheetEvent(WindowEvent&) { return eventNotHandledErr; }
OSStatus CBrevantoWindow::HandlePlainTextAlternativeEvent(WindowEvent&) { return eventNotHandledErr; }
OSStatus CBrevantoWindow::HandleReplaceAppendEvent(WindowEvent&) { return eventNotHandledErr; }
OSStatus CBrevantoWindow::HandleConfirmSheetEvent(WindowEvent&) { return eventNotHandledErr; }
OSStatus CBrevantoWindow::HandleGroupSheetEvent(WindowEvent&) { return eventNotHandledErr; }
OSStatus CBrevantoWindow::HandleNoMeCardEvent(WindowEvent&) { return eventNotHandledErr; }
OSStatus CBrevantoWindow::HandleFindFieldEvent(ControlEvent&) { return eventNotHandledErr; }

void CBrevantoWindow::SelectRecipientsTab(SInt32 inValue)
{
    SelectTab(inValue, ControlRole::RecipientsTabs, ControlRole::RecipientsGroupPane,
              ControlRole::RecipientsImportPane);
}

void CBrevantoWindow::SelectSenderTab(SInt32 inValue)
{
    SelectTab(inValue, ControlRole::SenderTabs, ControlRole::SenderCardPane, ControlRole::SenderManualPane);
}

// Every sheet and editor is hidden; with inDispose they go too (all but the main window).
void CBrevantoWindow::HideProgressSheets(Boolean inDispose)
{
    for (size_t index = 0; index < size_t(ENibWindow::count); ++index) {
        const auto which = ENibWindow(index);
        WindowRef window = mWindows[index];
        if (!window || which == ENibWindow::main)
            continue;
        if (SheetController::IsSheetShown(window))
            SheetController::HideSheetWindow(window);
        else if (which != ENibWindow::drawer)
            window->hide();
        if (inDispose)
            DisposeWindow(which);
    }
}
