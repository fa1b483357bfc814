// The mailing window's Address Book source: the groups popup and the chosen group's people
// (the recipients of tab 1, with their send flags), the "From Me At" popup of the user's own
// addresses, and the refresh of all that when the address book changes.
//
// The window keeps pointers to the contacts store's records (groups, people, the current group).
// They live until the store is read afresh; whoever reloads the store refreshes every window at
// once (ReloadAddressBookIntoWindows), and a reload waits while an import holds records.
#include "CBrevantoWindow.h"

#include "AddressBookAccess.h"
#include "CText.h"
#include "ContactsStore.h"
#include "ControlValues.h"
#include "SystemLookups.h"

#include <algorithm>

namespace {

QString TextOf(const CText& inText) { return QString::fromUtf8(inText.buffer ? inText.buffer : "", inText.length); }

} // namespace

int CBrevantoWindow::CompareGroupsByName(const ContactsRecord* inA, const ContactsRecord* inB)
{
    const QString a = inA ? inA->GroupName() : QString();
    const QString b = inB ? inB->GroupName() : QString();
    // A group without a name comes first; two of them are equal (a strict order for sorting).
    if (a.isEmpty() || b.isEmpty())
        return a.isEmpty() == b.isEmpty() ? 0 : (a.isEmpty() ? -1 : 1);
    return a.compare(b, Qt::CaseInsensitive) < 0 ? -1 : (a.compare(b, Qt::CaseInsensitive) > 0 ? 1 : 0);
}

int CBrevantoWindow::ComparePeopleByUniqueID(const ContactsRecord* inA, const ContactsRecord* inB)
{
    const int order = GetRecordUID(inA).compare(GetRecordUID(inB), Qt::CaseSensitive);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

void CBrevantoWindow::RefreshGroupsPopup()
{
    SetStatusText(QStringLiteral("Refreshing groups popup; please wait..."));
    // Records read before may be gone: without an address book the window holds none.
    mGroups = IsAddressBookAvailable() ? ContactsStore::Shared().Groups() : std::vector<ContactsRecord*>();
    mCurrentGroup = nullptr;
    mPeople.clear();
    std::stable_sort(mGroups.begin(), mGroups.end(), [](const ContactsRecord* inA, const ContactsRecord* inB) {
        return CompareGroupsByName(inA, inB) < 0;
    });
    FillGroupsPopup();
    Draw1Control(Control(ControlRole::GroupPopup));
    UpdateRecipientCountText();
    HideProgress();
}

// One item per group (a nameless one disabled), a separator, then "All". The group chosen
// before stays chosen where it moved to (its flags with it), "All" stays "All"; otherwise the
// popup keeps its value where it still fits.
void CBrevantoWindow::FillGroupsPopup()
{
    ControlRef popup = Control(ControlRole::GroupPopup);
    if (popup) {
        SInt32 value = GetControl32BitValue(popup);
        const bool wasAll = mGroupIndex != 0 && mCurrentGroupUID.isEmpty() && value == CountPopupItems(popup);
        DeletePopupItems(popup);
        for (size_t index = 0; index < mGroups.size(); ++index) {
            const QString name = mGroups[index]->GroupName();
            AppendPopupItem(popup, name.isEmpty() ? QStringLiteral("No Group Name?") : name, CommandT(index + 1));
            if (name.isEmpty())
                SetPopupItemEnabled(popup, SInt32(index + 1), false);
        }
        if (!mGroups.empty())
            AppendPopupSeparator(popup);
        AppendPopupItem(popup, QStringLiteral("All"), CommandT(mGroups.size() + 1));
        const auto same = std::find_if(mGroups.begin(), mGroups.end(), [this](const ContactsRecord* inGroup) {
            return !mCurrentGroupUID.isEmpty() && inGroup->UID() == mCurrentGroupUID;
        });
        if (wasAll)
            value = mGroupIndex = SInt16(CountPopupItems(popup));
        else if (same != mGroups.end())
            value = mGroupIndex = SInt16(same - mGroups.begin() + 1);
        SetControl32BitValue(popup, value);
    }
    ApplyGroupSelection();
    UpdateRecipientCountText();
}

void CBrevantoWindow::ApplyGroupSelection()
{
    ControlRef popup = Control(ControlRole::GroupPopup);
    const SInt32 itemCount = CountPopupItems(popup);
    SInt32 value = GetControl32BitValue(popup);
    // A new group starts from the default flags.
    if (mGroupIndex != value)
        mABSendFlags.reset();
    mGroupIndex = SInt16(value);
    mCurrentGroup = nullptr;
    if (value != itemCount && !mGroups.empty()) {
        if (value < 1 || value > SInt32(mGroups.size())) {
            value = 1;
            mGroupIndex = 1;
            SetControl32BitValue(popup, 1);
        }
        mCurrentGroup = mGroups[size_t(value - 1)];
    }
    mCurrentGroupUID = mCurrentGroup ? mCurrentGroup->UID() : QString();
    RebuildABRecipients(false);
}

void CBrevantoWindow::RebuildABRecipients(Boolean inClear)
{
    LoadGroupPeople();
    ResetSendFlags(ERecipientSource::addressBook, SInt32(mPeople.size()), mABSendFlags, inClear);
    if (CurrentSource() == ERecipientSource::addressBook)
        RefreshRecipientsList();
}

void CBrevantoWindow::LoadGroupPeople()
{
    if (mCurrentGroup)
        mPeople = CopyGroupMembersDeep(mCurrentGroup);
    else if (IsAddressBookAvailable())
        mPeople = ContactsStore::Shared().People();
    else
        mPeople.clear();
    std::stable_sort(mPeople.begin(), mPeople.end(), [](const ContactsRecord* inA, const ContactsRecord* inB) {
        return ComparePeopleByUniqueID(inA, inB) < 0;
    });
    UpdateRecipientCountText();
}

ContactsRecord* CBrevantoWindow::AddressBookPerson(SInt32 inIndex) const
{
    return inIndex >= 0 && size_t(inIndex) < mPeople.size() ? mPeople[size_t(inIndex)] : nullptr;
}

QString CBrevantoWindow::GetGroupName() const { return mCurrentGroup ? mCurrentGroup->GroupName() : QString(); }

CommandT CBrevantoWindow::GetAddressTypeCommand() const
{
    ControlRef popup = Control(ControlRole::AddressTypePopup);
    return popup ? GetPopupItemCommand(popup, GetControl32BitValue(popup)) : 0;
}

// The person's display name (the organization only when there is no name) and the addresses of
// the window's address type; both empty without a person or an address type.
void CBrevantoWindow::GetAddressBookNameAndAddress(SInt32 inIndex, QString& outName, QString& outEmail) const
{
    const ContactsRecord* person = AddressBookPerson(inIndex);
    const CommandT type = GetAddressTypeCommand();
    if (!person || type == 0)
        return;
    CText name;
    CText email;
    GetRecordOrganizationOrName(mCurrentGroup, person, type, name, email, false);
    outName = TextOf(name);
    outEmail = TextOf(email);
}

QString CBrevantoWindow::GetAddressBookEmail(SInt32 inIndex) const
{
    const ContactsRecord* person = AddressBookPerson(inIndex);
    const CommandT type = GetAddressTypeCommand();
    if (!person || type == 0)
        return QString();
    return GetRecordEmailForType(mCurrentGroup, person, type);
}

// The Me card as the address book holds it now.
void CBrevantoWindow::ReadMeCard()
{
    const ContactsRecord* me = CopyMeRecord();
    mHasMeCard = me != nullptr;
    mMeName = GetRecordFirstLastName(me).trimmed();
    mMeOrganization = GetRecordOrganization(me);
    mMeAddresses = GetRecordEmailList(me);
}

// The Me card's addresses: the first is item 1 and each later one was inserted as item 2, so
// those follow in reverse order. Documents store the chosen item's number, so the order stays.
void CBrevantoWindow::RebuildMyAddressesMenu()
{
    ControlRef popup = Control(ControlRole::FromMeAtPopup);
    if (!popup)
        return;
    if (!mHasMeCard)
        ReadMeCard();
    const SInt32 value = GetControl32BitValue(popup);
    DeletePopupItems(popup);
    if (!mHasMeCard) {
        AppendPopupItem(popup, QStringLiteral("No \"My Card\" in Address Book"));
        SetPopupItemEnabled(popup, 1, false);
    } else if (!mMeAddresses.isEmpty()) {
        AppendPopupItem(popup, mMeAddresses.first(), 1);
        for (qsizetype index = mMeAddresses.size() - 1; index >= 1; --index)
            AppendPopupItem(popup, mMeAddresses[index], 1);
    }
    SetControl32BitValue(popup, std::max<SInt32>(value, 1));
    UpdateSenderCaption(true);
}

void CBrevantoWindow::RefreshFromAddressBook()
{
    SetStatusText(QStringLiteral("Refreshing from Address Book; please wait..."));
    RefreshGroupsPopup();
    ReadMeCard();
    ResolveSender();
    RebuildMyAddressesMenu();
    RefreshRecipientsList();
    HideProgress();
}

namespace {

// Imports that hold records of the address book (a group they fill).
int& AddressBookHolds()
{
    static int holds = 0;
    return holds;
}

// Records may be dropped only while no import holds any, none is waiting to be saved and no
// mailing reads its recipients.
bool CanReloadAddressBook()
{
    if (AddressBookHolds() > 0 || ContactsStore::Shared().HasUnsavedChanges())
        return false;
    gWindowList.Rewind();
    while (CBrevantoWindow** window = gWindowList.Next()) {
        if ((*window)->IsSending())
            return false;
    }
    return true;
}

} // namespace

CBrevantoWindow::AddressBookHold::AddressBookHold() { ++AddressBookHolds(); }
CBrevantoWindow::AddressBookHold::~AddressBookHold() { --AddressBookHolds(); }

bool CBrevantoWindow::ReloadAddressBookIntoWindows()
{
    if (!CanReloadAddressBook())
        return false;
    ContactsStore::Shared().Reload();
    gWindowList.Rewind();
    while (CBrevantoWindow** window = gWindowList.Next())
        (*window)->RefreshFromAddressBook();
    return true;
}

// The change stamp is taken only when the windows can follow it: a change seen while a mailing
// is sent or an import fills a group is taken at a later activation.
void CBrevantoWindow::RefreshFromChangedAddressBook()
{
    if (CanReloadAddressBook() && AddressBookChangedSince())
        ReloadAddressBookIntoWindows();
}
