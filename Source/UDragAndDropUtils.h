// Drag helpers: the tests the program makes on a finished drag. A drag source here cannot see
// where its drop landed (the desktop's trash included), so DroppedInTrash answers false.
// GUI thread only; no state.
#pragma once

#include "MacTypes.h"

#include <Qt>

class QDropEvent;
class QWidget;

class UDragAndDropUtils {
public:
    static bool DroppedInTrash();
};

// True when the option key (Alt) was down when the mouse went down or when it went up.
bool OptionKeyDownInDrag(Qt::KeyboardModifiers inAtMouseDown, Qt::KeyboardModifiers inAtMouseUp);
// True when the drop comes from a widget of the window that receives it.
bool DragInsideSenderWindow(const QDropEvent* inDrop, const QWidget* inReceiver);
