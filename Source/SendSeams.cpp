// The window handlers not built yet answer "not handled".
#include "CBrevantoWindow.h"
#include "WindowEvents.h"

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
