#include "WebViewController.h"

#include "BrowserURL.h"
#include "OffscreenWebView.h"
#include "OutputTypes.h"
#include "PageImaging.h"
#include "Pictavor.h"
#include "PictavorLog.h"

namespace pictavor {

WebViewController::WebViewController()
{
    fMonitor.setInterval(kMonitorIntervalMs);
    QObject::connect(&fMonitor, &QTimer::timeout, [this] { DoMonitor(); });
    fLastDateLoaded.start();
}

WebViewController::~WebViewController() = default;

void WebViewController::PictavorWithParams(const QStringList& params)
{
    if (params.size() < 3)
        return;
    PictavorImageTypeWithQuality(params[0], params[1], params[2]);
}

void WebViewController::PictavorImageTypeWithQuality(const QString& url, const QString& imageType, const QString& quality)
{
    ProcessURL(url, imageType, IntValue(quality), *this);
}

void WebViewController::ImageCurrentBrowserURL(const QStringList& params)
{
    const QString url = GetFrontWebPageURL();
    if (url.isNull() || params.size() < 2) {
        LogEntry(QStringLiteral("Could not retrieve browser URL."));
        LogEntry(QStringLiteral("Either your browser is not running, doesn't have an open window, or it isn't supported by this feature."));
        return;
    }
    ProcessURL(url, params[0], IntValue(params[1]), *this);
}

void WebViewController::InitResourceCounters()
{
    fResourceCount = 0;
    fResourceFailedCount = 0;
    fResourceCompletedCount = 0;
    fThreshold = kThresholdSeconds;
    fLastDateLoaded.start();
    fMonitor.start();
}

void WebViewController::DoMonitor()
{
    if (!fMainFrameLoaded || fLastDateLoaded.elapsed() / 1000.0 <= fThreshold)
        return;
    fMonitor.stop();
    fLoaded = true;
    LogEntry(QStringLiteral("Delay threshold of %1 seconds met.").arg(fThreshold));
}

void WebViewController::StopWait()
{
    fLoaded = true;
}

void WebViewController::UpdateResourceStatus()
{
    LogEntry(QStringLiteral("Loaded %1 of %2 resources, %3 resource errors.")
                 .arg(fResourceCompletedCount).arg(fResourceCount).arg(fResourceFailedCount));
    fLastDateLoaded.start();
}

void WebViewController::LogEntry(const QString& text)
{
    pictavor::LogEntry(text);
}

void WebViewController::RequestStop(const QString& reason)
{
    if (fStopReason.isEmpty())
        fStopReason = reason;
    if (fView)
        fView->Abort(reason);
}

void WebViewController::ProvisionalLoadStarted(const QString& url)
{
    fResourceCompletedCount = 0;
    LogEntry(url);
    UpdateResourceStatus();
}

void WebViewController::IdentifierForInitialRequest()
{
    ++fResourceCount;
}

void WebViewController::WillSendRequest(const QString& url)
{
    LogEntry(QStringLiteral("Sending request: %1\n").arg(url));
}

void WebViewController::ResourceFinished()
{
    ++fResourceCompletedCount;
    UpdateResourceStatus();
}

void WebViewController::ResourceFailed()
{
    ++fResourceFailedCount;
    UpdateResourceStatus();
}

void WebViewController::TitleReceived(const QString& title)
{
    LogEntry(QStringLiteral("Reveived document title: %1").arg(title));
}

void WebViewController::MainFrameFinishedLoading()
{
    fMainFrameLoaded = true;
    LogEntry(QStringLiteral("Main Frame finished loading."));
}

void WebViewController::ProgressFinished()
{
    if (fObserver)
        fObserver->WebPageFinishedLoading();
}

void WebViewController::LoadFailed(const QString&)
{
    // The view keeps the reason; the run reads it when its waits end (they end at once).
}

void WebViewController::ViewEnded(const QString&)
{
    // As above: the view keeps the reason and every wait ends.
}

} // namespace pictavor
