#include "SheetController.h"

#include "CommandRouter.h"
#include "WindowEvents.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

namespace {
constexpr const char* kSheetProperty = "isSheet";
constexpr const char* kKeysProperty = "sheetKeys";
constexpr const char* kPlacerProperty = "sheetPlacer";

QAbstractButton* CancelButtonOf(QWidget* inSheet)
{
    for (QAbstractButton* button : inSheet->findChildren<QAbstractButton*>()) {
        const CommandT command = CommandRouter::CommandOf(button);
        if ((command == 'not!' || command == 'CNCL') && button->isVisible() && button->isEnabled())
            return button;
    }
    return nullptr;
}

QAbstractButton* DefaultButtonOf(QWidget* inSheet)
{
    for (QPushButton* button : inSheet->findChildren<QPushButton*>()) {
        if (button->isDefault() && button->isVisible() && button->isEnabled())
            return button;
    }
    return nullptr;
}

// A sheet's keys press its buttons, so that the program hears them as commands: Return and
// Enter (when no control took them) press the default button; Escape presses the cancel button
// ('not!' or 'CNCL'), or, on a sheet without one, its default button (a sheet that only informs).
// A sheet never closes itself behind the program's back.
class SheetKeyFilter : public QObject {
public:
    explicit SheetKeyFilter(QWidget* inSheet)
        : QObject(inSheet)
    {
        inSheet->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* inWatched, QEvent* inEvent) override
    {
        if (inEvent->type() != QEvent::KeyPress)
            return false;
        auto* sheet = static_cast<QWidget*>(inWatched);
        QAbstractButton* button = nullptr;
        switch (static_cast<QKeyEvent*>(inEvent)->key()) {
        case Qt::Key_Escape:
            button = CancelButtonOf(sheet);
            if (!button)
                button = DefaultButtonOf(sheet);
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            button = DefaultButtonOf(sheet);
            break;
        default:
            return false;
        }
        if (button)
            button->click();
        return true;
    }
};

// Keeps a shown sheet attached to the window it is shown on: centred across the window's
// width, its top on the top edge of the window's content, following the window as it moves,
// resizes or first appears.
class SheetPlacer : public QObject {
public:
    SheetPlacer(QWidget* inSheet, QWidget* inHost)
        : QObject(inSheet)
        , mSheet(inSheet)
        , mHost(inHost)
    {
        inHost->installEventFilter(this);
        Place();
    }
    ~SheetPlacer() override
    {
        if (mHost)
            mHost->removeEventFilter(this);
    }

    void Place()
    {
        if (!mHost)
            return;
        const QPoint origin = mHost->mapToGlobal(QPoint(0, 0));
        mSheet->move(origin.x() + (mHost->width() - mSheet->width()) / 2, origin.y());
    }

protected:
    bool eventFilter(QObject*, QEvent* inEvent) override
    {
        switch (inEvent->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
            Place();
            break;
        default:
            break;
        }
        return false;
    }

private:
    QWidget* mSheet;
    QPointer<QWidget> mHost;
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
    if (!inSheet->property(kKeysProperty).toBool()) {
        new SheetKeyFilter(inSheet);
        inSheet->setProperty(kKeysProperty, true);
    }
    // No frame of its own: a sheet is part of its window, not a window to move or close.
    inSheet->setParent(host, Qt::Sheet | Qt::Dialog | Qt::FramelessWindowHint);
    inSheet->setWindowModality(Qt::WindowModal);
    inSheet->setProperty(kPlacerProperty, QVariant::fromValue<QObject*>(new SheetPlacer(inSheet, host)));
    inSheet->show();
    if (auto* placer = static_cast<SheetPlacer*>(inSheet->property(kPlacerProperty).value<QObject*>()))
        placer->Place();
    inSheet->raise();
    inSheet->activateWindow();
    return noErr;
}

OSStatus SheetController::HideSheetWindow(WindowRef inSheet)
{
    if (!inSheet)
        return paramErr;
    if (WindowRef stacked = ShownSheetOn(inSheet))
        HideSheetWindow(stacked);
    inSheet->hide();
    if (auto* placer = inSheet->property(kPlacerProperty).value<QObject*>()) {
        inSheet->setProperty(kPlacerProperty, QVariant());
        delete placer;
    }
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
