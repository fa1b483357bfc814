// CHTTPRequest against the Python test peer: the waiting and the owner forms, their progress
// messages, cancel and destruction mid-transfer, cooperative waiting, and FetchURL.
#include "CHTTPRequest.h"

#include "CString256.h"
#include "CText.h"
#include "LQtApplication.h"
#include "MemoryBlocks.h"
#include "WebEnvironment.h"

#include "../peers/HttpPeer.h"
#include "../platform/ToolboxTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

class RecordingOwner : public CHTTPRequestOwner {
public:
    void PostMessage(SInt32 message, const void* bytes, SInt32 length) override
    {
        std::lock_guard guard(lock);
        SInt32 value = 0;
        if (length == sizeof value)
            std::memcpy(&value, bytes, sizeof value);
        messages.push_back({message, value});
    }
    std::vector<std::pair<SInt32, SInt32>> Messages()
    {
        std::lock_guard guard(lock);
        return messages;
    }

private:
    std::mutex lock;
    std::vector<std::pair<SInt32, SInt32>> messages;
};

std::string Body(CHTTPRequest& request)
{
    Ptr data = request.GetData();
    if (!data)
        return "<null>";
    std::string body(data, size_t(request.GetDataLength()));
    DisposePtr(data);
    return body;
}

bool WaitFor(const std::function<bool()>& done, std::chrono::seconds limit = 10s)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(10ms);
    return done();
}

class CHTTPRequestTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(peer.IsRunning()); }
    HttpPeer peer;
};

TEST_F(CHTTPRequestTest, WaitingRequestsEndWithTheirBodyOrNull)
{
    struct Case {
        std::string path;
        const char* body;
        int status;
        std::string served; // the address finally served
    } cases[] = {
        {"/redirect/2", "hello body", 200, "/body"},
        {"/moved", "hello body", 200, "/body"},
        {"/empty", "<null>", 200, "/empty"},
        {"/status/404", "<null>", 404, "/status/404"},
        {"/status/500", "<null>", 500, "/status/500"},
        {"/stall-after?s=5", "<null>", 200, "/stall-after?s=5"},
    };
    for (const Case& c : cases) {
        CHTTPRequest request(2, true);
        EXPECT_EQ(request.Get(peer.URL(c.path).c_str(), "Brevanto", "", ""), 0);
        EXPECT_TRUE(request.IsDone()) << c.path;
        EXPECT_TRUE(request.IsThreadEnded()) << c.path;
        EXPECT_EQ(Body(request), c.body) << c.path;
        EXPECT_EQ(request.GetStatusCode(), c.status) << c.path;
        EXPECT_EQ(request.GetEffectiveURL(), peer.URL(c.served)) << c.path;
    }
    CHTTPRequest head(5, true);
    head.Head(peer.URL("/fields").c_str(), "Brevanto", "", "");
    EXPECT_TRUE(head.Succeeded());
    EXPECT_EQ(head.GetHeaderField("last-modified").value_or(""), "Mon, 14 Nov 1994 07:00:00 GMT");
}

// A body held in memory stops at kMaxBodyBytes (decoded), with a text saying so, whether the
// server announces its size, hides it, or sends a small gzip body that inflates past it; a
// body under the limit is handed over whole, once.
TEST_F(CHTTPRequestTest, BodiesPastTheLimitFailAndOthersAreHandedOverOnce)
{
    const uint64_t over = CHTTPRequest::kMaxBodyBytes + 1;
    for (const std::string& path : {"/large?size=" + std::to_string(over),
                                   "/large?nolength=1&size=" + std::to_string(over),
                                   "/gzip-bomb?size=" + std::to_string(2 * CHTTPRequest::kMaxBodyBytes)}) {
        CHTTPRequest request(10, true);
        request.Get(peer.URL(path).c_str(), "Brevanto", "", "");
        EXPECT_TRUE(request.IsDone()) << path;
        EXPECT_FALSE(request.Succeeded()) << path;
        EXPECT_EQ(request.GetErrorText(), "The response is larger than 128 MB and was not loaded.") << path;
        EXPECT_TRUE(request.TakeBody().isEmpty()) << path;
        EXPECT_LE(uint64_t(request.GetDataLength()), CHTTPRequest::kMaxBodyBytes) << path;
    }
    CHTTPRequest request(10, true);
    request.Get(peer.URL("/gzip-bomb?size=3000000").c_str(), "Brevanto", "", "");
    const QByteArray body = request.TakeBody();
    EXPECT_EQ(body, QByteArray(3000000, '\0'));
    EXPECT_TRUE(request.TakeBody().isEmpty());  // handed over, not kept as a second copy
}

TEST_F(CHTTPRequestTest, UnsupportedURLsEndAtOnceWithoutFinalMessage)
{
    for (const char* url : {"", "file:///etc/hostname", "ftp://127.0.0.1/x"}) {
        RecordingOwner owner;
        CHTTPRequest request(&owner, 5, true);
        EXPECT_EQ(request.Get(url, "Brevanto", "", ""), 0);
        EXPECT_TRUE(request.IsDone()) << url;
        EXPECT_TRUE(request.IsThreadEnded()) << url;
        EXPECT_FALSE(request.Succeeded());
        EXPECT_EQ(request.GetData(), nullptr);
        EXPECT_TRUE(owner.Messages().empty()) << url;
    }
    CHTTPRequest nothing(5, false);
    EXPECT_EQ(nothing.Get(nullptr, "", "", ""), 0);
    EXPECT_TRUE(nothing.IsDone());
    EXPECT_TRUE(peer.Requests().empty());
}

TEST_F(CHTTPRequestTest, OwnerGetsOneMessagePerReadThenOneFinalMark)
{
    RecordingOwner owner;
    CHTTPRequest request(&owner, 10, false);
    ASSERT_EQ(request.Get(peer.URL("/large?size=2500000").c_str(), "Brevanto", "", ""), 0);
    ASSERT_TRUE(WaitFor([&] { return bool(request.IsThreadEnded()); }));
    EXPECT_TRUE(request.IsDone());
    const auto messages = owner.Messages();
    ASSERT_GE(messages.size(), 2u);
    long total = 0;
    for (size_t i = 0; i + 1 < messages.size(); ++i) {
        EXPECT_EQ(messages[i].first, 2);
        EXPECT_GT(messages[i].second, 0);
        total += messages[i].second;
    }
    EXPECT_EQ(total, 2500000);
    EXPECT_EQ(messages.back(), std::make_pair(SInt32(2), SInt32(-1)));
    EXPECT_EQ(Body(request).size(), 2500000u);
}

TEST_F(CHTTPRequestTest, CancelEndsAStalledRequest)
{
    RecordingOwner owner;
    CHTTPRequest request(&owner, 60, false);
    request.Get(peer.URL("/stall-before?s=20").c_str(), "Brevanto", "", "");
    std::this_thread::sleep_for(300ms);
    const auto start = std::chrono::steady_clock::now();
    request.Cancel();
    ASSERT_TRUE(WaitFor([&] { return bool(request.IsThreadEnded()); }, 5s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    EXPECT_FALSE(request.Succeeded());
    EXPECT_EQ(owner.Messages().back(), std::make_pair(SInt32(2), SInt32(-1)));
}

TEST_F(CHTTPRequestTest, DestroyingARunningRequestIsSafe)
{
    RecordingOwner owner;
    for (const char* path : {"/large?size=20000000", "/stall-before?s=10", "/trickle?n=50&gap=0.1"}) {
        auto request = std::make_unique<CHTTPRequest>(&owner, 30, false);
        request->Get(peer.URL(path).c_str(), "Brevanto", "", "");
        std::this_thread::sleep_for(100ms);
        const auto start = std::chrono::steady_clock::now();
        request.reset();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 3s) << path;
    }
}

TEST_F(CHTTPRequestTest, WaitingOnACooperativeThreadLetsOthersRun)
{
    LQtApplication::Instance();
    int ticks = 0;
    bool done = false;
    std::string body;
    StartThread([&] {
        CHTTPRequest request(5, true);
        request.Get(peer.URL("/trickle?n=5&gap=0.1").c_str(), "Brevanto", "", "");
        body = Body(request);
        done = true;
    });
    StartThread([&] {
        while (!done) {
            ++ticks;
            LThread::Yield();
        }
    });
    ASSERT_TRUE(LThread::WaitUntil([&] { return done; }, DeadlineAfter(10s)));
    EXPECT_TRUE(AllThreadsEnded());
    EXPECT_EQ(body, "ttttt");
    EXPECT_GT(ticks, 10);
}

TEST_F(CHTTPRequestTest, FetchURLTakesHttpInAnyCaseAndTheEnvironmentsUserAgent)
{
    CText text("old");
    std::string url = peer.URL("/echo-ua");
    url.replace(0, 4, "HTTP");
    FetchURL(CString256(url.c_str()), text);
    EXPECT_STREQ(text.CharAt(0), "Brevanto");

    WebEnvironment::SetUserAgentSource([] { return std::string("Brevanto (1.0)"); });
    FetchURL(CString256(peer.URL("/echo-ua").c_str()), text);
    WebEnvironment::SetUserAgentSource({});
    EXPECT_STREQ(text.CharAt(0), "Brevanto (1.0)");

    peer.ClearRequests();
    for (const char* refused : {"ftp://127.0.0.1/", "file:///etc/hostname", "httpx://a"}) {
        text = "old";
        FetchURL(CString256(refused), text);
        EXPECT_STREQ(text.CharAt(0), "") << refused;
    }
    FetchURL(CString256(peer.URL("/status/404").c_str()), text);
    EXPECT_STREQ(text.CharAt(0), "");
}

} // namespace
