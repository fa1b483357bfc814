// The Message Monitor's request classification, dispatch, hit decoding and replies, as tables.
#include "MonitorProtocol.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using V = MonitorVerdict;

const std::string kHello = "GET /Brevanto.bvto?Hello HTTP/1.0\r\nHost: x\r\n\r\n";

std::string Post(const std::string& lengthLine, const std::string& body)
{
    return "POST /form HTTP/1.0\r\nHost: x\r\n" + lengthLine + "\r\n" + body;
}

std::string WithHeaders(int count)
{
    std::string text = "GET /Brevanto.bvto?Hello HTTP/1.0\r\n";
    for (int i = 0; i < count; ++i)
        text += "X-Header-" + std::to_string(i) + ": v\r\n";
    return text + "\r\n";
}

TEST(MonitorProtocol, CompletenessFollowsMethodAndEnding)
{
    const struct {
        std::string bytes;
        V verdict;
    } cases[] = {
        {kHello, V::Complete},
        {"get /x HTTP/1.0\r\n\r\n", V::Complete},
        {"HeAd / HTTP/1.0\r\n\r\n", V::Complete},
        {"GET / HTTP/1.0\r\n", V::Incomplete},
        {"GET / HTTP/1.0\r\n\r\nmore", V::Incomplete},
        {"GET / HTTP/1.0\n\n", V::Incomplete},
        {"G", V::Incomplete},
        {"he", V::Incomplete},
        {Post("Content-Length: 3\r\n", "abc"), V::Complete},
        {Post("Content-Length: 0\r\n", ""), V::Complete},
        {Post("Content-Length: 007\r\n", "1234567"), V::Complete},
        {Post("Content-Length: 5\r\n", "abc"), V::Incomplete},
        {Post("Content-Length: 2\r\n", "abc"), V::Incomplete},
        {Post("Content-Length: 99\r\n", "a=1\r\n"), V::Complete}, // ends in CR LF only
        {Post("", "abc"), V::Refused},                             // no length: never complete
        {Post("Content-Length: -1\r\n", ""), V::Refused},
        {Post("Content-Length: +3\r\n", "abc"), V::Refused},
        {Post("Content-Length: 1e3\r\n", "abc"), V::Refused},
        {Post("Content-Length: \r\n", ""), V::Refused},
        {Post("Content-Length: 123456789012345678901234567890\r\n", "abc"), V::Refused},
        {Post("Content-Length: 16385\r\n", "abc"), V::Refused},
        {Post("content-length: 3\r\n", "abc"), V::Refused}, // the header name is matched as written
        {"POST / HTTP/1.0\r\nContent-Length: 3\r\n", V::Incomplete},
        {"PUT / HTTP/1.0\r\n\r\n", V::Refused},
        {"OPTIONS * HTTP/1.0\r\n\r\n", V::Refused},
        {std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11), V::Refused}, // TLS ClientHello
        {std::string("GET / HTTP/1.0\0\r\n\r\n", 19), V::Refused},                     // a NUL cuts the text
        {std::string("GET / HTTP/1.0\r\n\r\n\0junk", 23), V::Complete},
        {WithHeaders(100), V::Complete},
        {WithHeaders(101), V::Refused},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MonitorRequest::Classify(c.bytes), c.verdict) << c.bytes;
}

TEST(MonitorProtocol, ByteCapAnswersTheLastByteAndRefusesOneMore)
{
    std::string atCap = "GET /Brevanto.bvto?Hello HTTP/1.0\r\nX: ";
    atCap += std::string(16384 - atCap.size() - 4, 'a') + "\r\n\r\n";
    ASSERT_EQ(atCap.size(), 16384u);
    EXPECT_EQ(MonitorRequest::Classify(atCap), V::Complete);

    std::string over = atCap;
    over.insert(40, "b");
    EXPECT_EQ(MonitorRequest::Classify(over), V::Refused);

    MonitorRequest endless;
    const std::string chunk(4096, 'a');
    std::string first = "GET /" + chunk;
    V verdict = endless.Append(first);
    while (verdict == V::Incomplete)
        verdict = endless.Append(chunk);
    EXPECT_EQ(verdict, V::Refused);
    EXPECT_LE(endless.Text().size(), 16385u) << "nothing past the cap is kept";
}

TEST(MonitorProtocol, EverySplitStaysIncompleteUntilTheLastByte)
{
    for (const std::string& request : {kHello, Post("Content-Length: 4\r\n", "a=b&")}) {
        for (std::size_t split = 1; split < request.size(); ++split) {
            MonitorRequest r;
            EXPECT_EQ(r.Append(std::string_view(request).substr(0, split)), V::Incomplete) << split;
            EXPECT_EQ(r.Append(std::string_view(request).substr(split)), V::Complete) << split;
        }
        MonitorRequest byteByByte;
        for (std::size_t i = 0; i + 1 < request.size(); ++i)
            ASSERT_EQ(byteByByte.Append(request.substr(i, 1)), V::Incomplete) << i;
        EXPECT_EQ(byteByByte.Append(request.substr(request.size() - 1)), V::Complete);
    }
}

TEST(MonitorProtocol, DispatchByPrefixIgnoringCase)
{
    const struct {
        const char* text;
        MonitorReplyKind kind;
    } cases[] = {
        {"GET /Brevanto.bvto?Hello HTTP/1.0\r\n\r\n", MonitorReplyKind::Hello},
        {"GET /Brevanto.bvto?HelloX HTTP/1.0\r\n\r\n", MonitorReplyKind::Hello},
        {"get /favicon.ico HTTP/1.0\r\n\r\n", MonitorReplyKind::Icon},
        {"GET /Brevanto.bvto?MessageMonitor=a&subject=b HTTP/1.0\r\n\r\n", MonitorReplyKind::Hit},
        {"get /brevanto.bvto?messagemonitor=x HTTP/1.0\r\n\r\n", MonitorReplyKind::Hit},
        {"HEAD /Brevanto.bvto?Hello HTTP/1.0\r\n\r\n", MonitorReplyKind::Unrecognized},
        {"POST /Brevanto.bvto?Hello HTTP/1.0\r\n\r\n", MonitorReplyKind::Unrecognized},
        {"GET / HTTP/1.0\r\n\r\n", MonitorReplyKind::Unrecognized},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MonitorReplyKindOf(c.text), c.kind) << c.text;
}

TEST(MonitorProtocol, HitValuesComeOnlyFromTheRequestLine)
{
    const struct {
        std::string text;
        MonitorHit hit;
    } cases[] = {
        {"GET /Brevanto.bvto?MessageMonitor=abc&subject=Hi%20there&mailerID=123 HTTP/1.0\r\n\r\n",
         {"abc", "Hi there", "123"}},
        {"GET /Brevanto.bvto?MessageMonitor=abc&mailerID=123 HTTP/1.0\r\n\r\n", {"", "", "123"}},
        // What the merge step writes: every "&" and "+" of a value escaped.
        {"GET /Brevanto.bvto?MessageMonitor=Tom%20%26%20Jerry%20%2b1%20%c3%bc&subject=Q%26A&mailerID=m HTTP/1.0\r\n\r\n",
         {"Tom & Jerry +1 \xC3\xBC", "Q&A", "m"}},
        {"GET /Brevanto.bvto?MessageMonitor=%ff&subject=ok&mailerID=1 HTTP/1.0\r\n\r\n", {"", "ok", "1"}},
        {"GET /Brevanto.bvto?MessageMonitor=a%00b&subject=x%0D%0Ay&mailerID=%7f HTTP/1.0\r\n\r\n",
         {"a b", "x  y", " "}},
        {"GET /Brevanto.bvto?MessageMonitor=%zz&subject=100%&mailerID=1 HTTP/1.0\r\n\r\n", {"%zz", "100%", "1"}},
        {"GET /Brevanto.bvto?MessageMonitor=k&subject=s&mailerID=first&mailerID=second HTTP/1.0\r\n\r\n",
         {"k", "s", "first"}},
        // A request line without a version: the header lines stay out of the values.
        {"GET /Brevanto.bvto?MessageMonitor=k&subject=s&mailerID=m\r\nHost: h&mailerID=evil\r\n\r\n", {"k", "s", "m"}},
        {"GET / HTTP/1.0\r\nReferer: /Brevanto.bvto?MessageMonitor=k&subject=s&mailerID=m\r\n\r\n", {"", "", ""}},
        {"GET /x HTTP/1.0\r\nX: GET /Brevanto.bvto?MessageMonitor=k&subject=s\r\n\r\n", {"", "", ""}},
        {"get /brevanto.bvto?messagemonitor=k&subject=s&mailerID=m HTTP/1.0\r\n\r\n", {"", "", ""}},
    };
    for (const auto& c : cases) {
        const MonitorHit hit = DecodeMonitorHit(c.text);
        EXPECT_EQ(hit.name, c.hit.name) << c.text;
        EXPECT_EQ(hit.subject, c.hit.subject) << c.text;
        EXPECT_EQ(hit.mailerID, c.hit.mailerID) << c.text;
    }
}

TEST(MonitorProtocol, RepliesAreByteExact)
{
    const MonitorReplies replies("2.5", std::string("JPEGDATA"), std::string("\x89PNG\0x", 6));
    EXPECT_EQ(*replies.ReplyFor(MonitorReplyKind::Hello),
              "HTTP/1.0 200 OK\r\nMIME-Version: 1.0\r\nContent-Type: text/plain\r\nContent-Length: 48\r\n\r\n"
              "Hello back! This is the Brevanto Message Monitor");
    EXPECT_EQ(*replies.ReplyFor(MonitorReplyKind::Unrecognized),
              "HTTP/1.0 200 OK\r\nMIME-Version: 1.0\r\nContent-Type: text/plain\r\nContent-Length: 20\r\n\r\n"
              "Unrecognized request");
    EXPECT_EQ(*replies.ReplyFor(MonitorReplyKind::Icon),
              "HTTP/1.0 200 OK\r\nMIME-Version: 1.0\r\nServer: Brevanto/2.5\r\nContent-Type: image/jpeg\r\n"
              "Content-Length: 8\r\n\r\nJPEGDATA");
    EXPECT_EQ(*replies.ReplyFor(MonitorReplyKind::Hit),
              "HTTP/1.0 200 OK\r\nMIME-Version: 1.0\r\nServer: Brevanto/2.5\r\nContent-Type: image/png\r\n"
              "Content-Length: 6\r\n\r\n" + std::string("\x89PNG\0x", 6));

    const MonitorReplies missing("2.5", std::nullopt, std::nullopt);
    EXPECT_EQ(missing.ReplyFor(MonitorReplyKind::Icon), nullptr);
    EXPECT_EQ(missing.ReplyFor(MonitorReplyKind::Hit), nullptr);
}

} // namespace
