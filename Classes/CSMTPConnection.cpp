// The batch sender (see CSMTPConnection.h).
#include "CSMTPConnection.h"

#include "CDeliveryWindow.h"
#include "CEnvironment.h"
#include "DeliveryErrorText.h"
#include "LException.h"
#include "SecureSend.h"
#include "SendAttempts.h"
#include "SoundPlayback.h"

#include <QDateTime>

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

// Batch types 2 and 3 carry the window's batch counter of recipients, numbered by the engine
// from the message's recipient index on.
SInt32 CSMTPConnection::CarriedRecipients(const CMailMessage&) const
{
    if (mWindow.batchType == 1)
        return 1;
    return std::max<SInt32>(1, mWindow.batchCounter);
}

void CSMTPConnection::SendOne(CMailMessage& mail, SecureMailSession& session)
{
    const MessageSummary& message = mail.message;
    mWindow.lastSendTime = double(QDateTime::currentSecsSinceEpoch());
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

    mWindow.processedCount += (mWindow.batchType == 1) ? 1 : mWindow.batchCounter;
    mWindow.remainingCount = mWindow.totalCount - mWindow.processedCount;
    mWindow.UpdateProgress();
    const SInt32 carried = CarriedRecipients(mail);
    for (SInt32 i = 0; i < carried; ++i)
        mWindow.RecordRecipientResult(record.succeeded, message.recipientIndex + i);
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
