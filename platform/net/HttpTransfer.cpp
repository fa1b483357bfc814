#include "HttpTransfer.h"

#include "HttpClient.h"
#include "HttpEasySetup.h"

#include <curl/curl.h>

#include <cstdlib>

struct HttpTransfer::Impl {
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    curl_slist* headers = nullptr;
    HttpEasyContext context;
    State state = State::Idle;
    std::string pending;
    uint64_t received = 0;
    bool succeeded = false;
    int errorCode = 0;
    std::string errorText;

    void Release()
    {
        if (multi && easy)
            curl_multi_remove_handle(multi, easy);
        if (easy)
            curl_easy_cleanup(easy);
        if (multi)
            curl_multi_cleanup(multi);
        curl_slist_free_all(headers);
        easy = nullptr;
        multi = nullptr;
        headers = nullptr;
    }

    void Finish(int code, std::string text)
    {
        errorCode = code;
        errorText = std::move(text);
        succeeded = code == CURLE_OK;
        state = State::Finished;
        Release();
    }

    void CollectFinished()
    {
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
            if (message->msg != CURLMSG_DONE || message->easy_handle != easy)
                continue;
            const CURLcode code = message->data.result;
            std::string text;
            if (code != CURLE_OK)
                text = TransferFailureText(context, code);
            Finish(code, text);
            return;
        }
    }
};

HttpTransfer::HttpTransfer() : mImpl(std::make_unique<Impl>()) {}

HttpTransfer::~HttpTransfer()
{
    mImpl->Release();
}

bool HttpTransfer::Start(const HttpRequestOptions& given)
{
    HttpClient::InitializeOnce();
    Impl& d = *mImpl;
    if (d.state != State::Idle)
        return false;
    if (!HttpClient::IsSupportedURL(given.url)) {
        d.Finish(CURLE_UNSUPPORTED_PROTOCOL, curl_easy_strerror(CURLE_UNSUPPORTED_PROTOCOL));
        return false;
    }
    HttpRequestOptions options = given;
    options.followRedirects = false;
    d.context.onChunk = [&d](const char* bytes, size_t count) {
        d.pending.append(bytes, count);
        d.received += count;
        return true;
    };
    d.easy = curl_easy_init();
    d.multi = curl_multi_init();
    if (!d.easy || !d.multi) {
        d.Finish(CURLE_FAILED_INIT, curl_easy_strerror(CURLE_FAILED_INIT));
        return false;
    }
    void* headerList = nullptr;
    std::string error;
    const bool configured = ConfigureEasyHandle(d.easy, options, &d.context, false, &headerList, &error);
    d.headers = static_cast<curl_slist*>(headerList);
    if (!configured || curl_multi_add_handle(d.multi, d.easy) != CURLM_OK) {
        d.Finish(CURLE_FAILED_INIT, configured ? curl_easy_strerror(CURLE_FAILED_INIT) : error);
        return false;
    }
    d.state = State::Running;
    return true;
}

HttpTransfer::State HttpTransfer::Step()
{
    Impl& d = *mImpl;
    if (d.state != State::Running)
        return d.state;
    int running = 0;
    CURLMcode code = curl_multi_perform(d.multi, &running);
    if (code == CURLM_OK)
        code = curl_multi_poll(d.multi, nullptr, 0, 0, nullptr);
    if (code != CURLM_OK) {
        d.Finish(CURLE_RECV_ERROR, curl_multi_strerror(code));
        return d.state;
    }
    d.CollectFinished();
    return d.state;
}

void HttpTransfer::Abort()
{
    Impl& d = *mImpl;
    if (d.state == State::Finished)
        return;
    d.Finish(CURLE_ABORTED_BY_CALLBACK, "aborted");
}

HttpTransfer::State HttpTransfer::GetState() const
{
    return mImpl->state;
}

const HttpResponseHeader& HttpTransfer::Header() const
{
    return mImpl->context.header;
}

std::string HttpTransfer::TakeBody()
{
    std::string body;
    body.swap(mImpl->pending);
    return body;
}

uint64_t HttpTransfer::BytesReceived() const
{
    return mImpl->received;
}

int64_t HttpTransfer::ExpectedSize() const
{
    const auto length = mImpl->context.header.Field("Content-Length");
    if (!length || length->empty())
        return -1;
    char* end = nullptr;
    const long long value = std::strtoll(length->c_str(), &end, 10);
    return (*end == 0 && value >= 0) ? value : -1;
}

bool HttpTransfer::Succeeded() const
{
    return mImpl->succeeded;
}

int HttpTransfer::ErrorCode() const
{
    return mImpl->errorCode;
}

const std::string& HttpTransfer::ErrorText() const
{
    return mImpl->errorText;
}
