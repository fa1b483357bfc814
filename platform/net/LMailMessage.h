// LMailMessage: an Internet mail message (or one MIME part of one) and the writer of its source.
// It holds the To, Cc and Bcc address lists, the header texts (From, Subject, X-Priority,
// Disposition-Notification-To, Return-Path, Reply-To, X-Mailer, Message-Id), the date, and
// either a content type, transfer encoding and body, or a list of parts. A part is an
// LMailMessage of its own: a type, encoding and body, parts of its own, or a raw header block
// and a body.
//
// The source is written in one fixed header order, every line ended by CR LF and no bare CR or
// LF anywhere: header values lose CR and LF except where they fold a line (CR LF + blank or
// TAB), and bodies are made CR LF. The Bcc list is never written. To and CC fold between
// addresses, aiming for 78 characters a line. A message with parts writes "MIME-Version: 1.0"
// and a multipart Content-Type with its boundary; a message with a Content-Type and no version
// of its own gets "1.0" as well.
//
// Boundaries: every object takes a number from one process-wide counter when it is made, and
// its boundary is "==_Boundary-<n>_==", so nested parts differ. Tests set the next number to
// get byte-exact sources. A boundary that a body already holds is replaced by a fresh one at
// write time.
//
// One thread at a time per message; the counter is atomic. Nothing fails except allocation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class LMailMessage {
public:
    LMailMessage();
    virtual ~LMailMessage();
    LMailMessage(const LMailMessage&) = delete;
    LMailMessage& operator=(const LMailMessage&) = delete;

    // The number the next object takes for its boundary.
    static void SetNextBoundaryNumber(int number);

    // Address lists; each entry is one address text as it goes into the header.
    void AddTo(const std::string& address) { mTo.push_back(address); }
    void AddCc(const std::string& address) { mCc.push_back(address); }
    void AddBcc(const std::string& address) { mBcc.push_back(address); }
    const std::vector<std::string>& GetTo() const { return mTo; }
    const std::vector<std::string>& GetCc() const { return mCc; }
    const std::vector<std::string>& GetBcc() const { return mBcc; }

    // Header texts; an empty text writes no header.
    void SetFrom(const std::string& text) { mFrom = text; }
    void SetSubject(const std::string& text) { mSubject = text; }
    void SetPriority(const std::string& text) { mPriority = text; }
    void SetDispositionNotificationTo(const std::string& text) { mDispositionNotificationTo = text; }
    void SetReturnPath(const std::string& text) { mReturnPath = text; }
    void SetReplyTo(const std::string& text) { mReplyTo = text; }
    void SetXMailer(const std::string& text) { mXMailer = text; }
    void SetMimeVersion(const std::string& text) { mMimeVersion = text; }
    // A text that does not start with "<" is stored as "<" + text + ">".
    void SetMessageId(const std::string& text);
    const std::string& GetFrom() const { return mFrom; }
    const std::string& GetSubject() const { return mSubject; }
    const std::string& GetPriority() const { return mPriority; }
    const std::string& GetDispositionNotificationTo() const { return mDispositionNotificationTo; }
    const std::string& GetReturnPath() const { return mReturnPath; }
    const std::string& GetReplyTo() const { return mReplyTo; }
    const std::string& GetXMailer() const { return mXMailer; }
    const std::string& GetMessageId() const { return mMessageId; }

    // The date: seconds since 1970 UTC and the local offset from UTC in seconds.
    void SetDate(int64_t utcSeconds, int offsetSeconds);
    bool HasDate() const { return mHasDate; }

    // A multipart type gets "; boundary=" and the quoted boundary when written.
    void SetContentType(const std::string& type);
    // Written exactly as given (a type with its own parameters, such as a whole source's).
    void SetContentTypeRaw(const std::string& text);
    void SetTransferEncoding(const std::string& encoding) { mTransferEncoding = encoding; }
    void SetBody(std::string body) { mBody = std::move(body); }
    // A body already in CR LF lines, shared with other messages (an attachment's encoded bytes,
    // the same for every recipient): written as it is, never copied into this message.
    void SetSharedBody(std::shared_ptr<const std::string> body) { mSharedBody = std::move(body); }
    // The part's whole header block, each line ended by CR LF; written in place of its own
    // Content-Type and Content-Transfer-Encoding.
    void SetRawHeaders(const std::string& block) { mRawHeaders = block; }
    const std::string& GetContentType() const { return mContentType; }
    const std::string& GetTransferEncoding() const { return mTransferEncoding; }
    const std::string& GetBody() const { return mSharedBody ? *mSharedBody : mBody; }
    const std::string& GetBoundary() const { return mBoundary; }

    // Appends a part and gives it back; the message owns it.
    LMailMessage& AddPart(std::unique_ptr<LMailMessage> part);
    size_t CountParts() const { return mParts.size(); }
    LMailMessage& PartAt(size_t index) const { return *mParts[index]; }

    // The whole message source (see the top).
    std::string WriteSource();

    // "Wkd, D Mon YYYY HH:MM:SS +hhmm" of a moment in the given offset.
    static std::string FormatDate(int64_t utcSeconds, int offsetSeconds);
    // A header value with every CR and LF that does not start a folded line made a blank.
    static std::string SafeHeaderValue(const std::string& value);
    // Bare CR, bare LF and CR LF all become CR LF.
    static std::string CanonicalLineEnds(const std::string& text);

private:
    static std::string MakeBoundary(int number);
    bool IsMultipart() const;
    bool SubtreeHolds(const std::string& needle) const;
    void MakeBoundariesUnique();
    void WriteMessageHeaders(std::string& out) const;
    void WriteContentHeaders(std::string& out, bool withVersion) const;
    void WriteContent(std::string& out) const;
    void WritePart(std::string& out) const;
    size_t SizeHint() const;
    static void WriteHeader(std::string& out, const char* name, const std::string& value);
    static void WriteAddressList(std::string& out, const char* name, const std::vector<std::string>& list);

    std::vector<std::string> mTo;
    std::vector<std::string> mCc;
    std::vector<std::string> mBcc;
    std::string mFrom;
    std::string mSubject;
    std::string mPriority;
    std::string mDispositionNotificationTo;
    std::string mReturnPath;
    std::string mReplyTo;
    std::string mXMailer;
    std::string mMessageId;
    std::string mMimeVersion;
    int64_t mDateUTC = 0;
    int mDateOffset = 0;
    bool mHasDate = false;

    std::string mContentType;
    bool mContentTypeRaw = false;
    std::string mTransferEncoding;
    std::string mBody;
    std::shared_ptr<const std::string> mSharedBody;
    std::string mRawHeaders;
    std::string mBoundary;
    std::vector<std::unique_ptr<LMailMessage>> mParts;
};
