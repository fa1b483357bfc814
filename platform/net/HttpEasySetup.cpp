#include "HttpEasySetup.h"

#include "HttpClient.h"

#include <curl/curl.h>

namespace {

size_t ReceiveHeaderLine(char* bytes, size_t size, size_t count, void* userData)
{
    auto* context = static_cast<HttpEasyContext*>(userData);
    context->NoteActivity();
    context->header.AddLine(std::string_view(bytes, size * count));
    return size * count;
}

size_t ReceiveBody(char* bytes, size_t size, size_t count, void* userData)
{
    auto* context = static_cast<HttpEasyContext*>(userData);
    const size_t total = size * count;
    context->NoteActivity();
    if (context->isCancelled && context->isCancelled()) {
        context->cancelled = true;
        return CURL_WRITEFUNC_ERROR;
    }
    if (total > 0 && context->onChunk && !context->onChunk(bytes, total)) {
        context->cancelled = true;
        return CURL_WRITEFUNC_ERROR;
    }
    return total;
}

// libcurl calls this at least once a second, also while nothing arrives.
int CheckProgress(void* userData, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto* context = static_cast<HttpEasyContext*>(userData);
    if (context->isCancelled && context->isCancelled()) {
        context->cancelled = true;
        return 1;
    }
    const auto idle = std::chrono::steady_clock::now() - context->lastActivity;
    if (context->idleLimit.count() > 0 && idle > context->idleLimit) {
        context->idleExpired = true;
        return 1;
    }
    return 0;
}

long SecondsOrDefault(int seconds)
{
    return seconds > 0 ? seconds : HttpRequestOptions::kDefaultTimeoutSeconds;
}

} // namespace

std::string IdleTimeOutText(const HttpRequestOptions& options)
{
    return "Operation timed out: no data for " + std::to_string(SecondsOrDefault(options.idleTimeoutSeconds))
        + " seconds";
}

std::string CleanHeaderValue(const std::string& value)
{
    std::string clean;
    clean.reserve(value.size());
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            continue;
        clean.push_back(c);
    }
    return clean;
}

bool ConfigureEasyHandle(void* easyHandle, const HttpRequestOptions& options,
                         HttpEasyContext* context, bool watchIdle, void** headerList,
                         std::string* error)
{
    CURL* easy = static_cast<CURL*>(easyHandle);
    curl_slist* headers = nullptr;
    for (const std::string& line : options.headerLines)
        headers = curl_slist_append(headers, CleanHeaderValue(line).c_str());
    *headerList = headers;

    CURLcode code = CURLE_OK;
    const auto set = [&](CURLoption option, auto value) {
        if (code == CURLE_OK)
            code = curl_easy_setopt(easy, option, value);
    };
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_ERRORBUFFER, context->errorBuffer);
    set(CURLOPT_URL, options.url.c_str());
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    set(CURLOPT_FOLLOWLOCATION, options.followRedirects ? 1L : 0L);
    set(CURLOPT_MAXREDIRS, long(HttpRequestOptions::kMaxRedirects));
    set(CURLOPT_UNRESTRICTED_AUTH, 0L);
    set(CURLOPT_NOBODY, options.head ? 1L : 0L);
    set(CURLOPT_ACCEPT_ENCODING, "");
    set(CURLOPT_USERAGENT, CleanHeaderValue(options.userAgent).c_str());
    set(CURLOPT_CONNECTTIMEOUT, SecondsOrDefault(options.connectTimeoutSeconds));
    if (watchIdle) {
        context->idleLimit = std::chrono::seconds(SecondsOrDefault(options.idleTimeoutSeconds));
        context->NoteActivity();
        set(CURLOPT_LOW_SPEED_LIMIT, 1L);
        set(CURLOPT_LOW_SPEED_TIME, SecondsOrDefault(options.idleTimeoutSeconds));
    }
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    const std::string caFile = HttpClient::CAFile();
    if (!caFile.empty())
        set(CURLOPT_CAINFO, caFile.c_str());
    if (!options.userName.empty() && !options.password.empty()) {
        set(CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC));
        set(CURLOPT_USERNAME, options.userName.c_str());
        set(CURLOPT_PASSWORD, options.password.c_str());
    }
    if (headers)
        set(CURLOPT_HTTPHEADER, headers);
    set(CURLOPT_HEADERFUNCTION, &ReceiveHeaderLine);
    set(CURLOPT_HEADERDATA, context);
    set(CURLOPT_WRITEFUNCTION, &ReceiveBody);
    set(CURLOPT_WRITEDATA, context);
    set(CURLOPT_XFERINFOFUNCTION, &CheckProgress);
    set(CURLOPT_XFERINFODATA, context);
    set(CURLOPT_NOPROGRESS, 0L);
    if (code == CURLE_OK)
        return true;
    *error = curl_easy_strerror(code);
    return false;
}
