#include "CFileImporterThread.h"

#include "AddressBookAccess.h"
#include "CBrevantoWindow.h"
#include "CEnvironment.h"
#include "ControlValues.h"
#include "Events.h"
#include "Person.h"
#include "RecipientTextParser.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <chrono>

std::atomic<bool> CFileImporterThread::sCancel{false};

namespace {
constexpr SInt32 kProgressSteps = 1000;
constexpr SInt32 kLinesPerYield = 50;
// Redrawing the bar and caption costs more than importing hundreds of lines, and nobody reads
// a count that changes faster than this.
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
} // namespace

CFileImporterThread::CFileImporterThread(CBrevantoWindow* inWindow, const QString& inPath, bool inAddToGroup,
                                         bool inReplace)
    : mWindow(inWindow)
    , mPath(inPath)
    , mAddToGroup(inAddToGroup)
    , mReplace(inReplace)
{
    sCancel.store(false);
    mWindow->mImporting = true;
    mWindow->SelectRecipientsTab(2);
    mWindow->mRecipientsTab = 2;
}

void* CFileImporterThread::Run()
{
    // Cleared by every way out of Run, a stop's exception too.
    const auto done = qScopeGuard([this] { mWindow->mImporting = false; });
    mWindow->ShowImportPanel(true);
    SetControlTitleWithCFString(mWindow->Control(ControlRole::ImportStatusCaption), QStringLiteral("Pre-processing..."));
    CheckStop();
    QFile file(mPath);
    if (file.open(QIODevice::ReadOnly)) {
        const RecipientTextParser parser(file.readAll());
        file.close();
        if (mReplace)
            mWindow->mImported.RemoveAll();
        ImportIntoGroup(parser);
    } else {
        mWindow->ShowAlertSheet(QStringLiteral("The import file could not be opened."),
                                QStringLiteral("Make sure that the file is not open in another application."));
    }
    mWindow->ShowImportPanel(false);
    mWindow->UpdateImportSourceText();
    if (mAddToGroup)
        mWindow->RefreshFromAddressBook();
    mWindow->ShowImportedRecipients();
    return nullptr;
}

// With add-to-group, a new address book group named after the file receives everyone imported
// (none when a group of that name exists). The people are saved also when the import is stopped.
void CFileImporterThread::ImportIntoGroup(const RecipientTextParser& inParser)
{
    if (!mAddToGroup) {
        Import(inParser, nullptr);
        return;
    }
    const CBrevantoWindow::AddressBookHold hold;
    ContactsRecord* group = CreateAddressBookGroup(QFileInfo(mPath).fileName());
    try {
        Import(inParser, group);
    } catch (...) {
        SaveGroup(group);
        throw;
    }
    SaveGroup(group);
}

void CFileImporterThread::SaveGroup(const ContactsRecord* inGroup)
{
    if (inGroup && !SaveAddressBook() && gEnvironment)
        gEnvironment->LogLine("The imported people could not be saved in the address book.");
}

void CFileImporterThread::Import(const RecipientTextParser& inParser, const ContactsRecord* inGroup)
{
    ControlRef bar = mWindow->Control(ControlRole::ImportProgressBar);
    const SInt32 total = inParser.Count();
    SetControl32BitMinimum(bar, 0);
    SetControl32BitMaximum(bar, kProgressSteps);
    SetControl32BitValue(bar, 0);
    SetProgressIndeterminate(bar, false);
    const bool eliminateDuplicates = GetEliminateDuplicates();
    SInt32 done = 0;
    // However the loop ends (whole, the stop button, a stop's exception), the panel is left
    // showing how far it really went, not the last throttled redraw.
    const auto showLast = qScopeGuard([&] { ShowProgress(done, total); });
    LDeadline nextRedraw = DeadlineAfter(kRedrawInterval);
    for (SInt32 line = 0; line < total; ++line) {
        if (line % kLinesPerYield == 0)
            CheckStop();
        else if (IsStopRequested())
            throw CStopException();
        QString problem;
        const std::optional<Person> person = inParser.RecordAt(line, &problem);
        if (!person) {
            if (gEnvironment)
                gEnvironment->LogLine(problem.toUtf8().constData());
        } else if (!eliminateDuplicates || !mWindow->mImported.Contains(*person)) {
            if (inGroup)
                AddPersonToGroup(CreateAddressBookPerson(*person), inGroup);
            mWindow->mImported.Append(*person);
        }
        done = line + 1;
        if (std::chrono::steady_clock::now() >= nextRedraw) {
            ShowProgress(done, total);
            nextRedraw = DeadlineAfter(kRedrawInterval);
        }
        if (sCancel.load())
            break;
    }
}

// The bar and "(Imported n of total)", n counting the lines gone through.
void CFileImporterThread::ShowProgress(SInt32 inDone, SInt32 inTotal)
{
    const auto position = inTotal > 0 ? SInt32(double(inDone) / double(inTotal) * double(kProgressSteps)) : 0;
    SetControl32BitValue(mWindow->Control(ControlRole::ImportProgressBar), position);
    SetControlTitleWithCFString(mWindow->Control(ControlRole::ImportStatusCaption),
                                QStringLiteral("(Imported %1 of %2)").arg(inDone).arg(inTotal));
}
