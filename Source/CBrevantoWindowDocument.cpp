// The mailing document: one property-list dictionary holding everything of a mailing (texts,
// recipients and their send flags, sender, server, schedule, layout). The writer builds it from
// the window; the reader applies a parsed one to a window freshly set up from the defaults.
// Every key is optional for the reader, and a value of the wrong type counts as absent: a
// document from an older or a foreign writer opens with what it has.
#include "CBrevantoWindow.h"

#include "AliasRecord.h"
#include "CEnvironment.h"
#include "CFBundle.h"
#include "CFPropertyList.h"
#include "CharsetConversion.h"
#include "ControlValues.h"
#include "DataBrowser.h"
#include "Drawer.h"
#include "FileManager.h"
#include "PreferenceGetters.h"
#include "WindowAttributes.h"
#include "WindowBoundsData.h"

#include <algorithm>

namespace {

using Dictionary = CFPropertyList::Dictionary;

// Fields of 16-bit numbers (the period and the wake-before seconds) hold at most this.
constexpr SInt32 kLargestShortNumber = 32767;

const char* const kSideTextKeys[] = {"PlainTextAlternative", "Preamble", "Epilogue"};

// The windows whose content bounds the document keeps, beside the main window and the drawer.
const std::pair<const char*, CBrevantoWindow::ENibWindow> kSheetBoundsKeys[] = {
    {"RecipientsSheetBounds", CBrevantoWindow::ENibWindow::recipients},
    {"PlainTextAlternativeSheetBounds", CBrevantoWindow::ENibWindow::plainTextAlternative},
    {"PreambleSheetBounds", CBrevantoWindow::ENibWindow::preamble},
    {"EpilogueSheetBounds", CBrevantoWindow::ENibWindow::epilogue},
    {"ProgressSheetBounds", CBrevantoWindow::ENibWindow::progress},
};

const std::pair<const char*, ControlRole> kListStateKeys[] = {
    {"AttachmentsDB", ControlRole::AttachmentsList},
    {"RecipientsDB", ControlRole::RecipientsList},
    {"DeliveredRecipientsDB", ControlRole::DeliveredList},
};

const std::pair<const char*, ControlRole> kHeaderFieldKeys[] = {
    {"CC", ControlRole::CcField},
    {"BCC", ControlRole::BccField},
    {"ReturnPath", ControlRole::ReturnPathField},
    {"ReplyTo", ControlRole::ReplyToField},
};

// Pop-ups the document keeps as their plain value, in the reader's order after "AddressType".
const std::pair<const char*, ControlRole> kPopupKeys[] = {
    {"SenderAddressType", ControlRole::SenderAddressTypePopup},
    {"OtherOptionsAddressType", ControlRole::OptionsAddressTypePopup},
    {"AddRecipientAddressType", ControlRole::AddAddressTypePopup},
    {"DefaultCharset", ControlRole::CharsetPopup},
};

const std::pair<const char*, ControlRole> kServerKeys[] = {
    {"MailServer", ControlRole::ServerField},
    {"MailServerUsername", ControlRole::UserNameField},
    {"MailServerPort", ControlRole::PortField},
    {"MailServerPopPeriod", ControlRole::PopPeriodField},
};

// The value of a key when it has the type asked for; null otherwise.
CFPropertyList Typed(const Dictionary& inDocument, const char* inKey, CFPropertyList::Type inType)
{
    const CFPropertyList value = inDocument.value(QString::fromLatin1(inKey));
    return value.GetType() == inType ? value : CFPropertyList();
}

CFPropertyList Number(const Dictionary& inDocument, const char* inKey)
{
    return Typed(inDocument, inKey, CFPropertyList::Type::Integer);
}

CFPropertyList ShortValue(ControlRef inControl) { return CFPropertyList(int(SInt16(GetControl32BitValue(inControl)))); }

// A field's decimal text as a number the document can hold (never wrapping past 16 bits).
SInt32 ClampedShortNumber(qint64 inValue) { return SInt32(std::clamp<qint64>(inValue, 0, kLargestShortNumber)); }

SInt32 FieldNumber(ControlRef inField) { return ClampedShortNumber(GetControlText(inField).trimmed().toLongLong()); }

CFPropertyList FlagArray(const CBrevantoWindow::SendFlags& inFlags)
{
    CFPropertyList::Array array;
    if (inFlags) {
        array.reserve(qsizetype(inFlags->size()));
        for (bool flag : *inFlags)
            array.append(CFPropertyList(flag));
    }
    return CFPropertyList(array);
}

std::vector<bool> FlagsOf(const CFPropertyList& inArray)
{
    std::vector<bool> flags;
    flags.reserve(size_t(inArray.Count()));
    for (const CFPropertyList& flag : inArray.ToArray())
        flags.push_back(flag.ToBool());
    return flags;
}

// The alias record of an existing item; empty when there is none.
QByteArray AliasOf(const QString& inPath)
{
    FSRef ref;
    if (inPath.isEmpty() || FSPathMakeRef(inPath, &ref) != noErr)
        return QByteArray();
    return NewAliasRecordData(ref);
}

QString ResolveAlias(const QByteArray& inRecord)
{
    FSRef ref;
    if (inRecord.isEmpty() || ResolveAliasRecordData(inRecord, &ref) != noErr)
        return QString();
    return QString::fromStdString(ref.path);
}

void LogLine(const QString& inLine)
{
    if (gEnvironment)
        gEnvironment->LogLine(inLine.toUtf8().constData());
}

// Applies a rectangle of the document to a window when it shares a pixel with the display.
void ApplyBounds(const Dictionary& inDocument, const char* inKey, WindowRef inWindow)
{
    const std::optional<QRect> bounds =
        BoundsFromData(Typed(inDocument, inKey, CFPropertyList::Type::Data).ToData());
    if (inWindow && bounds && OverlapsDisplay(*bounds, WindowAttributes::MainDisplaySize()))
        WindowAttributes::SetContentBounds(inWindow, *bounds);
}

} // namespace

CFPropertyList CBrevantoWindow::BuildDocumentDictionary()
{
    Dictionary document;
    const auto put = [&document](const char* inKey, const CFPropertyList& inValue) {
        document.insert(QString::fromLatin1(inKey), inValue);
    };
    const QString version =
        CFBundle::Main().ValueForInfoDictionaryKey(QStringLiteral("CFBundleShortVersionString")).ToString();
    if (!version.isEmpty())
        put("Version", version);

    // Layout.
    if (WindowRef main = GetMainWindow())
        put("WindowBounds", BoundsData(WindowAttributes::GetContentBounds(main)));
    if (WindowRef drawer = Window(ENibWindow::drawer))
        put("AttachmentsDrawerBounds", BoundsData(WindowAttributes::GetContentBounds(drawer)));
    for (const auto& [key, which] : kSheetBoundsKeys) {
        if (WindowRef window = Window(which))
            put(key, BoundsData(WindowAttributes::GetContentBounds(window)));
    }
    for (const auto& [key, role] : kListStateKeys) {
        if (auto* list = qobject_cast<DataBrowser*>(Control(role))) {
            const CFPropertyList state = list->GetUserState();
            if (state.IsDictionary())
                put(key, state);
        }
    }

    // Message.
    // The side texts are taken afresh in the mailing's set; one the set cannot hold alerts and
    // is saved as it was last taken.
    GetPlainTextAlternative(mPlainTextAlternative);
    GetPreamble(mPreamble);
    GetEpilogue(mEpilogue);
    const CText* sideTexts[] = {&mPlainTextAlternative, &mPreamble, &mEpilogue};
    for (int index = 0; index < 3; ++index) {
        if (sideTexts[index]->buffer && sideTexts[index]->length > 0)
            put(kSideTextKeys[index], QByteArray(sideTexts[index]->buffer, sideTexts[index]->length));
    }
    if (NormalizeURL())
        put("DocumentURL", mWebPageURL);
    put("Priority", ShortValue(Control(ControlRole::PriorityPopup)));
    put("AuthMethod", ShortValue(Control(ControlRole::AuthenticationPopup)));
    put("SSLAuthMethod", ShortValue(Control(ControlRole::SecureAuthenticationPopup)));
    put("UseSSL", CFPropertyList(1));
    const QString subject = GetControlText(Control(ControlRole::SubjectField));
    if (!subject.isEmpty())
        put("Subject", subject);
    put("UniqueName", mUniqueName);

    // Schedule.
    put("Schedule", CFPropertyList(static_cast<long long>(mScheduledTime)));
    put("RepeatSchedule", CFPropertyList(GetControl32BitValue(Control(ControlRole::RepeatCheckBox)) == 1));
    put("RepeatSchedulePeriod", CFPropertyList(FieldNumber(Control(ControlRole::RepeatCountField))));
    put("RepeatScheduleUnits", ShortValue(Control(ControlRole::RepeatUnitsPopup)));
    put("WakeComputer", CFPropertyList(GetControl32BitValue(Control(ControlRole::WakeCheckBox)) == 1));
    put("WakeBeforeSeconds", CFPropertyList(FieldNumber(Control(ControlRole::WakeSecondsField))));

    // Recipients.
    const QByteArray importAlias = AliasOf(mImportPath);
    if (!importAlias.isEmpty())
        put("ImportFile", importAlias);
    if (!mEntourageGroup.isEmpty())
        put("EntourageGroupName", mEntourageGroup);
    if (GetSaveImported()) {
        const QByteArray recipients = RecipientsToData();
        if (!recipients.isEmpty())
            put("ImportedRecipients", recipients);
    }

    // Sender and header fields, tabs, pop-ups.
    put("MyName", GetControlText(Control(ControlRole::SenderNameField)));
    put("MyEmail", GetControlText(Control(ControlRole::SenderEmailField)));
    for (const auto& [key, role] : kHeaderFieldKeys)
        put(key, GetControlText(Control(role)));
    mRecipientsTab = GetControl32BitValue(Control(ControlRole::RecipientsTabs));
    mSenderTab = GetControl32BitValue(Control(ControlRole::SenderTabs));
    put("SelectedRecipientsTab", CFPropertyList(int(SInt16(mRecipientsTab))));
    put("SelectedSenderTab", CFPropertyList(int(SInt16(mSenderTab))));
    // The group pop-up's last item stands for every person: no group.
    ControlRef groups = Control(ControlRole::GroupPopup);
    const SInt32 group = GetControl32BitValue(groups);
    if (group >= 1 && group < CountPopupItems(groups))
        put("Group", GetPopupItemText(groups, group));
    put("DefaultCharset", ShortValue(Control(ControlRole::CharsetPopup)));
    put("FromMeAt", ShortValue(Control(ControlRole::FromMeAtPopup)));
    put("AddressType", ShortValue(Control(ControlRole::AddressTypePopup)));
    put("SenderAddressType", ShortValue(Control(ControlRole::SenderAddressTypePopup)));
    put("OtherOptionsAddressType", ShortValue(Control(ControlRole::OptionsAddressTypePopup)));
    put("AddRecipientAddressType", ShortValue(Control(ControlRole::AddAddressTypePopup)));

    // Attachments: those whose record cannot be made (the file went) are left out.
    CFPropertyList::Array attachments;
    for (const QString& path : mAttachmentPaths) {
        const QByteArray alias = AliasOf(path);
        if (!alias.isEmpty())
            attachments.append(CFPropertyList(alias));
    }
    if (!attachments.isEmpty())
        put("Attachments", CFPropertyList(attachments));

    // Server: the password goes to the keychain, never into the document.
    if (SaveServerDefaults(true)) {
        for (const auto& [key, role] : kServerKeys)
            put(key, GetControlText(Control(role)));
    }

    if (mABSendFlags && !mABSendFlags->empty())
        put("ABRecipientsSendArray", FlagArray(mABSendFlags));
    if (mImportSendFlags && !mImportSendFlags->empty())
        put("ImportRecipientsSendArray", FlagArray(mImportSendFlags));
    put("UseOrganization", CFPropertyList(mUseOrganization != 0));
    put("ImageHTML", CFPropertyList(mImageHTML != 0));
    WindowRef drawer = Window(ENibWindow::drawer);
    put("AttachmentsDrawerOpen", CFPropertyList(drawer && Drawer::GetDrawerState(drawer) == kWindowDrawerOpen));
    put("AttachmentsDrawerUseBinhex", CFPropertyList(GetControl32BitValue(Control(ControlRole::BinHexCheckBox)) == 1));
    put("AttachmentsDrawerAttachmentsDisposition", ShortValue(Control(ControlRole::DispositionPopup)));
    put("AttachmentPath", GetControlText(Control(ControlRole::AttachmentPathField)));
    return CFPropertyList(document);
}

void CBrevantoWindow::ReadDocument(const CFPropertyList& inDictionary)
{
    const Dictionary document = inDictionary.ToDictionary();
    const auto string = [&document](const char* inKey) {
        return Typed(document, inKey, CFPropertyList::Type::String);
    };
    const auto boolean = [&document](const char* inKey) {
        return Typed(document, inKey, CFPropertyList::Type::Boolean);
    };
    const auto setPopup = [&document](const char* inKey, ControlRef inPopup) {
        const CFPropertyList value = Number(document, inKey);
        if (!value.IsNull())
            SetControl32BitValue(inPopup, SInt32(SInt16(value.ToInteger())));
        return !value.IsNull();
    };

    ApplyBounds(document, "WindowBounds", GetMainWindow());

    // Side texts are in the document's own character set, which the pop-up shows only later:
    // decode them in the set the document names.
    QString charset = GetCharsetName();
    if (const CFPropertyList item = Number(document, "DefaultCharset"); !item.IsNull()) {
        ControlRef popup = Control(ControlRole::CharsetPopup);
        const SInt32 current = GetControl32BitValue(popup);
        SetControl32BitValue(popup, SInt32(SInt16(item.ToInteger())));
        charset = GetCharsetName();
        SetControl32BitValue(popup, current);
    }
    for (int index = 0; index < 3; ++index) {
        const QByteArray bytes = Typed(document, kSideTextKeys[index], CFPropertyList::Type::Data).ToData();
        if (bytes.isEmpty())
            continue;
        if (const std::optional<QString> text = DecodeFromCharset(bytes, charset))
            SetSideText(ESideText(index), *text);
        else
            LogLine(QStringLiteral("A side text of the document could not be read in %1; it was left out.").arg(charset));
    }

    ApplyBounds(document, "AttachmentsDrawerBounds", Window(ENibWindow::drawer));
    for (const auto& [key, which] : kSheetBoundsKeys)
        ApplyBounds(document, key, Window(which));
    for (const auto& [key, role] : kListStateKeys) {
        const CFPropertyList state = Typed(document, key, CFPropertyList::Type::Dictionary);
        if (auto* list = qobject_cast<DataBrowser*>(Control(role)); list && !state.IsNull())
            list->SetUserState(state);
    }

    if (const CFPropertyList url = string("DocumentURL"); !url.IsNull())
        SetWebPageURLText(url.ToString());
    setPopup("Priority", Control(ControlRole::PriorityPopup));
    if (setPopup("AuthMethod", Control(ControlRole::AuthenticationPopup))) {
        const SInt32 method = GetControl32BitValue(Control(ControlRole::AuthenticationPopup));
        ShowPopBeforeSmtpControls(method == 4 || method == 5);
    }
    setPopup("SSLAuthMethod", Control(ControlRole::SecureAuthenticationPopup));
    if (!Number(document, "UseSSL").IsNull())
        TurnOnSSL();
    if (const CFPropertyList subject = string("Subject"); !subject.IsNull())
        SetControlText(Control(ControlRole::SubjectField), subject.ToString());
    if (const CFPropertyList name = string("UniqueName"); !name.IsNull()) {
        mUniqueName = name.ToString();
        SetControlTitleWithCFString(Control(ControlRole::UniqueNameCaption), mUniqueName);
    }

    ReadScheduleKeys(document);
    ReadRecipientKeys(document);

    if (const CFPropertyList name = string("MyName"); !name.IsNull())
        SetControlText(Control(ControlRole::SenderNameField), name.ToString());
    if (const CFPropertyList email = string("MyEmail"); !email.IsNull())
        SetControlText(Control(ControlRole::SenderEmailField), email.ToString());
    for (const auto& [key, role] : kHeaderFieldKeys) {
        if (const CFPropertyList text = string(key); !text.IsNull())
            SetControlText(Control(role), text.ToString());
    }
    if (const CFPropertyList tab = Number(document, "SelectedRecipientsTab"); !tab.IsNull()) {
        SelectRecipientsTab(SInt32(SInt16(tab.ToInteger())));
        mRecipientsTab = GetControl32BitValue(Control(ControlRole::RecipientsTabs));
    }
    if (const CFPropertyList tab = Number(document, "SelectedSenderTab"); !tab.IsNull()) {
        SelectSenderTab(SInt32(SInt16(tab.ToInteger())));
        mSenderTab = GetControl32BitValue(Control(ControlRole::SenderTabs));
    }

    setPopup("AddressType", Control(ControlRole::AddressTypePopup));
    ResolveSender();
    for (const auto& [key, role] : kPopupKeys)
        setPopup(key, Control(role));
    if (setPopup("FromMeAt", Control(ControlRole::FromMeAtPopup)))
        UpdateSenderCaption(true);

    ReadGroupKey(document);
    ReadAttachmentKeys(document);
    ReadServerKeys(document);
    ReadSendFlagKeys(document);

    mUseOrganization = boolean("UseOrganization").IsNull() ? 1 : boolean("UseOrganization").ToBool();
    mImageHTML = boolean("ImageHTML").ToBool();
    SetControl32BitValue(Control(ControlRole::UseOrganizationCheckBox), mUseOrganization);
    SetControl32BitValue(Control(ControlRole::ImageHTMLCheckBox), mImageHTML);
    UpdateSenderCaption(true);
    if (WindowRef drawer = Window(ENibWindow::drawer)) {
        if (boolean("AttachmentsDrawerOpen").IsNull() || boolean("AttachmentsDrawerOpen").ToBool())
            Drawer::OpenDrawer(drawer);
        else
            Drawer::CloseDrawer(drawer);
    }
    SetControl32BitValue(Control(ControlRole::BinHexCheckBox), boolean("AttachmentsDrawerUseBinhex").ToBool() ? 1 : 0);
    setPopup("AttachmentsDrawerAttachmentsDisposition", Control(ControlRole::DispositionPopup));
    if (const CFPropertyList path = string("AttachmentPath"); !path.IsNull())
        SetControlText(Control(ControlRole::AttachmentPathField), path.ToString());
    UpdateRecipientCountText();
}

void CBrevantoWindow::ReadScheduleKeys(const CFPropertyList::Dictionary& inDocument)
{
    const CFPropertyList schedule = Number(inDocument, "Schedule");
    if (!schedule.IsNull())
        mScheduledTime = SInt64(schedule.ToInteger());
    const auto readCheck = [&](const char* inKey, ControlRole inBox, std::initializer_list<ControlRole> inFollowers) {
        const bool on = Typed(inDocument, inKey, CFPropertyList::Type::Boolean).ToBool();
        SetControl32BitValue(Control(inBox), on ? 1 : 0);
        for (ControlRole role : inFollowers)
            on ? EnableControl(Control(role)) : DisableControl(Control(role));
    };
    // A number present is stored and shown; otherwise the field keeps what set-up put there.
    const auto readNumberField = [&](const char* inKey, ControlRole inField, SInt32& outStored) {
        const CFPropertyList value = Number(inDocument, inKey);
        if (!value.IsNull())
            SetControlText(Control(inField), QString::number(ClampedShortNumber(value.ToInteger())));
        outStored = FieldNumber(Control(inField));
    };
    readCheck("RepeatSchedule", ControlRole::RepeatCheckBox, {ControlRole::RepeatCountField, ControlRole::RepeatUnitsPopup});
    readNumberField("RepeatSchedulePeriod", ControlRole::RepeatCountField, mRepeatCount);
    if (const CFPropertyList units = Number(inDocument, "RepeatScheduleUnits"); !units.IsNull())
        SetControl32BitValue(Control(ControlRole::RepeatUnitsPopup), SInt32(SInt16(units.ToInteger())));
    mRepeatUnit = SInt16(GetControl32BitValue(Control(ControlRole::RepeatUnitsPopup)));
    readCheck("WakeComputer", ControlRole::WakeCheckBox, {ControlRole::WakeSecondsField});
    readNumberField("WakeBeforeSeconds", ControlRole::WakeSecondsField, mWakeBeforeSeconds);
    // Last: the timer and the wake event read the boxes and fields above.
    if (!schedule.IsNull())
        ShowSchedule();
}

void CBrevantoWindow::ReadRecipientKeys(const CFPropertyList::Dictionary& inDocument)
{
    const CFPropertyList recipients = Typed(inDocument, "ImportedRecipients", CFPropertyList::Type::Data);
    if (!recipients.IsNull())
        RecipientsFromData(recipients.ToData());

    mImportPath.clear();
    if (const CFPropertyList alias = Typed(inDocument, "ImportFile", CFPropertyList::Type::Data); !alias.IsNull()) {
        mImportPath = ResolveAlias(alias.ToData());
        UpdateImportSourceText();
        ResetSendFlags(ERecipientSource::imported, mImported.Count(), mImportSendFlags, false);
        // Recipients saved without the list ("Save Imported" off) are read again from their file.
        if (recipients.IsNull()) {
            if (mImportPath.isEmpty())
                ShowAlertSheet(QStringLiteral("The import file could not be found."), QString());
            else
                StartFileImport(mImportPath, false, true);
        }
    }
    mEntourageGroup.clear();
    if (const CFPropertyList group = Typed(inDocument, "EntourageGroupName", CFPropertyList::Type::String);
        !group.IsNull()) {
        mEntourageGroup = group.ToString();
        if (recipients.IsNull())
            StartEntourageImport(false);
        UpdateImportSourceText();
        ResetSendFlags(ERecipientSource::imported, mImported.Count(), mImportSendFlags, false);
    }
}

// A named group is selected when the pop-up has it; no name selects the last item (everyone).
void CBrevantoWindow::ReadGroupKey(const CFPropertyList::Dictionary& inDocument)
{
    ControlRef popup = Control(ControlRole::GroupPopup);
    const SInt32 count = CountPopupItems(popup);
    const CFPropertyList group = Typed(inDocument, "Group", CFPropertyList::Type::String);
    if (group.IsNull()) {
        SetControl32BitValue(popup, count);
    } else {
        for (SInt32 item = 1; item <= count; ++item) {
            if (GetPopupItemText(popup, item) == group.ToString()) {
                SetControl32BitValue(popup, item);
                break;
            }
        }
    }
    ApplyGroupSelection();
}

void CBrevantoWindow::ReadAttachmentKeys(const CFPropertyList::Dictionary& inDocument)
{
    mAttachmentPaths.clear();
    for (const CFPropertyList& alias : Typed(inDocument, "Attachments", CFPropertyList::Type::Array).ToArray()) {
        const QString path = ResolveAlias(alias.ToData());
        if (!path.isEmpty())
            AppendAttachmentPath(path);
    }
    RefreshAttachmentsList();
}

void CBrevantoWindow::ReadServerKeys(const CFPropertyList::Dictionary& inDocument)
{
    const auto readField = [&inDocument](const char* inKey, ControlRef inField) {
        if (const CFPropertyList text = Typed(inDocument, inKey, CFPropertyList::Type::String); !text.IsNull())
            SetControlText(inField, text.ToString());
    };
    readField("MailServer", Control(ControlRole::ServerField));
    readField("MailServerUsername", Control(ControlRole::UserNameField));
    // The password belongs to the server and user the document names.
    QString password;
    if (GetServerPassword(GetServerName(), GetUserName(), &password) == noErr && !password.isEmpty())
        SetControlText(Control(ControlRole::PasswordField), password);
    readField("MailServerPort", Control(ControlRole::PortField));
    readField("MailServerPopPeriod", Control(ControlRole::PopPeriodField));
}

void CBrevantoWindow::ReadSendFlagKeys(const CFPropertyList::Dictionary& inDocument)
{
    if (const CFPropertyList saved = Typed(inDocument, "ABRecipientsSendArray", CFPropertyList::Type::Array);
        !saved.IsNull()) {
        if (!mABSendFlags)
            LogLine(QStringLiteral("The send flags have not been initialized."));
        else if (qsizetype(mABSendFlags->size()) != saved.Count())
            LogLine(QStringLiteral("The saved flag count does not match the current group count."));
        else
            mABSendFlags = FlagsOf(saved);
    }
    const CFPropertyList saved = Typed(inDocument, "ImportRecipientsSendArray", CFPropertyList::Type::Array);
    if (!saved.IsNull() && mImportSendFlags && qsizetype(mImportSendFlags->size()) == saved.Count())
        mImportSendFlags = FlagsOf(saved);
}

void CBrevantoWindow::ShowPopBeforeSmtpControls(Boolean inShow)
{
    SetControlVisibility(Control(ControlRole::PopPeriodField), inShow, true);
    SetControlVisibility(Control(ControlRole::PopPeriodLabel), inShow, true);
}

// The secure road is the only one: the box is on and the plain road's controls are hidden.
void CBrevantoWindow::TurnOnSSL()
{
    SetControl32BitValue(Control(ControlRole::UseSSLCheckBox), 1);
    ShowControl(Control(ControlRole::SecureAuthenticationPopup));
    HideControl(Control(ControlRole::AuthenticationPopup));
    ShowPopBeforeSmtpControls(false);
}
