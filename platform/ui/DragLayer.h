// DragLayer: what a window hears of drags, as the program's drag handlers expect it. Each
// window has at most one tracking handler (told when a drag enters, moves in and leaves the
// window) and one receive handler (told of the drop), fed from the drag events of the window
// and of its children alike, so real drags and the synthetic ones of tests take one path.
// A window may name target fields: their drops go only to its handlers (a text field would
// otherwise take dropped text itself).
//
// A drag reference answers the item count (the URLs of a URI list, else the cards of vCard
// data, else 1), each item's flavours in the order of the data's formats ('hfs ' and 'furl'
// for a file URL naming an existing item, 'utf8' and 'utxt' for plain text or a URL of
// another scheme, 'vCrd' for vCard data), their data ('hfs ': the path), the mouse point in
// window coordinates and the control under it. The drag highlight is a frame drawn over the
// window, readable by tests. GUI thread only.
#pragma once

#include "UITypes.h"

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QRect>

#include <functional>

class QMimeData;

using FlavorType = OSType;

class DragRef {
public:
    DragRef(const QMimeData* inData, WindowRef inWindow, QPoint inWindowPoint);

    UInt16 CountItems() const;
    // The flavours of item 1..count, in the data's format order; empty for another index.
    QList<FlavorType> ItemFlavors(UInt16 inItem) const;
    // False when the item has no such flavour.
    bool GetFlavorData(UInt16 inItem, FlavorType inFlavor, QByteArray* outData) const;
    QPoint Mouse() const { return mPoint; }
    // The control under the mouse (the innermost widget with a control ID), or null.
    ControlRef ControlUnderMouse() const;
    WindowRef Window() const { return mWindow; }

private:
    QList<QUrl> Urls() const;
    QByteArray VCardData() const;

    const QMimeData* mData;
    WindowRef mWindow;
    QPoint mPoint;
};

enum class DragTrackingMessage { enterWindow, inWindow, leaveWindow };

using DragTrackingHandler = std::function<OSErr(DragTrackingMessage inMessage, WindowRef inWindow, DragRef& inDrag)>;
using DragReceiveHandler = std::function<OSErr(WindowRef inWindow, DragRef& inDrag)>;

// Replace the window's handler; an empty one removes it. paramErr for a null window.
OSErr InstallTrackingHandler(WindowRef inWindow, DragTrackingHandler inHandler);
OSErr InstallReceiveHandler(WindowRef inWindow, DragReceiveHandler inHandler);
// The fields of the window whose drops go only to its handlers.
void SetDragTargets(WindowRef inWindow, const QList<ControlRef>& inTargets);

// Draws (replacing any other) or removes the window's drag highlight, a frame on that
// rectangle in window coordinates.
void ShowDragHilite(WindowRef inWindow, const QRect& inRect);
void HideDragHilite(WindowRef inWindow);
// The highlight's rectangle; empty when none shows.
QRect DragHiliteRect(WindowRef inWindow);

// The number of cards in vCard data (each "BEGIN:VCARD", any case).
int CountVCards(const QByteArray& inData);
