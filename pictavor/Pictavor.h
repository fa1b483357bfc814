// Pictavor: the observer of the web view's "progress finished" news for one load. While it is
// registered, the first such news sets the run's loaded flag and unregisters it; creating it
// clears the flag. It never outlives the load it watches.
// Main thread.
#pragma once

namespace pictavor {

class WebViewController;

class Pictavor {
public:
    explicit Pictavor(WebViewController& controller);
    ~Pictavor();
    Pictavor(const Pictavor&) = delete;
    Pictavor& operator=(const Pictavor&) = delete;

    void WebPageFinishedLoading();

private:
    WebViewController& fController;
    bool fRegistered = false;
};

} // namespace pictavor
