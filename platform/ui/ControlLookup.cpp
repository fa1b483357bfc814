#include "ControlLookup.h"

#include "CodeText.h"
#include "NibLoader.h"

#include <QWidget>


namespace {
std::vector<ControlLookup::Miss>& MissList()
{
    static std::vector<ControlLookup::Miss> sMisses;
    return sMisses;
}

bool IsSeparateWindow(const QWidget* inWidget)
{
    return inWidget->isWindow() || inWidget->property(NibLoader::kWindowNameProperty).isValid();
}
} // namespace

QWidget* ControlLookup::FindNamed(QWidget* inRoot, const QString& inName)
{
    for (QObject* child : inRoot->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || IsSeparateWindow(widget))
            continue;
        if (widget->objectName() == inName)
            return widget;
        if (QWidget* found = FindNamed(widget, inName))
            return found;
    }
    return nullptr;
}

OSStatus ControlLookup::GetControlByID(WindowRef inWindow, const ControlID& inID, ControlRef* outControl)
{
    ControlRef control = inWindow ? FindNamed(inWindow, CodeText::ControlName(inID)) : nullptr;
    if (outControl)
        *outControl = control;
    if (control)
        return noErr;
    RecordMiss(inWindow, inID);
    return paramErr;
}

ControlRef ControlLookup::FindControl(WindowRef inWindow, OSType inSignature, SInt32 inID)
{
    ControlRef control = nullptr;
    GetControlByID(inWindow, ControlID{inSignature, inID}, &control);
    return control;
}

QWidget* ControlLookup::FindPaneByID(WindowRef inWindow, PaneIDT inID)
{
    QWidget* pane = inWindow ? FindNamed(inWindow, CodeText::PaneName(inID)) : nullptr;
    if (!pane)
        RecordMiss(inWindow, ControlID{0, inID});
    return pane;
}

WindowRef ControlLookup::NibWindowOf(const QWidget* inControl)
{
    for (const QWidget* widget = inControl; widget; widget = widget->parentWidget()) {
        if (widget->property(NibLoader::kWindowNameProperty).isValid())
            return const_cast<QWidget*>(widget);
    }
    return nullptr;
}

QString ControlLookup::NibWindowName(const QWidget* inWindow)
{
    if (!inWindow)
        return QString();
    return inWindow->property(NibLoader::kWindowNameProperty).toString();
}

void ControlLookup::RecordMiss(WindowRef inWindow, const ControlID& inID)
{
    MissList().push_back(Miss{NibWindowName(inWindow), inID});
}

std::vector<ControlLookup::Miss> ControlLookup::Misses() { return MissList(); }

void ControlLookup::ClearMisses() { MissList().clear(); }
