// MailingRun: the state of a mailing window's send engine — the counters of the run going on
// (or last finished), the batch being gathered, the failure tally and rates, the settings read
// when the run started, and what outlives a run: the send flags saved before a fresh run (a
// resend after errors keeps them) and the resend timer.
//
// PrepareMailingRun resets the per-run part; RunMailing fills it on the send thread; the
// progress sheet reads it. The progress counts shared with the delivery side (done, remaining,
// total) and the abort and pause flags are CDeliveryWindow's members. GUI thread and the
// cooperative threads only.
#pragma once

#include "CList.h"
#include "DeliveryTally.h"
#include "LEventLoopTimer.h"
#include "MacTypes.h"
#include "Message.h"
#include "SendRates.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class CThread;

struct MailingRun {
    // Where the recipients come from (the window's source as the run started).
    SInt16 source = 2;
    SInt32 recipientCount = 0;
    SInt32 recipientIndex = -1;      // -1 outside the recipient loop
    SInt32 messageNumber = 0;        // addresses processed so far
    SInt32 addressNumber = 0;        // 1-based, within the current recipient
    SInt32 delayedSeconds = 0;       // waited by the last throttle delay
    double recipientStart = 0;       // Clock::NowUTC() when the current recipient began
    SInt64 startTime = 0;            // Clock::Now() of the run's start and end
    SInt64 endTime = 0;

    // The current recipient: display name, its comma-separated addresses and their split.
    QString recipientName;
    QString recipientAddresses;
    QStringList addresses;

    // Batch mode: the messages gathered for the next job and how many recipients they carry.
    CList<Message> batch;
    SInt32 batchCounter = 0;

    DeliveryTally tally{0};
    SendRates rates;
    CThread* timeThread = nullptr;   // the elapsed-time caption's thread while it runs

    // Settings read at the start of the run.
    bool resendOnError = false;
    bool resetRecipients = true;
    bool autoSave = false;
    SInt32 autoSavePeriod = 10;      // below 1: no periodic save
    bool autoSaveLog = true;

    // Kept across runs: the flags as the first run found them, while a resend is pending.
    std::optional<std::vector<bool>> savedFlags;
    bool resendPending = false;
    EventLoopTimerRef resendTimer = nullptr;
};
