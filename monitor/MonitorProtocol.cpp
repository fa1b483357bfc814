#include "MonitorProtocol.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::string_view kHeadEnd = "\r\n\r\n";
constexpr std::string_view kContentLength = "Content-Length: ";
constexpr std::string_view kHelloPrefix = "GET /Brevanto.bvto?Hello";
constexpr std::string_view kIconPrefix = "GET /favicon.ico";
constexpr std::string_view kHelloBody = "Hello back! This is the Brevanto Message Monitor";
constexpr std::string_view kUnrecognizedBody = "Unrecognized request";

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

// Whether `text` begins with `prefix`, ignoring ASCII case.
bool HasPrefixIgnoringCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (AsciiUpper(text[i]) != AsciiUpper(prefix[i]))
            return false;
    return true;
}

// Whether `text` could still grow into something that begins with `prefix`.
bool CouldBecome(std::string_view text, std::string_view prefix)
{
    const std::size_t n = std::min(text.size(), prefix.size());
    return HasPrefixIgnoringCase(text.substr(0, n), prefix.substr(0, n));
}

bool EndsWith(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// The declared body length: digits only, at most `cap`; nullopt for anything else.
std::optional<std::size_t> ParseContentLength(std::string_view head, std::size_t cap)
{
    const std::size_t at = head.find(kContentLength);
    if (at == std::string_view::npos)
        return std::nullopt;
    const std::size_t start = at + kContentLength.size();
    const std::size_t end = head.find("\r\n", start);
    const std::string_view digits = head.substr(start, end - start);
    if (digits.empty())
        return std::nullopt;
    std::size_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + std::size_t(c - '0');
        if (value > cap)
            return std::nullopt;
    }
    return value;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUTF8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        int extra;
        unsigned int min;
        unsigned int code;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1, min = 0x80, code = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2, min = 0x800, code = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3, min = 0x10000, code = c & 0x07;
        } else {
            return false;
        }
        if (i + std::size_t(extra) >= text.size())
            return false;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + std::size_t(k)]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += std::size_t(extra) + 1;
    }
    return true;
}

// A recorded value: decoded, UTF-8 or nothing, controls as spaces (they would end up in the log,
// the window and the export otherwise).
std::string CleanValue(std::string_view raw)
{
    std::string value = PercentDecodedBytes(raw);
    if (!IsValidUTF8(value))
        return {};
    for (char& c : value)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return value;
}

// The text between `marker` and the next "&" of `query` (which ends with "&"); empty when the
// marker is missing.
std::string_view ValueAfter(std::string_view query, std::string_view marker)
{
    const std::size_t at = query.find(marker);
    if (at == std::string_view::npos)
        return {};
    const std::size_t start = at + marker.size();
    return query.substr(start, query.find('&', start) - start);
}

} // namespace

std::string PercentDecodedBytes(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            out.push_back(char(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

// --- MonitorRequest ---------------------------------------------------------------------------

MonitorRequest::MonitorRequest(MonitorLimits limits)
    : mLimits(limits)
{
}

MonitorVerdict MonitorRequest::Append(std::string_view chunk)
{
    if (mVerdict != MonitorVerdict::Incomplete)
        return mVerdict;
    mReceived += chunk.size();
    if (!mTextCut) {
        const std::size_t nul = chunk.find('\0');
        std::string_view text = chunk.substr(0, nul);
        mTextCut = nul != std::string_view::npos;
        // Nothing past the byte cap is kept: such a request is refused anyway.
        const std::size_t room = mLimits.maxRequestBytes + 1 - std::min(mText.size(), mLimits.maxRequestBytes + 1);
        text = text.substr(0, room);
        const std::size_t from = mText.size();
        mText.append(text);
        ScanNewText(from);
    }
    if (mMethod == Method::Unknown)
        FindMethod();
    mVerdict = Judge();
    return mVerdict;
}

// Counts the lines ended in the new text and finds the end of the header, looking back three
// bytes at most.
void MonitorRequest::ScanNewText(std::size_t from)
{
    for (std::size_t i = from; i < mText.size() && mHeadEnd == std::string::npos; ++i) {
        if (mText[i] != '\n')
            continue;
        const std::size_t length = i - mLineStart;
        if (length > 1 || (length == 1 && mText[mLineStart] != '\r'))
            ++mLines;
        mLineStart = i + 1;
        if (i >= 3 && std::string_view(mText).substr(i - 3, 4) == kHeadEnd)
            mHeadEnd = i - 3;
    }
}

void MonitorRequest::FindMethod()
{
    // "GET" is tested first, then "HEAD" and "POST"; a text that can no longer become one of
    // them is another protocol.
    if (HasPrefixIgnoringCase(mText, "GET"))
        mMethod = Method::Get;
    else if (HasPrefixIgnoringCase(mText, "HEAD"))
        mMethod = Method::Head;
    else if (HasPrefixIgnoringCase(mText, "POST"))
        mMethod = Method::Post;
    else if (!CouldBecome(mText, "GET") && !CouldBecome(mText, "HEAD") && !CouldBecome(mText, "POST"))
        mMethod = Method::Other;
}

MonitorVerdict MonitorRequest::Judge()
{
    if (mReceived > mLimits.maxRequestBytes || mMethod == Method::Other || mLines > mLimits.maxHeaderLines + 1)
        return MonitorVerdict::Refused;
    MonitorVerdict verdict = MonitorVerdict::Incomplete;
    if (mMethod == Method::Get || mMethod == Method::Head)
        verdict = EndsWith(mText, kHeadEnd) ? MonitorVerdict::Complete : MonitorVerdict::Incomplete;
    else if (mMethod == Method::Post)
        verdict = JudgePost();
    // Past a NUL the text can't grow: what is not complete now never will be.
    if (verdict == MonitorVerdict::Incomplete && mTextCut)
        return MonitorVerdict::Refused;
    return verdict;
}

MonitorVerdict MonitorRequest::JudgePost()
{
    if (mHeadEnd == std::string::npos)
        return MonitorVerdict::Incomplete;
    if (!mContentLength && !mContentLengthBad) {
        // The length is read from the header only, once it is whole.
        mContentLength = ParseContentLength(std::string_view(mText).substr(0, mHeadEnd + 2), mLimits.maxRequestBytes);
        mContentLengthBad = !mContentLength;
    }
    if (mContentLengthBad)
        return MonitorVerdict::Refused; // missing, signed, not a number, or over the cap
    const std::size_t body = mText.size() - (mHeadEnd + kHeadEnd.size());
    if (body == *mContentLength || (!EndsWith(mText, kHeadEnd) && EndsWith(mText, "\r\n")))
        return MonitorVerdict::Complete;
    return MonitorVerdict::Incomplete;
}

MonitorReplyKind MonitorRequest::Kind() const { return MonitorReplyKindOf(mText); }

MonitorVerdict MonitorRequest::Classify(std::string_view bytes, MonitorLimits limits)
{
    MonitorRequest request(limits);
    return request.Append(bytes);
}

MonitorReplyKind MonitorReplyKindOf(std::string_view text)
{
    if (HasPrefixIgnoringCase(text, kHelloPrefix))
        return MonitorReplyKind::Hello;
    if (HasPrefixIgnoringCase(text, kIconPrefix))
        return MonitorReplyKind::Icon;
    if (HasPrefixIgnoringCase(text, kMonitorHitMarker))
        return MonitorReplyKind::Hit;
    return MonitorReplyKind::Unrecognized;
}

// --- Decoding a hit ---------------------------------------------------------------------------

MonitorHit DecodeMonitorHit(std::string_view text)
{
    const std::string_view marker = kMonitorHitMarker;
    if (text.substr(0, marker.size()) != marker)
        return {};
    // The query ends the request line's target: it never reaches into the header lines.
    const std::string_view rest = text.substr(marker.size());
    const std::string query = "&" + std::string(rest.substr(0, rest.find_first_of(" \r\n"))) + "&";
    const std::string_view q = query;
    MonitorHit hit;
    const std::size_t subjectAt = q.find("&subject=");
    if (subjectAt != std::string_view::npos)
        hit.name = CleanValue(q.substr(1, subjectAt - 1));
    hit.subject = CleanValue(ValueAfter(q, "&subject="));
    hit.mailerID = CleanValue(ValueAfter(q, "&mailerID="));
    return hit;
}

// --- Replies ----------------------------------------------------------------------------------

MonitorReplies::MonitorReplies(std::string_view version, std::optional<std::string> jpeg,
                               std::optional<std::string> png)
    : mHello(TextReply(kHelloBody))
    , mUnrecognized(TextReply(kUnrecognizedBody))
{
    if (jpeg)
        mIcon = ImageReply(version, "image/jpeg", *jpeg);
    if (png)
        mHit = ImageReply(version, "image/png", *png);
}

const std::string* MonitorReplies::ReplyFor(MonitorReplyKind kind) const
{
    switch (kind) {
    case MonitorReplyKind::Hello:
        return &mHello;
    case MonitorReplyKind::Icon:
        return mIcon ? &*mIcon : nullptr;
    case MonitorReplyKind::Hit:
        return mHit ? &*mHit : nullptr;
    case MonitorReplyKind::Unrecognized:
        return &mUnrecognized;
    }
    return nullptr;
}

std::string MonitorReplies::TextReply(std::string_view body)
{
    return "HTTP/1.0 200 OK\r\nMIME-Version: 1.0\r\nContent-Type: text/plain\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + std::string(body);
}

std::string MonitorReplies::ImageReply(std::string_view version, std::string_view mimeType, std::string_view bytes)
{
    return "HTTP/1.0 200 OK\r\nMIME-Version: 1.0\r\nServer: Brevanto/" + std::string(version) +
           "\r\nContent-Type: " + std::string(mimeType) + "\r\nContent-Length: " + std::to_string(bytes.size()) +
           "\r\n\r\n" + std::string(bytes);
}
