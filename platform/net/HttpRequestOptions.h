// What one HTTP request asks for: the URL (held whole, never cut), GET or HEAD, whether
// redirects are followed, the User-Agent, Basic credentials, the connect and idle time-outs,
// the largest body taken and any extra header lines. A plain value; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct HttpRequestOptions {
    std::string url;
    bool head = false;              // HEAD (no body) instead of GET
    bool followRedirects = true;    // at most kMaxRedirects, http and https only
    std::string userAgent;          // control characters are dropped before it is sent
    std::string userName;           // Basic credentials go out only when both are non-empty,
    std::string password;           // on the first request, never to another origin
    int connectTimeoutSeconds = 60; // 0 or less counts as 60
    int idleTimeoutSeconds = 60;    // no byte for this long ends the request; 0 or less: 60
    std::vector<std::string> headerLines; // extra "Name: value" lines, sent as they stand
    // A body larger than this, counted after decoding (a small gzip body can inflate to
    // gigabytes), ends the request as a failure; 0 takes any size.
    uint64_t maxBodyBytes = 0;

    static constexpr int kMaxRedirects = 10;
    static constexpr int kDefaultTimeoutSeconds = 60;
};
