#include "CEntourageImporterThread.h"

#include "AddressBookAccess.h"
#include "CBrevantoWindow.h"
#include "CEnvironment.h"
#include "CFileImporterThread.h"
#include "ControlValues.h"
#include "Person.h"
#include "Presenter.h"
#include "ScriptResultLists.h"
#include "ScriptRunner.h"

#include <QScopeGuard>

#include <optional>
#include <vector>

namespace {

constexpr SInt32 kItemsPerStatus = 25;

bool IsVerbose() { return gEnvironment && gEnvironment->verboseLogging; }

void LogVerbose(const QString& inLine)
{
    if (IsVerbose())
        gEnvironment->LogLine(inLine.toUtf8().constData());
}

QString ImportedText(SInt32 inDone, SInt32 inTotal, SInt32 inDuplicates)
{
    QString text = QStringLiteral("(Imported %1 of %2").arg(inDone).arg(inTotal);
    if (inDuplicates > 0)
        text += QStringLiteral("; %1 duplicates").arg(inDuplicates);
    return text + ")";
}

} // namespace

CEntourageImporterThread::CEntourageImporterThread(CBrevantoWindow* inWindow, bool inAddToGroup)
    : mWindow(inWindow)
    , mAddToGroup(inAddToGroup)
{
    CFileImporterThread::ClearCancelRequest();
    mWindow->mImporting = true;
    mWindow->SelectRecipientsTab(2);
    mWindow->mRecipientsTab = 2;
}

void CEntourageImporterThread::Status(const QString& inText) { mWindow->SetImportStatusText(inText); }

void CEntourageImporterThread::StatusAndLog(const QString& inText)
{
    LogVerbose(inText);
    Status(inText);
}

void CEntourageImporterThread::Alert(const QString& inText)
{
    mWindow->ShowAlertSheet(QStringLiteral("Loading Entourage Group Contacts: ") + inText, QString(), false);
    throw Abandon();
}

void* CEntourageImporterThread::Run()
{
    // Cleared by every way out of Run, a stop's exception too.
    const auto done = qScopeGuard([this] { mWindow->mImporting = false; });
    mWindow->ShowImportPanel(true);
    Status(QStringLiteral("Pre-processing..."));
    CheckStop();
    try {
        const QString group = mWindow->mEntourageGroup;
        if (group.isEmpty())
            Alert(QStringLiteral("The Entourage group name is empty."));
        StatusAndLog(QStringLiteral("Loading recipients from Entrourage group: ") + group);
        CheckStop();
        LogVerbose(QStringLiteral("Loading scripts... "));
        Status(QStringLiteral("Loading scripts..."));
        CheckStop();
        // The name is data for the scripts, whatever quotes or commas it holds.
        const bool all = group.compare(QLatin1String("All"), Qt::CaseInsensitive) == 0;
        const QStringList arguments = all ? QStringList() : QStringList {group};
        StatusAndLog(QStringLiteral("Done loading scripts."));
        CheckStop();
        const QStringList addresses = RunListScript(
            all ? QStringLiteral("GetAllEntourageAddresses") : QStringLiteral("GetEntourageGroupAddresses"), arguments,
            QStringLiteral("addresses"), QStringLiteral("An error was encountered obtaining recipient addresses."),
            QStringLiteral("Preprocessing, address index: "));
        const QStringList names = RunListScript(
            all ? QStringLiteral("GetAllEntourageNames") : QStringLiteral("GetEntourageGroupNames"), arguments,
            QStringLiteral("names"), QStringLiteral("An error was encountered obtaining recipient names."),
            QStringLiteral("Preprocessing, name index: "));
        if (names.size() != addresses.size())
            Alert(QStringLiteral("The number and names and addresses does not match."));
        Load(names, addresses);
    } catch (const Abandon&) {
        Status(QStringLiteral("Entourage import stopped."));
        CheckStop();
        Presenter::Get().Beep();
    }
    mWindow->ShowImportPanel(false);
    return nullptr;
}

QStringList CEntourageImporterThread::RunListScript(const QString& inScript, const QStringList& inArguments,
                                                    const QString& inWhat, const QString& inFailure,
                                                    const QString& inProgressText)
{
    StatusAndLog(QStringLiteral("Running script to get recipient %1...").arg(inWhat));
    CheckStop();
    const std::optional<QByteArray> result = ScriptRunner::Run(inScript, inArguments);
    LogVerbose(QStringLiteral("Here's the script result: "));
    LogVerbose(result ? QString::fromUtf8(*result) : QString());
    LogVerbose(QStringLiteral("Parsing recipient %1...").arg(inWhat));
    Status(QStringLiteral("Parsing recipient %1...").arg(inWhat));
    CheckStop();
    if (!result)
        Alert(inFailure);
    const QStringList items = ParseScriptList(QString::fromUtf8(*result));
    for (SInt32 index = 1; index <= SInt32(items.size()); ++index) {
        LogVerbose(QStringLiteral("[%1] ").arg(index) + items[index - 1]);
        if (index % kItemsPerStatus == 0) {
            Status(inProgressText + QString::number(index));
            CheckStop();
        }
        if (CFileImporterThread::IsCancelRequested())
            throw Abandon();
    }
    return items;
}

void CEntourageImporterThread::Load(const QStringList& inNames, const QStringList& inAddresses)
{
    // An existing group of that name is not used: the import never fills someone else's group.
    const CBrevantoWindow::AddressBookHold hold;
    ContactsRecord* group = mAddToGroup ? CreateAddressBookGroup(mWindow->mEntourageGroup) : nullptr;
    StatusAndLog(QStringLiteral("Loading recipients into Brevanto..."));
    CheckStop();
    ImportedRecipients& imported = mWindow->mImported;
    imported.RemoveAll();
    ControlRef bar = mWindow->Control(ControlRole::ImportProgressBar);
    SetControl32BitMinimum(bar, 0);
    SetControl32BitMaximum(bar, 100);
    SetControl32BitValue(bar, 0);
    SetProgressIndeterminate(bar, false);
    const bool eliminateDuplicates = GetEliminateDuplicates();
    const auto total = SInt32(inNames.size());
    SInt32 shown = 0;
    SInt32 duplicates = 0;
    std::vector<Person> duplicatesSeen;
    for (SInt32 done = 1; done <= total; ++done) {
        const auto percent = SInt32(float(done) / float(total) * 100.0f);
        if (percent != shown) {
            SetControl32BitValue(bar, percent);
            Status(ImportedText(done, total, duplicates));
            CheckStop();
            LogVerbose(QStringLiteral("Percent complete: %1").arg(percent));
            shown = percent;
        }
        QString first;
        QString last;
        SplitNameAtLastBlank(inNames[done - 1], &first, &last);
        const Person person(first.toUtf8().constData(), last.toUtf8().constData(),
                            inAddresses[done - 1].toUtf8().constData());
        if (eliminateDuplicates && imported.Contains(person)) {
            ++duplicates;
            if (IsVerbose())
                duplicatesSeen.push_back(person);
        } else {
            if (group)
                AddPersonToGroup(CreateAddressBookPerson(person), group);
            imported.Append(person);
        }
        if (CFileImporterThread::IsCancelRequested())
            break;
    }
    if (group && !SaveAddressBook() && gEnvironment)
        gEnvironment->LogLine("The imported people could not be saved in the address book.");
    if (mAddToGroup)
        mWindow->RefreshFromAddressBook();
    if (duplicates > 0)
        LogVerbose(QStringLiteral("The following %1 duplicates were encountered:").arg(duplicates));
    for (const Person& person : duplicatesSeen)
        LogVerbose(person.FirstName() + person.LastName() + " <" + person.Email() + ">");
    LogVerbose(QStringLiteral("Done!"));
    mWindow->UpdateImportSourceText();
    mWindow->ShowImportedRecipients();
}
