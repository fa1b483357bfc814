#include "SendSeams.h"

#include "CBrevantoWindow.h"
#include "ControlHandlers.h"
#include "ControlValues.h"
#include "Preferences.h"
#include "SheetController.h"
#include "SystemLookups.h"
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
// The no-me-card sheet: OK and "Open Contacts" hide it; its check box is stored at once ("0":
// not shown again; unchecking it shows the sheet again next time).
OSStatus CBrevantoWindow::HandleNoMeCardEvent(WindowEvent& ioEvent)
{
    if (ioEvent.kind != WindowEventKind::commandProcess)
        return eventNotHandledErr;
    switch (ioEvent.command) {
    case 'ok  ':
        SheetController::HideSheetWindow(Window(ENibWindow::noMeCard));
        return noErr;
    case 'BOOK':
        SheetController::HideSheetWindow(Window(ENibWindow::noMeCard));
        LaunchSystemApp("Contacts.app");
        return noErr;
    case 'show':
        SetPreference(GetControl32BitValue(ioEvent.control) == 1 ? "0" : "1", CString256("Show No Me Card Alert"));
        return noErr;
    case 'HELP':
        return noErr;
    default:
        return eventNotHandledErr;
    }
}
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
