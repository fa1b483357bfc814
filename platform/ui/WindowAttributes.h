// WindowAttributes: what the window code keeps on a window besides its controls: the reference
// constant (the object behind the window), the modified mark, the file path (in place of the
// title-bar proxy icon), size limits, content and structure bounds in screen coordinates, and
// the size of the main display (replaceable, so tests can pose as a 600- or 601-pixel display).
// Content bounds exclude an open drawer: the drawer keeps its own bounds. GUI thread only; a
// null window is ignored (getters answer empty values).
#pragma once

#include "UITypes.h"

#include <QRect>
#include <QSize>
#include <QString>

class WindowAttributes {
public:
    static void SetWRefCon(WindowRef inWindow, void* inRefCon);
    static void* GetWRefCon(WindowRef inWindow);

    static void SetWindowModified(WindowRef inWindow, bool inModified);
    static bool IsWindowModified(WindowRef inWindow);

    static void SetWindowFilePath(WindowRef inWindow, const QString& inPath);
    static QString GetWindowFilePath(WindowRef inWindow);

    // Content sizes; a maximum of QWIDGETSIZE_MAX means none.
    static void SetWindowResizeLimits(WindowRef inWindow, QSize inMinimum, QSize inMaximum);
    static void GetWindowResizeLimits(WindowRef inWindow, QSize* outMinimum, QSize* outMaximum);
    // Applies a bounds-changing handler's answer as size limits (see WindowEvents).
    static void ConstrainContentSize(WindowRef inWindow, QSize inProposed, QSize inAnswered);

    static QRect GetContentBounds(WindowRef inWindow);   // screen coordinates, drawer excluded
    static QRect GetStructureBounds(WindowRef inWindow); // the frame, in screen coordinates
    static void SetContentBounds(WindowRef inWindow, const QRect& inBounds);

    // The height an open drawer adds to the window (0 when none).
    static int DrawerHeight(WindowRef inWindow);
    static void SetDrawerHeight(WindowRef inWindow, int inHeight);

    static QSize MainDisplaySize();
    static void SetMainDisplaySize(QSize inSize); // an empty size restores the real screen
};
