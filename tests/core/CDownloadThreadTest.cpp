// The download thread and the grab thread on cooperative threads against the test peer:
// broadcasts and their order, header parsing, commands, failures and serialisation.
#include "CDownloadThread.h"
#include "CGrabThread.h"
#include "CURL.h"

#include "LQtApplication.h"

#include "../peers/HttpPeer.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

#include <algorithm>

namespace {

using namespace std::chrono_literals;

struct Heard {
    MessageT message;
    std::string text; // 'Mesg' texts, 'Chng' names
};

class Recorder : public LListener {
public:
    void ListenToMessage(MessageT message, void* param) override
    {
        Heard heard {message, {}};
        if ((message == 'Mesg' || message == 'Chng') && param) {
            const auto* pascal = static_cast<const unsigned char*>(param);
            heard.text.assign(reinterpret_cast<const char*>(pascal + 1), pascal[0]);
        }
        if (message == 'PHdr' && param)
            info = *static_cast<const CDownloadInfo*>(param);
        if (message == 'Prog' && param)
            lastProgress = *static_cast<const CDownloadProgress*>(param);
        heardList.push_back(heard);
        if (message == 'Cmpl' || message == 'DAbt')
            ended = true;
        if (onMessage)
            onMessage(message);
    }
    int IndexOf(MessageT message) const
    {
        for (size_t i = 0; i < heardList.size(); ++i) {
            if (heardList[i].message == message)
                return int(i);
        }
        return -1;
    }
    int Count(MessageT message) const
    {
        return int(std::count_if(heardList.begin(), heardList.end(), [&](const Heard& h) { return h.message == message; }));
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const Heard& heard : heardList) {
            if (heard.message == 'Mesg')
                texts.push_back(heard.text);
        }
        return texts;
    }
    MessageT Last() const { return heardList.empty() ? 0 : heardList.back().message; }

    std::vector<Heard> heardList;
    CDownloadInfo info;
    CDownloadProgress lastProgress;
    bool ended = false;
    std::function<void(MessageT)> onMessage;
};

class TrackedDownload : public CDownloadThread {
public:
    using CDownloadThread::CDownloadThread;
    ~TrackedDownload() override
    {
        if (destroyed)
            *destroyed = true;
    }
    bool* destroyed = nullptr;
};

class DownloadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LQtApplication::Instance();
        ASSERT_TRUE(peer.IsRunning());
    }
    // Starts a download heard by `recorder`; returns the thread (deleted when it ends).
    TrackedDownload* Start(Recorder& recorder, const std::string& url, SInt32 mode = 0, const char* user = nullptr,
                           const char* pass = nullptr, UInt32 idle = 10)
    {
        auto* thread = new TrackedDownload(url.c_str(), idle, mode, "Brevanto", user, pass);
        thread->AddListener(&recorder);
        thread->Resume();
        return thread;
    }
    static bool WaitFor(const std::function<bool()>& done, std::chrono::seconds limit = 15s)
    {
        return LThread::WaitUntil(done, DeadlineAfter(limit));
    }
    static int FreePortThatRefuses()
    {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        close(fd);
        return ntohs(address.sin_port);
    }

    HttpPeer peer;
};

TEST_F(DownloadTest, BroadcastsInOrderWithTheParsedHeader)
{
    Recorder recorder;
    bool destroyed = false;
    Start(recorder, peer.URL("/fields"))->destroyed = &destroyed;
    ASSERT_TRUE(WaitFor([&] { return destroyed; }));
    EXPECT_EQ(recorder.Last(), MessageT('Cmpl'));
    const int init = recorder.IndexOf('Init'), header = recorder.IndexOf('PHdr'), change = recorder.IndexOf('Chng'),
              available = recorder.IndexOf('Avai'), progress = recorder.IndexOf('Prog');
    EXPECT_EQ(init, 1) << "after its 'Mesg'";
    EXPECT_LT(init, header);
    EXPECT_LT(header, change);
    EXPECT_LT(change, available);
    EXPECT_GT(recorder.Count('Time'), 0);
    if (progress >= 0) {
        EXPECT_LT(available, progress);
    }
    const auto texts = recorder.Texts();
    for (const char* expected : {"Download initiated...", "Resource found...", "Downloading data...", "Data available...",
                                 "Downloading data...( 32 of 32 bytes. )", "Download completed..."})
        EXPECT_NE(std::find(texts.begin(), texts.end(), expected), texts.end()) << expected;
    EXPECT_EQ(recorder.info.statusCode, 200);
    EXPECT_STREQ(recorder.info.statusLine.text, "HTTP/1.1 200 OK");
    EXPECT_STREQ(recorder.info.date.text, "Tue, 15 Nov 1994 08:12:31 GMT") << "of two Date lines the first wins";
    EXPECT_STREQ(recorder.info.realm.text, "Field Realm");
    EXPECT_STREQ(recorder.info.contentLength.text, "32");
    EXPECT_EQ(recorder.heardList[size_t(change)].text, "fields");

    Recorder trickle;
    Start(trickle, peer.URL("/trickle?n=6&gap=0.1"));
    ASSERT_TRUE(WaitFor([&] { return trickle.ended; }));
    EXPECT_LT(trickle.IndexOf('Avai'), trickle.IndexOf('Prog'));
    EXPECT_LT(trickle.IndexOf('Prog'), trickle.IndexOf('Cmpl'));
    EXPECT_EQ(trickle.lastProgress.bytesSoFar, 6u);
    EXPECT_EQ(trickle.lastProgress.expectedSize, 6u);
}

TEST_F(DownloadTest, RedirectsAreReportedNotFollowed)
{
    Recorder recorder;
    Start(recorder, peer.URL("/redirect/1"));
    ASSERT_TRUE(WaitFor([&] { return recorder.ended; }));
    EXPECT_EQ(recorder.Last(), MessageT('Cmpl'));
    EXPECT_EQ(recorder.info.statusCode, 302);
    EXPECT_STREQ(recorder.info.location.text, "/redirect/0");
    EXPECT_EQ(peer.Requests().size(), 1u);
}

TEST_F(DownloadTest, AuthorizationReplacesAccept)
{
    Recorder plain, withCredentials;
    Start(plain, peer.URL("/auth"));
    ASSERT_TRUE(WaitFor([&] { return plain.ended; }));
    Start(withCredentials, peer.URL("/auth"), 0, "ann", "s3cret");
    ASSERT_TRUE(WaitFor([&] { return withCredentials.ended; }));
    const auto requests = peer.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].Header("Accept"), "*/*");
    EXPECT_TRUE(requests[0].Header("Authorization").isNull());
    EXPECT_TRUE(requests[1].Header("Accept").isNull());
    EXPECT_EQ(requests[1].Header("Authorization"), "Basic YW5uOnMzY3JldA==");
    EXPECT_EQ(withCredentials.info.statusCode, 200);
    EXPECT_EQ(plain.info.statusCode, 401);
    EXPECT_STREQ(plain.info.realm.text, "Brevanto Test");
}

TEST_F(DownloadTest, HeaderOnlyRefusedAndUnsupportedEndAborted)
{
    Recorder headerOnly, refused, unsupported;
    Start(headerOnly, peer.URL("/large?size=5000000"), CDownloadThread::kHeaderOnlyMode);
    ASSERT_TRUE(WaitFor([&] { return headerOnly.ended; }));
    EXPECT_EQ(headerOnly.Last(), MessageT('DAbt'));
    EXPECT_LT(headerOnly.IndexOf('PHdr'), headerOnly.IndexOf('Abrt'));

    Start(refused, "http://127.0.0.1:" + std::to_string(FreePortThatRefuses()) + "/x");
    ASSERT_TRUE(WaitFor([&] { return refused.ended; }));
    EXPECT_EQ(refused.Last(), MessageT('DAbt'));
    EXPECT_EQ(refused.Count('NErr'), 1);
    const auto texts = refused.Texts();
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const std::string& t) { return t.rfind("An error occurred: ", 0) == 0; }));

    Start(unsupported, "ftp://127.0.0.1/x");
    ASSERT_TRUE(WaitFor([&] { return unsupported.ended; }));
    ASSERT_EQ(unsupported.heardList.size(), 1u);
    EXPECT_EQ(unsupported.Last(), MessageT('DAbt'));
}

TEST_F(DownloadTest, PauseResumeAndCancel)
{
    Recorder recorder;
    TrackedDownload* thread = Start(recorder, peer.URL("/trickle?n=40&gap=0.1"));
    ASSERT_TRUE(WaitFor([&] { return recorder.IndexOf('Avai') >= 0; }));
    thread->ListenToMessage('Paus', nullptr);
    thread->ListenToMessage('Paus', nullptr);
    EXPECT_EQ(recorder.Count('Paus'), 1);
    EXPECT_EQ(recorder.Count('Rsme'), 1);
    thread->ListenToMessage('Cncl', nullptr);
    ASSERT_TRUE(WaitFor([&] { return recorder.ended; }));
    EXPECT_LT(recorder.IndexOf('Abrt'), recorder.IndexOf('DAbt'));
    EXPECT_EQ(recorder.Last(), MessageT('DAbt'));
}

TEST_F(DownloadTest, APauseLongerThanTheIdleTimeEndsItAfterResuming)
{
    Recorder recorder;
    TrackedDownload* thread = Start(recorder, peer.URL("/trickle?n=40&gap=0.1"), 0, nullptr, nullptr, 1);
    ASSERT_TRUE(WaitFor([&] { return recorder.IndexOf('Avai') >= 0; }));
    thread->ListenToMessage('Paus', nullptr);
    LThread::WaitUntil([] { return false; }, DeadlineAfter(2500ms));
    EXPECT_FALSE(recorder.ended);
    thread->ListenToMessage('Paus', nullptr);
    ASSERT_TRUE(WaitFor([&] { return recorder.ended; }, 5s));
    EXPECT_EQ(recorder.Last(), MessageT('DAbt'));
    EXPECT_GT(recorder.IndexOf('Abrt'), recorder.IndexOf('Rsme'));
}

TEST_F(DownloadTest, ASecondDownloadWaitsForTheFirstsDestruction)
{
    Recorder first, second;
    bool firstDestroyed = false;
    bool destroyedBeforeSecondStarted = false;
    Start(first, peer.URL("/trickle?n=5&gap=0.1"))->destroyed = &firstDestroyed;
    second.onMessage = [&](MessageT message) {
        if (message == 'Init')
            destroyedBeforeSecondStarted = firstDestroyed;
    };
    Start(second, peer.URL("/body"));
    ASSERT_TRUE(WaitFor([&] { return second.ended; }));
    EXPECT_TRUE(first.ended);
    EXPECT_TRUE(destroyedBeforeSecondStarted);
}

TEST_F(DownloadTest, GrabThreadFillsTheURL)
{
    CURL url(peer.URL("/fields").c_str());
    auto* grab = new CGrabThread(&url, "Brevanto", "", "", 0);
    grab->Resume();
    ASSERT_TRUE(WaitFor([&] { return bool(url.loaded); }));
    EXPECT_TRUE(url.loaded);
    EXPECT_EQ(url.statusCode, 200);
    EXPECT_EQ(url.data.GetBufferData(), "<html><body>fields</body></html>");
    EXPECT_NE(std::string(url.headerText.buffer).find("Field Realm"), std::string::npos);
    ASSERT_TRUE(WaitFor([] { return !CDownloadThread::IsDownloadRunning(); }));

    CURL missing(("http://127.0.0.1:" + std::to_string(FreePortThatRefuses()) + "/").c_str());
    missing.loaded = true;
    auto* failing = new CGrabThread(&missing, "Brevanto", "", "", 0);
    EXPECT_FALSE(missing.loaded) << "cleared at construction";
    missing.loaded = true;
    failing->Resume();
    ASSERT_TRUE(WaitFor([&] { return !CDownloadThread::IsDownloadRunning() && gThreadList.Count() == 0; }));
    EXPECT_FALSE(missing.loaded) << "an aborted download leaves loaded clear";
}

} // namespace
