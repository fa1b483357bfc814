#include "WindowEvents.h"

#include "WindowAttributes.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace {
void SetModifiers(WindowEvent& ioEvent, Qt::KeyboardModifiers inModifiers)
{
    ioEvent.commandKey = inModifiers & Qt::ControlModifier;
    ioEvent.shiftKey = inModifiers & Qt::ShiftModifier;
    ioEvent.optionKey = inModifiers & Qt::AltModifier;
    ioEvent.controlKey = inModifiers & Qt::MetaModifier;
}
} // namespace

WindowEvents::WindowEvents(WindowRef inWindow)
    : QObject(inWindow)
    , mWindow(inWindow)
{
    inWindow->installEventFilter(this);
}

WindowEvents* WindowEvents::Of(WindowRef inWindow)
{
    if (!inWindow)
        return nullptr;
    return inWindow->findChild<WindowEvents*>(QString(), Qt::FindDirectChildrenOnly);
}

void WindowEvents::InstallWindowEventHandler(WindowRef inWindow, Handler inHandler)
{
    if (!inWindow)
        return;
    WindowEvents* events = Of(inWindow);
    if (!events)
        events = new WindowEvents(inWindow);
    events->mHandler = std::move(inHandler);
}

bool WindowEvents::HasHandler(WindowRef inWindow)
{
    WindowEvents* events = Of(inWindow);
    return events && events->mHandler;
}

OSStatus WindowEvents::Send(WindowRef inWindow, WindowEvent& ioEvent)
{
    WindowEvents* events = Of(inWindow);
    if (!events)
        return eventNotHandledErr;
    return events->Deliver(ioEvent);
}

OSStatus WindowEvents::Deliver(WindowEvent& ioEvent)
{
    if (!mHandler)
        return eventNotHandledErr;
    ioEvent.window = mWindow;
    Handler handler = mHandler; // the handler may replace itself
    return handler(ioEvent);
}

bool WindowEvents::Deliver(WindowEventKind inKind)
{
    WindowEvent event;
    event.kind = inKind;
    return Deliver(event) == noErr;
}

void WindowEvents::OnResize()
{
    if (mInResize || !mHandler)
        return;
    mInResize = true;
    WindowEvent changing;
    changing.kind = WindowEventKind::boundsChanging;
    changing.bounds = WindowAttributes::GetContentBounds(mWindow);
    const QRect proposed = changing.bounds;
    if (Deliver(changing) == noErr && changing.bounds.size() != proposed.size())
        WindowAttributes::ConstrainContentSize(mWindow, proposed.size(), changing.bounds.size());
    WindowEvent changed;
    changed.kind = WindowEventKind::boundsChanged;
    changed.bounds = WindowAttributes::GetContentBounds(mWindow);
    changed.previousBounds = proposed;
    Deliver(changed);
    Deliver(WindowEventKind::resizeCompleted);
    mInResize = false;
}

bool WindowEvents::eventFilter(QObject* inWatched, QEvent* inEvent)
{
    if (inWatched != mWindow || !mHandler)
        return false;
    switch (inEvent->type()) {
    case QEvent::Close:
        if (!Deliver(WindowEventKind::close))
            return false;
        inEvent->ignore();
        return true;
    case QEvent::WindowActivate:
        Deliver(WindowEventKind::activated);
        return false;
    case QEvent::WindowDeactivate:
        Deliver(WindowEventKind::deactivated);
        return false;
    case QEvent::Show:
        Deliver(WindowEventKind::showing);
        Deliver(WindowEventKind::shown);
        return false;
    case QEvent::Hide:
        Deliver(WindowEventKind::hiding);
        return false;
    case QEvent::Resize:
        OnResize();
        return false;
    case QEvent::Paint:
        Deliver(WindowEventKind::drawContent);
        return false;
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(inEvent);
        WindowEvent event;
        event.kind = WindowEventKind::rawKeyDown;
        event.key = key->key();
        event.text = key->text();
        SetModifiers(event, key->modifiers());
        if (Deliver(event) == noErr)
            return true;
        if (event.text.isEmpty())
            return false;
        event.kind = WindowEventKind::textInput;
        return Deliver(event) == noErr;
    }
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(inEvent);
        WindowEvent event;
        event.kind = WindowEventKind::mouseDown;
        event.where = mouse->globalPosition().toPoint();
        SetModifiers(event, mouse->modifiers());
        if (mouse->button() == Qt::RightButton)
            event.controlKey = true;
        return Deliver(event) == noErr;
    }
    default:
        return false;
    }
}
