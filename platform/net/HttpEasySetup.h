// Internal to platform/net: the libcurl easy-handle set-up that the two request forms
// (HttpClient, HttpTransfer) share. `easy` is a libcurl easy handle, kept as void* so that no
// header shows libcurl's types. Not for use outside this folder.
#pragma once

#include "HttpRequestOptions.h"
#include "HttpResponseHeader.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

struct HttpEasyContext {
    HttpResponseHeader header;
    std::function<bool(const char*, size_t)> onChunk; // false ends the transfer
    std::function<bool()> isCancelled;                // true ends the transfer
    bool cancelled = false;
    // The idle watch: libcurl's low-speed check averages over several seconds, so a few bytes
    // followed by silence would pass it; this one counts from the last byte of any kind.
    std::chrono::steady_clock::duration idleLimit {};   // zero: not watched
    std::chrono::steady_clock::time_point lastActivity = std::chrono::steady_clock::now();
    bool idleExpired = false;
    uint64_t maxBodyBytes = 0;                        // 0: any size
    uint64_t bodyBytes = 0;                           // decoded body bytes so far
    bool tooLarge = false;
    std::string callbackFailure; // what a handler threw; it never crosses into libcurl
    char errorBuffer[256] = {};

    void NoteActivity() { lastActivity = std::chrono::steady_clock::now(); }
};

// The failure text of an expired idle watch.
std::string IdleTimeOutText(const HttpRequestOptions& options);
// The failure text of a transfer that ended with libcurl's `code` (not CURLE_OK): a body over
// the limit, a handler that failed, else libcurl's own text.
std::string TransferFailureText(const HttpEasyContext& context, int code);

// The User-Agent text with CR, LF and every other control character removed.
std::string CleanHeaderValue(const std::string& value);

// Sets every option of `options` on `easy`, with `context` receiving the header lines, body
// chunks and progress checks. `headerList` receives the curl_slist to free after the transfer.
// `watchIdle` arms libcurl's idle time-out (the stepwise form watches idleness itself).
// False with `error` set when libcurl refuses an option.
bool ConfigureEasyHandle(void* easy, const HttpRequestOptions& options, HttpEasyContext* context,
                         bool watchIdle, void** headerList, std::string* error);
