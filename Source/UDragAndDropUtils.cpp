#include "UDragAndDropUtils.h"

#include <QDropEvent>
#include <QWidget>

bool UDragAndDropUtils::DroppedInTrash() { return false; }

bool OptionKeyDownInDrag(Qt::KeyboardModifiers inAtMouseDown, Qt::KeyboardModifiers inAtMouseUp)
{
    return (inAtMouseDown | inAtMouseUp) & Qt::AltModifier;
}

bool DragInsideSenderWindow(const QDropEvent* inDrop, const QWidget* inReceiver)
{
    if (!inDrop || !inReceiver)
        return false;
    const auto* source = qobject_cast<const QWidget*>(inDrop->source());
    return source && source->window() == inReceiver->window();
}
