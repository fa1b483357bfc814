// The checks a mailing passes before anything goes out, and the assembly of the window's
// message from its fields: the Send command's refusals in their order, the network caution,
// Validate and AssembleMessage with the automatic choice of the authentication mechanism.
#include "CBrevantoWindow.h"

#include "AlertHelpers.h"
#include "CEnvironment.h"
#include "ControlValues.h"
#include "HeaderForms.h"
#include "NetworkChecks.h"
#include "PageImager.h"
#include "PreferenceGetters.h"
#include "Presenter.h"

#include <QFile>

namespace {

constexpr SInt16 kAutomaticMechanism = 1;

} // namespace

Boolean CBrevantoWindow::CheckBeforeSending()
{
    if (GetVerifyEmailAddresses() && !VerifyAddresses(true))
        return false;
    if (CountRecipients() <= 0) {
        ShowAlertSheet("There are no recipients to send mail to.", QString());
        return false;
    }
    if (CountFlaggedRecipients() <= 0) {
        ShowAlertSheet("There are no selected recipients to send mail to.",
                       "Either the list of recipients is empty, or none are selected.");
        return false;
    }
    if (!ImageWebPageIfRequested() || !ConfirmNetworkReachable())
        return false;
    if (!ResolveSender()) {
        ShowAlertSheet("Mail can not be sent because the sender is unspecified.", QString());
        return false;
    }
    return Validate(false);
}

Boolean CBrevantoWindow::ConfirmNetworkReachable()
{
    if (IsNetworkReachable())
        return true;
    return ShowCautionAlert("This computer does not seem to be connected to the Internet.",
                            "Run Network Diagnostics from the Help menu for help. Click OK to continue sending or "
                            "Cancel to abort.") == kAlertStdAlertOKButton;
}

Boolean CBrevantoWindow::Validate(Boolean inRawSource)
{
    SetStatusText("Validating");
    SaveServerDefaults(true);
    if (GetServerName().trimmed().isEmpty()) {
        HideProgress();
        ShowAlertSheet("Please specify a mail server.",
                       "Click the \"Server Settings...\" button to open the server settings window to do so.");
        return false;
    }
    if (mSenderAddress.Length() == 0) {
        HideProgress();
        ShowAlertSheet("Sender email is empty.",
                       CurrentSource() == ERecipientSource::addressBook
                           ? "The sender email is being retrieved from the Address Book \"Me\" record and is used to "
                             "specify the return address of the mail message."
                           : "The sender email is used to specify the return address of the mail message.");
        return false;
    }
    GetPreamble(mPreamble);
    GetPlainTextAlternative(mPlainTextAlternative);
    GetEpilogue(mEpilogue);
    if (GetControlText(Control(ControlRole::SubjectField)).isEmpty() &&
        ReadFalseRuleFlag(kWarnIfSubjectEmptyKey, true)) {
        const SInt16 answer = ShowCautionAlert("The subject of the message is empty.",
                                               inRawSource ? "Do you want to continue generating the raw source?"
                                                           : "Do you want to continue sending the message?");
        if (answer != kAlertStdAlertOKButton) {
            HideProgress();
            return false;
        }
    }
    NormalizeURL();
    if (!LoadWebDocument()) {
        HideProgress();
        return false;
    }
    AssembleMessage(inRawSource);
    HideProgress();
    return true;
}

Boolean CBrevantoWindow::AssembleMessage(Boolean inRawSource)
{
    SetStatusText("Assembling message");
    mMessage.attachments.RemoveAll();
    const QString image = PageImager::ImagePath();
    if (mImageHTML && !image.isEmpty() && QFile::exists(image)) {
        mMessage.body.Clear();
        PageImager::AddImagePart(mMessage);
    }
    // Every field is taken as it stands now: one emptied since the last run leaves nothing behind.
    mMessage.cc.AssignCFString(GetControlText(Control(ControlRole::CcField)));
    mMessage.bcc.AssignCFString(GetControlText(Control(ControlRole::BccField)));
    mMessage.returnPath.AssignCFString(GetControlText(Control(ControlRole::ReturnPathField)));
    mMessage.replyTo.AssignCFString(GetControlText(Control(ControlRole::ReplyToField)));
    mMessage.from.Assign(MakeAddressHeaderForm(QString::fromUtf8(mSenderName.text),
                                               QString::fromUtf8(mSenderAddress.text))
                             .c_str());

    if (!GetUserName().isEmpty() && !GetPassword().isEmpty() && GetSecureMechanismValue() == kAutomaticMechanism) {
        SetStatusText("Auto-detecting authentication types for mail server");
        // The raw source reuses what the last test found: it never connects.
        if (!inRawSource)
            TestServerPort(false);
        const SInt16 chosen = ChooseMechanism(QString::fromUtf8(detectedMechanisms.buffer, detectedMechanisms.length));
        SetSecureMechanismValue(chosen);
        static const char* const kChosenTexts[] = {"PLAIN authentication chosen", "LOGIN authentication chosen",
                                                   "CRAM-MD5 authentication chosen"};
        SetStatusText(kChosenTexts[chosen - 2]);
        Draw1Control(Control(ControlRole::SecureAuthenticationPopup));
    }
    mMessage.contentType = mContentType;
    HideProgress();
    return true;
}

SInt16 CBrevantoWindow::ChooseMechanism(const QString& inMechanisms)
{
    if (inMechanisms.contains("PLAIN", Qt::CaseInsensitive))
        return 2;
    if (inMechanisms.contains("LOGIN", Qt::CaseInsensitive))
        return 3;
    if (inMechanisms.contains("CRAM-MD5", Qt::CaseInsensitive))
        return 4;
    return 2;
}
