// MonitorProtocol: the Message Monitor's HTTP/1.0 dialect, as pure functions of the bytes a peer
// sent. A MonitorRequest takes the request chunk by chunk and says whether it is still
// incomplete, refused (over a limit, or not a request this server speaks) or complete, and which
// reply a complete one gets; MonitorReplies holds the four replies, made once when the listener
// starts; DecodeMonitorHit takes the recipient key, subject and mailing identifier out of a
// tracking request. Any thread; no state is shared. Kept to the standard library so the fuzz
// harness builds it alone.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

struct MonitorLimits {
    std::size_t maxRequestBytes = 16384; // body included
    int maxHeaderLines = 100;            // lines after the request line, before the blank line
};

enum class MonitorVerdict { Incomplete, Refused, Complete };
enum class MonitorReplyKind { Hello, Icon, Hit, Unrecognized };

// One request as it arrives. Each chunk costs time in proportion to its size; the verdict after
// any split equals the verdict of Classify over the same bytes at once.
class MonitorRequest {
public:
    explicit MonitorRequest(MonitorLimits limits = {});

    MonitorVerdict Append(std::string_view chunk);
    MonitorVerdict Verdict() const { return mVerdict; }
    // The reply a complete request gets.
    MonitorReplyKind Kind() const;
    // The request as text: the bytes up to the first NUL.
    const std::string& Text() const { return mText; }
    std::size_t ReceivedBytes() const { return mReceived; }

    static MonitorVerdict Classify(std::string_view bytes, MonitorLimits limits = {});

private:
    enum class Method { Unknown, Get, Head, Post, Other };

    void ScanNewText(std::size_t from);
    void FindMethod();
    MonitorVerdict Judge();
    MonitorVerdict JudgePost();

    MonitorLimits mLimits;
    std::string mText;
    std::size_t mReceived = 0;
    bool mTextCut = false;            // a NUL ended the text
    Method mMethod = Method::Unknown;
    std::size_t mHeadEnd = std::string::npos; // offset of the first "\r\n\r\n"
    int mLines = 0;                   // non-empty lines ended before mHeadEnd
    std::size_t mLineStart = 0;
    std::optional<std::size_t> mContentLength; // POST: the valid declared body length
    bool mContentLengthBad = false;
    MonitorVerdict mVerdict = MonitorVerdict::Incomplete;
};

// The reply kind of a complete request's text.
MonitorReplyKind MonitorReplyKindOf(std::string_view text);

struct MonitorHit {
    std::string name;
    std::string subject;
    std::string mailerID;
};

// The three values of a tracking request; only a request line that begins with the exact
// marker carries any. Each value is percent-decoded, emptied when it is not UTF-8, and its
// control characters become spaces.
MonitorHit DecodeMonitorHit(std::string_view text);

// "%" and two hex digits become that byte; any other "%" stays as it stands.
std::string PercentDecodedBytes(std::string_view text);

// The four replies, byte for byte. An image that could not be read leaves its reply empty: the
// connection is then closed without one.
class MonitorReplies {
public:
    MonitorReplies(std::string_view version, std::optional<std::string> jpeg, std::optional<std::string> png);

    // Null when that reply could not be made.
    const std::string* ReplyFor(MonitorReplyKind kind) const;

    static std::string TextReply(std::string_view body);
    static std::string ImageReply(std::string_view version, std::string_view mimeType, std::string_view bytes);

private:
    std::string mHello;
    std::string mUnrecognized;
    std::optional<std::string> mIcon;
    std::optional<std::string> mHit;
};

inline constexpr char kMonitorHitMarker[] = "GET /Brevanto.bvto?MessageMonitor=";
