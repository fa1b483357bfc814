// CDeliveryWindow: what the delivery side (message build, send thread, secure messenger and the
// server check) reads and writes of the mailing window that owns a mailing. The mailing window
// derives from it; tests use a fake.
//
// The server-settings fields, menus and recipient look-ups are virtual; the flags, counters and
// delivery records are plain members, written by the send thread and read by the window's own
// code without locks (cooperative threads switch only at yields). GUI thread and the cooperative
// threads only. Nothing here fails: a missing control answers an empty text or 0.
#pragma once

#include "CList.h"
#include "CText.h"
#include "DeliveredRecipient.h"
#include "LListener.h"
#include "MacTypes.h"

#include <QString>

class CDeliveryWindow : public LListener {
public:
    CDeliveryWindow() = default;
    ~CDeliveryWindow() override = default;

    // Server Settings fields, as typed.
    virtual QString GetServerName() const = 0;
    virtual QString GetUserName() const = 0;
    virtual QString GetPassword() const = 0;
    // The SMTP port; 0 when the field holds no valid port.
    virtual UInt16 GetServerPort() const = 0;
    // "Mail Server Pop Period" of the current server, in minutes.
    virtual SInt32 GetPopPeriod() const = 0;

    // The secure authentication popup: 1 Automatic, 2 PLAIN, 3 LOGIN, 4 CRAM-MD5.
    virtual SInt16 GetSecureMechanismValue() const = 0;
    virtual void SetSecureMechanismValue(SInt16 value) = 0;
    // The authentication popup: 4 POP (USER/PASS) and 5 APOP run a POP log-in before the send.
    virtual SInt16 GetAuthenticationTypeValue() const = 0;
    // The current server's "accept any certificate" choice.
    virtual bool GetAcceptAnyCertificate() const = 0;

    // The sender address ("My Email").
    virtual QString GetMyEmail() const = 0;
    // The name of the selected character set; empty when none is chosen.
    virtual QString GetCharsetName() const = 0;
    // The priority as an X-Priority value; 0 gives no header.
    virtual SInt32 GetPriorityValue() const = 0;

    // Expands the merge tags of a text for the current recipient (UTF-8 in, UTF-8 out).
    virtual void ExpandMergeTags(CText& text) = 0;
    // The same for a header or a plain text, where a tracking image would only garble what the
    // reader sees: it never gets one. A window that adds no image expands as above.
    virtual void ExpandPlainMergeTags(CText& text) { ExpandMergeTags(text); }

    // Recipient look-ups by 0-based recipient index; empty for an index out of range.
    virtual QString GetRecipientFirstName(SInt32 recipientIndex) const = 0;
    virtual QString GetRecipientLastName(SInt32 recipientIndex) const = 0;
    virtual QString GetRecipientEmail(SInt32 recipientIndex) const = 0;

    // Progress and results of a send.
    virtual void ShowCurrentRecipient(const QString& displayName, const QString& email) = 0;
    virtual void UpdateProgress() = 0;
    virtual void RecordRecipientResult(UInt8 sent, SInt32 recipientIndex) = 0;
    virtual void UpdateBatchRate() = 0;
    virtual void AutoSaveIfDue() = 0;
    // Returns when the user is not pausing (or aborts); yields while it waits.
    virtual void WaitWhilePaused() = 0;
    // Redraws the delivered list, revealing the item with that ID.
    virtual void RefreshDeliveredList(SInt32 revealItem) = 0;

    // The window's status line.
    virtual void SetStatusText(const QString& text) = 0;

    // Flags of the send engine.
    UInt8 abortSend = 0;
    UInt8 pauseSend = 0;
    UInt8 sendJobDone = 0;
    UInt8 playSuccessSound = 0;
    UInt8 playErrorSound = 0;
    double lastSendTime = 0;  // UTC seconds since 1970

    // Progress counts and the batch being sent.
    SInt32 processedCount = 0;
    SInt32 remainingCount = 0;
    SInt32 totalCount = 0;
    SInt32 batchType = 1;      // 1 one recipient per message; 2 To list; 3 Bcc list

    // Delivery records.
    DeliveredRecipient currentRecipient;
    CList<DeliveredRecipient> deliveredList;

    // The server check.
    UInt8 checkDone = 0;
    UInt8 checkSucceeded = 0;
    CText detectedMechanisms;
};
