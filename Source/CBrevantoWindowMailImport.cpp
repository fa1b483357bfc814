// Recipients from the messages selected in Mail: the recipients or senders script's text, one
// person a line, imported at once on the main thread (the stop button has nothing to stop).
#include "CBrevantoWindow.h"

#include "AddressBookAccess.h"
#include "AppleScriptRunner.h"
#include "Clock.h"
#include "CEnvironment.h"
#include "ControlValues.h"
#include "EventPass.h"
#include "Person.h"
#include "ScriptResultLists.h"

#include <QDateTime>
#include <QScopeGuard>

namespace {

constexpr SInt32 kProgressSteps = 1000;

// "MailCM 2026-12-11 03:04:05 +0100": the group an import with the add-to-group box fills.
QString MailGroupName()
{
    const QDateTime now = Clock::NowDateTime();
    const int offset = now.offsetFromUtc();
    const int minutes = (offset < 0 ? -offset : offset) / 60;
    return QStringLiteral("MailCM ") + now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
           QStringLiteral(" %1%2%3")
               .arg(offset < 0 ? '-' : '+')
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

void CBrevantoWindow::ImportFromMail(Boolean inRecipients)
{
    if (RefuseWhileImporting())
        return;
    // The script may take a while, and other windows' threads run meanwhile.
    mImporting = true;
    const auto done = qScopeGuard([this] { mImporting = false; });
    ControlRef caption = Control(ControlRole::ImportSourceCaption);
    SetControlTitleWithCFString(caption, inRecipients ? QStringLiteral("Loading recipient selections from Mail")
                                                      : QStringLiteral("Loading sender selections from Mail"));
    Draw1Control(caption);
    EventPass::LetOneEventThrough();
    const QString text =
        RunResourceAppleScript(inRecipients ? QStringLiteral("MailRecipient") : QStringLiteral("MailSender"));
    if (text.isNull()) {
        UpdateImportSourceText(); // no "Loading..." left behind
        return;
    }
    ImportMailText(text, true);
}

Boolean CBrevantoWindow::ImportMailText(const QString& inText, Boolean inReplace)
{
    ShowImportPanel(true);
    const bool eliminateDuplicates = GetEliminateDuplicates();
    const bool addToGroup = GetControl32BitValue(Control(ControlRole::AddToGroupCheckBox)) != 0;
    // The group comes first: when it cannot be made, the list and the import file stay.
    const AddressBookHold hold;
    ContactsRecord* group = nullptr;
    if (addToGroup) {
        const QString name = MailGroupName();
        group = CreateAddressBookGroup(name);
        if (!group) {
            ShowImportPanel(false);
            UpdateImportSourceText();
            ShowAlertSheet(QStringLiteral("The recipients from Mail were not imported."),
                           QStringLiteral("The Address Book group \"%1\" could not be made.").arg(name));
            return false;
        }
    }
    if (inReplace) {
        mImportPath.clear();
        mImported.RemoveAll();
    }
    const std::vector<MailSelectionPerson> people = ParseMailSelection(inText);
    ControlRef bar = Control(ControlRole::ImportProgressBar);
    SetControl32BitMinimum(bar, 0);
    SetControl32BitMaximum(bar, kProgressSteps);
    SetControl32BitValue(bar, 0);
    SetProgressIndeterminate(bar, false);
    const auto count = SInt32(people.size());
    SInt16 shown = 0;
    for (SInt32 index = 0; index < count; ++index) {
        const MailSelectionPerson& line = people[size_t(index)];
        const Person person(line.firstName.toUtf8().constData(), line.lastName.toUtf8().constData(),
                            line.email.toUtf8().constData());
        if (!eliminateDuplicates || !mImported.Contains(person))
            mImported.Append(person);
        // Every line goes to the group, a duplicate too (the address book finds it by name).
        if (group)
            AddPersonToGroup(CreateAddressBookPerson(person), group);
        const auto position = SInt16(float(index + 1) / float(count) * float(kProgressSteps));
        if (position != shown) {
            shown = position;
            SetControl32BitValue(bar, position);
            SetImportStatusText(QStringLiteral("(Imported %1 of %2)").arg(index + 1).arg(count));
            EventPass::LetOneEventThrough();
        }
    }
    if (group) {
        SetImportStatusText(QStringLiteral("Saving Address Book"));
        EventPass::LetOneEventThrough();
        if (!SaveAddressBook() && gEnvironment)
            gEnvironment->LogLine("The imported people could not be saved in the address book.");
        RefreshFromAddressBook();
    }
    ShowImportPanel(false);
    UpdateImportSourceText();
    ShowImportedRecipients();
    return true;
}
