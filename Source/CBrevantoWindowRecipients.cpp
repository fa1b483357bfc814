// The mailing window's recipients: the two sources (the Address Book group and the imported
// list), recipient i of each, the send flags with their operations and counts, the captions
// that show them, the recipients list's cells, and the imported list's flat records.
#include "CBrevantoWindow.h"

#include "AddressBookAccess.h"
#include "CEnvironment.h"
#include "CFPreferenceDomain.h"
#include "CFPropertyList.h"
#include "ControlValues.h"
#include "DataBrowser.h"
#include "NetworkChecks.h"
#include "PreferenceGetters.h"
#include "Presenter.h"
#include "SheetController.h"
#include "WindowAttributes.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace {

constexpr DataBrowserPropertyID kSendColumn = 'send';
constexpr DataBrowserPropertyID kIndexColumn = 'indx';
constexpr DataBrowserPropertyID kFirstNameColumn = 'fnme';
constexpr DataBrowserPropertyID kLastNameColumn = 'lnme';
constexpr DataBrowserPropertyID kEmailColumn = 'mail';

void LogLine(const QString& inText)
{
    if (gEnvironment)
        gEnvironment->LogLine(inText.toUtf8().constData());
}

// The blacklist preference, when it is an array, replaces the environment's copy.
QStringList ReadBlacklist()
{
    const CFPropertyList stored = CFPreferenceDomain::Application().CopyValue(QString::fromUtf8(kBlacklistKey));
    QStringList entries;
    for (const CFPropertyList& element : stored.ToArray()) {
        if (element.IsString())
            entries.append(element.ToString());
    }
    if (!gEnvironment)
        return entries;
    if (stored.IsArray())
        gEnvironment->blacklist = entries;
    return gEnvironment->blacklist;
}

// An entry that is no regular expression matches nothing; the log says which.
void LogInvalidPatterns(const QStringList& inEntries)
{
    for (const QString& entry : inEntries) {
        if (!QRegularExpression(entry).isValid())
            LogLine(QStringLiteral("The blacklist entry \"%1\" is not a valid regular expression.").arg(entry));
    }
}

} // namespace

CBrevantoWindow::ERecipientSource CBrevantoWindow::CurrentSource() const
{
    return mRecipientsTab == 2 ? ERecipientSource::imported : ERecipientSource::addressBook;
}

SInt32 CBrevantoWindow::CountRecipients() const
{
    if (CurrentSource() == ERecipientSource::imported)
        return mImported.Count();
    return SInt32(mPeople.size());
}

CBrevantoWindow::SendFlags& CBrevantoWindow::CurrentSendFlags()
{
    return CurrentSource() == ERecipientSource::imported ? mImportSendFlags : mABSendFlags;
}

SInt32 CBrevantoWindow::CountFlaggedRecipients() const
{
    const SendFlags& flags = CurrentSource() == ERecipientSource::imported ? mImportSendFlags : mABSendFlags;
    if (!flags)
        return 0;
    return SInt32(std::count(flags->begin(), flags->end(), true));
}

QString CBrevantoWindow::GetRecipientFirstName(SInt32 inIndex) const
{
    if (CurrentSource() == ERecipientSource::imported) {
        const Person* person = mImported.At(inIndex);
        return person ? person->FirstName() : QString();
    }
    return GetRecordFirstName(AddressBookPerson(inIndex));
}

QString CBrevantoWindow::GetRecipientLastName(SInt32 inIndex) const
{
    if (CurrentSource() == ERecipientSource::imported) {
        const Person* person = mImported.At(inIndex);
        return person ? person->LastName() : QString();
    }
    return GetRecordLastName(AddressBookPerson(inIndex));
}

QString CBrevantoWindow::GetRecipientEmail(SInt32 inIndex) const
{
    if (CurrentSource() == ERecipientSource::imported) {
        const Person* person = mImported.At(inIndex);
        return person ? person->Email() : QString();
    }
    return GetAddressBookEmail(inIndex);
}

void CBrevantoWindow::GetRecipientNameAndAddress(ERecipientSource inSource, SInt32 inIndex, QString& outName,
                                                 QString& outEmail) const
{
    outName.clear();
    outEmail.clear();
    if (inSource == ERecipientSource::addressBook) {
        GetAddressBookNameAndAddress(inIndex, outName, outEmail);
        return;
    }
    if (const Person* person = mImported.At(inIndex)) {
        outName = person->CopyFullName();
        outEmail = person->Email();
    }
}

void CBrevantoWindow::ResetSendFlags(ERecipientSource inSource, SInt32 inCount, SendFlags& ioFlags, Boolean inClear)
{
    if (ioFlags && SInt32(ioFlags->size()) != inCount)
        ioFlags.reset();
    if (!ioFlags && inCount > 0) {
        std::vector<bool> flags(size_t(inCount), false);
        if (!inClear) {
            QString name;
            QString email;
            for (SInt32 index = 0; index < inCount; ++index) {
                GetRecipientNameAndAddress(inSource, index, name, email);
                flags[size_t(index)] = !email.isEmpty();
            }
        }
        ioFlags = std::move(flags);
    }
    UpdateRecipientCountText();
}

void CBrevantoWindow::SetAllSendFlags(Boolean inFlag)
{
    if (SendFlags& flags = CurrentSendFlags())
        std::fill(flags->begin(), flags->end(), bool(inFlag));
    RefreshSendColumn();
}

void CBrevantoWindow::SetSelectedSendFlags(Boolean inFlag)
{
    SendFlags& flags = CurrentSendFlags();
    auto* list = qobject_cast<DataBrowser*>(Control(ControlRole::RecipientsList));
    if (flags && list) {
        for (DataBrowserItemID item : list->GetSelectedItems()) {
            if (item >= 1 && item <= flags->size())
                (*flags)[item - 1] = inFlag;
        }
    }
    RefreshSendColumn();
}

void CBrevantoWindow::InvertSendFlags()
{
    if (SendFlags& flags = CurrentSendFlags())
        flags->flip();
    RefreshSendColumn();
}

void CBrevantoWindow::ApplyBlacklist()
{
    const QStringList blacklist = ReadBlacklist();
    if (blacklist.isEmpty()) {
        ShowAlertSheet(QStringLiteral("The Blacklist is empty."),
                       QStringLiteral("Add blacklisted recipients using the Preferences window."), false);
        return;
    }
    const bool asPatterns = GetRegularExpression();
    if (asPatterns)
        LogInvalidPatterns(blacklist);
    SendFlags& flags = CurrentSendFlags();
    const SInt32 count = flags ? SInt32(flags->size()) : 0;
    for (SInt32 index = 0; index < count; ++index) {
        if (MatchesAnyPattern(blacklist, GetRecipientEmail(index), asPatterns))
            (*flags)[size_t(index)] = false;
    }
    RefreshSendColumn();
}

void CBrevantoWindow::UnflagRecipientsFromLog(const QStringList& inAddresses)
{
    if (inAddresses.isEmpty()) {
        ShowAlertSheet(QStringLiteral("The recipients from the log is empty."), QString(), false);
        return;
    }
    SendFlags& flags = CurrentSendFlags();
    const SInt32 count = flags ? SInt32(flags->size()) : 0;
    SInt32 unflagged = 0;
    for (SInt32 index = 0; index < count; ++index) {
        if (MatchesAnyPattern(inAddresses, GetRecipientEmail(index), false)) {
            (*flags)[size_t(index)] = false;
            ++unflagged;
        }
    }
    RefreshSendColumn();
    ShowAlertSheet(QStringLiteral("%1 of %2 recipients were unflagged.").arg(unflagged).arg(CountRecipients()),
                   QString(), false);
}

QByteArray CBrevantoWindow::RecipientsToData() const { return mImported.ToData(); }

void CBrevantoWindow::RecipientsFromData(const QByteArray& inData)
{
    mImported.AppendFromData(inData);
    UpdateImportSourceText();
    ResetSendFlags(ERecipientSource::imported, mImported.Count(), mImportSendFlags, false);
}

// Each tab's caption counts its own source, so the one not shown is right when its tab is
// chosen; the Select Recipients sheet counts the current source.
void CBrevantoWindow::UpdateRecipientCountText()
{
    const auto show = [this](ControlRole inCaption, const SendFlags& inFlags, SInt32 inCount) {
        const auto flagged = inFlags ? std::count(inFlags->begin(), inFlags->end(), true) : 0;
        ControlRef caption = Control(inCaption);
        SetControlTitleWithCFString(caption, QStringLiteral("%1/%2").arg(flagged).arg(inCount));
        Draw1Control(caption);
    };
    show(ControlRole::GroupCountCaption, mABSendFlags, SInt32(mPeople.size()));
    show(ControlRole::ImportCountCaption, mImportSendFlags, mImported.Count());
    UpdateSelectionCountText();
}

void CBrevantoWindow::UpdateImportSourceText()
{
    ControlRef actions = Control(ControlRole::ImportActionsPullDown);
    QString text;
    if (!mImportPath.isEmpty()) {
        text = QStringLiteral("Current Import File: ");
        if (QFileInfo::exists(mImportPath)) {
            for (SInt32 item = 2; item <= 4; ++item)
                SetPopupItemEnabled(actions, item, true);
            text += mImportPath;
        }
    } else {
        for (SInt32 item = 2; item <= 4; ++item)
            SetPopupItemEnabled(actions, item, false);
        if (!mEntourageGroup.isNull()) {
            text = QStringLiteral("Entourage Group: ") + mEntourageGroup;
            EnableControl(actions);
            SetPopupItemEnabled(actions, 3, true);
            SetPopupItemEnabled(actions, 4, true);
        }
    }
    ControlRef caption = Control(ControlRole::ImportSourceCaption);
    if (!caption)
        return;
    const SInt32 count = mImported.Count();
    if (count > 0)
        text += QStringLiteral(" (%1 %2)").arg(count).arg(count == 1 ? "recipient" : "recipients");
    ShowControl(caption);
    SetControlTitleWithCFString(caption, text);
    Draw1Control(caption);
}

void CBrevantoWindow::RefreshRecipientsList()
{
    auto* list = qobject_cast<DataBrowser*>(Control(ControlRole::RecipientsList));
    if (!list)
        return;
    list->RemoveAllItems();
    const SInt32 count = CountRecipients();
    if (count > 0) {
        list->AddItems(UInt32(count));
        list->scrollToTop();
    }
}

void CBrevantoWindow::RefreshSendColumn()
{
    if (auto* list = qobject_cast<DataBrowser*>(Control(ControlRole::RecipientsList)))
        list->UpdateItems({}, kSendColumn);
    UpdateRecipientCountText();
}

void CBrevantoWindow::ShowImportedRecipients()
{
    ResetSendFlags(ERecipientSource::imported, mImported.Count(), mImportSendFlags, false);
    RefreshRecipientsList();
    ControlRef deleteButton = Control(ControlRole::DeleteImportedButton);
    if (CurrentSource() == ERecipientSource::imported) {
        ShowControl(deleteButton);
        EnableControl(deleteButton);
    } else {
        HideControl(deleteButton);
        DisableControl(deleteButton);
    }
    if (WindowRef sheet = Window(ENibWindow::recipients); sheet && GetMainWindow())
        SheetController::ShowSheetWindow(sheet, GetMainWindow());
    UpdateRecipientCountText();
    UpdateImportSourceText();
}

// One cell of the recipients list: item i + 1 is recipient i of the current source.
OSStatus CBrevantoWindow::RecipientItemData(DataBrowserItemID inItem, DataBrowserPropertyID inProperty,
                                            DataBrowserItemData& ioData, bool inSetValue)
{
    const SInt32 index = SInt32(inItem) - 1;
    if (index < 0 || index >= CountRecipients())
        return errDataBrowserItemNotFound;
    const bool imported = CurrentSource() == ERecipientSource::imported;
    if (inProperty == kSendColumn) {
        SendFlags& flags = CurrentSendFlags();
        if (!flags || size_t(index) >= flags->size())
            return errDataBrowserPropertyNotSupported;
        if (inSetValue) {
            (*flags)[size_t(index)] = ioData.value != 0;
            UpdateRecipientCountText();
            WindowAttributes::SetWindowModified(GetMainWindow(), true);
        } else {
            ioData.value = (*flags)[size_t(index)] ? 1 : 0;
        }
        return noErr;
    }
    if (inProperty == kDataBrowserItemIsEditableProperty) {
        ioData.boolean = imported;
        return noErr;
    }
    if (inProperty == kIndexColumn && !inSetValue) {
        ioData.text = QString::number(inItem);
        return noErr;
    }
    const auto field = inProperty == kFirstNameColumn  ? ImportedRecipients::EField::firstName
                       : inProperty == kLastNameColumn ? ImportedRecipients::EField::lastName
                       : inProperty == kEmailColumn    ? ImportedRecipients::EField::email
                                                       : std::optional<ImportedRecipients::EField>();
    if (!field)
        return errDataBrowserPropertyNotSupported;
    if (inSetValue) {
        if (!imported || !mImported.SetField(index, *field, ioData.text))
            return errDataBrowserPropertyNotSupported;
        WindowAttributes::SetWindowModified(GetMainWindow(), true);
        return noErr;
    }
    switch (*field) {
    case ImportedRecipients::EField::firstName: ioData.text = GetRecipientFirstName(index); break;
    case ImportedRecipients::EField::lastName: ioData.text = GetRecipientLastName(index); break;
    case ImportedRecipients::EField::email: ioData.text = GetRecipientEmail(index); break;
    }
    return noErr;
}
