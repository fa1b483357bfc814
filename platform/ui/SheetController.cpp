#include "SheetController.h"

#include "WindowEvents.h"

#include <QWidget>

namespace {
constexpr const char* kSheetProperty = "isSheet";

WindowRef ShownSheetOn(WindowRef inWindow)
{
    for (QObject* child : inWindow->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && widget->property(kSheetProperty).toBool() && widget->isVisible())
            return widget;
    }
    return nullptr;
}
} // namespace

WindowRef SheetController::GetTopSheet(WindowRef inWindow)
{
    if (!inWindow)
        return nullptr;
    WindowRef top = nullptr;
    for (WindowRef sheet = ShownSheetOn(inWindow); sheet; sheet = ShownSheetOn(sheet))
        top = sheet;
    return top;
}

OSStatus SheetController::ShowSheetWindow(WindowRef inSheet, WindowRef inParent)
{
    if (!inSheet || !inParent || inSheet == inParent)
        return paramErr;
    if (IsSheetShown(inSheet))
        return noErr;
    WindowRef host = GetTopSheet(inParent);
    if (!host)
        host = inParent;
    WindowEvent opening;
    opening.kind = WindowEventKind::sheetOpening;
    opening.sheet = inSheet;
    WindowEvents::Send(inParent, opening);

    inSheet->setProperty(kSheetProperty, true);
    inSheet->setParent(host, Qt::Sheet | Qt::Dialog);
    inSheet->setWindowModality(Qt::WindowModal);
    inSheet->show();
    inSheet->raise();
    return noErr;
}

OSStatus SheetController::HideSheetWindow(WindowRef inSheet)
{
    if (!inSheet)
        return paramErr;
    if (WindowRef stacked = ShownSheetOn(inSheet))
        HideSheetWindow(stacked);
    inSheet->hide();
    // Back to a window of its own: the sheet's owner, not the window it was shown on, deletes it.
    if (inSheet->property(kSheetProperty).toBool())
        inSheet->setParent(nullptr, Qt::Dialog);
    return noErr;
}

bool SheetController::IsSheetShown(WindowRef inSheet)
{
    return inSheet && inSheet->property(kSheetProperty).toBool() && inSheet->isVisible();
}

WindowRef SheetController::GetSheetParent(WindowRef inSheet)
{
    return IsSheetShown(inSheet) ? inSheet->parentWidget() : nullptr;
}
