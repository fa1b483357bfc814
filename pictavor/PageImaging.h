// The page-imaging run: ProcessURL from the URL text to the output file, and the steps it is
// made of (loading with its first wait, the document size, the raster and PDF writers).
// Every failure ends the run with a log line and no output file; nothing here throws.
// Main thread; the run waits in the event loop.
#pragma once

#include "FSRef.h"
#include "MacTypes.h"

#include <QDeadlineTimer>
#include <QString>

class OffscreenWebView;

namespace pictavor {

class WebViewController;

constexpr int kRunDeadlineMs = 110000;
constexpr const char* kOutputBaseName = "load-url-1963";

// "http://", "https://" and "file://" (any case) stay; any other text gets "http://" in front.
QString NormalizeURL(const QString& url);

// The whole run: normalise, check the network, pre-fetch the title, load and wait, write
// "load-url-1963.<type>" into the private temporary folder, set its comment to the URL.
void ProcessURL(const QString& url, const QString& imageType, int quality, WebViewController& controller);

// Starts the load and waits until the main frame or the page has finished, the load fails, or
// 20 s have passed since the load began (`loadCap`). False when the URL is not a URL or the
// load could not be started.
bool LoadURL(OffscreenWebView& view, const QString& url, WebViewController& controller, QDeadlineTimer loadCap);

// The document's size, each side truncated and 20 added.
bool GetDocumentViewSize(OffscreenWebView& view, int* width, int* height);

// The raster writer: sizes the view to the document, captures it and exports it with the
// subtype's exporter at the codec quality. noErr with `outRef` naming the new file.
OSStatus ImageWebView(OffscreenWebView& view, const FSRef& folder, const QString& fileName, OSType subtype,
                      int quality, FSRef* outRef);
// The PDF writer: one page the size of the view, written whole.
OSStatus ImageWebViewAsPDF(OffscreenWebView& view, const FSRef& folder, const QString& fileName, FSRef* outRef);

} // namespace pictavor
