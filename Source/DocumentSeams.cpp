#include "DocumentSeams.h"

#include "AddressBookAccess.h"
#include "CBrevantoWindow.h"

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
