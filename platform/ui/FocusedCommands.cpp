#include "FocusedCommands.h"

#include <QApplication>
#include <QWidget>

FocusedCommandResponder* FindFocusedCommandResponder()
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus) {
        if (QWidget* front = QApplication::activeWindow())
            focus = front->focusWidget();
    }
    return dynamic_cast<FocusedCommandResponder*>(focus);
}
