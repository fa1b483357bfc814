// The Entourage group sheet: the group names the groups script gives, in a popup; the chosen
// group imported by its own thread.
#include "CBrevantoWindow.h"

#include "CEntourageImporterThread.h"
#include "ControlValues.h"
#include "Presenter.h"
#include "ScriptResultLists.h"
#include "ScriptRunner.h"
#include "SheetController.h"
#include "WindowEvents.h"

namespace {
// A script that could not run, or ran and failed.
constexpr OSErr kScriptFailedErr = -1753;
} // namespace

OSErr CBrevantoWindow::ShowEntourageGroups()
{
    ControlRef arrows = Control(ControlRole::EntourageArrows);
    ControlRef caption = Control(ControlRole::EntourageCaption);
    ShowControl(arrows);
    ShowControl(caption);
    const OSErr error = LoadEntourageGroups();
    HideControl(arrows);
    if (error == noErr)
        HideControl(caption);
    return error;
}

OSErr CBrevantoWindow::LoadEntourageGroups()
{
    ControlRef popup = Control(ControlRole::EntourageGroupPopup);
    const std::optional<QByteArray> result = ScriptRunner::Run(QStringLiteral("GetEntourageGroups"));
    if (!result) {
        Presenter::Get().Beep();
        SetControlTitleWithCFString(Control(ControlRole::EntourageCaption),
                                    QStringLiteral("Entourage groups could not be loaded."));
        DisableControl(popup);
        return kScriptFailedErr;
    }
    QStringList names;
    for (const QString& name : ParseScriptList(QString::fromUtf8(*result))) {
        if (!names.contains(name))
            names << name;
    }
    FillEntourageGroupsMenu(names);
    EnableControl(popup);
    return noErr;
}

// Without names the popup keeps its items and gets one more "All".
void CBrevantoWindow::FillEntourageGroupsMenu(const QStringList& inNames)
{
    ControlRef popup = Control(ControlRole::EntourageGroupPopup);
    if (!popup)
        return;
    SInt32 chosen = 0;
    if (!inNames.isEmpty()) {
        DeletePopupItems(popup);
        for (qsizetype index = 0; index < inNames.size(); ++index) {
            AppendPopupItem(popup, inNames[index], CommandT(index + 1));
            if (!mEntourageGroup.isNull() && inNames[index].compare(mEntourageGroup, Qt::CaseInsensitive) == 0)
                chosen = SInt32(index + 1);
        }
        AppendPopupSeparator(popup);
    }
    AppendPopupItem(popup, QStringLiteral("All"), 1);
    const SInt32 count = CountPopupItems(popup);
    SetControl32BitMaximum(popup, count);
    SetControl32BitValue(popup, chosen > 0 ? chosen : count);
}

void CBrevantoWindow::StartEntourageImport(Boolean inAddToGroup)
{
    if (RefuseWhileImporting())
        return;
    auto* thread = new CEntourageImporterThread(this, inAddToGroup);
    AdoptThread(thread);
    thread->Resume();
}

// The group sheet fills its popup as it shows; OK imports the chosen group in place of the
// import file, with the add-to-group box's choice (refused while a mailing walks the list).
OSStatus CBrevantoWindow::HandleGroupSheetEvent(WindowEvent& ioEvent)
{
    WindowRef sheet = Window(ENibWindow::entourageGroup);
    if (ioEvent.kind == WindowEventKind::showing) {
        ShowEntourageGroups();
        return eventNotHandledErr;
    }
    if (ioEvent.kind != WindowEventKind::commandProcess)
        return eventNotHandledErr;
    switch (ioEvent.command) {
    case 'ok  ': {
        SheetController::HideSheetWindow(sheet);
        if (RefuseWhileSending() || RefuseWhileImporting())
            return noErr;
        ControlRef popup = Control(ControlRole::EntourageGroupPopup);
        mEntourageGroup = GetPopupItemText(popup, GetControl32BitValue(popup));
        mImportPath.clear();
        StartEntourageImport(GetControl32BitValue(Control(ControlRole::AddToGroupCheckBox)) != 0);
        return noErr;
    }
    case 'not!':
        SheetController::HideSheetWindow(sheet);
        return noErr;
    case 'GRUP':
        ShowImportedRecipients();
        return noErr;
    default:
        return eventNotHandledErr;
    }
}
