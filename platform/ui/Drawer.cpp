#include "Drawer.h"

#include "WindowAttributes.h"

#include <QBoxLayout>
#include <QMainWindow>
#include <QWidget>

namespace {
constexpr const char* kParentProperty = "drawerParent";
constexpr const char* kLeadingProperty = "drawerLeading";
constexpr const char* kTrailingProperty = "drawerTrailing";

QBoxLayout* HostLayout(WindowRef inParent)
{
    if (auto* main = qobject_cast<QMainWindow*>(inParent))
        return main->centralWidget() ? qobject_cast<QBoxLayout*>(main->centralWidget()->layout()) : nullptr;
    return qobject_cast<QBoxLayout*>(inParent->layout());
}
} // namespace

OSStatus Drawer::SetDrawerParent(WindowRef inDrawer, WindowRef inParent)
{
    if (!inDrawer || !inParent || inDrawer == inParent)
        return paramErr;
    inDrawer->hide();
    QBoxLayout* layout = HostLayout(inParent);
    QWidget* host = layout ? layout->parentWidget() : inParent;
    inDrawer->setParent(host, Qt::Widget);
    if (layout)
        layout->addWidget(inDrawer);
    inDrawer->setProperty(kParentProperty, QVariant::fromValue(static_cast<QWidget*>(inParent)));
    inDrawer->hide();
    return noErr;
}

WindowRef Drawer::GetDrawerParent(WindowRef inDrawer)
{
    return inDrawer ? inDrawer->property(kParentProperty).value<QWidget*>() : nullptr;
}

OSStatus Drawer::SetDrawerOffsets(WindowRef inDrawer, int inLeading, int inTrailing)
{
    if (!inDrawer)
        return paramErr;
    inDrawer->setProperty(kLeadingProperty, inLeading);
    inDrawer->setProperty(kTrailingProperty, inTrailing);
    QMargins margins = inDrawer->contentsMargins();
    margins.setLeft(inLeading);
    margins.setRight(inTrailing);
    inDrawer->setContentsMargins(margins);
    return noErr;
}

OSStatus Drawer::GetDrawerOffsets(WindowRef inDrawer, int* outLeading, int* outTrailing)
{
    if (!inDrawer)
        return paramErr;
    if (outLeading)
        *outLeading = inDrawer->property(kLeadingProperty).toInt();
    if (outTrailing)
        *outTrailing = inDrawer->property(kTrailingProperty).toInt();
    return noErr;
}

void Drawer::AdjustParentHeight(WindowRef inParent, int inDelta)
{
    const int minimum = inParent->minimumHeight();
    const int maximum = inParent->maximumHeight();
    const int height = inParent->height();
    if (inDelta > 0 && maximum < QWIDGETSIZE_MAX)
        inParent->setMaximumHeight(maximum + inDelta);
    inParent->setMinimumHeight(std::max(0, minimum + inDelta));
    if (inDelta < 0 && maximum < QWIDGETSIZE_MAX)
        inParent->setMaximumHeight(maximum + inDelta);
    WindowAttributes::SetDrawerHeight(inParent, WindowAttributes::DrawerHeight(inParent) + inDelta);
    inParent->resize(inParent->width(), height + inDelta);
}

OSStatus Drawer::OpenDrawer(WindowRef inDrawer)
{
    WindowRef parent = GetDrawerParent(inDrawer);
    if (!parent)
        return paramErr;
    if (GetDrawerState(inDrawer) == kWindowDrawerOpen)
        return noErr;
    const int height = std::max(inDrawer->sizeHint().height(), inDrawer->minimumHeight());
    inDrawer->show();
    AdjustParentHeight(parent, height);
    return noErr;
}

OSStatus Drawer::CloseDrawer(WindowRef inDrawer)
{
    WindowRef parent = GetDrawerParent(inDrawer);
    if (!parent)
        return paramErr;
    if (GetDrawerState(inDrawer) == kWindowDrawerClosed)
        return noErr;
    inDrawer->hide();
    AdjustParentHeight(parent, -WindowAttributes::DrawerHeight(parent));
    return noErr;
}

OSStatus Drawer::ToggleDrawer(WindowRef inDrawer)
{
    return GetDrawerState(inDrawer) == kWindowDrawerOpen ? CloseDrawer(inDrawer) : OpenDrawer(inDrawer);
}

UInt32 Drawer::GetDrawerState(WindowRef inDrawer)
{
    if (!inDrawer || inDrawer->isHidden())
        return kWindowDrawerClosed;
    return kWindowDrawerOpen;
}
