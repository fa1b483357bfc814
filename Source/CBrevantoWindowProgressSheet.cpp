// The progress sheet's buttons: pause and resume, abort, close, the reports folder and help;
// the simulate-send icon while the sheet shows. The sheet talks to the send thread only through
// the abort and pause flags.
#include "CBrevantoWindow.h"

#include "CBrevantoApp.h"
#include "CEnvironment.h"
#include "ControlValues.h"
#include "HelpLinks.h"
#include "SheetController.h"
#include "WindowEvents.h"
#include "WorkingFolders.h"

void CBrevantoWindow::TogglePause()
{
    SetControlTitleWithCFString(Control(ControlRole::PauseButton),
                                pauseSend ? QStringLiteral("Pause") : QStringLiteral("Resume"));
    pauseSend = pauseSend ? 0 : 1;
}

// A paused run ends too: the pause wait sees the abort.
void CBrevantoWindow::AbortMailing()
{
    pauseSend = 0;
    abortSend = 1;
}

// Every event but help goes on to the default handling as well.
OSStatus CBrevantoWindow::HandleProgressSheetEvent(WindowEvent& ioEvent)
{
    switch (ioEvent.kind) {
    case WindowEventKind::showing:
        SetControlVisibility(Control(ControlRole::SimulateIconPane), gEnvironment && gEnvironment->simulate, true);
        return eventNotHandledErr;
    case WindowEventKind::hiding:
        HideControl(Control(ControlRole::SimulateIconPane));
        return eventNotHandledErr;
    case WindowEventKind::commandProcess:
        break;
    default:
        return eventNotHandledErr;
    }
    switch (ioEvent.command) {
    case 'ABRT':
        AbortMailing();
        break;
    case 'PAUS':
        TogglePause();
        break;
    case 'CLSE':
        SheetController::HideSheetWindow(Window(ENibWindow::progress));
        UpdateRecipientCountText();
        break;
    case 'OrLg':
        OpenReportsFolder();
        break;
    case 'Phlp':
        LaunchThroughInternetConfig(CBrevantoApp::HelpPageURL('dpwH'));
        return noErr;
    default:
        break;
    }
    return eventNotHandledErr;
}
