// The two address checks over the current recipient source: the form of every flagged address
// (before a mailing, or asked for from the recipients sheet) and addresses that repeat an
// earlier one, letter case aside. Both show their progress in the status line and log what
// they find.
#include "CBrevantoWindow.h"

#include "CEnvironment.h"
#include "ControlValues.h"
#include "DataBrowser.h"
#include "LThread.h"
#include "NetworkChecks.h"

#include <QSet>

namespace {

void LogLine(const QString& inText)
{
    if (gEnvironment)
        gEnvironment->LogLine(inText.toUtf8().constData());
}

// Recipients between two event passes: long lists stay responsive without a pass per row.
constexpr SInt32 kRecipientsPerPass = 50;

} // namespace

QStringList CBrevantoWindow::SplitRecipientAddresses(const QString& inAddressText)
{
    QStringList addresses;
    for (const QString& piece : inAddressText.split(QLatin1Char(','))) {
        const QString address = piece.trimmed();
        if (!address.isEmpty())
            addresses.append(address);
    }
    return addresses;
}

// Walks every recipient of the current source (flagged only, or all), with the status line's
// bar showing how far it got; the visitor sees index, name and split addresses.
template <class Visitor>
static void WalkRecipients(CBrevantoWindow& inWindow, bool inFlaggedOnly, const QString& inCaption, Visitor inVisit)
{
    const CBrevantoWindow::ERecipientSource source = inWindow.CurrentSource();
    const SInt32 count = inWindow.CountRecipients();
    const CBrevantoWindow::SendFlags flags = inWindow.CurrentSendFlags();
    ControlRef bar = inWindow.Control(ControlRole::StatusProgress);
    SetProgressIndeterminate(bar, false);
    SetControl32BitMaximum(bar, 100);
    SetControl32BitValue(bar, 0);
    inWindow.SetStatusText(inCaption);
    for (SInt32 index = 0; index < count; ++index) {
        if (inFlaggedOnly && (!flags || size_t(index) >= flags->size() || !(*flags)[size_t(index)]))
            continue;
        SetControl32BitValue(bar, SInt32(100LL * (index + 1) / count));
        if (index % kRecipientsPerPass == 0)
            LThread::PumpEvents();
        QString name;
        QString addresses;
        inWindow.GetRecipientNameAndAddress(source, index, name, addresses);
        inVisit(index, name, CBrevantoWindow::SplitRecipientAddresses(addresses));
    }
    SetProgressIndeterminate(bar, true);
    inWindow.HideProgress();
}

std::vector<SInt32> CBrevantoWindow::ValidateFlaggedAddresses()
{
    LogLine("Validating email addresses.");
    std::vector<SInt32> failed;
    WalkRecipients(*this, true, "Verifying email addresses...",
                   [&failed](SInt32 inIndex, const QString& inName, const QStringList& inAddresses) {
                       if (inAddresses.isEmpty()) {
                           LogLine("Failed validation: " + inName);
                           failed.push_back(inIndex);
                           return;
                       }
                       for (const QString& address : inAddresses) {
                           if (!IsValidEmailAddress(address)) {
                               LogLine("Failed validation: " + address);
                               failed.push_back(inIndex);
                               return;
                           }
                       }
                   });
    if (failed.empty())
        LogLine("All flagged addresses passed validation!");
    else
        LogLine(QString::number(failed.size()) +
                (failed.size() == 1 ? " message failed verification. " : " messages failed verification. "));
    return failed;
}

std::vector<SInt32> CBrevantoWindow::CheckDuplicateAddresses()
{
    LogLine("Checking for duplicate email addresses.");
    std::vector<SInt32> duplicates;
    QSet<QString> seen;
    WalkRecipients(*this, false, "Checking for duplicate email addresses...",
                   [&](SInt32 inIndex, const QString&, const QStringList& inAddresses) {
                       for (const QString& address : inAddresses) {
                           const QString key = address.toLower();
                           if (seen.contains(key)) {
                               LogLine("Duplicate email address found: " + address);
                               duplicates.push_back(inIndex);
                               return;
                           }
                           seen.insert(key);
                       }
                   });
    if (duplicates.empty())
        LogLine("No duplicate email addresses found!");
    else
        LogLine(QString::number(duplicates.size()) + (duplicates.size() == 1 ? " duplicate email address found. "
                                                                             : " duplicate email addresses found. "));
    return duplicates;
}

Boolean CBrevantoWindow::VerifyAddresses(Boolean inFromSendCommand)
{
    const std::vector<SInt32> failed = ValidateFlaggedAddresses();
    if (failed.empty()) {
        ShowAlertSheet("All flagged email addresses passed verification and the mail will be sent.",
                       "You can turn off the option to verify email address in the Preferences window.");
        return true;
    }
    if (auto* list = qobject_cast<DataBrowser*>(Control(ControlRole::RecipientsList))) {
        std::vector<DataBrowserItemID> items;
        for (SInt32 index : failed)
            items.push_back(DataBrowserItemID(index + 1));
        list->SetSelectedItems(items, DataBrowserSetOption::assign);
    }
    ShowAlertSheet("Some flagged email addresses did not pass verification.",
                   inFromSendCommand ? "Use the \"Select Recipients...\"  window or Brevanto Console log for more "
                                       "information. (Select \"Console Log...\" from the File menu)"
                                     : "Recipients with malformed email addresses have been selected (see the "
                                       "Brevanto Console log for more information.)");
    return false;
}
