// WindowEvents: one event handler per nib window, the stand-in for the window's event handler
// of the toolbox. Qt's own events are translated into the program's kinds where Qt has a
// counterpart (font selection has none): close, activation, show and hide, raw keys and text
// input, mouse down, bounds changing and changed, drawing, a sheet opening on the window, and
// commands from its controls (CommandRouter). A handler answers noErr when it handled the event
// or eventNotHandledErr to let the default run (an unhandled close closes the window).
//
// "Bounds changing" carries the proposed content bounds (screen coordinates, an open drawer
// excluded); a handler that changes them constrains the window, enforced through size limits:
// a changed height becomes a fixed height, a larger width a minimum and a smaller one a maximum.
// Ctrl is the command key; a right click is a control-click. GUI thread only.
#pragma once

#include "UITypes.h"

#include <QObject>
#include <QRect>
#include <QString>

#include <functional>

class QPainter;

enum class WindowEventKind {
    commandProcess,
    close,
    activated,
    showing,
    hiding,
    shown,
    deactivated,
    rawKeyDown,
    mouseDown,
    fontSelection,
    textInput,
    boundsChanging,
    boundsChanged,
    resizeCompleted,
    drawContent,
    sheetOpening,
};

struct WindowEvent {
    WindowEventKind kind = WindowEventKind::commandProcess;
    WindowRef window = nullptr;
    CommandT command = 0;          // commandProcess
    ControlRef control = nullptr;  // commandProcess: the control that sent it, if any
    QRect bounds;                  // boundsChanging (in/out), boundsChanged
    QRect previousBounds;
    int key = 0;                   // rawKeyDown: Qt key code
    QString text;                  // rawKeyDown, textInput
    QPoint where;                  // mouseDown, screen coordinates
    bool commandKey = false, shiftKey = false, optionKey = false, controlKey = false;
    WindowRef sheet = nullptr;     // sheetOpening
};

class WindowEvents : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<OSStatus(WindowEvent& ioEvent)>;

    // Replaces the window's handler; an empty handler removes it.
    static void InstallWindowEventHandler(WindowRef inWindow, Handler inHandler);
    static bool HasHandler(WindowRef inWindow);
    // The handler's answer, or eventNotHandledErr when the window has none.
    static OSStatus Send(WindowRef inWindow, WindowEvent& ioEvent);

protected:
    bool eventFilter(QObject* inWatched, QEvent* inEvent) override;

private:
    explicit WindowEvents(WindowRef inWindow);
    static WindowEvents* Of(WindowRef inWindow);
    OSStatus Deliver(WindowEvent& ioEvent);
    bool Deliver(WindowEventKind inKind);
    void OnResize();

    WindowRef mWindow;
    Handler mHandler;
    bool mInResize = false;
};
