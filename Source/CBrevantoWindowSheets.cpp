// The small sheets of the mailing window: Other Options (CC, BCC, Return Path, Reply To),
// Append or Replace (a second import), Remove Import, and the note shown when the address book
// has no card of the user's own. GUI thread only.
#include "CBrevantoWindow.h"

#include "ContactsFolder.h"
#include "ControlValues.h"
#include "Launcher.h"
#include "Preferences.h"
#include "SheetController.h"
#include "WindowEvents.h"

namespace {

constexpr ControlRole kOtherOptionsFields[] = {ControlRole::CcField, ControlRole::BccField,
                                               ControlRole::ReturnPathField, ControlRole::ReplyToField};

} // namespace

CString256* CBrevantoWindow::OtherOption(int inIndex)
{
    CString256* const options[] = {&mCC, &mBCC, &mReturnPath, &mReplyTo};
    return options[inIndex];
}

// Shown: the fields are remembered, so Cancel can put them back; OK takes them over.
OSStatus CBrevantoWindow::HandleSenderSheetEvent(WindowEvent& ioEvent)
{
    WindowRef sheet = Window(ENibWindow::otherOptions);
    if (ioEvent.kind == WindowEventKind::shown) {
        for (int index = 0; index < 4; ++index)
            mOtherOptionsBackup[index] = GetControlText(Control(kOtherOptionsFields[index]));
        SetKeyboardFocus(sheet, Control(ControlRole::CcField));
        return eventNotHandledErr;
    }
    if (ioEvent.kind != WindowEventKind::commandProcess)
        return eventNotHandledErr;
    switch (ioEvent.command) {
    case 'ok  ':
        SheetController::HideSheetWindow(sheet);
        for (int index = 0; index < 4; ++index)
            *OtherOption(index) = CString256(GetControlText(Control(kOtherOptionsFields[index])).toUtf8().constData());
        UpdateModifiedMark();
        return eventNotHandledErr;
    case 'not!':
        SheetController::HideSheetWindow(sheet);
        for (int index = 0; index < 4; ++index)
            SetControlText(Control(kOtherOptionsFields[index]), mOtherOptionsBackup[index]);
        return noErr;
    default:
        return eventNotHandledErr; // 'PPIK': there is no people picker on this system
    }
}

OSStatus CBrevantoWindow::HandleReplaceAppendEvent(WindowEvent& ioEvent)
{
    if (ioEvent.kind != WindowEventKind::commandProcess)
        return eventNotHandledErr;
    switch (ioEvent.command) {
    case 'APND':
    case 'RPLC':
        SheetController::HideSheetWindow(Window(ENibWindow::appendOrReplace));
        if (!RefuseWhileSending())
            ChooseImportFile(ioEvent.command == 'RPLC');
        return noErr;
    case 'CNCL':
        SheetController::HideSheetWindow(Window(ENibWindow::appendOrReplace));
        return noErr;
    default:
        return eventNotHandledErr;
    }
}

OSStatus CBrevantoWindow::HandleConfirmSheetEvent(WindowEvent& ioEvent)
{
    if (ioEvent.kind != WindowEventKind::commandProcess)
        return eventNotHandledErr;
    switch (ioEvent.command) {
    case 'OKAY':
        SheetController::HideSheetWindow(Window(ENibWindow::removeImport));
        if (!RefuseWhileSending())
            RemoveImport();
        return noErr;
    case 'CNCL':
        SheetController::HideSheetWindow(Window(ENibWindow::removeImport));
        return noErr;
    default:
        return eventNotHandledErr;
    }
}

void CBrevantoWindow::RemoveImport()
{
    mImportPath.clear();
    mEntourageGroup = QString();
    mABSendFlags.reset();
    mImportSendFlags.reset();
    ControlRef caption = Control(ControlRole::ImportSourceCaption);
    SetControlTitleWithCFString(caption, QStringLiteral(" "));
    HideControl(caption);
    mImported.RemoveAll();
    // The items that act on an import file.
    ControlRef actions = Control(ControlRole::ImportActionsPullDown);
    for (SInt32 item = 2; item <= 4; ++item)
        SetPopupItemEnabled(actions, item, false);
    UpdateRecipientCountText();
    UpdateModifiedMark();
}

// OK and "Open Contacts" hide it; its check box is stored at once ("0": not shown again;
// unchecking it shows the sheet again next time).
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
        Launcher::Current().Open(ContactsFolder::Path());
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
