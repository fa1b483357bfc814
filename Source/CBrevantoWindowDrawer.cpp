// The attachments drawer's commands: adding chosen files (a folder's visible files), the file of
// the path or source field, removing the selected or all attachments, and the notes on BinHex
// and embedding. GUI thread only.
#include "CBrevantoWindow.h"

#include "ControlValues.h"
#include "DataBrowser.h"
#include "HelpLinks.h"
#include "Launcher.h"
#include "Presenter.h"
#include "WindowAttributes.h"
#include "WindowEvents.h"

#include <QFileInfo>
#include <QUrl>

#include <algorithm>

namespace {

void ShowNote(const QString& inMessage, const QString& inExplanation)
{
    Presenter::Get().ShowAlert(AlertKind::note, inMessage, inExplanation, AlertButtons::ok);
}

} // namespace

OSStatus CBrevantoWindow::HandleAttachmentsDrawerEvent(WindowEvent& ioEvent)
{
    if (ioEvent.kind != WindowEventKind::commandProcess)
        return eventNotHandledErr;
    switch (ioEvent.command) {
    case 'ADD ':
        if (const std::optional<QStringList> paths =
                Presenter::Get().ChooseFiles(QStringLiteral("Choose files to attach"), QString()))
            AddAttachmentPaths(*paths);
        break;
    case 'Apth':
        AttachFieldFile();
        break;
    case 'DELE':
        RemoveSelectedAttachments();
        break;
    case 'CLAR':
        ClearAttachments();
        RefreshAttachmentsList();
        break;
    case 'BHEX':
        if (GetControl32BitValue(Control(ControlRole::BinHexCheckBox)) == 1)
            ShowNote(QStringLiteral("Binhex encoding will be used."),
                     QStringLiteral("Binhex encoding is not compatible with all systems. It is primarily only used "
                                    "on Mac's to preserve a file's resource fork, a Macintosh-only file attribute. "
                                    "(Consult the documentation for more information.)"));
        break;
    case 'EBED':
        if (GetControl32BitValue(Control(ControlRole::DispositionPopup)) == 3)
            ShowNote(QStringLiteral("Attachments will be embedded."),
                     QStringLiteral("HTML source should reference attached images by name and prefixed with "
                                    "\"cid:\", as in <img src=\"cid:jellybeans.jpg\">. This is done automatically if "
                                    "this option is selected in Preferences on the Message pane."));
        break;
    case 'AHlp':
        Launcher::Current().Open(HelpFolderURL(QStringLiteral("Attachments.html")));
        return noErr;
    default:
        return eventNotHandledErr;
    }
    UpdateModifiedMark();
    return eventNotHandledErr;
}

// A folder gives its visible files; a file is added as the attachment settings say.
void CBrevantoWindow::AddAttachmentPaths(const QStringList& inPaths)
{
    for (const QString& path : inPaths) {
        if (QFileInfo(path).isDir())
            AttachFolderFiles(path);
        else
            AddAttachmentFile(QFileInfo(path).absoluteFilePath());
    }
    RefreshAttachmentsList();
}

// The drawer's path field, else the source field, when it names a file on this computer.
void CBrevantoWindow::AttachFieldFile()
{
    QString path = GetControlText(Control(ControlRole::AttachmentPathField)).trimmed();
    if (path.isEmpty() && NormalizeURL())
        path = mWebPageURL;
    if (path.startsWith(QLatin1String("file://")))
        path = QUrl(path).toLocalFile();
    if (path.isEmpty())
        return;
    if (!QFileInfo::exists(path)) {
        ShowAlertSheet(QStringLiteral("Only a file on this computer can be attached."),
                       QStringLiteral("\"%1\" is not a file on this computer.").arg(path));
        return;
    }
    AddAttachmentPaths({path});
}

// The paths at the selected rows are taken first, then removed.
void CBrevantoWindow::RemoveSelectedAttachments()
{
    auto* list = qobject_cast<DataBrowser*>(Control(ControlRole::AttachmentsList));
    if (!list)
        return;
    std::vector<DataBrowserItemID> selected = list->GetSelectedItems();
    std::sort(selected.begin(), selected.end());
    // From the last row back, so the rows still to remove keep their positions.
    for (auto item = selected.rbegin(); item != selected.rend(); ++item) {
        if (*item >= 1 && *item <= DataBrowserItemID(mAttachmentPaths.size()))
            mAttachmentPaths.removeAt(qsizetype(*item - 1));
    }
    RefreshAttachmentsList();
}
