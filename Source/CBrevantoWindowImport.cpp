// Starting a recipients import into a mailing window: the file chosen or known, the thread that
// reads it, the import panel's stop button and the alert sheet the importers show.
#include "CBrevantoWindow.h"

#include "CEnvironment.h"
#include "CFileImporterThread.h"
#include "ControlHandlers.h"
#include "ControlValues.h"
#include "Presenter.h"

#include <QFileInfo>

void CBrevantoWindow::StartFileImport(const QString& inPath, Boolean inAddToGroup, Boolean inReplace)
{
    if (inPath.isEmpty() || RefuseWhileImporting())
        return;
    // An appending import of a second file keeps the window's import file.
    if (mImportPath.isEmpty() || inReplace)
        mImportPath = inPath;
    if (!QFileInfo(inPath).isFile()) {
        ShowAlertSheet(QStringLiteral("The import file could not be found."), inPath);
        return;
    }
    auto* thread = new CFileImporterThread(this, inPath, inAddToGroup, inReplace);
    AdoptThread(thread);
    thread->Resume();
}

Boolean CBrevantoWindow::RefuseWhileImporting()
{
    if (!mImporting)
        return false;
    ShowAlertSheet(QStringLiteral("An import is in progress."),
                   QStringLiteral("The recipients are being imported: wait until the import has ended, or stop it."));
    return true;
}

void CBrevantoWindow::ChooseImportFile(Boolean inReplace)
{
    QString path;
    if (Presenter::Get().ChooseOneFile(0, &path) || path.isEmpty())
        return;
    StartFileImport(QFileInfo(path).absoluteFilePath(), GetControl32BitValue(Control(ControlRole::AddToGroupCheckBox)) != 0, inReplace);
}

// The import panel (progress bar, status caption, arrows, stop button) stands where the
// import-source caption is while an import runs; put away, its bar is indeterminate again.
void CBrevantoWindow::ShowImportPanel(Boolean inShow)
{
    const ControlRole panel[] = {ControlRole::ImportProgressBar, ControlRole::ImportStatusCaption,
                                 ControlRole::ImportArrows, ControlRole::ImportStopButton};
    if (!inShow)
        SetProgressIndeterminate(Control(ControlRole::ImportProgressBar), true);
    SetControlVisibility(Control(ControlRole::ImportSourceCaption), !inShow, true);
    for (ControlRole role : panel)
        SetControlVisibility(Control(role), inShow, true);
}

void CBrevantoWindow::SetImportStatusText(const QString& inText)
{
    QString text = inText.left(255);
    if (!text.isEmpty() && text.back().isHighSurrogate())
        text.chop(1);
    ControlRef caption = Control(ControlRole::ImportStatusCaption);
    SetControlTitleWithCFString(caption, text);
    Draw1Control(caption);
}

void CBrevantoWindow::InstallImportPanelHandlers()
{
    ControlRef stop = Control(ControlRole::ImportStopButton);
    if (!stop)
        return;
    ControlHandlers::InstallControlEventHandler(stop, {ControlEventKind::command}, [](ControlEvent& ioEvent) {
        if (ioEvent.command != 'SipT')
            return OSStatus(eventNotHandledErr);
        CFileImporterThread::RequestCancel();
        return OSStatus(noErr);
    });
}

void CBrevantoWindow::ShowAlertSheet(const QString& inMessage, const QString& inExplanation, Boolean inAsSheet)
{
    Presenter& presenter = Presenter::Get();
    presenter.Beep();
    WindowRef main = GetMainWindow();
    if (inAsSheet && main && main->isVisible())
        presenter.ShowAlertSheet(main, AlertKind::stop, inMessage, inExplanation, AlertButtons::ok, {});
    else
        presenter.ShowAlert(AlertKind::stop, inMessage, inExplanation, AlertButtons::ok);
    if (gEnvironment) {
        const QString line = inExplanation.isEmpty() ? inMessage : inMessage + "(" + inExplanation + ")";
        gEnvironment->LogLine(line.toUtf8().constData());
    }
}
