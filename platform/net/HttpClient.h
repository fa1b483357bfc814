// HttpClient: one HTTP or HTTPS GET or HEAD, run to its end on the calling OS thread (it
// blocks: call it from a thread of its own, never from the GUI thread or a cooperative thread).
// Stands in for the system's HTTP stream: libcurl underneath, which this header never shows
// (the program has a class of its own named CURL).
//
// Promises:
// - Only http:// and https:// URLs (any case) are fetched, also after a redirect; anything
//   else fails at once without a connection. Redirects, when asked for, stop after 10.
// - The body arrives decoded (any content coding libcurl knows) through the chunk handler;
//   the handler, or the cancel check (asked at least once a second while the peer is silent),
//   ends the request without success.
// - A final status of 400 or more is a failure; the header stays readable in the result.
// - A body larger than options.maxBodyBytes (counted decoded) fails with a text saying so.
// - A handler that throws fails the request with its text: no exception passes through
//   libcurl (a C library) or leaves Perform from a handler.
// - TLS peers are verified against the system's CA bundle, or the file set by SetCAFile.
// Any thread; requests on different threads run independently.
#pragma once

#include "HttpRequestOptions.h"
#include "HttpResponseHeader.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

struct HttpResult {
    bool succeeded = false;
    bool cancelled = false;  // the chunk handler or the cancel check ended it
    int errorCode = 0;       // libcurl's code; 22 for a status of 400 or more; 0 on success
    std::string errorText;   // libcurl's text of the failure; empty on success
    HttpResponseHeader header; // the final response's header block (empty without a response)
    std::string effectiveURL;  // the address finally served, after redirects (empty without one)

    int StatusCode() const { return header.StatusCode(); }
};

class HttpClient {
public:
    // Returns false to end the request (counts as cancelled).
    using ChunkHandler = std::function<bool(const char* bytes, size_t count)>;
    using CancelCheck = std::function<bool()>;

    static HttpResult Perform(const HttpRequestOptions& options, const ChunkHandler& onChunk,
                              const CancelCheck& isCancelled = {});

    // True for a URL that begins with "http://" or "https://", compared without case.
    static bool IsSupportedURL(std::string_view url);

    // Prepares libcurl once for the whole program; later calls do nothing. Runs by itself
    // when the program starts; call it early where no static initialisation reaches.
    static void InitializeOnce();

    // The CA bundle that verifies TLS peers; empty (the default) is the system's bundle.
    // Tests point it at their own CA. Affects requests started afterwards.
    static void SetCAFile(const std::string& path);
    static std::string CAFile();
};
