#include "DocumentSeams.h"

#include "AddressBookAccess.h"
#include "CBrevantoWindow.h"
#include "CFPropertyList.h"
#include "ControlValues.h"
#include "EventPass.h"
#include "LThread.h"
#include "LDocApplication.h"
#include "Presenter.h"
#include "SheetController.h"

#include <QFileInfo>

#include <algorithm>

namespace {
std::optional<bool>& AvailableOverride()
{
    static std::optional<bool> available;
    return available;
}

std::optional<DocumentSeams::MeCard>& MeCardOverride()
{
    static std::optional<DocumentSeams::MeCard> card;
    return card;
}

OSStatus ChooseAndSendOpen(OSType inFileType)
{
    QString path;
    if (Presenter::Get().ChooseOneFile(inFileType, &path))
        return noErr;
    if (LDocApplication* application = LDocApplication::GetDocApplication())
        application->SendAEOpenDoc(QFileInfo(path).absoluteFilePath());
    return noErr;
}
} // namespace

bool DocumentSeams::IsAddressBookAvailable() { return AvailableOverride().value_or(::IsAddressBookAvailable()); }

std::optional<DocumentSeams::MeCard> DocumentSeams::CopyMeCard()
{
    if (MeCardOverride())
        return MeCardOverride();
    const ContactsRecord* me = CopyMeRecord();
    if (!me)
        return std::nullopt;
    QStringList emails;
    for (const ContactsValue& email : me->MultiValue("EMAIL").values)
        emails.append(email.value);
    return MeCard{GetRecordFirstLastName(me).trimmed(), GetRecordOrganization(me), emails};
}

void DocumentSeams::SetAddressBookAvailable(std::optional<bool> inAvailable) { AvailableOverride() = inAvailable; }

void DocumentSeams::SetMeCard(std::optional<MeCard> inCard) { MeCardOverride() = std::move(inCard); }

void RefreshWindowsOnActivate()
{
    CBrevantoWindow::RefreshFromChangedAddressBook();
    gWindowList.Rewind();
    while (CBrevantoWindow** window = gWindowList.Next())
        (*window)->HideProgress();
}

OSStatus ChooseAndOpenDocument() { return ChooseAndSendOpen('Bvto'); }

OSStatus ImportRecipientsFile() { return ChooseAndSendOpen(0); }

// The document is neither read nor written yet: a window is never modified.
void CBrevantoWindow::ReadDocument(const CFPropertyList&) {}
void CBrevantoWindow::UpdateSavedState() {}

// The server fields are kept in the preferences by the server code; nothing to copy yet.
void CBrevantoWindow::SaveServerDefaults(Boolean) {}

Boolean CBrevantoWindow::NormalizeURL()
{
    mWebPageURL = GetControlText(Control(ControlRole::SourceField)).trimmed();
    return !mWebPageURL.isEmpty();
}

void CBrevantoWindow::SetWebPageURLText(const QString& inURL)
{
    SetControlText(Control(ControlRole::SourceField), inURL);
    UpdateViewButton(); // View follows the field's content, also when code fills it
}

void CBrevantoWindow::HideProgress()
{
    HideControl(Control(ControlRole::StatusProgress));
    SetControlTitleWithCFString(Control(ControlRole::StatusCaption), QString());
    EventPass::LetOneEventThrough();
    if (SheetController::IsSheetShown(Window(ENibWindow::progress)))
        SetControlTitleWithCFString(Control(ControlRole::ProgressStatusCaption), QString());
}

void CBrevantoWindow::SetStatusTextAndYield(const QString& inText)
{
    if (!SheetController::IsSheetShown(Window(ENibWindow::progress)))
        return;
    ControlRef caption = Control(ControlRole::ProgressStatusCaption);
    SetControlTitleWithCFString(caption, QStringLiteral("Status: ") + inText);
    Draw1Control(caption);
    LThread::Yield();
}

void CBrevantoWindow::AttemptClose()
{
    if (IsSending()) {
        ShowAlertSheet("A mailing is in progress.", "This window can not be closed because mail is being sent.");
        return;
    }
    if (IsScheduledLater()) {
        ShowAlertSheet("A mailing is scheduled.", "This window can not be closed because it has a scheduled "
                                                  "mailing.  Unschedule the mailing and then close the window.");
        return;
    }
    if (WindowRef main = GetMainWindow())
        main->close();
    else
        Cleanup();
}

Boolean CBrevantoWindow::ConfirmQuit()
{
    Presenter& presenter = Presenter::Get();
    if (IsSending()) {
        presenter.ShowAlert(AlertKind::stop, "A mailing is in progress.",
                            "Brevanto can not quit because mail is being sent.", AlertButtons::ok);
        return false;
    }
    if (IsScheduledLater()) {
        presenter.ShowAlert(AlertKind::stop, "A mailing is scheduled.",
                            "Brevanto can not quit because a window has a scheduled mailing.  Unschedule the "
                            "mailing and then quit.",
                            AlertButtons::ok);
        return false;
    }
    Cleanup();
    return true;
}

