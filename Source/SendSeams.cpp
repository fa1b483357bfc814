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
// Until the editors' own handlers come, their Spelling button checks their pane.
namespace {
OSStatus CheckSpellingOnly(CBrevantoWindow& ioWindow, const WindowEvent& inEvent, ControlRole inPane)
{
    if (inEvent.kind != WindowEventKind::commandProcess || inEvent.command != 'SPEL')
        return eventNotHandledErr;
    ioWindow.CheckEditorSpelling(ioWindow.Control(inPane));
    return noErr;
}
} // namespace
OSStatus CBrevantoWindow::HandlePreambleSheetEvent(WindowEvent& ioEvent)
{
    return CheckSpellingOnly(*this, ioEvent, ControlRole::PreambleTextPane);
}
OSStatus CBrevantoWindow::HandleEpilogueSheetEvent(WindowEvent& ioEvent)
{
    return CheckSpellingOnly(*this, ioEvent, ControlRole::EpilogueTextPane);
}
OSStatus CBrevantoWindow::HandlePlainTextAlternativeEvent(WindowEvent& ioEvent)
{
    return CheckSpellingOnly(*this, ioEvent, ControlRole::PlainTextAlternativeTextPane);
}
