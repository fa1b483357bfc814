// The batch sender (see CSMTPConnection.h).
#include "CSMTPConnection.h"

#include "CDeliveryWindow.h"
#include "CEnvironment.h"
#include "Clock.h"
#include "DeliveryErrorText.h"
#include "LException.h"
#include "SecureSend.h"
#include "SendAttempts.h"
#include "SoundPlayback.h"


namespace {

constexpr MessageT kSendingMessage = 612;
constexpr MessageT kSentMessage = 606;
constexpr MessageT kNotSentMessage = 607;

QString Bracketed(const CText& text)
{
    return text.length > 0 ? " [" + QString::fromUtf8(text.buffer, text.length) + "]" : QString();
}

void PlayIf(UInt8 flag, bool sent)
{
    if (!flag || gEnvironment == nullptr)
        return;
    PlaySoundFile(sent ? gEnvironment->sentSound : gEnvironment->notSentSound);
}

} // namespace

CSMTPConnection::CSMTPConnection(CDeliveryWindow& window, const SecureServer& server)
    : mWindow(window)
    , mServer(server)
{
}

void CSMTPConnection::SendMessages(const std::vector<CMailMessage*>* list)
{
    if (list == nullptr)
        throw LException(paramErr, "no message list");
    SecureMailSession session(mServer);
    for (CMailMessage* mail : *list) {
        if (mWindow.abortSend)
            return;
        SendOne(*mail, session);
    }
}

void CSMTPConnection::SendOne(CMailMessage& mail, SecureMailSession& session)
{
    const MessageSummary& message = mail.message;
    mWindow.lastSendTime = Clock::NowUTC();
    DeliveredRecipient& record = mWindow.currentRecipient;
    record.Reset();
    record.sequence = message.messageNumber;
    record.recipientIndex = message.recipientIndex;
    record.firstName = mWindow.GetRecipientFirstName(message.recipientIndex);
    record.lastName = mWindow.GetRecipientLastName(message.recipientIndex);
    const QString emailText = mWindow.GetRecipientEmail(message.recipientIndex) + Bracketed(message.bcc) + Bracketed(message.cc);
    record.emailAddress = emailText;

    const bool bothNames = !record.firstName.isEmpty() && !record.lastName.isEmpty();
    mWindow.ShowCurrentRecipient(record.firstName + (bothNames ? " " : "") + record.lastName, emailText);
    QString subject = message.subjectString;
    BroadcastMessage(kSendingMessage, &subject);

    SendAttemptResult result;
    if (mail.BuildFailed()) {
        result.errorCode = mail.buildError;
        result.errorText = CString256(mail.buildErrorText.length > 0 ? mail.buildErrorText.buffer : "");
    } else {
        result = RunSendAttempts(kBatchTexts, [&](CText& error) { return session.Send(mail, error); });
    }
    record.retries = UInt16(result.failedAttempts);
    record.succeeded = result.sent ? 1 : 0;
    record.errorCode = result.errorCode;
    record.errorText = result.errorText;

    if (result.sent) {
        PlayIf(mWindow.playSuccessSound, true);
        BroadcastMessage(kSentMessage);
    } else {
        PlayIf(mWindow.playErrorSound, false);
        BroadcastMessage(kNotSentMessage);
        CompleteDeliveryErrorText(record.errorCode, record.errorText);
    }

    // A message merged in Cc or Bcc carries its own recipient and the merged ones.
    mWindow.processedCount += 1 + SInt32(message.carriedIndexes.size());
    mWindow.remainingCount = mWindow.totalCount - mWindow.processedCount;
    mWindow.UpdateProgress();
    mWindow.RecordRecipientResult(record.succeeded, message.recipientIndex);
    for (SInt32 index : message.carriedIndexes)
        mWindow.RecordRecipientResult(record.succeeded, index);
    mWindow.deliveredList.Append(record);
    mWindow.RefreshDeliveredList(record.sequence + 1);
    mWindow.UpdateBatchRate();
    mWindow.AutoSaveIfDue();
    mWindow.WaitWhilePaused();

    const QString line = "\t[" + QString::number(message.recipientIndex) + "] " + record.firstName + " " + record.lastName
        + ", " + emailText + " Error: " + QString::fromUtf8(record.errorText.CharAt(0));
    if (gEnvironment)
        gEnvironment->LogLine(line.toUtf8().constData());
}
