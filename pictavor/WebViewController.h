// WebViewController: drives one page-imaging run. It follows the web view's load (the resource
// counters and their log lines, the main frame, the title), decides when the page has settled
// (the quiet period: the main frame has loaded and no resource event came for more than
// `threshold` seconds, sampled every 0.5 s by doMonitor; or a 20-second cap), and holds the
// run's flags: loaded (set by the quiet period, the cap or the progress observer) and
// main-frame-loaded. A failed load, a browser that is gone or a stop request end every wait.
// Main thread only; the flags are plain values set from the event loop's callbacks.
#pragma once

#include "OffscreenWebViewDelegate.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTimer>

class OffscreenWebView;

namespace pictavor {

class Pictavor;

class WebViewController : public OffscreenWebViewDelegate {
public:
    static constexpr int kMonitorIntervalMs = 500;
    static constexpr double kThresholdSeconds = 6.0;
    static constexpr int kLoadCapMs = 20000;

    WebViewController();
    ~WebViewController() override;

    // The run's entry points: the argument array (URL, type name, quality text), and the three
    // arguments as texts (the quality converted as C reads a number).
    void PictavorWithParams(const QStringList& params);
    void PictavorImageTypeWithQuality(const QString& url, const QString& imageType, const QString& quality);
    // Images the front browser's page; there is none on this system, which it logs.
    void ImageCurrentBrowserURL(const QStringList& params);

    void InitResourceCounters();
    void DoMonitor();
    void StopWait();
    void UpdateResourceStatus();
    void LogEntry(const QString& text);

    // The view whose load this controller follows (set for the run, cleared after).
    void SetWebView(OffscreenWebView* view) { fView = view; }
    OffscreenWebView* WebView() const { return fView; }
    // Asks every wait to end: the run stops with no file.
    void RequestStop(const QString& reason);
    bool StopRequested() const { return !fStopReason.isEmpty(); }
    const QString& StopReason() const { return fStopReason; }

    // The run's flags.
    bool Loaded() const { return fLoaded; }
    void SetLoaded(bool loaded) { fLoaded = loaded; }
    bool MainFrameLoaded() const { return fMainFrameLoaded; }
    void SetMainFrameLoaded(bool loaded) { fMainFrameLoaded = loaded; }
    void SetObserver(Pictavor* observer) { fObserver = observer; }

    int ResourceCount() const { return fResourceCount; }
    int ResourceCompletedCount() const { return fResourceCompletedCount; }
    int ResourceFailedCount() const { return fResourceFailedCount; }

    // OffscreenWebViewDelegate
    void ProvisionalLoadStarted(const QString& url) override;
    void IdentifierForInitialRequest() override;
    void WillSendRequest(const QString& url) override;
    void ResourceFinished() override;
    void ResourceFailed() override;
    void TitleReceived(const QString& title) override;
    void MainFrameFinishedLoading() override;
    void ProgressFinished() override;
    void LoadFailed(const QString& reason) override;
    void ViewEnded(const QString& reason) override;

private:
    QTimer fMonitor;
    double fThreshold = kThresholdSeconds;
    QElapsedTimer fLastDateLoaded;
    int fResourceCount = 0;
    int fResourceFailedCount = 0;
    int fResourceCompletedCount = 0;
    bool fLoaded = false;
    bool fMainFrameLoaded = false;
    Pictavor* fObserver = nullptr;
    OffscreenWebView* fView = nullptr;
    QString fStopReason;
};

} // namespace pictavor
