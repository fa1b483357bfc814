// What an off-screen web view tells its owner while a page loads, in the order the browser
// reports it. Every call arrives on the main thread from the event loop, inside the view's
// waits; a handler records what it saw and returns (it must not wait on the view).
#pragma once

#include <QString>

class OffscreenWebViewDelegate {
public:
    virtual ~OffscreenWebViewDelegate() = default;

    // A document request (any frame) began a provisional load; `url` is what it asks for.
    virtual void ProvisionalLoadStarted(const QString& url) {}
    // A new resource (not a redirect of one already counted) needs an identifier.
    virtual void IdentifierForInitialRequest() {}
    // A request (redirects too) is about to be sent to `url`.
    virtual void WillSendRequest(const QString& url) {}
    virtual void ResourceFinished() {}
    virtual void ResourceFailed() {}
    // The main frame's document has a title (not empty).
    virtual void TitleReceived(const QString& title) {}
    // The main frame finished loading (its load event).
    virtual void MainFrameFinishedLoading() {}
    // The main frame stopped loading: progress is finished.
    virtual void ProgressFinished() {}
    // The load cannot give a page: navigation error text or "HTTP <status>".
    virtual void LoadFailed(const QString& reason) {}
    // The browser is gone or the run was stopped; nothing more will come.
    virtual void ViewEnded(const QString& reason) {}
};
