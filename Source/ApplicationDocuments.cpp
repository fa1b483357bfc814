#include "ApplicationDocuments.h"

#include "CBrevantoWindow.h"
#include "LDocApplication.h"
#include "Presenter.h"

#include <QFileInfo>
#include <QWidget>

namespace {

OSStatus ChooseAndSendOpen(OSType inFileType)
{
    QString path;
    if (Presenter::Get().ChooseOneFile(inFileType, &path))
        return noErr;
    if (LDocApplication* application = LDocApplication::GetDocApplication())
        application->SendAEOpenDoc(QFileInfo(path).absoluteFilePath());
    return noErr;
}

} // namespace

void RefreshWindowsOnActivate()
{
    CBrevantoWindow::RefreshFromChangedAddressBook();
    bool allMinimized = true;
    WindowRef last = nullptr;
    gWindowList.Rewind();
    while (CBrevantoWindow** window = gWindowList.Next()) {
        (*window)->HideProgress();
        last = (*window)->GetMainWindow();
        if (last && !last->isMinimized())
            allMinimized = false;
    }
    if (allMinimized && last)
        last->showNormal();
}

OSStatus ChooseAndOpenDocument() { return ChooseAndSendOpen('Bvto'); }

OSStatus ImportRecipientsFile() { return ChooseAndSendOpen(0); }
