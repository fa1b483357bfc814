// ControlHandlers: an event handler on one control for the kinds it asks for: click, hit,
// draw, activation, cursor, mouse down and up, focus, "text accepted" (Return in a field; every
// change in a search field) and command. A handler answers noErr when it handled the event (a
// handled click or mouse event is consumed; a handled draw replaces the control's drawing) or
// eventNotHandledErr. A tab control's hit comes when the user clicks a tab, also the tab that
// is already selected; changing the value by code sends none. GUI thread only.
#pragma once

#include "UITypes.h"

#include <QObject>
#include <QPoint>

#include <functional>
#include <set>

class QPainter;

enum class ControlEventKind {
    click,
    hit,
    hitTest,
    draw,
    activate,
    deactivate,
    setCursor,
    setFocusPart,
    mouseDown,
    mouseUp,
    textAccepted,
    command,
};

struct ControlEvent {
    ControlEventKind kind = ControlEventKind::hit;
    ControlRef control = nullptr;
    SInt16 part = 0;              // hit: the 1-based tab or item, 0 for the whole control
    QPoint where;                 // mouse events: control coordinates
    bool controlClick = false;    // a right click
    CommandT command = 0;         // command
    QPainter* painter = nullptr;  // draw
};

class ControlHandlers : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<OSStatus(ControlEvent& ioEvent)>;

    // Replaces the control's handler and the kinds it receives.
    static void InstallControlEventHandler(ControlRef inControl, std::set<ControlEventKind> inKinds,
                                           Handler inHandler);
    static void RemoveControlEventHandler(ControlRef inControl);
    // The handler's answer, or eventNotHandledErr when the control has none for that kind.
    static OSStatus Send(ControlRef inControl, ControlEvent& ioEvent);

protected:
    bool eventFilter(QObject* inWatched, QEvent* inEvent) override;

private:
    explicit ControlHandlers(ControlRef inControl);
    static ControlHandlers* Of(ControlRef inControl);
    void ConnectSignals();
    OSStatus Deliver(ControlEvent& ioEvent);
    OSStatus Deliver(ControlEventKind inKind, SInt16 inPart = 0);

    ControlRef mControl;
    std::set<ControlEventKind> mKinds;
    Handler mHandler;
    bool mTabClickPending = false;
};
