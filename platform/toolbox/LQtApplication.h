// LQtApplication: the one QApplication of the process (quit on last window closed: off).
// Every event Qt delivers passes through notify, which catches what a handler throws and
// reports it (LExceptionReporter), so no exception crosses Qt's frames. While an InputDeferral
// lives, user input events that the event queue delivers (keys, mouse, wheel, touch, tablet;
// posted or from the window system) are held back and posted again when it ends, so they wait
// for the next full pass of the loop. GUI thread only.
#pragma once

#include <QApplication>
#include <QPointer>

#include <memory>
#include <utility>
#include <vector>

class LQtApplication : public QApplication {
public:
    LQtApplication(int& ioArgc, char** ioArgv);
    ~LQtApplication() override;

    // The process's application object: the existing one, or a new LQtApplication.
    static QCoreApplication* Instance();

    bool notify(QObject* inReceiver, QEvent* inEvent) override;

    // Holds back queued user input while it lives (see above); nests.
    class InputDeferral {
    public:
        InputDeferral();
        ~InputDeferral();
        InputDeferral(const InputDeferral&) = delete;
        InputDeferral& operator=(const InputDeferral&) = delete;

    private:
        friend class LQtApplication;
        int mBaseDepth;
        InputDeferral* mOuter;
        std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> mHeld;
    };

private:
    static bool IsUserInput(const QEvent* inEvent);
    static int sNotifyDepth;
    static InputDeferral* sDeferral;
};
