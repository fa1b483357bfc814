// The preview of a mailing: one message made for the sender (merge tags resolve to the sender)
// and sent through the server, or written out as raw source to a file the user chooses; the
// mail program opened after a sent preview; the send-time preference getters.
#include "CBrevantoWindow.h"

#include "BuildSendJobMessage.h"
#include "CEnvironment.h"
#include "CMailMessage.h"
#include "CPreviewThread.h"
#include "CSendJob.h"
#include "ControlValues.h"
#include "DeliveryErrorText.h"
#include "Launcher.h"
#include "LThread.h"
#include "PreferenceGetters.h"
#include "Presenter.h"
#include "SoundPlayback.h"
#include "TextHelpers.h"
#include "WholeFileWrite.h"

#include <QFileInfo>

namespace {

constexpr char kStartTLSReply[] = "Must issue a STARTTLS command first";
constexpr char kRawSourceExtension[] = "eml";

void PlayNotSentSound()
{
    if (gEnvironment)
        PlaySoundFile(gEnvironment->notSentSound);
}

void PlaySentSound()
{
    if (gEnvironment)
        PlaySoundFile(gEnvironment->sentSound);
}

} // namespace

Boolean CBrevantoWindow::GetPlaySuccessSound() { return ReadTrueRuleFlag(kPlaySuccessSoundKey, false); }
Boolean CBrevantoWindow::GetPlayErrorSound() { return ReadFalseRuleFlag(kPlayErrorSoundKey, true); }
Boolean CBrevantoWindow::GetStartMailingPaused() { return ReadTrueRuleFlag(kStartMailingPausedKey, false); }
Boolean CBrevantoWindow::GetOpenDefaultEmailer() { return ReadFalseRuleFlag(kOpenDefaultEmailerKey, true); }

void CBrevantoWindow::Preview()
{
    if (IsSending())
        return;
    if (!ConfirmNetworkReachable())
        return;
    if (!ResolveSender()) {
        ShowAlertSheet("Mail can not be sent because the sender is unspecified.", QString());
        return;
    }
    if (!Validate(false) || !ImageWebPageIfRequested())
        return;
    // Busy from here: a second preview or a mailing cannot start before the thread runs.
    mSending = 1;
    auto* thread = new CPreviewThread(*this);
    AdoptThread(thread);
    thread->Resume();
}

Boolean CBrevantoWindow::GenerateRawSource()
{
    if (IsSending() || !ImageWebPageIfRequested())
        return false;
    if (!ResolveSender()) {
        ShowAlertSheet("Mail can not be sent because the sender is unspecified.", QString());
        return false;
    }
    if (!Validate(true))
        return false;
    BuildPreview(true);
    return true;
}

void CBrevantoWindow::BuildPreview(Boolean inRawSource)
{
    mSending = 1;
    abortSend = 0;
    pauseSend = 0;
    ControlRef previewButton = Control(ControlRole::PreviewButton);
    SetControlTitleWithCFString(previewButton, QStringLiteral("Abort"));
    DisableControl(Control(ControlRole::SendButton));
    DisableControl(Control(ControlRole::RawSourceButton));

    // The sender is the recipient: every merge tag resolves to the sender.
    CText first;
    CText last;
    SplitWords(CText(mSenderName.text), first, last);
    mMergeRecipient = MergeRecipient{-1, QString::fromUtf8(mSenderName.text), QString::fromUtf8(first.buffer, first.length),
                                     QString::fromUtf8(last.buffer, last.length), QString::fromUtf8(mSenderAddress.text)};
    PrepareRecipientMessage();

    if (!inRawSource) {
        if (SendPreviewMessage() < 0)
            ShowAlertSheet("A network error occurred.",
                           "This could be due to a wrong port number, bad server name or lack of internet connectivity.");
    } else {
        SaveRawSource();
    }

    // The status text stays: it tells why a preview failed.
    HideControl(Control(ControlRole::StatusProgress));
    SetControlTitleWithCFString(previewButton, QStringLiteral("Preview"));
    EnableControl(Control(ControlRole::SendButton));
    EnableControl(Control(ControlRole::RawSourceButton));
    mSending = 0;
}

SInt32 CBrevantoWindow::SendPreviewMessage()
{
    sendJobDone = 0;
    CSendJob job(mMessage, *this);
    StartSendJob(job);
    LThread::WaitUntil([this] { return sendJobDone != 0; }, kNoDeadline);
    if (!job.success) {
        PlayNotSentSound();
        QString text;
        if (abortSend) {
            text = QString::fromUtf8(job.errorText.text);
        } else {
            CString256 completed = job.errorText;
            CompleteDeliveryErrorText(job.errorCode, completed);
            text = QStringLiteral("An error occurred: ") + QString::fromUtf8(completed.text);
            if (text.contains(QLatin1String(kStartTLSReply), Qt::CaseInsensitive)) {
                SetControl32BitValue(Control(ControlRole::UseSSLCheckBox), 1);
                Presenter::Get().Beep();
                Presenter::Get().ShowAlert(AlertKind::stop, "The mail server requires a secure connection using SSL.",
                                           "The option \"Use Secure Sockets (SSL)\" in the Server Settings window "
                                           "has been selected for you, please try again.",
                                           AlertButtons::ok);
            }
        }
        CString256 status(text.toUtf8().constData());
        status.ReplaceNonPrintable();
        SetStatusText(QString::fromUtf8(status.text));
        return job.errorCode < 0 ? job.errorCode : 0;
    }
    PlaySentSound();
    HideProgress();
    if (GetOpenDefaultEmailer())
        OpenMailApplication();
    return 0;
}

void CBrevantoWindow::SaveRawSource()
{
    CMailMessage mail;
    if (!BuildSendJobMessage(*this, mMessage, mail)) {
        ShowAlertSheet("The raw source could not be made.", QString::fromUtf8(mail.buildErrorText.buffer,
                                                                              mail.buildErrorText.length));
        return;
    }
    const std::string source = mail.WriteSource();
    if (source.empty())
        return;
    const QString subject = mMessage.subjectString.trimmed();
    QString proposed = subject.isEmpty() ? QStringLiteral("No Subject") : subject;
    proposed.replace(QLatin1Char('/'), QLatin1Char('-'));
    bool replacing = false;
    std::optional<QString> chosen =
        Presenter::Get().AskSaveFile(QStringLiteral("Save Raw Source"),
                                     proposed + QLatin1Char('.') + QLatin1String(kRawSourceExtension), &replacing);
    if (!chosen)
        return;
    // The file is of type "eml" whether or not the user typed the extension.
    QString path = *chosen;
    if (QFileInfo(path).suffix().compare(QLatin1String(kRawSourceExtension), Qt::CaseInsensitive) != 0)
        path += QLatin1Char('.') + QLatin1String(kRawSourceExtension);
    if (WriteWholeFileAtomically(path.toStdString(), source.data(), source.size(), WholeFileMode::ReplaceAsNew) != noErr)
        ShowAlertSheet("The raw source could not be saved.", path);
}

void CBrevantoWindow::OpenMailApplication()
{
    if (Launcher::Current().Open(QStringLiteral("mailto:")))
        return;
    PlayNotSentSound();
    ShowAlertSheet("The script to open Mail had an error.", "No program is set to open e-mail (mailto:) links.");
}
