#include "HttpClient.h"

#include "AsciiText.h"
#include "HttpEasySetup.h"

#include <curl/curl.h>

#include <mutex>

namespace {

std::mutex gCAFileLock;
std::string gCAFile;

// libcurl's global set-up must run before any thread starts: static initialisation does it.
struct CurlGlobalSetup {
    CurlGlobalSetup() { curl_global_init(CURL_GLOBAL_DEFAULT); }
};
const CurlGlobalSetup& GlobalSetup()
{
    static const CurlGlobalSetup setup;
    return setup;
}
[[maybe_unused]] const CurlGlobalSetup& gStartUpSetup = GlobalSetup();

HttpResult Failure(int code, std::string text)
{
    HttpResult result;
    result.errorCode = code;
    result.errorText = std::move(text);
    return result;
}

} // namespace

void HttpClient::InitializeOnce()
{
    GlobalSetup();
}

bool HttpClient::IsSupportedURL(std::string_view url)
{
    return HasPrefixIgnoringCase(url, "http://") || HasPrefixIgnoringCase(url, "https://");
}

void HttpClient::SetCAFile(const std::string& path)
{
    std::lock_guard lock(gCAFileLock);
    gCAFile = path;
}

std::string HttpClient::CAFile()
{
    std::lock_guard lock(gCAFileLock);
    return gCAFile;
}

HttpResult HttpClient::Perform(const HttpRequestOptions& options, const ChunkHandler& onChunk,
                               const CancelCheck& isCancelled)
{
    InitializeOnce();
    if (!IsSupportedURL(options.url))
        return Failure(CURLE_UNSUPPORTED_PROTOCOL, curl_easy_strerror(CURLE_UNSUPPORTED_PROTOCOL));

    CURL* easy = curl_easy_init();
    if (!easy)
        return Failure(CURLE_FAILED_INIT, curl_easy_strerror(CURLE_FAILED_INIT));

    HttpEasyContext context;
    context.onChunk = onChunk;
    context.isCancelled = isCancelled;
    void* headerList = nullptr;
    std::string setupError;
    HttpResult result;
    if (!ConfigureEasyHandle(easy, options, &context, true, &headerList, &setupError)) {
        result = Failure(CURLE_FAILED_INIT, setupError);
    } else {
        const CURLcode code = curl_easy_perform(easy);
        result.header = context.header;
        const char* effective = nullptr;
        if (curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective)
            result.effectiveURL = effective;
        result.cancelled = context.cancelled;
        result.errorCode = code;
        if (context.idleExpired) {
            result.errorCode = CURLE_OPERATION_TIMEDOUT;
            result.errorText = IdleTimeOutText(options);
        } else if (code != CURLE_OK) {
            result.errorText = TransferFailureText(context, code);
        } else if (result.StatusCode() >= 400) {
            result.errorCode = CURLE_HTTP_RETURNED_ERROR;
            result.errorText = "The requested URL returned error: " + std::to_string(result.StatusCode());
        } else {
            result.succeeded = true;
        }
    }
    curl_slist_free_all(static_cast<curl_slist*>(headerList));
    curl_easy_cleanup(easy);
    return result;
}
