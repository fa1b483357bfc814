#include "SheetController.h"

#include "CommandRouter.h"
#include "WindowEvents.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QWidget>

namespace {
constexpr const char* kSheetProperty = "isSheet";
constexpr const char* kEscapeProperty = "escapeFilter";

// A sheet never closes itself behind the program's back: Escape presses its cancel button (the
// one carrying 'not!' or 'CNCL') and does nothing when it has none.
class SheetEscapeFilter : public QObject {
public:
    explicit SheetEscapeFilter(QWidget* inSheet)
        : QObject(inSheet)
    {
        inSheet->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* inWatched, QEvent* inEvent) override
    {
        if (inEvent->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(inEvent)->key() != Qt::Key_Escape)
            return false;
        for (QAbstractButton* button : static_cast<QWidget*>(inWatched)->findChildren<QAbstractButton*>()) {
            const CommandT command = CommandRouter::CommandOf(button);
            if ((command == 'not!' || command == 'CNCL') && button->isVisible() && button->isEnabled()) {
                button->click();
                break;
            }
        }
        return true;
    }
};

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
    if (!inSheet->property(kEscapeProperty).toBool()) {
        new SheetEscapeFilter(inSheet);
        inSheet->setProperty(kEscapeProperty, true);
    }
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
