#include "LMailMessage.h"

#include "AsciiText.h"

#include <atomic>
#include <cstdio>
#include <ctime>

namespace {

std::atomic<int> gNextBoundaryNumber {1};

constexpr size_t kFoldTarget = 78;

}  // namespace

LMailMessage::LMailMessage()
    : mBoundary(MakeBoundary(gNextBoundaryNumber.fetch_add(1)))
{
}

LMailMessage::~LMailMessage() = default;

void LMailMessage::SetNextBoundaryNumber(int number)
{
    gNextBoundaryNumber.store(number);
}

std::string LMailMessage::MakeBoundary(int number)
{
    return "==_Boundary-" + std::to_string(number) + "_==";
}

void LMailMessage::SetMessageId(const std::string& text)
{
    if (text.empty() || text[0] == '<')
        mMessageId = text;
    else
        mMessageId = "<" + text + ">";
}

void LMailMessage::SetDate(int64_t utcSeconds, int offsetSeconds)
{
    mDateUTC = utcSeconds;
    mDateOffset = offsetSeconds;
    mHasDate = true;
}

void LMailMessage::SetContentType(const std::string& type)
{
    mContentType = type;
    mContentTypeRaw = false;
}

void LMailMessage::SetContentTypeRaw(const std::string& text)
{
    mContentType = text;
    mContentTypeRaw = true;
}

LMailMessage& LMailMessage::AddPart(std::unique_ptr<LMailMessage> part)
{
    mParts.push_back(std::move(part));
    return *mParts.back();
}

bool LMailMessage::IsMultipart() const
{
    if (!mParts.empty())
        return true;
    return !mContentTypeRaw && HasPrefixIgnoringCase(mContentType, "multipart/");
}

std::string LMailMessage::FormatDate(int64_t utcSeconds, int offsetSeconds)
{
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const time_t local = time_t(utcSeconds + offsetSeconds);
    struct tm fields {};
    gmtime_r(&local, &fields);
    const int offsetMinutes = (offsetSeconds < 0 ? -offsetSeconds : offsetSeconds) / 60;
    char text[64];
    std::snprintf(text, sizeof text, "%s, %d %s %d %02d:%02d:%02d %c%02d%02d", kDays[fields.tm_wday],
                  fields.tm_mday, kMonths[fields.tm_mon], fields.tm_year + 1900, fields.tm_hour, fields.tm_min,
                  fields.tm_sec, offsetSeconds < 0 ? '-' : '+', offsetMinutes / 60, offsetMinutes % 60);
    return text;
}

std::string LMailMessage::SafeHeaderValue(const std::string& value)
{
    std::string out;
    out.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        const bool fold = c == '\r' && i + 2 < value.size() && value[i + 1] == '\n'
                          && (value[i + 2] == ' ' || value[i + 2] == '\t');
        if (fold) {
            out += "\r\n";
            ++i;
            continue;
        }
        out += (c == '\r' || c == '\n' || c == 0) ? ' ' : c;
    }
    return out;
}

std::string LMailMessage::CanonicalLineEnds(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

void LMailMessage::WriteHeader(std::string& out, const char* name, const std::string& value)
{
    if (value.empty())
        return;
    out += name;
    out += ": ";
    out += SafeHeaderValue(value);
    out += "\r\n";
}

// "Name: a, b, c", folded before an address that would take the line past the target.
void LMailMessage::WriteAddressList(std::string& out, const char* name, const std::vector<std::string>& list)
{
    if (list.empty())
        return;
    std::string line = std::string(name) + ":";
    for (size_t i = 0; i < list.size(); ++i) {
        std::string piece = SafeHeaderValue(list[i]);
        if (i + 1 < list.size())
            piece += ',';
        if (i > 0 && line.size() + 1 + piece.size() > kFoldTarget) {
            out += line;
            out += "\r\n";
            line.clear();
        }
        line += ' ';
        line += piece;
    }
    out += line;
    out += "\r\n";
}

void LMailMessage::WriteContentHeaders(std::string& out, bool withVersion) const
{
    const bool multipart = IsMultipart();
    std::string type = mContentType;
    if (type.empty() && multipart)
        type = "multipart/mixed";
    if (withVersion)
        WriteHeader(out, "MIME-Version", mMimeVersion.empty() && !type.empty() ? std::string("1.0") : mMimeVersion);
    if (multipart && !mContentTypeRaw)
        type += "; boundary=\"" + mBoundary + "\"";
    WriteHeader(out, "Content-Type", type);
    if (!multipart)
        WriteHeader(out, "Content-Transfer-Encoding", mTransferEncoding);
}

void LMailMessage::WriteMessageHeaders(std::string& out) const
{
    WriteContentHeaders(out, true);
    WriteHeader(out, "Message-Id", mMessageId);
    if (mHasDate)
        WriteHeader(out, "Date", FormatDate(mDateUTC, mDateOffset));
    WriteAddressList(out, "To", mTo);
    WriteAddressList(out, "CC", mCc);
    WriteHeader(out, "From", mFrom);
    WriteHeader(out, "Subject", mSubject);
    WriteHeader(out, "X-Priority", mPriority);
    WriteHeader(out, "Disposition-Notification-To", mDispositionNotificationTo);
    WriteHeader(out, "Return-Path", mReturnPath);
    WriteHeader(out, "Reply-To", mReplyTo);
    WriteHeader(out, "X-Mailer", mXMailer);
}

// The body after the blank line: the parts between their delimiters, or the body itself.
void LMailMessage::WriteContent(std::string& out) const
{
    if (mParts.empty()) {
        if (mSharedBody)
            out += *mSharedBody;
        else
            out += CanonicalLineEnds(mBody);
        return;
    }
    for (const auto& part : mParts) {
        out += "\r\n--" + mBoundary + "\r\n";
        part->WritePart(out);
    }
    out += "\r\n--" + mBoundary + "--\r\n";
}

void LMailMessage::WritePart(std::string& out) const
{
    if (!mRawHeaders.empty()) {
        std::string block = CanonicalLineEnds(mRawHeaders);
        if (block.size() < 2 || block.compare(block.size() - 2, 2, "\r\n") != 0)
            block += "\r\n";
        out += block;
    } else {
        WriteContentHeaders(out, false);
    }
    out += "\r\n";
    WriteContent(out);
}

bool LMailMessage::SubtreeHolds(const std::string& needle) const
{
    if (GetBody().find(needle) != std::string::npos || mRawHeaders.find(needle) != std::string::npos)
        return true;
    for (const auto& part : mParts) {
        if (part->SubtreeHolds(needle))
            return true;
    }
    return false;
}

void LMailMessage::MakeBoundariesUnique()
{
    if (IsMultipart()) {
        while (SubtreeHolds("--" + mBoundary))
            mBoundary = MakeBoundary(gNextBoundaryNumber.fetch_add(1));
    }
    for (auto& part : mParts)
        part->MakeBoundariesUnique();
}

// About the size of the written source: bodies (a little more for line ends made CR LF), header
// blocks and room for each part's own headers and delimiters.
size_t LMailMessage::SizeHint() const
{
    size_t size = GetBody().size() + GetBody().size() / 32 + mRawHeaders.size() + 256;
    for (const auto& part : mParts)
        size += part->SizeHint();
    return size;
}

std::string LMailMessage::WriteSource()
{
    MakeBoundariesUnique();
    std::string out;
    out.reserve(SizeHint() + 1024);
    WriteMessageHeaders(out);
    out += "\r\n";
    WriteContent(out);
    if (out.size() < 2 || out.compare(out.size() - 2, 2, "\r\n") != 0)
        out += "\r\n";
    return out;
}
