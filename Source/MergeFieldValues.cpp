#include "MergeFieldValues.h"

#include "CBrevantoWindow.h"
#include "CEnvironment.h"
#include "Clock.h"
#include "ControlValues.h"
#include "DatesAndTimes.h"
#include "HFSPaths.h"
#include "MergePersonValues.h"
#include "MergeTagExpansion.h"
#include "MessageMonitor.h"
#include "TextEncodings.h"
#include "TextHelpers.h"

#include <QFileInfo>
#include <QLocale>
#include <QUrl>

#include <iterator>

namespace {

// Flag 0 wraps the value in double quotes (a script literal); otherwise it stands as it is.
void Put(UInt8 inFlag, const QString& inValue, CText& out)
{
    out.Assign(inFlag == 0 ? "\"" : "");
    out.AppendCFString(inValue);
    if (inFlag == 0)
        out.Append("\"");
}

bool ImportedSource(const CBrevantoWindow* inWindow) { return inWindow->mRecipientsTab != 1; }

// Address-card values: the user's own card for index -1, else the recipient's card of the
// Address Book source; for imported recipients only the unique ID (the index) has one.
void PutPerson(UInt8 inFlag, CBrevantoWindow* inWindow, const PersonValueRequest& inRequest, CText& out)
{
    Put(inFlag, CopyPersonValue(*inWindow, inWindow->mMergeRecipient.index, inRequest), out);
}

QString FirstAttachmentPath(const CBrevantoWindow* inWindow)
{
    return inWindow->mAttachmentPaths.value(0);
}

QString GroupText(const CBrevantoWindow* inWindow)
{
    if (ImportedSource(inWindow))
        return inWindow->mImportPath;
    ControlRef popup = inWindow->Control(ControlRole::GroupPopup);
    const QString name = GetPopupItemText(popup, GetControl32BitValue(popup));
    return name.isEmpty() ? QStringLiteral("All") : name;
}

QString SenderWord(const CBrevantoWindow* inWindow, bool inSecond)
{
    CText first;
    CText second;
    SplitWords(CText(inWindow->SenderName().text), first, second);
    const CText& word = inSecond ? second : first;
    return QString::fromUtf8(word.buffer ? word.buffer : "", word.length);
}

QDate Today() { return Clock::NowDateTime().date(); }
QString TimeNow() { return TimeTextWithSeconds(Clock::NowDateTime().time()); }

} // namespace

#define MERGE_TAG(name, value) \
    void Tag##name(UInt8 inFlag, CBrevantoWindow* inWindow, CText& out) { Put(inFlag, value, out); }
#define PERSON_TAG(name, kind, label, part)                                   \
    void Tag##name(UInt8 inFlag, CBrevantoWindow* inWindow, CText& out)       \
    {                                                                          \
        PutPerson(inFlag, inWindow, {EPersonValue::kind, label, part}, out);   \
    }

MERGE_TAG(CurrentIndex, QString::number(inWindow->mMergeRecipient.index))
MERGE_TAG(ToNameFirst, inWindow->mMergeRecipient.firstName)
MERGE_TAG(ToNameLast, inWindow->mMergeRecipient.lastName)
MERGE_TAG(ToName, inWindow->mMergeRecipient.displayName)
MERGE_TAG(ToGroup, GroupText(inWindow))
MERGE_TAG(ToAddress, inWindow->mMergeRecipient.address)
MERGE_TAG(FromNameFirst, SenderWord(inWindow, false))
MERGE_TAG(FromNameLast, SenderWord(inWindow, true))
MERGE_TAG(FromName, QString::fromUtf8(inWindow->SenderName().text))
MERGE_TAG(FromAddress, inWindow->GetMyEmail())
MERGE_TAG(DateTime, LongDateText(Today()) + "," + TimeNow())
MERGE_TAG(LongDate, LongDateText(Today()))
MERGE_TAG(ShortDate, QLocale::system().toString(Today(), QLocale::ShortFormat))
MERGE_TAG(AbbrevDate, AbbreviatedDateText(Today()))
MERGE_TAG(Time, TimeNow())
MERGE_TAG(Subject, GetControlText(inWindow->Control(ControlRole::SubjectField)))
MERGE_TAG(DocumentURL, inWindow->mWebPageURL.isEmpty()
                           ? QString()
                           : QString::fromUtf8(QUrl::fromLocalFile(inWindow->mWebPageURL).toEncoded()))
MERGE_TAG(DocumentPath, inWindow->mWebPageURL)
MERGE_TAG(DocumentDisplayName, QFileInfo(inWindow->mWebPageURL).fileName())
MERGE_TAG(DocumentFilename, QFileInfo(inWindow->mWebPageURL).fileName())
MERGE_TAG(AttachmentPosixPath, FirstAttachmentPath(inWindow))

void TagAttachmentHFSPath(UInt8 inFlag, CBrevantoWindow* inWindow, CText& out)
{
    std::string hfs;
    const QString posix = FirstAttachmentPath(inWindow);
    if (!posix.isEmpty())
        POSIXPathToHFSPath(posix.toStdString(), &hfs);
    Put(inFlag, QString::fromStdString(hfs), out);
}

MERGE_TAG(Content, QString::fromUtf8(inWindow->mMessageText.buffer ? inWindow->mMessageText.buffer : "",
                                      inWindow->mMessageText.length))

PERSON_TAG(HomeAddressStreet, address, "home", "Street")
PERSON_TAG(HomeAddressCity, address, "home", "City")
PERSON_TAG(HomeAddressState, address, "home", "State")
PERSON_TAG(HomeAddressZip, address, "home", "ZIP")
PERSON_TAG(HomeAddressCountry, address, "home", "Country")
PERSON_TAG(HomeAddressCountryCode, address, "home", "CountryCode")
PERSON_TAG(WorkAddressStreet, address, "work", "Street")
PERSON_TAG(WorkAddressCity, address, "work", "City")
PERSON_TAG(WorkAddressState, address, "work", "State")
PERSON_TAG(WorkAddressZip, address, "work", "ZIP")
PERSON_TAG(WorkAddressCountry, address, "work", "Country")
PERSON_TAG(WorkAddressCountryCode, address, "work", "CountryCode")
PERSON_TAG(EmailWork, email, "work", "")
PERSON_TAG(EmailHome, email, "home", "")
PERSON_TAG(PhoneWork, phone, "work", "")
PERSON_TAG(PhoneHome, phone, "home", "")
PERSON_TAG(PhoneMobile, phone, "mobile", "")
PERSON_TAG(PhoneMain, phone, "main", "")
PERSON_TAG(PhoneHomeFax, phone, "home fax", "")
PERSON_TAG(PhoneWorkFax, phone, "work fax", "")
PERSON_TAG(PhonePager, phone, "pager", "")
PERSON_TAG(UID, uid, "", "")
PERSON_TAG(DateBirthday, birthday, "", "")
PERSON_TAG(DateAnniversary, date, "anniversary", "")
PERSON_TAG(RelatedNamesFather, relatedName, "father", "")
PERSON_TAG(RelatedNamesMother, relatedName, "mother", "")
PERSON_TAG(RelatedNamesParent, relatedName, "parent", "")
PERSON_TAG(RelatedNamesBrother, relatedName, "brother", "")
PERSON_TAG(RelatedNamesSister, relatedName, "sister", "")
PERSON_TAG(RelatedNamesChild, relatedName, "child", "")
PERSON_TAG(RelatedNamesFriend, relatedName, "friend", "")
PERSON_TAG(RelatedNamesSpouse, relatedName, "spouse", "")
PERSON_TAG(RelatedNamesPartner, relatedName, "partner", "")
PERSON_TAG(RelatedNamesAssistant, relatedName, "assistant", "")
PERSON_TAG(RelatedNamesManager, relatedName, "manager", "")
PERSON_TAG(OtherNote, property, "Note", "")
PERSON_TAG(OtherMiddleName, property, "MiddleName", "")
PERSON_TAG(OtherPrefix, property, "Title", "")
PERSON_TAG(OtherSuffix, property, "Suffix", "")
PERSON_TAG(OtherNickname, property, "Nickname", "")
PERSON_TAG(OtherMaidenName, property, "MaidenName", "")
PERSON_TAG(OtherOrganization, property, "Organization", "")
PERSON_TAG(OtherJobTitle, property, "JobTitle", "")
PERSON_TAG(OtherHomePage, property, "HomePage", "")

#undef MERGE_TAG
#undef PERSON_TAG

#define BIND(name) {#name, &Tag##name}
const MergeFieldBinding kMergeFieldBindings[] = {
    BIND(CurrentIndex), BIND(ToNameFirst), BIND(ToNameLast), BIND(ToName), BIND(ToGroup), BIND(ToAddress),
    BIND(FromNameFirst), BIND(FromNameLast), BIND(FromName), BIND(FromAddress), BIND(DateTime), BIND(LongDate),
    BIND(ShortDate), BIND(AbbrevDate), BIND(Time), BIND(Subject), BIND(DocumentURL), BIND(DocumentPath),
    BIND(DocumentDisplayName), BIND(DocumentFilename), BIND(AttachmentPosixPath), BIND(AttachmentHFSPath),
    BIND(Content), BIND(HomeAddressStreet), BIND(HomeAddressCity), BIND(HomeAddressState), BIND(HomeAddressZip),
    BIND(HomeAddressCountry), BIND(HomeAddressCountryCode), BIND(WorkAddressStreet), BIND(WorkAddressCity),
    BIND(WorkAddressState), BIND(WorkAddressZip), BIND(WorkAddressCountry), BIND(WorkAddressCountryCode),
    BIND(EmailWork), BIND(EmailHome), BIND(PhoneWork), BIND(PhoneHome), BIND(PhoneMobile), BIND(PhoneMain),
    BIND(PhoneHomeFax), BIND(PhoneWorkFax), BIND(PhonePager), BIND(UID), BIND(DateBirthday),
    BIND(DateAnniversary), BIND(RelatedNamesFather), BIND(RelatedNamesMother), BIND(RelatedNamesParent),
    BIND(RelatedNamesBrother), BIND(RelatedNamesSister), BIND(RelatedNamesChild), BIND(RelatedNamesFriend),
    BIND(RelatedNamesSpouse), BIND(RelatedNamesPartner), BIND(RelatedNamesAssistant), BIND(RelatedNamesManager),
    BIND(OtherNote), BIND(OtherMiddleName), BIND(OtherPrefix), BIND(OtherSuffix), BIND(OtherNickname),
    BIND(OtherMaidenName), BIND(OtherOrganization), BIND(OtherJobTitle), BIND(OtherHomePage),
};
#undef BIND
const size_t kMergeFieldBindingCount = std::size(kMergeFieldBindings);
static_assert(std::size(kMergeFieldBindings) == kMergeFieldCount);

void InstallMergeFieldValues() { InstallMergeFieldProcs(kMergeFieldBindings, kMergeFieldBindingCount); }

namespace {

bool EndsWithScriptSuffix(const QByteArray& inName)
{
    const QByteArray lower = QByteArray::fromPercentEncoding(inName).toLower();
    return lower.endsWith(".as") || lower.endsWith(".script") || lower.endsWith(".applescript");
}

} // namespace

// One tag's value: a script file, a registered field, or a label form (Email=, Phone=,
// RelatedNames=, Date= for address cards; ImportFileTag= for imported recipients).
bool CBrevantoWindow::ResolveMergeTag(UInt8 inFlag, const QByteArray& inName, CText& out)
{
    out.Assign("");
    if (EndsWithScriptSuffix(inName)) {
        CText script;
        script.LoadPath(QByteArray::fromPercentEncoding(inName).constData());
        SubstituteMergeVariables(script);
        RunScriptForValue(script, out);
        return true;
    }
    if (MergeFieldProc proc = InstalledMergeFieldProc(inName.constData())) {
        proc(inFlag, this, out);
        return true;
    }
    const qsizetype equals = inName.indexOf('=');
    if (equals <= 0 || equals == inName.size() - 1)
        return false;
    const QString key = QString::fromUtf8(inName.left(equals)).toLower();
    const QString label = QString::fromUtf8(inName.mid(equals + 1));
    const SInt32 index = mMergeRecipient.index;
    if (key == "importfiletag") {
        if (const auto value = CopyImportColumnValue(*this, index, label); value && mRecipientsTab != 1)
            Put(inFlag, *value, out);
        return false;
    }
    static const QMap<QString, EPersonValue> kCardForms = {{"email", EPersonValue::email},
                                                           {"phone", EPersonValue::phone},
                                                           {"relatednames", EPersonValue::relatedName},
                                                           {"date", EPersonValue::date}};
    if (!kCardForms.contains(key) || (index != -1 && mRecipientsTab != 1))
        return false;
    const QString value = CopyPersonValue(*this, index, {kCardForms.value(key), label, QString()});
    if (!value.isEmpty())
        Put(inFlag, value, out);
    return false;
}

void CBrevantoWindow::SubstituteMergeVariables(CText& ioScript)
{
    SubstituteScriptVariables(ioScript, [this](const char* inName, CText& out) {
        if (MergeFieldProc proc = InstalledMergeFieldProc(inName))
            proc(0, this, out);
    });
}

void CBrevantoWindow::ExpandPlainMergeTags(CText& ioText)
{
    ExpandTags(ioText, "{", "}",
               [this](const QByteArray& inName, CText& out) { return ResolveMergeTag(1, inName, out); });
    ExpandAppleScriptBlocks(ioText, [this](CText& ioScript) { SubstituteMergeVariables(ioScript); });
}

void CBrevantoWindow::ExpandMergeTags(CText& ioText)
{
    ExpandPlainMergeTags(ioText);
    if (!gEnvironment || !gEnvironment->monitorOn)
        return;
    const MergeRecipient& recipient = mMergeRecipient;
    const QString to = recipient.displayName.isEmpty() ? recipient.address
                                                       : recipient.displayName + " <" + recipient.address + ">";
    InsertTrackingImage(ioText, {CopyMessageMonitorHostAndPort(), to,
                                 GetControlText(Control(ControlRole::SubjectField)), mUniqueName});
}
