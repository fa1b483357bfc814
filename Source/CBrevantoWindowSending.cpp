// The send engine: one mailing run of a window, on its send thread. Every address of every
// flagged recipient gets its own message (or joins a batch), paced by the throttle settings;
// pause and abort are honoured between recipients, addresses and inside delays; at the end the
// summary, the send flags, the resend and the reports.
//
// The loop addresses recipients by index in the source the run started with. Commands that
// would change that list are refused while a mailing runs.
#include "CBrevantoWindow.h"

#include "CEnvironment.h"
#include "CSendJob.h"
#include "CTimeThread.h"
#include "Clock.h"
#include "ControlValues.h"
#include "EventPass.h"
#include "HeaderForms.h"
#include "PageImager.h"
#include "LThread.h"
#include "PreferenceGetters.h"
#include "Preferences.h"
#include "Presenter.h"
#include "SheetController.h"
#include "ThrottleDelay.h"
#include "ApplicationTile.h"
#include "DockTile.h"

#include <QFile>

namespace {

void LogLine(const QString& inText)
{
    if (gEnvironment)
        gEnvironment->LogLine(inText.toUtf8().constData());
}

bool HasMergeableType(const CString256& inContentType)
{
    for (const char* prefix : {"text/plain", "text/html", "message/rfc822"}) {
        if (inContentType.StartsWithNoCase(prefix))
            return true;
    }
    return false;
}

void AssignExpanded(CDeliveryWindow& inWindow, CText& outText, const QString& inSource)
{
    outText.Clear();
    outText.AppendCFString(inSource);
    inWindow.ExpandPlainMergeTags(outText);
}

} // namespace

void CBrevantoWindow::RunMailing()
{
    PrepareMailingRun();
    if (mRun.recipientCount > 0 && RunSendFlags()) {
        ShowMailingProgress();
        if (gEnvironment && gEnvironment->simulate && !GetSimulateToSelf())
            Presenter::Get().ShowAlert(AlertKind::note, QStringLiteral("Simulate send is on."),
                                       QStringLiteral("Messages will not really be sent."), AlertButtons::ok);
        mRun.messageNumber = 0;
        WaitWhilePaused();
        for (SInt32 index = 0; index < mRun.recipientCount && !abortSend; ++index) {
            mRun.recipientIndex = index;
            mRun.delayedSeconds = 0;
            const std::vector<bool>* flags = RunSendFlags();
            if (flags && size_t(index) < flags->size() && (*flags)[size_t(index)])
                SendToRecipient(index);
            WaitWhilePaused();
        }
        // What a batch still holds goes out now; an abort leaves those recipients flagged.
        if (IsBatchMode() && mRun.batch.Count() > 0 && !abortSend)
            SendBatch();
        mRun.batch.RemoveAll();
        mRun.batchCounter = 0;
        mRun.recipientIndex = -1;
        FinishSendFlags();
    }
    EndMailingRun();
}

void CBrevantoWindow::PrepareMailingRun()
{
    mRun.recipientIndex = -1;
    mRun.tally = DeliveryTally(gEnvironment ? gEnvironment->consecutiveErrors : 3);
    mRun.rates = SendRates();
    ReadThrottleSettings();
    mRun.batch.RemoveAll();
    mRun.batchCounter = 0;
    playSuccessSound = ReadTrueRuleFlag(kPlaySuccessSoundKey, false);
    playErrorSound = ReadFalseRuleFlag(kPlayErrorSoundKey, true);
    mRun.resendOnError = GetResendOnError();
    mRun.resetRecipients = GetResetRecipients();
    mRun.autoSave = GetAutoSave();
    mRun.autoSavePeriod = GetAutoSavePeriod();
    mRun.autoSaveLog = GetAutoSaveLog();
    mRun.startTime = Clock::Now();
    mSending = 1;
    for (ControlRole role : {ControlRole::SendButton, ControlRole::PreviewButton, ControlRole::RawSourceButton,
                             ControlRole::CloseProgressButton})
        DisableControl(Control(role));
    HideControl(Control(ControlRole::ReportsButton));
    if (ControlRef caption = Control(ControlRole::ElapsedCaption)) {
        auto* thread = new CTimeThread(caption);
        mRun.timeThread = thread;
        AdoptThread(thread);
        thread->Resume();
    }
    deliveredList.RemoveAll();
    RefreshDeliveredList(0);
    totalCount = remainingCount = CountFlaggedRecipients();
    processedCount = 0;
    mRun.source = SInt16(CurrentSource());
    SetControlTitleWithCFString(Control(ControlRole::StatusCaption), QString());
    SetControlTitleWithCFString(Control(ControlRole::ProgressStatusCaption), QString());
    // The abort flag was cleared when the thread was made: an abort before its first turn stands.
    pauseSend = !abortSend && ReadTrueRuleFlag(kStartMailingPausedKey, false) ? 1 : 0;
    SetControlTitleWithCFString(Control(ControlRole::PauseButton),
                                pauseSend ? QStringLiteral("Resume") : QStringLiteral("Pause"));
    if (pauseSend)
        DrawDockProgress(0, totalCount);
    mRun.recipientCount = CountRecipients();
    if (!mRun.resendPending) {
        const std::vector<bool>* flags = RunSendFlags();
        mRun.savedFlags = flags ? std::optional<std::vector<bool>>(*flags) : std::nullopt;
    }
}

// The flags of the source the run started with; null when it has none.
std::vector<bool>* CBrevantoWindow::RunSendFlags()
{
    SendFlags& flags = ERecipientSource(mRun.source) == ERecipientSource::imported ? mImportSendFlags : mABSendFlags;
    return flags ? &*flags : nullptr;
}

void CBrevantoWindow::ShowMailingProgress()
{
    ShowControl(Control(ControlRole::AbortButton));
    ShowControl(Control(ControlRole::PauseButton));
    HideProgress();
    LogMailingHeader(false);
    ControlRef bar = Control(ControlRole::SendProgressBar);
    ShowControl(bar);
    SetProgressIndeterminate(bar, false);
    SetControl32BitMinimum(bar, 0);
    SetControl32BitMaximum(bar, 32767);
    SetControl32BitValue(bar, 0);
}

void CBrevantoWindow::SendToRecipient(SInt32 inIndex)
{
    mRun.recipientStart = Clock::NowUTC();
    GetRecipientNameAndAddress(ERecipientSource(mRun.source), inIndex, mRun.recipientName, mRun.recipientAddresses);
    mMergeRecipient.index = inIndex;
    mMergeRecipient.firstName = GetRecipientFirstName(inIndex);
    mMergeRecipient.lastName = GetRecipientLastName(inIndex);
    mRun.addresses = SplitRecipientAddresses(mRun.recipientAddresses);
    mRun.addressNumber = 0;
    for (const QString& address : std::as_const(mRun.addresses)) {
        if (abortSend)
            break;
        ++mRun.addressNumber;
        SendToAddress(address);
        ++mRun.messageNumber;
    }
    if (SheetController::IsSheetShown(Window(ENibWindow::progress)))
        SetControlTitleWithCFString(Control(ControlRole::ProgressStatusCaption), QString());
    if (IsBatchMode())
        return;
    ++processedCount;
    remainingCount = totalCount - processedCount;
    UpdateRate();
    UpdateProgress();
    AutoSaveIfDue();
    if (remainingCount > 0)
        ThrottleDelay();
}

void CBrevantoWindow::SendToAddress(const QString& inAddress)
{
    mMergeRecipient.displayName = mRun.recipientName;
    mMergeRecipient.address = inAddress;
    if (!IsBatchMode()) {
        ShowAddressCountText();
        const QString& first = mMergeRecipient.firstName;
        const QString& last = mMergeRecipient.lastName;
        ShowCurrentRecipient(first + (!first.isEmpty() && !last.isEmpty() ? " " : "") + last, inAddress);
    }
    PrepareRecipientMessage();
    const ESendResult result = SendCurrentMessage();
    if (!IsBatchMode() && result != ESendResult::skipped)
        RecordRecipientResult(result == ESendResult::sent, mRun.recipientIndex);
}

void CBrevantoWindow::PrepareRecipientMessage()
{
    Message& message = mMessage;
    message.messageNumber = mRun.messageNumber;
    message.recipientIndex = mRun.recipientIndex;
    message.carriedIndexes.clear();
    message.attachments.RemoveAll();
    message.attachmentError = 0;
    message.attachmentErrorText.Clear();

    // Names and addresses go through the header forms: no CR, LF or control reaches a header.
    const QString& name = mMergeRecipient.displayName;
    const QString& address = mMergeRecipient.address;
    message.to = MakeAddressHeaderForm(name, address).c_str();
    message.toDisplay = MakeAddressDisplayForm(name, address).c_str();

    message.SetSubjectString(GetControlText(Control(ControlRole::SubjectField)));
    EncodeCFString(message, *this, message.subject);

    ExpandMessageTexts(message);
    message.ApplyPreambleAndEpilogue();

    // A path that names no readable file fails the message (the build reports it).
    const QString recipientAttachment = GetControlText(Control(ControlRole::AttachmentPathField));
    if (!recipientAttachment.isEmpty()) {
        CText path;
        AssignExpanded(*this, path, recipientAttachment);
        message.AddAttachment(path.buffer ? path.buffer : "");
    }
    if (!mAttachmentPaths.isEmpty()) {
        message.useBinHex = GetControl32BitValue(Control(ControlRole::BinHexCheckBox)) == 1;
        message.attachmentDisposition = SInt16(GetControl32BitValue(Control(ControlRole::DispositionPopup)));
        for (const QString& next : mAttachmentPaths) {
            CText path;
            AssignExpanded(*this, path, next);
            message.AddAttachment(path.buffer ? path.buffer : "");
        }
        LThread::Yield();
    }
}

// The body and the side texts for this recipient. The tracking image goes into HTML texts only:
// in a plain text the reader would see its tag.
void CBrevantoWindow::ExpandMessageTexts(Message& ioMessage)
{
    const bool plainMessage = ioMessage.contentType.StartsWithNoCase("text/plain");
    const auto expand = [this, plainMessage](CText& ioText) {
        if (plainMessage)
            ExpandPlainMergeTags(ioText);
        else
            ExpandMergeTags(ioText);
    };
    ioMessage.body.Clear();
    const QString image = PageImager::ImagePath();
    if (!mImageHTML) {
        ioMessage.body.AssignText(mMessageText);
        if (HasMergeableType(ioMessage.contentType))
            expand(ioMessage.body);
    } else if (!image.isEmpty() && QFile::exists(image)) {
        PageImager::AddImagePart(ioMessage);
    }
    ioMessage.plainText.AssignText(mPlainTextAlternative);
    ExpandPlainMergeTags(ioMessage.plainText);
    ioMessage.preamble.AssignText(mPreamble);
    expand(ioMessage.preamble);
    ioMessage.epilogue.AssignText(mEpilogue);
    expand(ioMessage.epilogue);
}

CBrevantoWindow::ESendResult CBrevantoWindow::SendCurrentMessage()
{
    sendJobDone = 0;
    if (abortSend)
        return ESendResult::skipped;
    std::unique_ptr<CSendJob> job = SendOrBatch();
    if (!job)
        return ESendResult::sent;
    RecordJobResult(*job);
    return job->success ? ESendResult::sent : ESendResult::failed;
}

// One message: its own job, run now. Batch mode: the message joins the batch (types 2 and 3
// merge the recipient into the first message's Cc or Bcc, remembering its index), and a full
// batch goes out as one job; null then.
std::unique_ptr<CSendJob> CBrevantoWindow::SendOrBatch()
{
    if (!IsBatchMode()) {
        auto job = std::make_unique<CSendJob>(mMessage, *this);
        StartSendJob(*job);
        LThread::WaitUntil([this] { return sendJobDone != 0; }, kNoDeadline);
        return job;
    }
    if (mRun.batch.Count() == 0 || batchType == 1 || (batchType != 2 && batchType != 3)) {
        mRun.batch.Append(mMessage);
    } else {
        mRun.batch.Rewind();
        Message* first = mRun.batch.Next();
        CText& list = batchType == 2 ? first->cc : first->bcc;
        if (list.length > 0)
            list.Append(",");
        list.AppendText(mMessage.to);
        const SInt32 index = mRun.recipientIndex;
        if (index != first->recipientIndex && std::find(first->carriedIndexes.begin(), first->carriedIndexes.end(),
                                                         index) == first->carriedIndexes.end())
            first->carriedIndexes.push_back(index);
    }
    ++mRun.batchCounter;
    const SInt32 size = GetBatchSize();
    const bool tenth = mRun.batchCounter % 10 == 0;
    if (tenth && mRun.batchCounter != size)
        SetStatusTextAndYield(QStringLiteral("Batching %1 messages.").arg(mRun.batchCounter));
    if (tenth || mRun.batchCounter == size)
        EventPass::LetOneEventThrough();
    if (mRun.batchCounter >= size) {
        SendBatch();
        if (remainingCount >= 1)
            ThrottleDelay();
    }
    return nullptr;
}

void CBrevantoWindow::SendBatch()
{
    SetStatusTextAndYield(QStringLiteral("Sending batch of %1 messages.").arg(mRun.batchCounter));
    EventPass::LetOneEventThrough();
    sendJobDone = 0;
    {
        CSendJob job(mRun.batch, *this);
        StartSendJob(job);
        LThread::WaitUntil([this] { return sendJobDone != 0; }, kNoDeadline);
    }
    mRun.batch.RemoveAll();
    mRun.batchCounter = 0;
}

// After a failure the next delay is skipped.
void CBrevantoWindow::ThrottleDelay()
{
    if (mRun.tally.LastFailed() || mThrottle.delaySeconds <= 0)
        return;
    mRun.delayedSeconds = WaitThrottleDelay(mThrottle.delaySeconds, abortSend, [this](const QString& inText) {
        if (inText.isEmpty())
            SetControlTitleWithCFString(Control(ControlRole::ProgressStatusCaption), QString());
        else
            SetStatusTextAndYield(inText);
    });
}

void CBrevantoWindow::EndMailingRun()
{
    ControlRef bar = Control(ControlRole::SendProgressBar);
    SetControl32BitValue(bar, 0);
    HideControl(Control(ControlRole::AbortButton));
    HideControl(Control(ControlRole::PauseButton));
    EnableControl(Control(ControlRole::CloseProgressButton));
    if (deliveredList.Count() > 0) {
        EnableControl(Control(ControlRole::ReportsButton));
        ShowControl(Control(ControlRole::ReportsButton));
    } else if (!mCleanedUp) {
        ShowAlertSheet(QStringLiteral("Mail was not sent. Check server settings and the internet connection."),
                       QString());
    }
    if (mRun.timeThread) {
        mRun.timeThread->RequestStop();
        mRun.timeThread = nullptr;
    }
    ShowRunSummary();
    UpdateErrorCount();
    for (ControlRole role : {ControlRole::SendButton, ControlRole::PreviewButton, ControlRole::RawSourceButton})
        EnableControl(Control(role));
    HideControl(bar);
    mSending = 0;
    ApplicationTile::Restore();
    if (mRun.tally.ErrorsOccurred() && !abortSend && mRun.resendOnError) {
        const QString text = QStringLiteral("One or more errors occurred: will resend shortly...");
        SetControlTitleWithCFString(Control(ControlRole::RecipientCaption), text);
        LogLine(text);
    }
    if (mRun.autoSaveLog) {
        WriteReport(UInt32(std::max<SInt64>(0, mRun.endTime - mRun.startTime)));
        WriteRawSourceLog();
    }
}
