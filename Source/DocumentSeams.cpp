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
    gWindowList.Rewind();
    while (CBrevantoWindow** window = gWindowList.Next())
        (*window)->HideProgress();
}

OSStatus ChooseAndOpenDocument() { return ChooseAndSendOpen('Bvto'); }

OSStatus ImportRecipientsFile() { return ChooseAndSendOpen(0); }

// The document is neither read nor written yet: a window is never modified.
void CBrevantoWindow::ReadDocument(const CFPropertyList&) {}
void CBrevantoWindow::UpdateSavedState() {}
void CBrevantoWindow::ApplyGroupSelection() {}
void CBrevantoWindow::RebuildMyAddressesMenu()
{
    ControlRef popup = Control(ControlRole::FromMeAtPopup);
    if (!popup)
        return;
    DeletePopupItems(popup);
    for (const QString& address : mMeAddresses)
        AppendPopupItem(popup, address);
    if (!mMeAddresses.isEmpty())
        SetControl32BitValue(popup, 1);
}

// The server fields are kept in the preferences by the server code; nothing to copy yet.
void CBrevantoWindow::SaveServerDefaults(Boolean) {}

Boolean CBrevantoWindow::NormalizeURL()
{
    mWebPageURL = GetControlText(Control(ControlRole::SourceField)).trimmed();
    return !mWebPageURL.isEmpty();
}

void CBrevantoWindow::SetWebPageURLText(const QString& inURL) { SetControlText(Control(ControlRole::SourceField), inURL); }

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

void CBrevantoWindow::UpdateErrorCount()
{
    SInt32 errors = 0;
    deliveredList.Rewind();
    while (const DeliveredRecipient* result = deliveredList.Next()) {
        if (result->errorCode != 0)
            ++errors;
    }
    SetControlTitleWithCFString(Control(ControlRole::ErrorCountCaption),
                                QString::number(errors) + (errors == 1 ? " error" : " errors"));
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

namespace {

// One content line's name (group prefix dropped, upper case), parameters (upper case) and value.
struct VCardLine {
    QString name;
    QStringList parameters;
    QString value;
};

std::optional<VCardLine> ParseVCardLine(const QString& inLine)
{
    const qsizetype colon = inLine.indexOf(u':');
    if (colon < 0)
        return std::nullopt;
    QStringList head = inLine.left(colon).split(u';');
    VCardLine line;
    line.name = head.takeFirst().section(u'.', -1).toUpper();
    for (const QString& parameter : head)
        line.parameters += parameter.toUpper().remove(QStringLiteral("TYPE=")).split(u',');
    line.value = inLine.mid(colon + 1);
    return line;
}

QString UnescapeVCard(QString inText)
{
    inText.replace(QLatin1String("\\n"), QLatin1String("\n")).replace(QLatin1String("\\N"), QLatin1String("\n"));
    inText.replace(QLatin1String("\\,"), QLatin1String(",")).replace(QLatin1String("\\;"), QLatin1String(";"));
    return inText.replace(QLatin1String("\\\\"), QLatin1String("\\"));
}

// The components of a structured value, split at unescaped ";".
QStringList VCardComponents(const QString& inValue)
{
    QStringList parts;
    QString part;
    for (qsizetype at = 0; at < inValue.size(); ++at) {
        if (inValue[at] == u'\\' && at + 1 < inValue.size()) {
            part += inValue.mid(at, 2);
            ++at;
        } else if (inValue[at] == u';') {
            parts << UnescapeVCard(part);
            part.clear();
        } else {
            part += inValue[at];
        }
    }
    return parts << UnescapeVCard(part);
}

} // namespace

std::optional<VCardPerson> PersonFromVCard(const QByteArray& inData)
{
    QString text = QString::fromUtf8(inData);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1String("\n "), QString()).replace(QLatin1String("\n\t"), QString());
    VCardPerson person;
    bool inCard = false;
    QString formatted;
    for (const QString& raw : text.split(u'\n')) {
        const std::optional<VCardLine> line = ParseVCardLine(raw.trimmed());
        if (!line)
            continue;
        if (line->name == QLatin1String("BEGIN") && line->value.trimmed().toUpper() == QLatin1String("VCARD")) {
            inCard = true;
        } else if (!inCard) {
            continue;
        } else if (line->name == QLatin1String("END")) {
            if (person.firstName.isEmpty() && person.lastName.isEmpty() && person.organization.isEmpty())
                person.firstName = formatted;
            return person;
        } else if (line->name == QLatin1String("N")) {
            const QStringList parts = VCardComponents(line->value);
            person.lastName = parts.value(0).trimmed();
            person.firstName = parts.value(1).trimmed();
        } else if (line->name == QLatin1String("FN")) {
            formatted = UnescapeVCard(line->value).trimmed();
        } else if (line->name == QLatin1String("ORG")) {
            person.organization = VCardComponents(line->value).value(0).trimmed();
        } else if (line->name == QLatin1String("EMAIL")) {
            VCardPerson::Email email;
            email.address = UnescapeVCard(line->value).trimmed();
            email.label = line->parameters.contains(QLatin1String("HOME"))   ? QStringLiteral("HOME")
                          : line->parameters.contains(QLatin1String("WORK")) ? QStringLiteral("WORK")
                                                                              : QStringLiteral("OTHER");
            email.preferred = line->parameters.contains(QLatin1String("PREF")) ||
                              line->parameters.contains(QLatin1String("PREF=1"));
            if (!email.address.isEmpty())
                person.emails << email;
        }
    }
    return std::nullopt;
}

QString FirstLastNameOrOrganization(const VCardPerson& inPerson)
{
    QString name = inPerson.firstName;
    if (!inPerson.lastName.isEmpty())
        name += (name.isEmpty() ? QString() : QStringLiteral(" ")) + inPerson.lastName;
    return name.isEmpty() ? inPerson.organization : name;
}

QString EmailForAddressType(const VCardPerson& inPerson, CommandT inType)
{
    QStringList chosen;
    for (const VCardPerson::Email& email : inPerson.emails) {
        const bool wanted = inType == 'ALL ' || (inType == 'HOME' && email.label == QLatin1String("HOME")) ||
                            (inType == 'WORK' && email.label == QLatin1String("WORK")) ||
                            (inType == 'OTHE' && email.label == QLatin1String("OTHER"));
        if (wanted)
            chosen << email.address;
    }
    if (inType == 'PRIM' && !inPerson.emails.isEmpty()) {
        const auto preferred = std::find_if(inPerson.emails.begin(), inPerson.emails.end(),
                                            [](const VCardPerson::Email& inEmail) { return inEmail.preferred; });
        chosen << (preferred != inPerson.emails.end() ? preferred->address : inPerson.emails.first().address);
    }
    return chosen.join(u',');
}
