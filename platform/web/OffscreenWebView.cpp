#include "OffscreenWebView.h"

#include <QBuffer>
#include <QEventLoop>
#include <QImageReader>
#include <QJsonArray>
#include <QPainter>
#include <QProcessEnvironment>
#include <QTimer>

#include <unistd.h>

#include <algorithm>

namespace {

constexpr int kWaitTickMs = 100;
constexpr double kCssPixelsPerInch = 96.0;

QString ErrorMessage(const QJsonObject& error)
{
    const QString message = error.value(QLatin1String("message")).toString();
    return message.isEmpty() ? QStringLiteral("protocol error") : message;
}

} // namespace

OffscreenWebView::OffscreenWebView(OffscreenWebViewDelegate* delegate) : fDelegate(delegate) {}

OffscreenWebView::~OffscreenWebView()
{
    Close();
}

QString OffscreenWebView::BrowserExecutable()
{
    const QString chosen = qEnvironmentVariable(kBrowserVariable);
    return chosen.isEmpty() ? QString::fromLatin1(kDefaultBrowser) : chosen;
}

QStringList OffscreenWebView::BrowserArguments(const QString& runFolder)
{
    QStringList arguments {
        QStringLiteral("--headless"),
        QStringLiteral("--remote-debugging-pipe"),
        QStringLiteral("--user-data-dir=%1/profile").arg(runFolder),
        QStringLiteral("--no-first-run"),
        QStringLiteral("--no-default-browser-check"),
        QStringLiteral("--disable-background-networking"),
        QStringLiteral("--disable-component-update"),
        QStringLiteral("--disable-sync"),
        QStringLiteral("--disable-default-apps"),
        QStringLiteral("--disable-extensions"),
        QStringLiteral("--disable-breakpad"),
        QStringLiteral("--disable-dev-shm-usage"),
        QStringLiteral("--password-store=basic"),
        QStringLiteral("--mute-audio"),
        QStringLiteral("--hide-scrollbars"),
        QStringLiteral("--disable-gpu"),
        QStringLiteral("--window-size=%1,%2").arg(kViewWidth).arg(kViewHeight),
        QStringLiteral("--host-resolver-rules=%1").arg(QLatin1StringView(kResolverRules)),
    };
    // The browser refuses to run as root with its sandbox; anyone else keeps the sandbox, and
    // a sandbox that cannot start fails the run.
    if (geteuid() == 0)
        arguments << QStringLiteral("--no-sandbox");
    arguments << QStringLiteral("about:blank");
    return arguments;
}

QDeadlineTimer OffscreenWebView::Within(int milliseconds) const
{
    const QDeadlineTimer own(milliseconds);
    return fRunDeadline.isForever() || own.deadlineNSecs() < fRunDeadline.deadlineNSecs() ? own : fRunDeadline;
}

// --- Start ---------------------------------------------------------------------------------------

bool OffscreenWebView::Create(const QString& privateRoot, QString* error)
{
    if (!Launch(privateRoot, error))
        return false;
    if (AttachPage(error))
        return true;
    if (fEnded) {
        fBrowser->WaitForExit(kTerminateMs);
        *error = QStringLiteral("%1 (%2; output: %3)").arg(*error, fBrowser->ExitDescription(), BrowserOutputTail());
    }
    Close();
    return false;
}

bool OffscreenWebView::Launch(const QString& privateRoot, QString* error)
{
    if (!fRunFolder.Create(privateRoot, error))
        return false;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The browser writes crash reports and caches under these despite its own profile folder.
    environment.insert(QStringLiteral("HOME"), fRunFolder.Sub("home"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), fRunFolder.Sub("config"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), fRunFolder.Sub("cache"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), fRunFolder.Sub("data"));
    environment.insert(QStringLiteral("TMPDIR"), fRunFolder.TempPath());

    fBrowser = std::make_unique<BrowserProcess>();
    if (!fBrowser->Start(BrowserExecutable(), BrowserArguments(fRunFolder.Path()), environment, error)) {
        fRunFolder.Remove();
        return false;
    }
    // A browser that exits is gone even while a helper of its own still holds the pipe open.
    fBrowser->SetExitHandler([this] {
        if (!fClosing)
            End(QStringLiteral("The browser %1").arg(fBrowser->ExitDescription()));
    });
    fPipe = std::make_unique<DevToolsPipe>(
        fBrowser->TakeCommandFd(), fBrowser->TakeEventFd(),
        [this](const QJsonObject& message) { OnMessage(message); },
        [this](const QString& reason) { End(reason); });
    return true;
}

bool OffscreenWebView::AttachPage(QString* error)
{
    const QDeadlineTimer start = Within(kStartMs);
    const auto target = Call(QStringLiteral("Target.createTarget"), { { "url", "about:blank" } }, false, start, error);
    if (!target)
        return false;
    const auto attached = Call(QStringLiteral("Target.attachToTarget"),
                               { { "targetId", target->value("targetId").toString() }, { "flatten", true } },
                               false, start, error);
    if (!attached)
        return false;
    fSessionId = attached->value("sessionId").toString();
    if (fSessionId.isEmpty()) {
        *error = QStringLiteral("The browser attached no page");
        return false;
    }
    if (!Call(QStringLiteral("Browser.setDownloadBehavior"), { { "behavior", "deny" } }, false, Within(kCallMs), error))
        return false;
    if (!Call(QStringLiteral("Page.enable"), {}, true, Within(kCallMs), error))
        return false;
    // The window's size leaves a smaller viewport (its frame takes the rest): the viewport
    // itself is the view's 640 x 480, so a short page is laid out and measured at that size.
    if (!Resize(QSize(kViewWidth, kViewHeight), error))
        return false;
    if (!Call(QStringLiteral("Network.enable"), {}, true, Within(kCallMs), error))
        return false;
    const auto tree = Call(QStringLiteral("Page.getFrameTree"), {}, true, Within(kCallMs), error);
    if (!tree)
        return false;
    fMainFrameId = tree->value("frameTree").toObject().value("frame").toObject().value("id").toString();
    return true;
}

// --- Protocol calls ------------------------------------------------------------------------------

bool OffscreenWebView::Send(const QString& method, const QJsonObject& params, bool toPage, ReplyHandler onReply)
{
    if (fEnded || !fPipe || !fPipe->IsOpen())
        return false;
    const int id = fNextId++;
    QJsonObject message { { "id", id }, { "method", method }, { "params", params } };
    if (toPage)
        message.insert("sessionId", fSessionId);
    if (onReply)
        fPending.emplace(id, std::move(onReply));
    if (fPipe->Send(message, Within(kCallMs)))
        return true;
    fPending.erase(id);
    return false;
}

std::optional<QJsonObject> OffscreenWebView::Call(const QString& method, const QJsonObject& params, bool toPage,
                                                   QDeadlineTimer deadline, QString* error)
{
    bool answered = false;
    QJsonObject result;
    QString failure;
    const int id = fNextId;
    const bool sent = Send(method, params, toPage, [&](const QJsonObject& r, const QString& e) {
        answered = true;
        result = r;
        failure = e;
    });
    if (!sent) {
        *error = fEnded ? fEndReason : QStringLiteral("%1 could not be sent to the browser").arg(method);
        return std::nullopt;
    }
    if (!RunUntil([&] { return answered; }, deadline)) {
        fPending.erase(id);
        *error = fEnded ? fEndReason : QStringLiteral("%1: no answer from the browser in time").arg(method);
        return std::nullopt;
    }
    if (!failure.isEmpty()) {
        *error = QStringLiteral("%1: %2").arg(method, failure);
        return std::nullopt;
    }
    return result;
}

bool OffscreenWebView::RunUntil(const std::function<bool()>& condition, QDeadlineTimer deadline)
{
    const QDeadlineTimer until = deadline.deadlineNSecs() < fRunDeadline.deadlineNSecs() ? deadline : fRunDeadline;
    while (!condition()) {
        if (fEnded || until.hasExpired())
            return condition();
        QEventLoop loop;
        QTimer tick;
        tick.setSingleShot(true);
        QObject::connect(&tick, &QTimer::timeout, &loop, &QEventLoop::quit);
        const qint64 left = until.remainingTime();
        tick.start(left < 0 ? kWaitTickMs : int(std::min<qint64>(left, kWaitTickMs)));
        fWaits.push_back(&loop);
        loop.exec();
        fWaits.pop_back();
    }
    return true;
}

void OffscreenWebView::Wake()
{
    for (QEventLoop* loop : fWaits)
        loop->quit();
}

// --- Messages ------------------------------------------------------------------------------------

void OffscreenWebView::OnMessage(const QJsonObject& message)
{
    if (message.contains("id")) {
        const auto pending = fPending.find(message.value("id").toInt());
        if (pending != fPending.end()) {
            ReplyHandler handler = std::move(pending->second);
            fPending.erase(pending);
            const QJsonObject error = message.value("error").toObject();
            handler(message.value("result").toObject(), message.contains("error") ? ErrorMessage(error) : QString());
        }
        Wake();
        return;
    }
    const QString method = message.value("method").toString();
    const QJsonObject params = message.value("params").toObject();
    const QString session = message.value("sessionId").toString();
    if (method == QLatin1String("Target.detachedFromTarget") && params.value("sessionId").toString() == fSessionId
        && !fSessionId.isEmpty())
        End(QStringLiteral("The page was detached from the browser"));
    else if (!fSessionId.isEmpty() && session == fSessionId)
        OnPageEvent(method, params);
    Wake();
}

void OffscreenWebView::OnPageEvent(const QString& method, const QJsonObject& params)
{
    if (method == QLatin1String("Page.javascriptDialogOpening"))
        return OnDialog(params);
    if (method == QLatin1String("Inspector.targetCrashed"))
        return End(QStringLiteral("The page crashed"));
    if (method == QLatin1String("Inspector.detached"))
        return End(QStringLiteral("The page was detached: %1").arg(params.value("reason").toString()));
    if (!fLoadStarted)
        return;
    if (method == QLatin1String("Network.requestWillBeSent"))
        return OnRequestWillBeSent(params);
    if (method == QLatin1String("Network.loadingFinished"))
        return OnResourceDone(params, true);
    if (method == QLatin1String("Network.loadingFailed"))
        return OnResourceDone(params, false);
    if (method == QLatin1String("Network.responseReceived")) {
        const int status = params.value("response").toObject().value("status").toInt();
        if (params.value("requestId").toString() == fMainRequestId && status >= 400)
            FailLoad(QStringLiteral("HTTP %1").arg(status));
        return;
    }
    if (method == QLatin1String("Page.frameNavigated"))
        return OnFrameNavigated(params);
    if (method == QLatin1String("Page.domContentEventFired"))
        return OnDocumentReady();
    if (method == QLatin1String("Page.loadEventFired")) {
        fDelegate->MainFrameFinishedLoading();
        return;
    }
    if (method == QLatin1String("Page.frameStoppedLoading") && params.value("frameId").toString() == fMainFrameId)
        fDelegate->ProgressFinished();
}

void OffscreenWebView::OnRequestWillBeSent(const QJsonObject& params)
{
    const QString url = params.value("request").toObject().value("url").toString();
    const QString requestId = params.value("requestId").toString();
    const bool redirect = params.contains("redirectResponse");
    const bool document = params.value("type").toString() == QLatin1String("Document");
    if (document && !redirect)
        fDelegate->ProvisionalLoadStarted(url);
    if (!redirect) {
        fOpenRequests.insert(requestId);
        fDelegate->IdentifierForInitialRequest();
    }
    if (document && fMainRequestId.isEmpty() && params.value("frameId").toString() == fMainFrameId
        && requestId == params.value("loaderId").toString())
        fMainRequestId = requestId;
    fDelegate->WillSendRequest(url);
}

void OffscreenWebView::OnResourceDone(const QJsonObject& params, bool finished)
{
    if (fOpenRequests.erase(params.value("requestId").toString()) == 0)
        return;
    if (finished)
        fDelegate->ResourceFinished();
    else
        fDelegate->ResourceFailed();
}

void OffscreenWebView::OnFrameNavigated(const QJsonObject& params)
{
    const QJsonObject frame = params.value("frame").toObject();
    if (frame.contains("parentId") || frame.value("id").toString() != fMainFrameId)
        return;
    // A failed navigation commits the browser's own error page, which is not the page.
    if (frame.contains("unreachableUrl"))
        return;
    fCommitted = true;
}

void OffscreenWebView::OnDialog(const QJsonObject& params)
{
    // Unanswered, a dialog holds the page for good.
    const QString type = params.value("type").toString();
    const bool accept = type == QLatin1String("alert") || type == QLatin1String("beforeunload");
    Send(QStringLiteral("Page.handleJavaScriptDialog"), { { "accept", accept } }, true, {});
}

void OffscreenWebView::OnDocumentReady()
{
    Send(QStringLiteral("Runtime.evaluate"), { { "expression", "document.title" }, { "returnByValue", true } }, true,
         [this](const QJsonObject& result, const QString& error) {
             const QString title = result.value("result").toObject().value("value").toString();
             if (error.isEmpty() && !title.isEmpty())
                 fDelegate->TitleReceived(title);
         });
}

void OffscreenWebView::FailLoad(const QString& reason)
{
    if (HasFailed())
        return;
    fFailure = reason.isEmpty() ? QStringLiteral("load failed") : reason;
    fDelegate->LoadFailed(fFailure);
}

void OffscreenWebView::End(const QString& reason)
{
    if (fEnded)
        return;
    fEnded = true;
    fEndReason = reason;
    auto pending = std::move(fPending);
    fPending.clear();
    for (auto& [id, handler] : pending)
        handler({}, reason);
    fDelegate->ViewEnded(reason);
    Wake();
}

// --- Load ----------------------------------------------------------------------------------------

bool OffscreenWebView::Load(const QString& url, QString* error)
{
    fLoadStarted = true;
    fCommitted = false;
    fMainRequestId.clear();
    fOpenRequests.clear();
    fFailure.clear();
    // The navigation's answer waits for the server's response, so it is not waited for here.
    const bool sent = Send(QStringLiteral("Page.navigate"), { { "url", url } }, true,
                           [this](const QJsonObject& result, const QString& failure) {
                               if (!failure.isEmpty() && !fEnded)
                                   FailLoad(failure);
                               else if (const QString text = result.value("errorText").toString(); !text.isEmpty())
                                   FailLoad(text);
                           });
    if (!sent)
        *error = fEnded ? fEndReason : QStringLiteral("The page could not be asked to load");
    return sent;
}

// --- Size, capture, PDF --------------------------------------------------------------------------

bool OffscreenWebView::DocumentSize(QSizeF* size, QString* error)
{
    const auto metrics = Call(QStringLiteral("Page.getLayoutMetrics"), {}, true, Within(kCallMs), error);
    if (!metrics)
        return false;
    const QJsonObject content = metrics->value("cssContentSize").toObject();
    *size = QSizeF(content.value("width").toDouble(), content.value("height").toDouble());
    return true;
}

bool OffscreenWebView::Resize(QSize size, QString* error)
{
    const QJsonObject params { { "width", size.width() }, { "height", size.height() },
                               { "deviceScaleFactor", 1 }, { "mobile", false } };
    return Call(QStringLiteral("Emulation.setDeviceMetricsOverride"), params, true, Within(kCallMs), error).has_value();
}

bool OffscreenWebView::CaptureStrip(int top, QSize strip, QDeadlineTimer deadline, QImage& into, QString* error)
{
    const QJsonObject clip { { "x", 0 }, { "y", top }, { "width", strip.width() }, { "height", strip.height() }, { "scale", 1 } };
    const QJsonObject params { { "format", "png" }, { "captureBeyondViewport", true }, { "clip", clip } };
    auto shot = Call(QStringLiteral("Page.captureScreenshot"), params, true, deadline, error);
    if (!shot)
        return false;
    QByteArray png = QByteArray::fromBase64(shot->value("data").toString().toLatin1());
    shot.reset();
    QBuffer buffer(&png);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    QImage part = reader.read();
    if (part.isNull()) {
        *error = QStringLiteral("Capture could not be decoded: %1").arg(reader.errorString());
        return false;
    }
    if (part.size() != strip) {
        *error = QStringLiteral("Capture came back %1 x %2 instead of %3 x %4")
                     .arg(part.width()).arg(part.height()).arg(strip.width()).arg(strip.height());
        return false;
    }
    part = part.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    for (int y = 0; y < strip.height(); ++y)
        memcpy(into.scanLine(top + y), part.constScanLine(y), size_t(part.bytesPerLine()));
    return true;
}

bool OffscreenWebView::Capture(QSize size, QImage* image, QString* error)
{
    if (size.isEmpty() || qint64(size.width()) * size.height() > kCaptureCapPixels) {
        *error = QStringLiteral("A %1 x %2 view cannot be captured").arg(size.width()).arg(size.height());
        return false;
    }
    // Qt's default allocation limit (128 MB) refuses tall strips; a strip never passes the cap.
    QImageReader::setAllocationLimit(int(std::max<qint64>(QImageReader::allocationLimit(), kCaptureCapPixels * 4 >> 20)));
    if (image->size() != size || image->format() != QImage::Format_RGBA8888_Premultiplied)
        *image = QImage(size, QImage::Format_RGBA8888_Premultiplied);
    if (image->isNull()) {
        *error = QStringLiteral("No memory for a %1 x %2 bitmap").arg(size.width()).arg(size.height());
        return false;
    }
    const QDeadlineTimer deadline = Within(kCaptureMs);
    const int rows = int(std::clamp<qint64>(kStripPixels / size.width(), 1, kStripRows));
    for (int top = 0; top < size.height(); top += rows) {
        const QSize strip(size.width(), std::min(rows, size.height() - top));
        if (!CaptureStrip(top, strip, deadline, *image, error))
            return false;
    }
    return true;
}

bool OffscreenWebView::PDFData(QSize size, QByteArray* pdf, QString* error)
{
    if (!Call(QStringLiteral("Emulation.setEmulatedMedia"), { { "media", "screen" } }, true, Within(kCallMs), error))
        return false;
    const QJsonObject params {
        { "paperWidth", size.width() / kCssPixelsPerInch }, { "paperHeight", size.height() / kCssPixelsPerInch },
        { "marginTop", 0 }, { "marginBottom", 0 }, { "marginLeft", 0 }, { "marginRight", 0 },
        { "printBackground", true }, { "preferCSSPageSize", false },
    };
    const auto printed = Call(QStringLiteral("Page.printToPDF"), params, true, Within(kCaptureMs), error);
    if (!printed)
        return false;
    *pdf = QByteArray::fromBase64(printed->value("data").toString().toLatin1());
    if (pdf->isEmpty()) {
        *error = QStringLiteral("The browser gave no PDF data");
        return false;
    }
    return true;
}

// --- End -----------------------------------------------------------------------------------------

void OffscreenWebView::Abort(const QString& reason)
{
    End(reason);
}

void OffscreenWebView::Close()
{
    fClosing = true;
    if (fBrowser && fBrowser->IsRunning()) {
        if (fPipe && fPipe->IsOpen()) {
            const QJsonObject close { { "id", fNextId++ }, { "method", "Browser.close" }, { "params", QJsonObject() } };
            fPipe->Send(close, QDeadlineTimer(kCallMs));
        }
        fBrowser->WaitForExit(fPipe && fPipe->IsOpen() ? kCloseMs : 0);
        fBrowser->Stop(kTerminateMs);
    } else if (fBrowser) {
        fBrowser->Stop(0);
    }
    if (fBrowser) {
        fOutputTail = fBrowser->OutputTail();
        fBrowser.reset();
    }
    if (fPipe)
        fPipe->Shutdown();
    fEnded = true;
    if (fEndReason.isEmpty())
        fEndReason = QStringLiteral("The view was closed");
    fRunFolder.Remove();
    fClosing = false;
}

QString OffscreenWebView::BrowserOutputTail() const
{
    return fBrowser ? fBrowser->OutputTail() : fOutputTail;
}
