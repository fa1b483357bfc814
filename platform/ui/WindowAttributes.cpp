#include "WindowAttributes.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {
constexpr const char* kRefConProperty = "refCon";
constexpr const char* kDrawerHeightProperty = "drawerHeight";

QSize& DisplayOverride()
{
    static QSize sSize;
    return sSize;
}
} // namespace

void WindowAttributes::SetWRefCon(WindowRef inWindow, void* inRefCon)
{
    if (inWindow)
        inWindow->setProperty(kRefConProperty, QVariant::fromValue(reinterpret_cast<quintptr>(inRefCon)));
}

void* WindowAttributes::GetWRefCon(WindowRef inWindow)
{
    if (!inWindow)
        return nullptr;
    return reinterpret_cast<void*>(inWindow->property(kRefConProperty).value<quintptr>());
}

void WindowAttributes::SetWindowModified(WindowRef inWindow, bool inModified)
{
    if (inWindow)
        inWindow->setWindowModified(inModified);
}

bool WindowAttributes::IsWindowModified(WindowRef inWindow) { return inWindow && inWindow->isWindowModified(); }

void WindowAttributes::SetWindowFilePath(WindowRef inWindow, const QString& inPath)
{
    if (inWindow)
        inWindow->setWindowFilePath(inPath);
}

QString WindowAttributes::GetWindowFilePath(WindowRef inWindow)
{
    return inWindow ? inWindow->windowFilePath() : QString();
}

void WindowAttributes::SetWindowResizeLimits(WindowRef inWindow, QSize inMinimum, QSize inMaximum)
{
    if (!inWindow)
        return;
    const int extra = DrawerHeight(inWindow);
    inWindow->setMinimumSize(inMinimum.width(), inMinimum.height() + extra);
    const int maxHeight = inMaximum.height() >= QWIDGETSIZE_MAX ? QWIDGETSIZE_MAX : inMaximum.height() + extra;
    inWindow->setMaximumSize(inMaximum.width(), maxHeight);
}

void WindowAttributes::GetWindowResizeLimits(WindowRef inWindow, QSize* outMinimum, QSize* outMaximum)
{
    if (!inWindow)
        return;
    const int extra = DrawerHeight(inWindow);
    if (outMinimum)
        *outMinimum = QSize(inWindow->minimumWidth(), inWindow->minimumHeight() - extra);
    if (outMaximum) {
        const int maxHeight = inWindow->maximumHeight();
        *outMaximum = QSize(inWindow->maximumWidth(), maxHeight >= QWIDGETSIZE_MAX ? maxHeight : maxHeight - extra);
    }
}

void WindowAttributes::ConstrainContentSize(WindowRef inWindow, QSize inProposed, QSize inAnswered)
{
    if (!inWindow)
        return;
    const int extra = DrawerHeight(inWindow);
    if (inAnswered.height() != inProposed.height())
        inWindow->setFixedHeight(inAnswered.height() + extra);
    if (inAnswered.width() > inProposed.width())
        inWindow->setMinimumWidth(inAnswered.width());
    else if (inAnswered.width() < inProposed.width())
        inWindow->setMaximumWidth(inAnswered.width());
    inWindow->resize(inAnswered.width(), inAnswered.height() + extra);
}

QRect WindowAttributes::GetContentBounds(WindowRef inWindow)
{
    if (!inWindow)
        return QRect();
    QRect bounds(inWindow->mapToGlobal(QPoint(0, 0)), inWindow->size());
    bounds.setHeight(bounds.height() - DrawerHeight(inWindow));
    return bounds;
}

QRect WindowAttributes::GetStructureBounds(WindowRef inWindow)
{
    return inWindow ? inWindow->frameGeometry() : QRect();
}

void WindowAttributes::SetContentBounds(WindowRef inWindow, const QRect& inBounds)
{
    if (!inWindow)
        return;
    const QPoint topLeft = inWindow->isWindow() || !inWindow->parentWidget()
                               ? inBounds.topLeft()
                               : inWindow->parentWidget()->mapFromGlobal(inBounds.topLeft());
    inWindow->setGeometry(QRect(topLeft, QSize(inBounds.width(), inBounds.height() + DrawerHeight(inWindow))));
}

int WindowAttributes::DrawerHeight(WindowRef inWindow)
{
    return inWindow ? inWindow->property(kDrawerHeightProperty).toInt() : 0;
}

void WindowAttributes::SetDrawerHeight(WindowRef inWindow, int inHeight)
{
    if (inWindow)
        inWindow->setProperty(kDrawerHeightProperty, inHeight);
}

QSize WindowAttributes::MainDisplaySize()
{
    if (DisplayOverride().isValid())
        return DisplayOverride();
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize();
}

void WindowAttributes::SetMainDisplaySize(QSize inSize) { DisplayOverride() = inSize; }
