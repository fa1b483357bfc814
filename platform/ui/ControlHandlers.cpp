#include "ControlHandlers.h"

#include "ControlValues.h"
#include "SearchField.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QTabBar>
#include <QWidget>

ControlHandlers::ControlHandlers(ControlRef inControl)
    : QObject(inControl)
    , mControl(inControl)
{
    inControl->installEventFilter(this);
    ConnectSignals();
}

ControlHandlers* ControlHandlers::Of(ControlRef inControl)
{
    if (!inControl)
        return nullptr;
    return inControl->findChild<ControlHandlers*>(QString(), Qt::FindDirectChildrenOnly);
}

void ControlHandlers::InstallControlEventHandler(ControlRef inControl, std::set<ControlEventKind> inKinds,
                                                 Handler inHandler)
{
    if (!inControl)
        return;
    ControlHandlers* handlers = Of(inControl);
    if (!handlers)
        handlers = new ControlHandlers(inControl);
    handlers->mKinds = std::move(inKinds);
    handlers->mHandler = std::move(inHandler);
}

void ControlHandlers::RemoveControlEventHandler(ControlRef inControl)
{
    if (ControlHandlers* handlers = Of(inControl)) {
        handlers->mHandler = nullptr;
        handlers->mKinds.clear();
    }
}

OSStatus ControlHandlers::Send(ControlRef inControl, ControlEvent& ioEvent)
{
    ControlHandlers* handlers = Of(inControl);
    return handlers ? handlers->Deliver(ioEvent) : eventNotHandledErr;
}

OSStatus ControlHandlers::Deliver(ControlEvent& ioEvent)
{
    if (!mHandler || !mKinds.count(ioEvent.kind))
        return eventNotHandledErr;
    ioEvent.control = mControl;
    Handler handler = mHandler; // the handler may replace itself
    return handler(ioEvent);
}

OSStatus ControlHandlers::Deliver(ControlEventKind inKind, SInt16 inPart)
{
    ControlEvent event;
    event.kind = inKind;
    event.part = inPart;
    return Deliver(event);
}

void ControlHandlers::ConnectSignals()
{
    if (auto* field = qobject_cast<SearchField*>(mControl)) {
        connect(field, &QLineEdit::textChanged, this, [this] { Deliver(ControlEventKind::textAccepted); });
    } else if (auto* field = qobject_cast<QLineEdit*>(mControl)) {
        connect(field, &QLineEdit::returnPressed, this, [this] { Deliver(ControlEventKind::textAccepted); });
    }
    if (auto* button = qobject_cast<QAbstractButton*>(mControl))
        connect(button, &QAbstractButton::clicked, this, [this] { Deliver(ControlEventKind::hit); });
    if (auto* popup = qobject_cast<QComboBox*>(mControl))
        connect(popup, &QComboBox::activated, this,
                [this](int index) { Deliver(ControlEventKind::hit, SInt16(index + 1)); });
    if (QTabBar* tabs = TabBarOf(mControl)) {
        connect(tabs, &QTabBar::tabBarClicked, this, [this, tabs](int index) {
            if (index < 0)
                return;
            if (index == tabs->currentIndex()) {
                Deliver(ControlEventKind::hit, SInt16(index + 1));
                return;
            }
            mTabClickPending = true;
        });
        connect(tabs, &QTabBar::currentChanged, this, [this](int index) {
            if (!mTabClickPending)
                return;
            mTabClickPending = false;
            Deliver(ControlEventKind::hit, SInt16(index + 1));
        });
    }
}

bool ControlHandlers::eventFilter(QObject* inWatched, QEvent* inEvent)
{
    if (inWatched != mControl || !mHandler)
        return false;
    switch (inEvent->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(inEvent);
        ControlEvent event;
        event.where = mouse->position().toPoint();
        event.controlClick = mouse->button() == Qt::RightButton;
        if (inEvent->type() == QEvent::MouseButtonRelease) {
            event.kind = ControlEventKind::mouseUp;
            return Deliver(event) == noErr;
        }
        event.kind = ControlEventKind::mouseDown;
        bool handled = Deliver(event) == noErr;
        event.kind = ControlEventKind::click;
        handled = Deliver(event) == noErr || handled;
        return handled;
    }
    case QEvent::Paint: {
        if (!mKinds.count(ControlEventKind::draw))
            return false;
        QPainter painter(mControl);
        ControlEvent event;
        event.kind = ControlEventKind::draw;
        event.painter = &painter;
        return Deliver(event) == noErr;
    }
    case QEvent::ActivationChange:
        Deliver(mControl->isActiveWindow() ? ControlEventKind::activate : ControlEventKind::deactivate);
        return false;
    case QEvent::Enter:
    case QEvent::MouseMove:
        Deliver(ControlEventKind::setCursor);
        return false;
    case QEvent::FocusIn:
        Deliver(ControlEventKind::setFocusPart);
        return false;
    default:
        return false;
    }
}
