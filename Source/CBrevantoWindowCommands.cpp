// The mailing window's own commands: what its buttons, popups and pull-downs (and the Mailing
// menu's items, through the commander chain) ask of it, the close checks, the live resize that
// keeps the window's height, and the modified mark brought up to date after every command.
//
// Commands that change the recipients the send engine walks by index are refused while a
// mailing or a preview runs. GUI thread only; nothing here throws.
#include "CBrevantoWindow.h"

#include "CFileImporterThread.h"
#include "ContactsFolder.h"
#include "ContactsStore.h"
#include "ControlValues.h"
#include "DataBrowser.h"
#include "Drawer.h"
#include "HelpLinks.h"
#include "Launcher.h"
#include "MenuBar.h"
#include "PreferenceGetters.h"
#include "Presenter.h"
#include "SheetController.h"
#include "ToolboxCommands.h"
#include "WindowAttributes.h"
#include "WindowEvents.h"
#include "AddressBookAccess.h"

#include <QFileInfo>
#include <QMenu>
#include <QToolButton>

namespace {

constexpr DataBrowserPropertyID kEmailColumn = 'mail';

// The title of the recipients list's address column for the address type popup's item command;
// null for any other command (the title stays).
QString EmailColumnTitle(CommandT inAddressType)
{
    switch (inAddressType) {
    case 'ALL ': return QStringLiteral("All Email");
    case 'DIST': return QStringLiteral("Distribution Email");
    case 'HOME': return QStringLiteral("Home Email");
    case 'OTHE': return QStringLiteral("Other Email");
    case 'PRIM': return QStringLiteral("Primary Email");
    case 'WORK': return QStringLiteral("Work Email");
    default: return QString();
    }
}

void OpenHelpPage(const char* inPage) { Launcher::Current().Open(HelpFolderURL(QLatin1String(inPage))); }

// The Mailing menu's items that open one of the window's pull-downs.
ControlRole PullDownOfMenuCommand(CommandT inCommand)
{
    switch (inCommand) {
    case 'IPRT': return ControlRole::ImportPullDown;
    case 'LoaF': return ControlRole::MessageSourcePullDown;
    case 'Imfl': return ControlRole::ImportActionsPullDown;
    default: return ControlRole::SenderPullDown; // 'SMET'
    }
}

} // namespace

OSStatus CBrevantoWindow::HandleWindowEvent(WindowEvent& ioEvent)
{
    switch (ioEvent.kind) {
    case WindowEventKind::commandProcess: {
        const Boolean obeyed = ObeyMailingCommand(ioEvent.command, nullptr);
        if (!mCleanedUp)
            UpdateModifiedMark();
        return obeyed ? OSStatus(noErr) : OSStatus(eventNotHandledErr);
    }
    case WindowEventKind::close:
        return CloseRequested();
    case WindowEventKind::boundsChanging:
        return ConstrainLiveResize(ioEvent);
    case WindowEventKind::boundsChanged:
        if (auto* list = qobject_cast<DataBrowser*>(Control(ControlRole::AttachmentsList)))
            list->updateGeometry();
        return eventNotHandledErr;
    case WindowEventKind::activated:
        LCommander::SetTarget(this);
        return eventNotHandledErr;
    case WindowEventKind::rawKeyDown:
        if (ioEvent.key == Qt::Key_Tab)
            UpdateModifiedMark();
        return eventNotHandledErr;
    case WindowEventKind::mouseDown:
        UpdateModifiedMark();
        return eventNotHandledErr;
    case WindowEventKind::fontSelection:
        Presenter::Get().Beep();
        return eventNotHandledErr;
    default:
        return eventNotHandledErr;
    }
}

// Menu commands reach the window through the commander chain. The File menu's 'IPRT' stays the
// application's (a new mailing importing a file).
Boolean CBrevantoWindow::ObeyMenuCommand(CommandT inCommand)
{
    if (inCommand == 'IPRT' || !ObeyMailingCommand(inCommand, nullptr))
        return false;
    if (!mCleanedUp)
        UpdateModifiedMark();
    return true;
}

Boolean CBrevantoWindow::FindMailingCommandStatus(CommandT inCommand, Boolean& outEnabled)
{
    switch (inCommand) {
    case 'SEND':
    case 'SCHD':
    case 'LoaF':
    case 'Imfl':
    case 'SMET':
        outEnabled = true;
        return true;
    default:
        return false;
    }
}

Boolean CBrevantoWindow::ObeyMailingCommand(CommandT inCommand, void*)
{
    switch (inCommand) {
    case 'SEND':
        if (RefuseAutoSaveWithoutFile(QStringLiteral("Please save this mailing first."),
                                      QStringLiteral("Auto-Save is turned on but there is no file to save to. Please "
                                                     "save to a file and then press Send again. (You can turn "
                                                     "Auto-Save off in Preferences.)")))
            return true;
        StartSending();
        if (!mCleanedUp)
            SaveWindowDefaults();
        return true;
    case 'SCHD':
        OpenScheduleIfAllowed();
        return true;
    case 'PRVW':
        if (IsSending())
            abortSend = 1;
        else
            Preview();
        return true;
    case 'SRCE':
        GenerateRawSource();
        return true;
    case 'goRP':
        ShowProgressSummary();
        return true;
    case 'SAVE':
        // The document's own commands do the work (Save As for a window without a file).
        LCommander::ObeyCommand(mDocumentPath.isEmpty() ? cmd_SaveAs : cmd_Save, nullptr);
        return true;
    case 'HELP':
        OpenHelpPage("Mailer.html");
        return true;
    case 'RCPT':
        ShowAddressBookRecipients();
        return true;
    case 'SIRT':
        ShowImportedRecipients();
        return true;
    case 'RTYP':
        if (RefuseWhileSending())
            return true;
        ResolveSender();
        // Another address type may give another person an address: flags from the defaults.
        mABSendFlags.reset();
        RebuildABRecipients(false);
        return true;
    case 'STYP':
        ResolveSender();
        return true;
    case 'GRUP':
        if (!RefuseWhileSending())
            ApplyGroupSelection();
        return true;
    case 'UORG':
        mUseOrganization = GetControl32BitValue(Control(ControlRole::UseOrganizationCheckBox)) != 0;
        UpdateSenderCaption(true);
        return true;
    case 'IMaG':
        mImageHTML = GetControl32BitValue(Control(ControlRole::ImageHTMLCheckBox)) != 0;
        return true;
    case 'VIEW':
        ViewMessageSource();
        return true;
    case 'WEB ':
        LoadFrontBrowserURL();
        return true;
    case 'FILE':
        ChooseMessageFile();
        return true;
    case 'MaiL':
        LoadMailMessageSource();
        return true;
    case 'MaRe':
        if (!RefuseWhileSending())
            ImportFromMail(true);
        return true;
    case 'MaSe':
        if (!RefuseWhileSending())
            ImportFromMail(false);
        return true;
    case 'QUIK':
        ShowPreambleEditor();
        return true;
    case 'EPIL':
        ShowEpilogueEditor();
        return true;
    case 'PTA ':
        ShowPlainTextAlternativeEditor();
        return true;
    case 'OPTS':
        ShowSheet(ENibWindow::otherOptions);
        return true;
    case 'SSeT':
        ShowSheet(ENibWindow::serverSettings);
        return true;
    case 'ENTO':
        ShowSheet(ENibWindow::entourageGroup);
        return true;
    case 'RMVe':
        ShowSheet(ENibWindow::removeImport);
        return true;
    case 'IFIL':
        if (RefuseWhileSending())
            return true;
        if (!mImportPath.isEmpty() && QFileInfo(mImportPath).isFile())
            ShowSheet(ENibWindow::appendOrReplace);
        else
            ChooseImportFile(true);
        return true;
    case 'uPFt':
        if (!RefuseWhileSending() && !mImportPath.isEmpty())
            StartFileImport(mImportPath, GetControl32BitValue(Control(ControlRole::AddToGroupCheckBox)) != 0, true);
        return true;
    case 'SHOW':
        RevealImportFile();
        return true;
    case 'SipT':
        CFileImporterThread::RequestCancel();
        return true;
    case 'IPRT':
    case 'LoaF':
    case 'Imfl':
    case 'SMET':
        PopUpPullDown(PullDownOfMenuCommand(inCommand));
        return true;
    case 'MEBK':
        OpenMyCard();
        return true;
    case 'BOOK':
        Launcher::Current().Open(ContactsFolder::Path());
        return true;
    case 'PPIK':
        return true; // there is no people picker on this system
    case 'TGGL':
        if (WindowRef drawer = Window(ENibWindow::drawer))
            Drawer::ToggleDrawer(drawer);
        return true;
    case 'mm  ':
        Presenter::Get().Beep();
        return true;
    case 'CNCL':
        AttemptClose();
        return true;
    default:
        return false;
    }
}

void CBrevantoWindow::UpdateModifiedMark()
{
    if (WindowRef main = GetMainWindow())
        WindowAttributes::SetWindowModified(main, IsModified());
}

Boolean CBrevantoWindow::RefuseWhileSending()
{
    if (!IsSending() && !mPreviewing)
        return false;
    ShowAlertSheet(QStringLiteral("A mailing is in progress."),
                   QStringLiteral("The recipients can not be changed while mail is being sent."));
    return true;
}

Boolean CBrevantoWindow::RefuseAutoSaveWithoutFile(const QString& inMessage, const QString& inExplanation)
{
    if (!GetAutoSave() || !mDocumentPath.isEmpty())
        return false;
    ShowAlertSheet(inMessage, inExplanation);
    return true;
}

void CBrevantoWindow::OpenScheduleIfAllowed()
{
    if (RefuseAutoSaveWithoutFile(QStringLiteral("Please save this mailing."),
                                  QStringLiteral("You have turned on the Auto-Save feature but there is no file to "
                                                 "save to. Please save to a file and then schedule the mailing "
                                                 "again.")))
        return;
    if (!GetResetRecipients()) {
        ShowAlertSheet(QStringLiteral("Restoring selected recipients if no errors occur is off."),
                       QStringLiteral("Please go to the Logs pane of the Preferences window and turn this feature "
                                      "on. Then schedule the mailing again."));
        return;
    }
    ShowScheduleSheet();
}

void CBrevantoWindow::ShowSheet(ENibWindow inWhich)
{
    if (WindowRef sheet = Window(inWhich); sheet && GetMainWindow())
        SheetController::ShowSheetWindow(sheet, GetMainWindow());
}

void CBrevantoWindow::ShowAddressBookRecipients()
{
    RefreshRecipientsList();
    ControlRef addressType = Control(ControlRole::AddressTypePopup);
    const QString title = EmailColumnTitle(GetPopupItemCommand(addressType, GetControl32BitValue(addressType)));
    if (auto* list = qobject_cast<DataBrowser*>(Control(ControlRole::RecipientsList)); list && !title.isNull())
        list->SetColumnTitle(kEmailColumn, title);
    ControlRef deleteButton = Control(ControlRole::DeleteImportedButton);
    const bool imported = CurrentSource() == ERecipientSource::imported;
    SetControlVisibility(deleteButton, imported, true);
    if (imported)
        EnableControl(deleteButton);
    else
        DisableControl(deleteButton);
    ShowSheet(ENibWindow::recipients);
    UpdateSelectionCountText();
    UpdateRecipientCountText();
}

void CBrevantoWindow::RevealImportFile()
{
    if (mImportPath.isEmpty()) {
        ShowAlertSheet(QStringLiteral("There is no import file to reveal."), QString());
        return;
    }
    if (const OSErr error = Launcher::Current().Reveal(mImportPath); error != noErr)
        ShowAlertSheet(QStringLiteral("The import file could not be revealed."),
                       QStringLiteral("Thre error code returned was: %1").arg(error));
}

// The Me card's file is opened for editing; without a Me card the address book's folder.
void CBrevantoWindow::OpenMyCard()
{
    ContactsStore& store = ContactsStore::Shared();
    if (const ContactsRecord* me = CopyMeRecord()) {
        if (const QString path = store.FilePath(*me); !path.isEmpty()) {
            Launcher::Current().Open(path);
            return;
        }
    }
    Launcher::Current().Open(ContactsFolder::Path());
}

void CBrevantoWindow::PopUpPullDown(ControlRole inRole)
{
    auto* button = qobject_cast<QToolButton*>(Control(inRole));
    if (!button || !button->menu() || !button->isVisible())
        return;
    SetControl32BitValue(button, 1);
    // popup, not exec: the menu must not hold the event loop (and the cooperative threads).
    button->menu()->popup(button->mapToGlobal(QPoint(0, button->height())));
}

// Refused while a mailing is sent or scheduled; otherwise the save question, and the window
// goes (Cleanup) unless the user cancels.
OSStatus CBrevantoWindow::CloseRequested()
{
    if (IsSending()) {
        ShowAlertSheet(QStringLiteral("A mailing is in progress."),
                       QStringLiteral("This window can not be closed because mail is being sent."));
        return noErr;
    }
    if (IsScheduledLater()) {
        ShowAlertSheet(QStringLiteral("A mailing is scheduled."),
                       QStringLiteral("This window can not be closed because it has a scheduled mailing.  "
                                      "Unschedule the mailing and then close the window."));
        return noErr;
    }
    if (AskSaveChanges())
        return noErr;
    Cleanup();
    return eventNotHandledErr;
}

// The window keeps the height it was built with and never gets narrower than it was built.
OSStatus CBrevantoWindow::ConstrainLiveResize(WindowEvent& ioEvent)
{
    if (mFixedHeight <= 0)
        return eventNotHandledErr;
    QRect bounds = ioEvent.bounds;
    bounds.setHeight(mFixedHeight);
    if (bounds.width() < mMinimumWidth)
        bounds.setWidth(mMinimumWidth);
    ioEvent.bounds = bounds;
    return noErr;
}
