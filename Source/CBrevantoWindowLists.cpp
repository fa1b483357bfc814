// The mailing window's three lists: the recipients of the current source with their send flags,
// the recipients delivered (or failed) in the current run with the errors caption, and the
// attachments. Their sorting, double clicks, context menu and drags; the cells of the recipients
// list are in CBrevantoWindowRecipients.cpp. Item n of a list is entry n - 1 of its data.
//
// Callbacks never alert: they answer a list error, or false. GUI thread only.
#include "CBrevantoWindow.h"

#include "AddressBookAccess.h"
#include "AttachmentConversions.h"
#include "CommandRouter.h"
#include "ContactsRecord.h"
#include "ControlValues.h"
#include "DataBrowser.h"
#include "DataBrowserColumns.h"
#include "FileManager.h"
#include "FileRefUtilities.h"
#include "Launcher.h"
#include "PreferenceGetters.h"
#include "SheetController.h"
#include "TextFiles.h"
#include "WindowAttributes.h"

#include <QEvent>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include <algorithm>

namespace {

constexpr DataBrowserPropertyID kSendColumn = 'send';
constexpr DataBrowserPropertyID kIndexColumn = 'indx';
constexpr DataBrowserPropertyID kFirstNameColumn = 'fnme';
constexpr DataBrowserPropertyID kLastNameColumn = 'lnme';
constexpr DataBrowserPropertyID kEmailColumn = 'mail';
constexpr DataBrowserPropertyID kErrorColumn = 'erro';
constexpr DataBrowserPropertyID kRetriesColumn = 'rtry';
constexpr DataBrowserPropertyID kNameColumn = 'name';
constexpr DataBrowserPropertyID kPathColumn = 'path';
constexpr DataBrowserPropertyID kSizeColumn = 'size';
// Properties below this one are the list's own (the Data Browser reserves them).
constexpr DataBrowserPropertyID kFirstOwnProperty = 1024;

// An attachment row dragged inside its list: the dragged item's ID (4 bytes, native order).
constexpr char kAttachmentItemType[] = "application/x-brevanto-attachment-item";

// The recipients context menu's items.
constexpr SInt32 kFlagItem = 1;
constexpr SInt32 kUnflagItem = 2;
constexpr SInt32 kDeleteItem = 4;

// True when a's text sorts before b's, ignoring case; a missing text sorts after every one there.
bool TextBefore(const QString& inA, const QString& inB)
{
    if (inA.isEmpty())
        return false;
    if (inB.isEmpty())
        return true;
    return inA.compare(inB, Qt::CaseInsensitive) < 0;
}

bool LowerBytesBefore(const QString& inA, const QString& inB) { return inA.toLower().toUtf8() < inB.toLower().toUtf8(); }

// The dragged files, when every item of the drag is an existing local file or folder; an empty
// drag gives an empty list; anything else (text, a remote URL) none.
std::optional<QStringList> DraggedFiles(const QMimeData* inData)
{
    if (!inData)
        return std::nullopt;
    if (!inData->hasUrls())
        return inData->formats().isEmpty() ? std::optional<QStringList>(QStringList()) : std::nullopt;
    QStringList paths;
    for (const QUrl& url : inData->urls()) {
        if (!url.isLocalFile() || !QFileInfo::exists(url.toLocalFile()))
            return std::nullopt;
        paths.append(QFileInfo(url.toLocalFile()).absoluteFilePath());
    }
    return paths;
}

std::optional<DataBrowserItemID> DraggedAttachmentItem(const QMimeData* inData)
{
    const QByteArray bytes = inData ? inData->data(kAttachmentItemType) : QByteArray();
    if (bytes.size() != sizeof(DataBrowserItemID))
        return std::nullopt;
    DataBrowserItemID item = 0;
    memcpy(&item, bytes.constData(), sizeof item);
    return item;
}

// The path of a row (rows count from 1); empty for none.
QString PathAt(const QStringList& inPaths, DataBrowserItemID inItem)
{
    return inItem >= 1 ? inPaths.value(qsizetype(inItem - 1)) : QString();
}

// The size column: a file's size; "-" for a folder or a path that is gone.
QString AttachmentSizeCell(const QString& inPath)
{
    const QFileInfo info(inPath);
    if (!info.exists() || info.isDir())
        return QStringLiteral("-");
    return CBrevantoWindow::AttachmentSizeText(UInt64(info.size()));
}

// A file's size; 0 for a folder or a path that is gone.
qint64 SortSize(const QString& inPath)
{
    const QFileInfo info(inPath);
    return info.isFile() ? info.size() : 0;
}

// Fits the list's columns to it once, when it is first shown with its real width.
class FitColumnsOnFirstShow : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* inWatched, QEvent* inEvent) override
    {
        if (inEvent->type() == QEvent::Show) {
            FitDataBrowserColumns(qobject_cast<DataBrowser*>(inWatched));
            inWatched->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }
};

} // namespace

// ---- Recipients list ----

bool CBrevantoWindow::CompareRecipientFirstNames(DataBrowserItemID inA, DataBrowserItemID inB) const
{
    return TextBefore(GetRecipientFirstName(SInt32(inA) - 1), GetRecipientFirstName(SInt32(inB) - 1));
}

bool CBrevantoWindow::CompareRecipientLastNames(DataBrowserItemID inA, DataBrowserItemID inB) const
{
    return TextBefore(GetRecipientLastName(SInt32(inA) - 1), GetRecipientLastName(SInt32(inB) - 1));
}

bool CBrevantoWindow::CompareRecipientEmails(DataBrowserItemID inA, DataBrowserItemID inB) const
{
    return TextBefore(GetRecipientEmail(SInt32(inA) - 1), GetRecipientEmail(SInt32(inB) - 1));
}

bool CBrevantoWindow::RecipientsLess(DataBrowserItemID inA, DataBrowserItemID inB, DataBrowserPropertyID inProperty)
{
    switch (inProperty) {
    case kIndexColumn: return inA < inB;
    case kFirstNameColumn: return CompareRecipientFirstNames(inA, inB);
    case kLastNameColumn: return CompareRecipientLastNames(inA, inB);
    case kEmailColumn: return CompareRecipientEmails(inA, inB);
    case kSendColumn: {
        // Flagged recipients first, then by last name.
        const SendFlags& flags = CurrentSendFlags();
        const auto flagged = [&flags](DataBrowserItemID inItem) {
            return flags && inItem >= 1 && inItem <= flags->size() && (*flags)[inItem - 1];
        };
        if (flagged(inA) != flagged(inB))
            return flagged(inA);
        return CompareRecipientLastNames(inA, inB);
    }
    default: return false;
    }
}

void CBrevantoWindow::ShowRecipientInAddressBook(SInt32 inIndex) const
{
    if (CurrentSource() == ERecipientSource::addressBook)
        OpenPersonInAddressBook(AddressBookPerson(inIndex));
}

// Flag and Unflag with a selection; Delete only for imported recipients. The choice goes to the
// Select Recipients sheet as its command.
void CBrevantoWindow::ShowRecipientsContextMenu(QPoint inGlobal)
{
    QMenu* menu = mRecipientsContextMenu;
    auto* list = qobject_cast<DataBrowser*>(Control(ControlRole::RecipientsList));
    if (!menu || !list)
        return;
    const bool selected = !list->GetSelectedItems().empty();
    const QList<QAction*> items = menu->actions();
    const auto enable = [&items](SInt32 inItem, bool inEnabled) {
        if (inItem >= 1 && inItem <= items.size())
            items[inItem - 1]->setEnabled(inEnabled);
    };
    enable(kFlagItem, selected);
    enable(kUnflagItem, selected);
    enable(kDeleteItem, selected && CurrentSource() == ERecipientSource::imported);
    CommandRouter::PopUpNibMenu(menu, Window(ENibWindow::recipients), inGlobal);
}

Boolean CBrevantoWindow::ImportVCardFile(const QString& inPath)
{
    const QString extension = QFileInfo(inPath).suffix().toLower();
    if (extension != QLatin1String("vcf") && extension != QLatin1String("vcard"))
        return false;
    QFile file(inPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bool read = false;
    for (VCardChunk& chunk : ParseVCards(file.readAll())) {
        if (!chunk.parsed)
            continue;
        read = true;
        const ContactsRecord card(std::move(chunk.card));
        const Person person(GetRecordFirstName(&card).toUtf8().constData(), GetRecordLastName(&card).toUtf8().constData(),
                            GetRecordEmailForType(nullptr, &card, kAddressTypePrimary).toUtf8().constData());
        if (!mImported.Contains(person))
            mImported.Append(person);
    }
    if (!read)
        return false;
    // The cards join the imported recipients, which the list then shows.
    SelectRecipientsTab(2);
    mRecipientsTab = 2;
    ResetSendFlags(ERecipientSource::imported, mImported.Count(), mImportSendFlags, false);
    RefreshRecipientsList();
    UpdateImportSourceText();
    WindowAttributes::SetWindowModified(GetMainWindow(), true);
    return true;
}

Boolean CBrevantoWindow::ImportTextFile(const QString& inPath)
{
    if (!IsTextFile(inPath))
        return false;
    if (WindowRef sheet = Window(ENibWindow::recipients); SheetController::IsSheetShown(sheet))
        SheetController::HideSheetWindow(sheet);
    StartFileImport(inPath, GetControl32BitValue(Control(ControlRole::AddToGroupCheckBox)) != 0, false);
    return true;
}

bool CBrevantoWindow::ReceiveRecipientFiles(const QMimeData* inData)
{
    const std::optional<QStringList> paths = DraggedFiles(inData);
    if (!paths)
        return false;
    bool result = false;
    for (const QString& path : *paths) {
        if (!QFileInfo(path).isFile())
            continue;
        result = ImportVCardFile(path) || ImportTextFile(path);
    }
    return result;
}

// ---- Delivered list ----

// The rows follow the delivered list: a record appended since the last refresh is added as one
// row (a mailing refreshes after every recipient); any other change rebuilds the rows.
void CBrevantoWindow::RefreshDeliveredList(SInt32 inRevealItem)
{
    const SInt32 count = deliveredList.Count();
    deliveredList.Rewind();
    const DeliveredRecipient* first = deliveredList.Next();
    const bool appendedOne = count == SInt32(mDeliveredRows.size()) + 1 && !mDeliveredRows.empty() &&
                             mDeliveredRows.front() == first;
    if (appendedOne) {
        mDeliveredRows.push_back(deliveredList.Last());
        mDeliveredErrors += mDeliveredRows.back()->errorCode != 0 ? 1 : 0;
    } else {
        mDeliveredRows.clear();
        mDeliveredErrors = 0;
        deliveredList.Rewind();
        while (const DeliveredRecipient* record = deliveredList.Next()) {
            mDeliveredRows.push_back(record);
            mDeliveredErrors += record->errorCode != 0 ? 1 : 0;
        }
    }
    if (auto* list = qobject_cast<DataBrowser*>(Control(ControlRole::DeliveredList))) {
        if (appendedOne && list->CountItems() == UInt32(count - 1)) {
            const DataBrowserItemID item = DataBrowserItemID(count);
            list->AddItems(1, &item);
        } else {
            list->RemoveAllItems();
            list->AddItems(UInt32(count));
        }
        if (inRevealItem > 0)
            list->RevealItem(DataBrowserItemID(inRevealItem), 0, false);
    }
    UpdateErrorCount();
}

void CBrevantoWindow::UpdateErrorCount()
{
    SetControlTitleWithCFString(Control(ControlRole::ErrorCountCaption),
                                QString::number(mDeliveredErrors) + (mDeliveredErrors == 1 ? " error" : " errors"));
}

const DeliveredRecipient* CBrevantoWindow::DeliveredRow(DataBrowserItemID inItem) const
{
    return inItem >= 1 && inItem <= mDeliveredRows.size() ? mDeliveredRows[inItem - 1] : nullptr;
}

OSStatus CBrevantoWindow::DeliveredItemData(DataBrowserItemID inItem, DataBrowserPropertyID inProperty,
                                            DataBrowserItemData& ioData)
{
    const DeliveredRecipient* record = DeliveredRow(inItem);
    if (!record)
        return errDataBrowserItemNotFound;
    switch (inProperty) {
    case kIndexColumn: ioData.text = QString::number(inItem); break;
    case kFirstNameColumn: ioData.text = record->firstName; break;
    case kLastNameColumn: ioData.text = record->lastName; break;
    case kEmailColumn: ioData.text = record->emailAddress; break;
    case kErrorColumn: ioData.text = QString::fromUtf8(record->errorText.text); break;
    case kRetriesColumn: ioData.text = QString::number(record->retries); break;
    default: return errDataBrowserPropertyNotSupported;
    }
    return noErr;
}

bool CBrevantoWindow::DeliveredLess(DataBrowserItemID inA, DataBrowserItemID inB, DataBrowserPropertyID inProperty) const
{
    const DeliveredRecipient* a = DeliveredRow(inA);
    const DeliveredRecipient* b = DeliveredRow(inB);
    if (!a || !b)
        return false;
    const auto less = [](const QString& inX, const QString& inY, Qt::CaseSensitivity inCase) {
        return inX.compare(inY, inCase) < 0;
    };
    switch (inProperty) {
    case kIndexColumn: return inA < inB;
    case kErrorColumn:
        return less(QString::fromUtf8(a->errorText.text), QString::fromUtf8(b->errorText.text), Qt::CaseInsensitive);
    case kFirstNameColumn: return less(a->firstName, b->firstName, Qt::CaseSensitive);
    case kLastNameColumn: return less(a->lastName, b->lastName, Qt::CaseSensitive);
    case kEmailColumn: return less(a->emailAddress, b->emailAddress, Qt::CaseSensitive);
    case kRetriesColumn: return a->retries < b->retries;
    default: return false;
    }
}

// ---- Attachments list ----

OSStatus CBrevantoWindow::AttachmentItemData(DataBrowserItemID inItem, DataBrowserPropertyID inProperty,
                                             DataBrowserItemData& ioData)
{
    const QString path = PathAt(mAttachmentPaths, inItem);
    if (path.isEmpty())
        return errDataBrowserItemNotFound;
    switch (inProperty) {
    case kIndexColumn: ioData.text = QString::number(inItem); break;
    case kNameColumn: {
        ioData.text = QFileInfo(path).fileName();
        auto icon = mAttachmentIcons.constFind(path);
        if (icon == mAttachmentIcons.constEnd())
            icon = mAttachmentIcons.insert(path, QFileIconProvider().icon(QFileInfo(path)));
        ioData.icon = *icon;
        break;
    }
    case kPathColumn: ioData.text = path; break;
    case kSizeColumn: ioData.text = AttachmentSizeCell(path); break;
    default: return errDataBrowserPropertyNotSupported;
    }
    return noErr;
}

bool CBrevantoWindow::AttachmentsLess(DataBrowserItemID inA, DataBrowserItemID inB,
                                      DataBrowserPropertyID inProperty) const
{
    if (inProperty < kFirstOwnProperty)
        return false;
    const QString a = PathAt(mAttachmentPaths, inA);
    const QString b = PathAt(mAttachmentPaths, inB);
    switch (inProperty) {
    case kIndexColumn: return inA < inB;
    case kNameColumn: return LowerBytesBefore(QFileInfo(a).fileName(), QFileInfo(b).fileName());
    case kPathColumn: return LowerBytesBefore(a, b);
    case kSizeColumn: return SortSize(a) < SortSize(b);
    default: return false;
    }
}

void CBrevantoWindow::AttachmentsNotification(DataBrowser* inList, DataBrowserItemID inItem, UInt32 inMessage)
{
    if (inMessage == kDataBrowserItemDoubleClicked) {
        if (const QString path = PathAt(mAttachmentPaths, inItem); !path.isEmpty())
            Launcher::Current().Open(path);
    }
    if (inList->GetSelectedItems().empty())
        DisableControl(Control(ControlRole::RemoveAttachmentButton));
    else
        EnableControl(Control(ControlRole::RemoveAttachmentButton));
}

Boolean CBrevantoWindow::AttachFolderFiles(const QString& inFolder)
{
    FSRef folder;
    if (FSPathMakeRef(inFolder, &folder) != noErr)
        return false;
    std::vector<FSRef> items;
    ItemCount count = 0;
    Boolean changed = false;
    GetFolderItems(&folder, &items, &count, &changed);
    bool added = false;
    for (const FSRef& item : items) {
        const QString path = QString::fromStdString(item.path);
        FileInfo info;
        Boolean isFolder = false;
        if (!QFileInfo(path).isFile() || GetFinderInfo(&item, &info, nullptr, &isFolder) != noErr || isFolder ||
            (info.finderFlags & kIsInvisible))
            continue;
        if (AppendAttachmentPath(path)) {
            added = true;
            RefreshAttachmentsList();
            WindowAttributes::SetWindowModified(GetMainWindow(), true);
        }
    }
    return added;
}

// A row dragged onto another changes places with it; dropped files are added (a folder's files
// unless folders travel zipped; text and PDF files converted or split as the settings say).
bool CBrevantoWindow::ReceiveAttachmentDrop(const QMimeData* inData, DataBrowserItemID inTarget)
{
    if (const std::optional<DataBrowserItemID> dragged = DraggedAttachmentItem(inData)) {
        const auto count = DataBrowserItemID(mAttachmentPaths.size());
        if (*dragged < 1 || inTarget < 1 || *dragged > count || inTarget > count)
            return false;
        mAttachmentPaths.swapItemsAt(qsizetype(*dragged - 1), qsizetype(inTarget - 1));
        RefreshAttachmentsList();
        WindowAttributes::SetWindowModified(GetMainWindow(), true);
        return true;
    }
    const std::optional<QStringList> files = DraggedFiles(inData);
    if (!files)
        return false;
    bool result = false;
    for (const QString& path : *files) {
        if (QFileInfo(path).isDir() && !GetZipFolders() && !IsTextFileType(path)) {
            result = AttachFolderFiles(path);
            continue;
        }
        AddAttachmentFile(path);
        RefreshAttachmentsList();
        WindowAttributes::SetWindowModified(GetMainWindow(), true);
        result = true;
    }
    return result;
}

// ---- Set-up ----

// Each list finds its window through the ('KWRD', 'Mail') property; the callbacks serve the
// rows of the window's data.
void CBrevantoWindow::InstallListCallbacks()
{
    const CBrevantoWindow* self = this;
    const QByteArray owner(reinterpret_cast<const char*>(&self), sizeof self);
    for (ControlRole role : {ControlRole::AttachmentsList, ControlRole::RecipientsList, ControlRole::DeliveredList}) {
        if (auto* list = qobject_cast<DataBrowser*>(Control(role))) {
            SetControlProperty(list, 'KWRD', 'Mail', owner);
            list->installEventFilter(new FitColumnsOnFirstShow(list));
        }
    }
    if (auto* list = qobject_cast<DataBrowser*>(Control(ControlRole::RecipientsList))) {
        DataBrowserCallbacks callbacks;
        callbacks.itemData = [this](DataBrowser*, DataBrowserItemID inItem, DataBrowserPropertyID inProperty,
                                    DataBrowserItemData& ioData, bool inSetValue) {
            return RecipientItemData(inItem, inProperty, ioData, inSetValue);
        };
        callbacks.compare = [this](DataBrowser*, DataBrowserItemID inA, DataBrowserItemID inB,
                                   DataBrowserPropertyID inProperty) { return RecipientsLess(inA, inB, inProperty); };
        callbacks.notification = [this](DataBrowser*, DataBrowserItemID inItem, UInt32 inMessage) {
            if (inMessage == kDataBrowserItemDoubleClicked)
                ShowRecipientInAddressBook(SInt32(inItem) - 1);
        };
        callbacks.contextMenu = [this](DataBrowser*, QPoint inGlobal) { ShowRecipientsContextMenu(inGlobal); };
        callbacks.acceptDrag = [](DataBrowser*, const QMimeData* inData, DataBrowserItemID) {
            return DraggedFiles(inData).has_value();
        };
        callbacks.receiveDrag = [this](DataBrowser*, const QMimeData* inData, DataBrowserItemID) {
            return ReceiveRecipientFiles(inData);
        };
        list->SetCallbacks(callbacks);
        list->SetSortProperty(kIndexColumn);
        list->SetSortOrder(kDataBrowserOrderIncreasing);
    }
    if (auto* list = qobject_cast<DataBrowser*>(Control(ControlRole::DeliveredList))) {
        DataBrowserCallbacks callbacks;
        callbacks.itemData = [this](DataBrowser*, DataBrowserItemID inItem, DataBrowserPropertyID inProperty,
                                    DataBrowserItemData& ioData, bool inSetValue) {
            return inSetValue ? OSStatus(errDataBrowserPropertyNotSupported)
                              : DeliveredItemData(inItem, inProperty, ioData);
        };
        callbacks.compare = [this](DataBrowser*, DataBrowserItemID inA, DataBrowserItemID inB,
                                   DataBrowserPropertyID inProperty) { return DeliveredLess(inA, inB, inProperty); };
        list->SetCallbacks(callbacks);
        list->SetSortProperty(kIndexColumn);
        list->SetSortOrder(kDataBrowserOrderIncreasing);
    }
    if (auto* list = qobject_cast<DataBrowser*>(Control(ControlRole::AttachmentsList))) {
        DataBrowserCallbacks callbacks;
        callbacks.itemData = [this](DataBrowser*, DataBrowserItemID inItem, DataBrowserPropertyID inProperty,
                                    DataBrowserItemData& ioData, bool inSetValue) {
            return inSetValue ? OSStatus(errDataBrowserPropertyNotSupported)
                              : AttachmentItemData(inItem, inProperty, ioData);
        };
        callbacks.compare = [this](DataBrowser*, DataBrowserItemID inA, DataBrowserItemID inB,
                                   DataBrowserPropertyID inProperty) { return AttachmentsLess(inA, inB, inProperty); };
        callbacks.notification = [this](DataBrowser* inList, DataBrowserItemID inItem, UInt32 inMessage) {
            AttachmentsNotification(inList, inItem, inMessage);
        };
        callbacks.addDragItem = [](DataBrowser*, DataBrowserItemID inItem, QMimeData* ioData) {
            ioData->setData(kAttachmentItemType, QByteArray(reinterpret_cast<const char*>(&inItem), sizeof inItem));
            return true;
        };
        callbacks.acceptDrag = [](DataBrowser*, const QMimeData* inData, DataBrowserItemID) {
            return DraggedAttachmentItem(inData).has_value() || DraggedFiles(inData).has_value();
        };
        callbacks.receiveDrag = [this](DataBrowser*, const QMimeData* inData, DataBrowserItemID inTarget) {
            return ReceiveAttachmentDrop(inData, inTarget);
        };
        list->SetCallbacks(callbacks);
    }
    RefreshAttachmentsList();
}
