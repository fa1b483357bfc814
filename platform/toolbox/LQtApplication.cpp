#include "LQtApplication.h"

#include "LExceptionReporter.h"
#include "ThreadSanitizer.h"

namespace {
int sDefaultArgc = 1;
char sProgramName[] = "brevanto";
char* sDefaultArgv[] = {sProgramName, nullptr};
} // namespace

int LQtApplication::sNotifyDepth = 0;
LQtApplication::InputDeferral* LQtApplication::sDeferral = nullptr;

LQtApplication::LQtApplication(int& ioArgc, char** ioArgv)
    : QApplication(ioArgc, ioArgv)
{
    setQuitOnLastWindowClosed(false);
}

LQtApplication::~LQtApplication() = default;

QCoreApplication* LQtApplication::Instance()
{
    if (QCoreApplication* existing = QCoreApplication::instance())
        return existing;
    return new LQtApplication(sDefaultArgc, sDefaultArgv);
}

bool LQtApplication::IsUserInput(const QEvent* inEvent)
{
    switch (inEvent->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
        return true;
    default:
        return false;
    }
}

bool LQtApplication::notify(QObject* inReceiver, QEvent* inEvent)
{
    TakeHandOver(inEvent); // an event another OS thread posted (see ThreadSanitizer.h)
    // Only events coming straight from the queue (not ones a handler sends on) are held back.
    if (sDeferral && sNotifyDepth == sDeferral->mBaseDepth && IsUserInput(inEvent)) {
        sDeferral->mHeld.emplace_back(inReceiver, std::unique_ptr<QEvent>(inEvent->clone()));
        return true;
    }
    struct Depth {
        Depth() { ++sNotifyDepth; }
        ~Depth() { --sNotifyDepth; }
    } depth;
    try {
        return QApplication::notify(inReceiver, inEvent);
    } catch (...) {
        LExceptionReporter::ReportCurrent("event handler");
        return false;
    }
}

LQtApplication::InputDeferral::InputDeferral()
    : mBaseDepth(sNotifyDepth)
    , mOuter(sDeferral)
{
    sDeferral = this;
}

LQtApplication::InputDeferral::~InputDeferral()
{
    sDeferral = mOuter;
    for (auto& [receiver, event] : mHeld) {
        if (receiver)
            QCoreApplication::postEvent(receiver, event.release());
    }
}
