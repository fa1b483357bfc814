#include "MailingWindowDrops.h"

#include "AddressBookAccess.h"
#include "CBrevantoWindow.h"
#include "CHTTPRequest.h"
#include "CThread.h"
#include "CURL.h"
#include "ControlValues.h"
#include "FileManager.h"
#include "FileRefUtilities.h"
#include "IconWell.h"
#include "MemoryBlocks.h"
#include "PathHelpers.h"
#include "PreferenceGetters.h"
#include "VCard.h"
#include "SiteIcons.h"
#include "WebEnvironment.h"
#include "WholeFileWrite.h"
#include "WindowAttributes.h"

#include <QFileInfo>
#include <QPointer>
#include <QStringDecoder>

namespace {

constexpr SInt32 kTitleTimeoutSeconds = 10;

using ENib = CBrevantoWindow::ENibWindow;

// The target fields of each window that takes drops, in the order they are tried.
const std::vector<ControlRole>& TargetRolesOf(ENib inWhich)
{
    static const std::vector<ControlRole> main = {ControlRole::SenderNameField, ControlRole::SenderEmailField,
                                                  ControlRole::SourceField};
    static const std::vector<ControlRole> addRecipient = {ControlRole::AddFirstNameField, ControlRole::AddLastNameField,
                                                          ControlRole::AddEmailField};
    static const std::vector<ControlRole> otherOptions = {ControlRole::CcField, ControlRole::BccField,
                                                          ControlRole::ReturnPathField, ControlRole::ReplyToField};
    static const std::vector<ControlRole> none;
    switch (inWhich) {
    case ENib::main: return main;
    case ENib::addRecipient: return addRecipient;
    case ENib::otherOptions: return otherOptions;
    default: return none;
    }
}

CBrevantoWindow* MailingWindowOf(WindowRef inWindow)
{
    return inWindow ? static_cast<CBrevantoWindow*>(WindowAttributes::GetWRefCon(inWindow)) : nullptr;
}

std::optional<ENib> WhichWindow(CBrevantoWindow& inMailing, WindowRef inWindow)
{
    for (ENib which : {ENib::main, ENib::addRecipient, ENib::otherOptions}) {
        if (inMailing.Window(which) == inWindow)
            return which;
    }
    return std::nullopt;
}

// The visible target field of the window whose bounds hold the point; null when none.
ControlRole TargetAt(CBrevantoWindow& inMailing, ENib inWhich, QPoint inPoint, bool* outFound)
{
    *outFound = false;
    WindowRef window = inMailing.Window(inWhich);
    for (ControlRole role : TargetRolesOf(inWhich)) {
        ControlRef field = inMailing.Control(role);
        if (!field || !field->isVisibleTo(window))
            continue;
        QRect bounds;
        GetControlBounds(field, &bounds);
        if (bounds.contains(inPoint)) {
            *outFound = true;
            return role;
        }
    }
    return ControlRole::SourceField;
}

// A text cut to 255 UTF-8 bytes on a character boundary, as the fields hold them.
QString Cut255(const QString& inText) { return QString::fromUtf8(CString256(inText.toUtf8().constData()).text); }

CommandT AddressTypeOf(ControlRef inPopup)
{
    return inPopup ? GetPopupItemCommand(inPopup, GetControl32BitValue(inPopup)) : 0;
}

// The vCard's person for the popup's address type: name (first and last, else the
// organization), first, last and e-mail; all empty for type 0. False when no person.
struct DroppedPerson {
    QString name;
    QString first;
    QString last;
    QString email;
};

std::optional<DroppedPerson> PersonOfDrag(DragRef& inDrag, ControlRef inAddressTypePopup)
{
    const QByteArray data = CopyDragVCardData(inDrag);
    if (data.isNull())
        return std::nullopt;
    std::vector<VCardChunk> cards = ParseVCards(data);
    const auto first = std::find_if(cards.begin(), cards.end(), [](const VCardChunk& inChunk) { return inChunk.parsed; });
    if (first == cards.end())
        return std::nullopt;
    const ContactsRecord person(std::move(first->card));
    DroppedPerson dropped;
    const CommandT type = AddressTypeOf(inAddressTypePopup);
    if (type == 0)
        return dropped;
    CText name;
    CText email;
    GetRecordOrganizationOrName(nullptr, &person, type, name, email, false);
    const auto textOf = [](const CText& inText) { return QString::fromUtf8(inText.buffer ? inText.buffer : ""); };
    dropped.name = textOf(name);
    dropped.first = GetRecordFirstName(&person);
    dropped.last = GetRecordLastName(&person);
    dropped.email = textOf(email);
    return dropped;
}

void SetField(ControlRef inField, const QString& inText)
{
    SetControlText(inField, Cut255(inText));
    Draw1Control(inField);
}

// Fetches a dropped address's page title and makes it the subject, while the source field
// still holds that address.
class CPageTitleThread : public CThread {
public:
    CPageTitleThread(CBrevantoWindow* inWindow, const QString& inAddress)
        : mWindow(inWindow)
        , mAddress(inAddress)
    {
    }

    void* Run() override
    {
        const QString title = FetchTitle();
        CheckStop();
        if (title.isEmpty() || GetControlText(mWindow->Control(ControlRole::SourceField)).trimmed() != mAddress)
            return nullptr;
        SetField(mWindow->Control(ControlRole::SubjectField), title);
        return nullptr;
    }

private:
    QString FetchTitle()
    {
        QByteArray page;
        if (mAddress.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
            mAddress.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)) {
            const std::string address = mAddress.toStdString();
            const std::string agent = WebEnvironment::UserAgent();
            CURL head(address.c_str());
            if (!head.Head(agent.c_str(), "", "", kTitleTimeoutSeconds) ||
                !QString::fromUtf8(head.contentType.text).startsWith(QLatin1String("text/html"), Qt::CaseInsensitive))
                return {};
            CheckStop();
            CHTTPRequest request(kTitleTimeoutSeconds, true);
            request.Get(address.c_str(), agent.c_str(), "", "");
            const SInt32 length = request.GetDataLength();
            if (Ptr data = request.GetData()) {
                page = QByteArray(data, length);
                DisposePtr(data);
            }
        } else if (mAddress.startsWith('/')) {
            CString256 type;
            if (!GetMIMETypeForName(QFileInfo(mAddress).fileName().toUtf8().constData(), type) ||
                !QString::fromUtf8(type.text).startsWith(QLatin1String("text/html"), Qt::CaseInsensitive))
                return {};
            std::string bytes;
            if (ReadWholeFileBytes(mAddress.toStdString(), &bytes) == noErr)
                page = QByteArray::fromStdString(bytes);
        }
        QStringDecoder decoder(QStringConverter::System);
        const QString text = decoder(page);
        const qsizetype open = text.indexOf(QLatin1String("<TITLE>"), 0, Qt::CaseInsensitive);
        if (open < 0)
            return {};
        const qsizetype close = text.indexOf(QLatin1String("</TITLE>"), open + 7, Qt::CaseInsensitive);
        return close < 0 ? QString() : text.mid(open + 7, close - open - 7);
    }

    CBrevantoWindow* mWindow;
    QString mAddress;
};

class MailingWindowDrop {
public:
    MailingWindowDrop(CBrevantoWindow& inMailing, DragRef& inDrag)
        : mMailing(inMailing)
        , mDrag(inDrag)
    {
    }

    void OnSender()
    {
        const std::optional<DroppedPerson> person =
            PersonOfDrag(mDrag, mMailing.Control(ControlRole::SenderAddressTypePopup));
        if (!person)
            return;
        SetField(mMailing.Control(ControlRole::SenderNameField), person->name);
        SetField(mMailing.Control(ControlRole::SenderEmailField), person->email);
    }

    void OnAddRecipient()
    {
        const std::optional<DroppedPerson> person =
            PersonOfDrag(mDrag, mMailing.Control(ControlRole::AddAddressTypePopup));
        if (!person)
            return;
        SetField(mMailing.Control(ControlRole::AddFirstNameField), person->first);
        SetField(mMailing.Control(ControlRole::AddLastNameField), person->last);
        SetField(mMailing.Control(ControlRole::AddEmailField), person->email);
    }

    void OnOtherOption(ControlRole inField)
    {
        const std::optional<DroppedPerson> person =
            PersonOfDrag(mDrag, mMailing.Control(ControlRole::OptionsAddressTypePopup));
        if (!person)
            return;
        const QString text = person->name.isEmpty() ? person->email : person->name + " <" + person->email + ">";
        SetField(mMailing.Control(inField), text);
    }

    void OnSource()
    {
        QByteArray data;
        if (mDrag.GetFlavorData(1, 'hfs ', &data)) {
            DropItem(QString::fromUtf8(data));
            return;
        }
        if (!mDrag.GetFlavorData(1, 'utf8', &data))
            return;
        const QString text = QString::fromUtf8(data);
        if (text.isEmpty())
            return;
        SetSource(text);
        if (CBrevantoWindow::GetSetSubjectToTitle())
            StartTitleFetch(text.trimmed());
    }

private:
    void DropItem(const QString& inPath)
    {
        FSRef item;
        bool folder = false;
        if (FSPathMakeRef(inPath, &item, &folder) != noErr)
            return;
        if (folder) {
            DropFolder(inPath);
            return;
        }
        if (QFileInfo(inPath).suffix().compare(QLatin1String("webloc"), Qt::CaseInsensitive) == 0) {
            const QString address = ReadWeblocURL(item);
            if (address.isEmpty())
                return;
            SetSource(address);
            if (CBrevantoWindow::GetSetSubjectToTitle())
                StartTitleFetch(address.trimmed());
            return;
        }
        SetSource(inPath);
        if (CBrevantoWindow::GetSetSubjectToFilename())
            SetField(mMailing.Control(ControlRole::SubjectField), QFileInfo(inPath).fileName());
    }

    // Its visible regular files, or itself when folders travel zipped.
    void DropFolder(const QString& inPath)
    {
        if (GetZipFolders())
            mMailing.AppendAttachmentPath(inPath);
        else
            mMailing.AttachFolderFiles(inPath);
        mMailing.RefreshAttachmentsList();
        WindowAttributes::SetWindowModified(mMailing.GetMainWindow(), true);
    }

    void SetSource(const QString& inText)
    {
        ControlRef field = mMailing.Control(ControlRole::SourceField);
        SetControlText(field, inText);
        Draw1Control(field);
        mMailing.UpdateViewButton();
        if (auto* well = qobject_cast<IconWell*>(mMailing.Control(ControlRole::SiteIconWell)))
            well->SetIcon(GetSiteIcon(mMailing.mWebPageURL));
    }

    void StartTitleFetch(const QString& inAddress)
    {
        auto* thread = new CPageTitleThread(&mMailing, inAddress);
        mMailing.AdoptThread(thread);
        thread->Resume();
    }

    CBrevantoWindow& mMailing;
    DragRef& mDrag;
};

} // namespace

OSStatus InstallMailingWindowDragHandlers(WindowRef inWindow)
{
    OSStatus error = InstallTrackingHandler(inWindow, MailingWindowDragTracking);
    if (error != noErr)
        return error;
    error = InstallReceiveHandler(inWindow, MailingWindowDragReceive);
    if (error != noErr)
        return error;
    CBrevantoWindow* mailing = MailingWindowOf(inWindow);
    const std::optional<ENib> which = mailing ? WhichWindow(*mailing, inWindow) : std::nullopt;
    if (which) {
        QList<ControlRef> targets;
        for (ControlRole role : TargetRolesOf(*which))
            targets << mailing->Control(role);
        SetDragTargets(inWindow, targets);
    }
    return noErr;
}

bool IsExistingHFSItemDrag(DragRef& inDrag, UInt16 inItem)
{
    QByteArray path;
    return inDrag.GetFlavorData(inItem, 'hfs ', &path) && QFileInfo::exists(QString::fromUtf8(path));
}

QByteArray CopyDragVCardData(DragRef& inDrag)
{
    QByteArray data;
    for (UInt16 item = 1; item <= inDrag.CountItems(); ++item) {
        if (inDrag.GetFlavorData(item, 'vCrd', &data) && !data.isEmpty())
            return data;
    }
    return {};
}

bool IsAcceptableMailingDrag(DragRef& inDrag)
{
    if (inDrag.CountItems() != 1)
        return false;
    for (FlavorType flavor : inDrag.ItemFlavors(1)) {
        switch (flavor) {
        case 'utf8':
        case 'utxt': return true;
        case 'vCrd': return !CopyDragVCardData(inDrag).isNull();
        case 'furl':
        case 'hfs ':
        case 'phfs': return IsExistingHFSItemDrag(inDrag, 1);
        default: break;
        }
    }
    return false;
}

OSErr MailingWindowDragTracking(DragTrackingMessage inMessage, WindowRef inWindow, DragRef& inDrag)
{
    if (!IsAcceptableMailingDrag(inDrag))
        return noErr;
    if (inMessage == DragTrackingMessage::leaveWindow) {
        HideDragHilite(inWindow);
        return noErr;
    }
    if (inMessage != DragTrackingMessage::inWindow)
        return noErr;
    CBrevantoWindow* mailing = MailingWindowOf(inWindow);
    const std::optional<ENib> which = mailing ? WhichWindow(*mailing, inWindow) : std::nullopt;
    ControlRef under = inDrag.ControlUnderMouse();
    if (!which || !under) {
        HideDragHilite(inWindow);
        return noErr;
    }
    for (ControlRole role : TargetRolesOf(*which)) {
        if (mailing->Control(role) != under)
            continue;
        QRect bounds;
        GetControlBounds(under, &bounds);
        ShowDragHilite(inWindow, bounds.adjusted(1, 1, -1, -1));
        return noErr;
    }
    HideDragHilite(inWindow);
    return noErr;
}

OSErr MailingWindowDragReceive(WindowRef inWindow, DragRef& inDrag)
{
    const bool acceptable = IsAcceptableMailingDrag(inDrag);
    CBrevantoWindow* mailing = MailingWindowOf(inWindow);
    HideDragHilite(inWindow);
    if (!mailing || !acceptable)
        return noErr;
    const std::optional<ENib> which = WhichWindow(*mailing, inWindow);
    if (!which)
        return noErr;
    bool found = false;
    const ControlRole target = TargetAt(*mailing, *which, inDrag.Mouse(), &found);
    if (!found)
        return noErr;
    MailingWindowDrop drop(*mailing, inDrag);
    switch (target) {
    case ControlRole::SenderNameField:
    case ControlRole::SenderEmailField: drop.OnSender(); break;
    case ControlRole::SourceField: drop.OnSource(); break;
    case ControlRole::AddFirstNameField:
    case ControlRole::AddLastNameField:
    case ControlRole::AddEmailField: drop.OnAddRecipient(); break;
    default: drop.OnOtherOption(target); break;
    }
    return noErr;
}
