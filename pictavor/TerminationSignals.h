// TerminationSignals: SIGTERM and SIGINT end a run instead of the process. The handler only
// records the signal (a byte into a pipe, and the title fetch's stop flag); the event loop then
// asks the controller to stop, so the browser is closed, its run folder removed, no file is
// written and the program still exits with status 0.
// Install once, on the main thread, after the application object exists.
#pragma once

#include <QSocketNotifier>

#include <memory>

namespace pictavor {

class WebViewController;

class TerminationSignals {
public:
    explicit TerminationSignals(WebViewController& controller);
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    void Deliver();

    WebViewController& fController;
    std::unique_ptr<QSocketNotifier> fNotifier;
};

} // namespace pictavor
