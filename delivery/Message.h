// Message: one outgoing mailing message — the addresses and header texts, the body and its
// plain-text alternative, preamble and epilogue, the mail-server host its Message-ID names and
// the attachment parts in the order added. The mailing window refills one per recipient, a
// batch is a CList<Message>, and every send job holds copies; the server's settings travel in
// the send job, not here.
//
// A plain value: copies own every text, the subject string and every part. To and From hold
// header forms (HeaderForms.h); Cc, Bcc, Return-Path and Reply-To hold the comma-separated
// lists as the user typed them, which the build makes header forms. All are texts, so a long
// address is never cut. An attachment
// that cannot be added (unreadable, or a path that is not absolute) records its error and text
// here; the build then fails this message and nothing is sent.
// One thread at a time per record.
#pragma once

#include "Attachment.h"
#include "CList.h"
#include "CString256.h"
#include "CText.h"
#include "MacTypes.h"

#include <QString>

#include <vector>

struct Message {
    enum : SInt16 { kInline = 1, kAttachment = 2, kEmbedded = 3 };
    // The texts grow in steps of this many bytes, not the program's usual 32000: a Message is
    // copied into every send job, and each text's copy takes its whole capacity.
    static constexpr SInt32 kTextStep = 1024;

    Message();

    void SetSubjectString(const QString& subject) { subjectString = subject; }
    // Wraps the body in the preamble and epilogue by the content type.
    void ApplyPreambleAndEpilogue();
    // Adds the file at an absolute POSIX path as a part; an empty path adds nothing. On failure
    // the error (also kept in attachmentError and attachmentErrorText) and no part.
    OSErr AddAttachment(const char* path);

    CText to{"", kTextStep};                    // header form; empty when the recipient's address was refused
    CText toDisplay{"", kTextStep};             // the same for people to read (names a refused address)
    SInt32 messageNumber = -1;
    SInt32 recipientIndex = -1;
    // Batches in Cc or Bcc: the other recipients this message carries, by index, in the order
    // merged (not consecutive: unflagged recipients between them are skipped). Each gets the
    // message's result.
    std::vector<SInt32> carriedIndexes;
    QString subjectString;  // null when none
    CText subject{"", kTextStep};               // subject words
    CText from{"", kTextStep};                  // header form
    CText bcc{"", kTextStep};                   // comma-separated addresses, as typed
    CText cc{"", kTextStep};
    CText returnPath{"", kTextStep};
    CText replyTo{"", kTextStep};
    CText preamble{"", kTextStep};
    CText epilogue{"", kTextStep};
    CText plainText{"", kTextStep};             // the plain-text alternative
    CText body{"", kTextStep};
    CText mailServer{"", kTextStep};            // the host the Message-ID names
    CString256 contentType;
    UInt8 useBinHex = 0;
    SInt16 attachmentDisposition = kInline;
    CList<attachment> attachments;
    SInt32 attachmentError = 0;
    CText attachmentErrorText{"", kTextStep};

private:
    void WrapPlainText();
    void WrapHTML();
    OSErr FailAttachment(OSErr error, const CText& text);
};
