// What a mailing run makes of each result: the delivery record, its log line and sound, the
// recipient's send flag and the failure tally; the progress, rate and recipient texts of the
// progress sheet; at the end the summary, the send flags restored or kept, and the resend
// timer after errors.
#include "CBrevantoWindow.h"

#include "CEnvironment.h"
#include "CSendJob.h"
#include "Clock.h"
#include "ControlValues.h"
#include "DatesAndTimes.h"
#include "DeliveryErrorText.h"
#include "DockTile.h"
#include "LEventLoopTimer.h"
#include "LThread.h"
#include "SoundPlayback.h"

#include <QLocale>

namespace {

void LogLine(const QString& inText)
{
    if (gEnvironment)
        gEnvironment->LogLine(inText.toUtf8().constData());
}

QString DurationText(SInt64 inSeconds)
{
    CText text;
    FormatDuration(UInt32(std::max<SInt64>(0, inSeconds)), text);
    return QString::fromUtf8(text.buffer ? text.buffer : "", text.length);
}

QString CountText(SInt32 inCount, const char* inOne, const char* inMany)
{
    return QString::number(inCount) + QLatin1String(inCount == 1 ? inOne : inMany);
}

} // namespace

void CBrevantoWindow::ShowCurrentRecipient(const QString& inDisplayName, const QString& inEmail)
{
    const QString who = inDisplayName.isEmpty() ? inEmail : inDisplayName + " <" + inEmail + ">";
    SetStatusTextAndYield(QStringLiteral("Sending mail to ") + who);
    SetControlTitleWithCFString(Control(ControlRole::RecipientCaption), QStringLiteral("Current recipient: ") + who);
    SetControlTitleWithCFString(Control(ControlRole::RecipientCountCaption),
                                CountText(processedCount, " recipient processed, ", " recipients processed, ") +
                                    QString::number(remainingCount) + QStringLiteral(" remaining."));
}

void CBrevantoWindow::ShowAddressCountText()
{
    if (mRun.addressNumber >= 2 && mRun.addresses.size() >= 2)
        SetStatusTextAndYield(
            QStringLiteral("(Message %1 of %2 messages)").arg(mRun.addressNumber).arg(mRun.addresses.size()));
}

void CBrevantoWindow::UpdateProgress()
{
    const double fraction = totalCount > 0 ? double(processedCount) / double(totalCount) : 0.0;
    SetControl32BitValue(Control(ControlRole::SendProgressBar), SInt32(32767 * fraction));
    SetControlTitleWithCFString(Control(ControlRole::ProgressStatusCaption),
                                QString::number(SInt32(100 * fraction)) + QStringLiteral("%"));
    DrawDockBadge(processedCount, totalCount);
}

// One message per job: the recipient's time without the delay it waited.
void CBrevantoWindow::UpdateRate()
{
    const double elapsed = Clock::NowUTC() - mRun.recipientStart - mRun.delayedSeconds;
    mRun.rates.AddMessage(std::max(0.0, elapsed), processedCount, totalCount, mThrottle.delaySeconds);
    SetControlTitleWithCFString(Control(ControlRole::RateCaption), mRun.rates.Text());
}

void CBrevantoWindow::UpdateBatchRate()
{
    const double elapsed = Clock::NowUTC() - mRun.recipientStart;
    mRun.rates.AddBatchMessage(std::max(0.0, elapsed), processedCount, totalCount, mThrottle.delaySeconds,
                               GetBatchSize());
    SetControlTitleWithCFString(Control(ControlRole::RateCaption), mRun.rates.Text());
}

// A failure flags the recipient again; with several addresses the last one's result stands.
void CBrevantoWindow::RecordRecipientResult(UInt8 inSent, SInt32 inIndex)
{
    if (mRun.tally.Record(inSent != 0))
        abortSend = 1;
    std::vector<bool>* flags = RunSendFlags();
    if (flags && inIndex >= 0 && size_t(inIndex) < flags->size())
        (*flags)[size_t(inIndex)] = inSent == 0;
}

// The delivery record of a single message's job, its sound and log line.
void CBrevantoWindow::RecordJobResult(const CSendJob& inJob)
{
    DeliveredRecipient& record = currentRecipient;
    record.Reset();
    record.sequence = mRun.messageNumber;
    record.recipientIndex = mRun.recipientIndex;
    record.firstName = mMergeRecipient.firstName;
    record.lastName = mMergeRecipient.lastName;
    record.emailAddress = mMergeRecipient.address;
    record.succeeded = inJob.success;
    record.errorCode = inJob.errorCode;
    record.errorText = inJob.errorText;
    record.retries = UInt16(std::max<SInt16>(0, inJob.retryCount));
    if (record.succeeded) {
        if (playSuccessSound && gEnvironment)
            PlaySoundFile(gEnvironment->sentSound);
        record.errorText = "None";
    } else {
        if (playErrorSound && gEnvironment)
            PlaySoundFile(gEnvironment->notSentSound);
        CompleteDeliveryErrorText(record.errorCode, record.errorText);
    }
    LogLine("\t[" + QString::number(record.recipientIndex) + "] " + record.firstName + " " + record.lastName + " (" +
            QString::number(mRun.addressNumber) + ") " + record.emailAddress + " Error: " +
            QString::fromUtf8(record.errorText.text));
    deliveredList.Append(record);
    RefreshDeliveredList(record.sequence + 1);
}

// Periodic saves need a file: a mailing never saved is skipped (and told in the log).
void CBrevantoWindow::AutoSaveIfDue()
{
    if (!mRun.autoSave || mRun.autoSavePeriod < 1 || mRun.messageNumber % mRun.autoSavePeriod != 0)
        return;
    if (mDocumentPath.isEmpty()) {
        LogLine(QStringLiteral("Auto save skipped: the mailing has not been saved to a file."));
        return;
    }
    SaveToFile();
}

void CBrevantoWindow::FinishSendFlags()
{
    if (!mRun.tally.ErrorsOccurred()) {
        if (mRun.resetRecipients && !abortSend) {
            std::vector<bool>* flags = RunSendFlags();
            // An import while a resend waited changed the list: the saved flags no longer fit it.
            if (flags && mRun.savedFlags && mRun.savedFlags->size() == flags->size())
                *flags = *mRun.savedFlags;
            else
                LogLine(QStringLiteral("Send flags kept: the recipients changed since the mailing started."));
            RearmRepeatSchedule();
        }
        mRun.savedFlags.reset();
        mRun.resendPending = false;
    } else if (mRun.resendOnError && !abortSend) {
        InstallResendTimer();
        mRun.resendPending = true;
    }
    RefreshSendColumn();
    UpdateRecipientCountText();
}

void CBrevantoWindow::InstallResendTimer()
{
    if (mRun.resendTimer)
        RemoveEventLoopTimer(mRun.resendTimer);
    mRun.resendTimer = nullptr;
    InstallEventLoopTimer(sResendDelaySeconds, 0, &CBrevantoWindow::ResendTimerFired, this, &mRun.resendTimer);
}

void CBrevantoWindow::ResendTimerFired(EventLoopTimerRef inTimer, void* inWindow)
{
    auto* window = static_cast<CBrevantoWindow*>(inWindow);
    RemoveEventLoopTimer(inTimer);
    window->mRun.resendTimer = nullptr;
    window->HideProgressSheets(false);
    window->StartSending();
}

// Closing the window ends its timers: none fires on a window that is gone.
void CBrevantoWindow::RemoveSendTimers()
{
    if (mRun.resendTimer) {
        RemoveEventLoopTimer(mRun.resendTimer);
        mRun.resendTimer = nullptr;
        LogLine(QStringLiteral("The pending resend was cancelled: the window closed."));
    }
    if (mScheduleTimer) {
        RemoveEventLoopTimer(mScheduleTimer);
        mScheduleTimer = nullptr;
    }
}

double CBrevantoWindow::sResendDelaySeconds = 15.0;

void CBrevantoWindow::SetSendTimersForTests(double inResendDelay, double inScheduleInterval)
{
    sResendDelaySeconds = inResendDelay;
    sScheduleIntervalSeconds = inScheduleInterval;
}

void CBrevantoWindow::ShowRunSummary()
{
    ControlRef bar = Control(ControlRole::SendProgressBar);
    SetProgressIndeterminate(bar, false);
    SetControlTitleWithCFString(Control(ControlRole::RecipientCaption),
                                CountText(deliveredList.Count(), " message processed.", " messages processed."));
    SetControlTitleWithCFString(Control(ControlRole::RecipientCountCaption), QString());
    const SInt32 errors = mRun.tally.ErrorCount();
    const QString errorText = CountText(errors, " error.", " errors.");
    const QString summary = (abortSend ? QStringLiteral("Aborted with ") : QStringLiteral("Completed with ")) + errorText;
    LogLine(QLocale().toString(Clock::NowDateTime(), QLocale::ShortFormat) +
            (abortSend ? QStringLiteral(" Aborted: ") : QStringLiteral(" Done: ")) + errorText);
    if (mRun.rates.RecentSeconds() > 0)
        SetControlTitleWithCFString(Control(ControlRole::RateCaption),
                                    QLocale().toString(mRun.rates.RecentSeconds()) + QStringLiteral(" secs/msg"));
    HideProgress();
    SetControlTitleWithCFString(Control(ControlRole::ProgressStatusCaption), summary);
    mRun.endTime = Clock::Now();
    LogLine(QStringLiteral("\tElapsed time: ") + DurationText(mRun.endTime - mRun.startTime));
    HideControl(bar);
}
