// The document commands of a mailing window (Save, Save As, Revert, Close) and the questions
// around them: the save question on close and quit, the refusals while a mailing is being sent
// or is scheduled. A document is written whole into a temporary file renamed over the old one:
// a save that fails leaves the old file as it was, tells the user why and keeps the window's
// modified mark. GUI thread only.
#include "CBrevantoWindow.h"

#include "CBrevantoApp.h"
#include "CEnvironment.h"
#include "CFPropertyList.h"
#include "CFPropertyListWriter.h"
#include "CFileItems.h"
#include "ControlValues.h"
#include "FileManager.h"
#include "FileMetadata.h"
#include "Presenter.h"
#include "ToolboxCommands.h"
#include "WholeFileWrite.h"
#include "WindowAttributes.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstring>

namespace {

constexpr OSType kDocumentType = 'Bvto';
constexpr OSType kDocumentCreator = 'KWRD';

QString ReasonOf(OSErr inError)
{
    switch (inError) {
    case fnfErr:
    case dirNFErr: return QStringLiteral("The folder could not be found.");
    case permErr:
    case wPrErr: return QStringLiteral("You do not have permission to write there.");
    case dskFulErr: return QStringLiteral("The disk is full.");
    case notAFileErr: return QStringLiteral("A folder is in the file's place.");
    default: return QStringLiteral("The file could not be written (error %1).").arg(inError);
    }
}

} // namespace

// A subject may hold characters a file name cannot: "/" would make it a folder. The dialog starts
// where the mailing lives, never in whatever folder the program was started from.
QString CBrevantoWindow::ProposedFilePath(const QString& inFallback, const QString& inExtension) const
{
    QString name = GetControlText(Control(ControlRole::SubjectField));
    if (name.isEmpty())
        name = inFallback;
    name.replace(QLatin1Char('/'), QLatin1Char('-')).replace(QChar(0), QLatin1Char('-'));
    QString folder = QFileInfo(mDocumentPath).absolutePath();
    if (mDocumentPath.isEmpty()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (!QFileInfo(folder).isDir())
            folder = QDir::homePath();
    }
    return QDir(folder).filePath(name + QLatin1Char('.') + inExtension);
}

Boolean CBrevantoWindow::ObeyDocumentCommand(CommandT inCommand, void*)
{
    switch (inCommand) {
    case cmd_Save:
        if (mDocumentPath.isEmpty())
            SaveAs();
        else
            SaveToFile();
        WindowAttributes::SetWindowModified(GetMainWindow(), IsModified());
        return true;
    case cmd_SaveAs:
        SaveAs();
        WindowAttributes::SetWindowModified(GetMainWindow(), IsModified());
        return true;
    case cmd_Revert:
        Revert();
        return true;
    case cmd_Close:
    case 'CLSE':
        AttemptClose();
        return true;
    default:
        return false;
    }
}

Boolean CBrevantoWindow::FindDocumentCommandStatus(CommandT inCommand, Boolean& outEnabled)
{
    switch (inCommand) {
    case cmd_Save:
    case cmd_SaveAs:
    case cmd_Revert:
    case cmd_Close:
    case 'CLSE':
        outEnabled = true;
        return true;
    default:
        return false;
    }
}

// The document as property-list bytes over the file; an alert names what went wrong.
Boolean CBrevantoWindow::WriteDocument(const QString& inPath)
{
    QString error;
    const QByteArray bytes = CFPropertyListWriter::Write(BuildDocumentDictionary(), &error);
    OSErr result = bytes.isEmpty() ? OSErr(paramErr) : OSErr(noErr);
    if (result == noErr)
        result = WriteWholeFileAtomically(inPath.toStdString(), bytes.constData(), size_t(bytes.size()),
                                          WholeFileMode::CreateIfMissing);
    if (result != noErr) {
        ShowAlertSheet(QStringLiteral("The document \"%1\" could not be saved.").arg(QFileInfo(inPath).fileName()),
                       error.isEmpty() ? ReasonOf(result) : error);
        return false;
    }
    // The kind of file is a courtesy to other programs: a file system without metadata is fine.
    FSRef ref;
    if (FSPathMakeRef(inPath, &ref) == noErr)
        FSSetTypeCreator(ref, &kDocumentType, &kDocumentCreator);
    return true;
}

Boolean CBrevantoWindow::SaveToFile()
{
    if (mDocumentPath.isEmpty() || !WriteDocument(mDocumentPath))
        return false;
    UpdateSavedState();
    return true;
}

Boolean CBrevantoWindow::SaveAs()
{
    const QString proposed = ProposedFilePath(QStringLiteral("Untitled"), QStringLiteral("bvto"));
    bool replacing = false;
    const std::optional<QString> chosen = Presenter::Get().AskSaveFile(QStringLiteral("Save As"), proposed, &replacing);
    if (!chosen || chosen->isEmpty())
        return false;
    const QString path = QFileInfo(*chosen).absoluteFilePath();
    if (!WriteDocument(path))
        return false;
    mDocumentPath = path;
    WindowAttributes::SetWindowFilePath(GetMainWindow(), mDocumentPath);
    SetEditorTitles();
    UpdateSavedState();
    FSRef ref;
    if (gEnvironment && gEnvironment->recentItems && FSPathMakeRef(mDocumentPath, &ref) == noErr)
        gEnvironment->recentItems->AddItem(ref);
    return true;
}

void CBrevantoWindow::Revert()
{
    Presenter& presenter = Presenter::Get();
    WindowRef main = GetMainWindow();
    if (!IsModified()) {
        presenter.ShowAlertSheet(main, AlertKind::note, QStringLiteral("The window does not need to be reverted."),
                                 QStringLiteral("No changes have been made since you opened or last saved this window."),
                                 AlertButtons::ok, {});
        return;
    }
    QString title;
    QString text;
    if (!mDocumentPath.isEmpty()) {
        const QString name = QFileInfo(mDocumentPath).fileName();
        title = QStringLiteral("Revert changes to file \"%1\".").arg(name);
        text = QStringLiteral("Reverting file \"%1\" will discard all changes made to this file since you last saved "
                              "it. Do you want to discard all changes to this file?")
                   .arg(name);
    } else {
        title = QStringLiteral("Are you sure you want to revert?");
        text = QStringLiteral("Since the window has not yet been saved, reverting will close this window and open a "
                              "new Mailer window.");
    }
    std::weak_ptr<bool> alive = mAlive;
    presenter.ShowAlertSheet(main, AlertKind::caution, title, text, AlertButtons::okCancel,
                             [this, alive](CommandT inCommand) {
                                 if (alive.expired() || mCleanedUp || inCommand != kSheetOKCommand)
                                     return;
                                 // The application closes the window and opens its file afresh.
                                 if (auto* application = dynamic_cast<CBrevantoApp*>(LApplication::GetApplication())) {
                                     mReverting = true;
                                     application->SetWindowToReopen(this);
                                 }
                             });
}

Boolean CBrevantoWindow::AskSaveChanges()
{
    // A window already closed (its controls gone) has nothing left to save.
    if (mCleanedUp || mReverting || !IsModified())
        return false;
    const QString name = !mDocumentPath.isEmpty() && QFileInfo::exists(mDocumentPath)
                             ? QFileInfo(mDocumentPath).fileName()
                             : (GetMainWindow() ? GetMainWindow()->windowTitle() : QString());
    switch (Presenter::Get().AskSaveChanges(GetMainWindow(), name)) {
    case SaveChangesAnswer::dontSave:
        return false;
    case SaveChangesAnswer::save:
        // A save that failed keeps the window open: its edits are not lost.
        if (!mDocumentPath.isEmpty() && QFileInfo::exists(mDocumentPath))
            return !SaveToFile();
        return !SaveAs();
    case SaveChangesAnswer::cancel:
        break;
    }
    return true;
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
    // The window's close handling asks about unsaved changes.
    if (WindowRef main = GetMainWindow())
        main->close();
    else
        Cleanup();
}

Boolean CBrevantoWindow::ConfirmQuit()
{
    if (mCleanedUp)
        return true;
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
    if (AskSaveChanges())
        return false;
    Cleanup();
    return true;
}
