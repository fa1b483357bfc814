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

// The schedule code shows the schedule and arms its timer; nothing is armed here.
Boolean CBrevantoWindow::StartScheduleTimer() { return false; }
