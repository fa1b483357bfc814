// The Select Recipients sheet (its commands, the find field, deleting imported recipients,
// unflagging the recipients a report log shows as sent) and the Add Recipient sheet.
// GUI thread only.
#include "CBrevantoWindow.h"

#include "ControlValues.h"
#include "DataBrowser.h"
#include "HelpLinks.h"
#include "Launcher.h"
#include "Presenter.h"
#include "ReportLogScan.h"
#include "SheetController.h"
#include "WindowAttributes.h"
#include "WindowEvents.h"
#include "WorkingFolders.h"

#include <QFile>
#include <QLineEdit>

namespace {

constexpr DataBrowserPropertyID kSearchColumns[] = {'fnme', 'lnme', 'mail'};
constexpr const char* kSearchPlaceholders[] = {"First Name", "Last Name", "Email Address"};

void ShowModalAlert(const QString& inMessage, const QString& inExplanation = QString())
{
    Presenter::Get().ShowAlert(AlertKind::note, inMessage, inExplanation, AlertButtons::ok);
}

// The report-log chooser opens where the reports are written.
QString ReportLogFolder()
{
    FSRef folder;
    return GetReportsFolder(&folder) ? QString::fromStdString(folder.path) : QString();
}

} // namespace

OSStatus CBrevantoWindow::HandleSelectRecipientsEvent(WindowEvent& ioEvent)
{
    if (ioEvent.kind != WindowEventKind::commandProcess)
        return eventNotHandledErr;
    WindowRef sheet = Window(ENibWindow::recipients);
    switch (ioEvent.command) {
    case 'ok  ':
        SheetController::HideSheetWindow(sheet);
        UpdateRecipientCountText();
        return noErr;
    case 'ADDr':
        SheetController::HideSheetWindow(sheet);
        UpdateRecipientCountText();
        ShowSheet(ENibWindow::addRecipient);
        return noErr;
    case 'BLST': ApplyBlacklist(); break;
    case 'SLCT':
    case 'SNON':
    case 'INVS':
        SelectRecipientRows(ioEvent.command);
        break;
    case 'FSEL': SetSelectedSendFlags(true); break;
    case 'USEL': SetSelectedSendFlags(false); break;
    case 'VLID': SetAllSendFlags(true); break;
    case 'UCHK': SetAllSendFlags(false); break;
    case 'IFLG': InvertSendFlags(); break;
    case 'FSRP':
        SetControl32BitValue(Control(ControlRole::RecipientsDisplayPopup), 1);
        UpdateSelectionCountText();
        break;
    case 'fnme': ChooseSearchKind(1); break;
    case 'lnme': ChooseSearchKind(2); break;
    case 'mail': ChooseSearchKind(3); break;
    case 'DUPL': FindDuplicateRecipients(); break;
    case 'VERI': VerifyAddresses(false); break;
    case 'DELE':
        if (CurrentSource() != ERecipientSource::imported) {
            ShowModalAlert(QStringLiteral("Sorry, this task is not available for Address Book recipeints."),
                           QStringLiteral("Please modify your group in Address Book to make deletions."));
            break;
        }
        if (!RefuseWhileSending())
            DeleteSelectedRecipients();
        break;
    case 'UFRL':
        if (const std::optional<QString> path = Presenter::Get().AskOpenFile(
                QStringLiteral("Choose Report Log"), QStringLiteral("Choose"), 'html', ReportLogFolder()))
            UnflagFromReportLog(*path);
        break;
    case 'SelR': ExportRecipients(0); return noErr;
    case 'SRCP': ExportRecipients(1); return noErr;
    case 'SALL': ExportRecipients(2); return noErr;
    case 'SCHD':
        SheetController::HideSheetWindow(sheet);
        UpdateRecipientCountText();
        OpenScheduleIfAllowed();
        return noErr;
    case 'HELP':
        Launcher::Current().Open(HelpFolderURL(QStringLiteral("SelectRecipients.html")));
        return noErr;
    default:
        return eventNotHandledErr;
    }
    UpdateModifiedMark();
    return eventNotHandledErr;
}

void CBrevantoWindow::SelectRecipientRows(CommandT inHow)
{
    auto* list = qobject_cast<DataBrowser*>(Control(ControlRole::RecipientsList));
    if (!list)
        return;
    if (inHow == 'SLCT') {
        list->SelectAll();
    } else if (inHow == 'SNON') {
        list->SelectNone();
    } else {
        std::vector<DataBrowserItemID> all;
        for (UInt32 item = 1; item <= list->CountItems(); ++item)
            all.push_back(item);
        list->SetSelectedItems(all, DataBrowserSetOption::toggle);
    }
}

void CBrevantoWindow::ChooseSearchKind(int inKind)
{
    ControlRef search = Control(ControlRole::RecipientsSearchField);
    for (SInt32 item = 1; item <= 3; ++item)
        SetPopupItemMark(search, item, item == inKind);
    if (auto* field = qobject_cast<QLineEdit*>(search))
        field->setPlaceholderText(QLatin1String(kSearchPlaceholders[inKind - 1]));
    mSelectedSearchField = inKind;
}

void CBrevantoWindow::FindDuplicateRecipients()
{
    const std::vector<SInt32> duplicates = CheckDuplicateAddresses();
    if (auto* list = qobject_cast<DataBrowser*>(Control(ControlRole::RecipientsList))) {
        std::vector<DataBrowserItemID> items;
        for (SInt32 index : duplicates)
            items.push_back(DataBrowserItemID(index + 1));
        list->SetSelectedItems(items, DataBrowserSetOption::assign);
    }
    if (duplicates.empty())
        ShowModalAlert(QStringLiteral("No duplicate email addresses were found."));
    else
        ShowModalAlert(QStringLiteral("Some email addresses had duplicates."),
                       QStringLiteral("Recipients with duplicate email addresses have been selected (see the "
                                      "Brevanto Console log for more information.)"));
}

void CBrevantoWindow::DeleteSelectedRecipients()
{
    auto* list = qobject_cast<DataBrowser*>(Control(ControlRole::RecipientsList));
    if (!list)
        return;
    const std::vector<DataBrowserItemID> selected = list->GetSelectedItems();
    if (selected.empty())
        return;
    if (Presenter::Get().ShowAlert(AlertKind::caution, QStringLiteral("Are you sure you want to delete the selected "
                                                                      "recipients?"),
                                   QStringLiteral("This operation can't be undone."),
                                   AlertButtons::okCancel) != kAlertStdAlertOKButton)
        return;
    // By position: a recipient listed twice loses only the row that was selected.
    std::vector<SInt32> indexes;
    for (DataBrowserItemID item : selected)
        indexes.push_back(SInt32(item) - 1);
    mImported.RemoveAt(indexes);
    mImportSendFlags.reset();
    ResetSendFlags(ERecipientSource::imported, mImported.Count(), mImportSendFlags, false);
    RefreshRecipientsList();
    UpdateSelectionCountText();
    UpdateImportSourceText();
}

void CBrevantoWindow::UnflagFromReportLog(const QString& inPath)
{
    QFile file(inPath);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    const QString text = QString::fromUtf8(bytes);
    if (!file.isOpen() || file.error() != QFileDevice::NoError || text.toUtf8() != bytes) {
        ShowModalAlert(QStringLiteral("The file could not be read."));
        return;
    }
    const std::optional<QStringList> sent = FindSentAddressesInReport(text);
    if (!sent)
        ShowModalAlert(QStringLiteral("The recipient table could not be found."));
    if (!sent || sent->isEmpty()) {
        ShowModalAlert(QStringLiteral("No email addresses with sending errors found."));
        return;
    }
    UnflagRecipientsFromLog(*sent);
}

void CBrevantoWindow::UpdateSelectionCountText()
{
    ControlRef caption = Control(ControlRole::SelectionCountCaption);
    SetControlTitleWithCFString(caption, QStringLiteral("%1/%2").arg(CountFlaggedRecipients()).arg(CountRecipients()));
    Draw1Control(caption);
}

// Searches from the row after the one selected row (else from the first), wrapping round, and
// stops before where it began: the index found, or -1.
SInt32 CBrevantoWindow::FindNextRecipient(const QString& inText)
{
    auto* list = qobject_cast<DataBrowser*>(Control(ControlRole::RecipientsList));
    const SInt32 count = CountRecipients();
    if (!list || inText.isEmpty() || count == 0)
        return -1;
    const std::vector<DataBrowserItemID> selected = list->GetSelectedItems();
    const SInt32 start = selected.size() == 1 ? SInt32(selected.front()) % count : 0;
    const int kind = std::clamp(mSelectedSearchField, 1, 3);
    for (SInt32 step = 0; step < count; ++step) {
        const SInt32 index = (start + step) % count;
        const QString value = kind == 1   ? GetRecipientFirstName(index)
                              : kind == 2 ? GetRecipientLastName(index)
                                          : GetRecipientEmail(index);
        if (value.contains(inText, Qt::CaseInsensitive))
            return index;
    }
    return -1;
}

// The hit is scrolled into view, the selection kept; no hit beeps.
OSStatus CBrevantoWindow::HandleFindFieldEvent(ControlEvent&)
{
    const QString wanted = GetControlText(Control(ControlRole::RecipientsSearchField)).left(255);
    if (wanted.isEmpty())
        return noErr;
    const SInt32 found = FindNextRecipient(wanted);
    if (found < 0) {
        Presenter::Get().Beep();
        return noErr;
    }
    if (auto* list = qobject_cast<DataBrowser*>(Control(ControlRole::RecipientsList)))
        list->RevealItem(DataBrowserItemID(found + 1), kSearchColumns[std::clamp(mSelectedSearchField, 1, 3) - 1], true);
    return noErr;
}

OSStatus CBrevantoWindow::HandleAddRecipientEvent(WindowEvent& ioEvent)
{
    ControlRef error = Control(ControlRole::AddErrorCaption);
    if (ioEvent.kind == WindowEventKind::shown) {
        HideControl(error);
        SetKeyboardFocus(Window(ENibWindow::addRecipient), Control(ControlRole::AddFirstNameField));
        return eventNotHandledErr;
    }
    if (ioEvent.kind != WindowEventKind::commandProcess)
        return eventNotHandledErr;
    const ControlRole fields[] = {ControlRole::AddFirstNameField, ControlRole::AddLastNameField,
                                  ControlRole::AddEmailField};
    switch (ioEvent.command) {
    case 'clea':
        for (ControlRole field : fields)
            SetControlText(Control(field), QString());
        return eventNotHandledErr;
    case 'PPIK':
        return eventNotHandledErr; // there is no people picker on this system
    case 'ok  ':
        if (RefuseWhileSending())
            return noErr;
        if (!AddRecipientFromSheet())
            return noErr;
        [[fallthrough]];
    case 'not!':
        HideControl(error);
        SheetController::HideSheetWindow(Window(ENibWindow::addRecipient));
        ShowSheet(ENibWindow::recipients);
        UpdateRecipientCountText();
        return noErr;
    default:
        return eventNotHandledErr;
    }
}

// False (a beep, the error caption shown) for a name without an address: the sheet stays.
Boolean CBrevantoWindow::AddRecipientFromSheet()
{
    const auto text = [this](ControlRole inRole) {
        return QString::fromUtf8(CString256(GetControlText(Control(inRole)).toUtf8().constData()).text);
    };
    const QString first = text(ControlRole::AddFirstNameField);
    const QString last = text(ControlRole::AddLastNameField);
    const QString email = text(ControlRole::AddEmailField);
    if (email.isEmpty() && (!first.isEmpty() || !last.isEmpty())) {
        Presenter::Get().Beep();
        ShowControl(Control(ControlRole::AddErrorCaption));
        return false;
    }
    if (email.isEmpty())
        return true;
    // The person joins the imported list: the sheet shows that list from now on.
    if (CurrentSource() != ERecipientSource::imported) {
        mRecipientsTab = 2;
        SelectRecipientsTab(2);
    }
    const Person person(first.toUtf8().constData(), last.toUtf8().constData(), email.toUtf8().constData());
    if (!mImported.Contains(person))
        mImported.Append(person);
    ResetSendFlags(ERecipientSource::imported, mImported.Count(), mImportSendFlags, false);
    RefreshRecipientsList();
    UpdateSelectionCountText();
    UpdateImportSourceText();
    return true;
}
