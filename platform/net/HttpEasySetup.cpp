#include "HttpEasySetup.h"

#include "HttpClient.h"

#include <curl/curl.h>

#include <exception>
#include <new>

namespace {

// libcurl is C: an exception must never unwind through it. Each callback runs its body here;
// a throw becomes the context's failure and `failed`, which ends the transfer.
template <class Result, class Body>
Result Guarded(HttpEasyContext* context, Result failed, Body&& body)
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        context->callbackFailure = "Out of memory while receiving the response.";
    } catch (const std::exception& error) {
        context->callbackFailure = error.what();
    } catch (...) {
        context->callbackFailure = "The response could not be received.";
    }
    return failed;
}

size_t ReceiveHeaderLine(char* bytes, size_t size, size_t count, void* userData)
{
    auto* context = static_cast<HttpEasyContext*>(userData);
    return Guarded(context, size_t(0), [&] {
        context->NoteActivity();
        context->header.AddLine(std::string_view(bytes, size * count));
        return size * count;
    });
}

size_t ReceiveBody(char* bytes, size_t size, size_t count, void* userData)
{
    auto* context = static_cast<HttpEasyContext*>(userData);
    return Guarded(context, size_t(CURL_WRITEFUNC_ERROR), [&]() -> size_t {
        const size_t total = size * count;
        context->NoteActivity();
        if (context->isCancelled && context->isCancelled()) {
            context->cancelled = true;
            return CURL_WRITEFUNC_ERROR;
        }
        if (context->maxBodyBytes > 0 && total > context->maxBodyBytes - context->bodyBytes) {
            context->tooLarge = true;
            return CURL_WRITEFUNC_ERROR;
        }
        context->bodyBytes += total;
        if (total > 0 && context->onChunk && !context->onChunk(bytes, total)) {
            context->cancelled = true;
            return CURL_WRITEFUNC_ERROR;
        }
        return total;
    });
}

// libcurl calls this at least once a second, also while nothing arrives.
int CheckProgress(void* userData, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto* context = static_cast<HttpEasyContext*>(userData);
    return Guarded(context, 1, [&] {
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
    });
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

std::string TransferFailureText(const HttpEasyContext& context, int code)
{
    if (context.tooLarge || code == CURLE_FILESIZE_EXCEEDED)
        return "The response is larger than " + std::to_string(context.maxBodyBytes >> 20)
            + " MB and was not loaded.";
    if (!context.callbackFailure.empty())
        return context.callbackFailure;
    return context.errorBuffer[0] ? context.errorBuffer : curl_easy_strerror(CURLcode(code));
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
    context->maxBodyBytes = options.maxBodyBytes;
    if (options.maxBodyBytes > 0) // a body announced as too large is refused before it comes
        set(CURLOPT_MAXFILESIZE_LARGE, curl_off_t(options.maxBodyBytes));
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
