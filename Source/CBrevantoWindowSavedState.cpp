// Whether a mailing window has unsaved changes: not tracked edit by edit, but found by
// comparing what the window shows now with what it showed when its document was last opened or
// saved. GUI thread only.
#include "CBrevantoWindow.h"

#include "ControlValues.h"
#include "MailingSnapshot.h"
#include "PreferenceGetters.h"

MailingSnapshot CBrevantoWindow::TakeSnapshot()
{
    MailingSnapshot now;
    const auto value = [this](ControlRole inRole) { return GetControl32BitValue(Control(inRole)); };
    const auto text = [this](ControlRole inRole) { return GetControlText(Control(inRole)); };
    for (int index = 0; index < 3; ++index)
        now.sideTexts[index] = GetSideText(ESideText(index));
    NormalizeURL();
    now.url = mWebPageURL;
    now.subject = text(ControlRole::SubjectField);
    now.myName = text(ControlRole::SenderNameField);
    now.myEmail = text(ControlRole::SenderEmailField);
    now.group = value(ControlRole::GroupPopup);
    now.fromMeAt = value(ControlRole::FromMeAtPopup);
    now.addressType = value(ControlRole::AddressTypePopup);
    now.senderAddressType = value(ControlRole::SenderAddressTypePopup);
    now.optionsAddressType = value(ControlRole::OptionsAddressTypePopup);
    now.attachments = mAttachmentPaths;
    now.attachmentPathField = text(ControlRole::AttachmentPathField);
    now.server = GetServerName();
    now.userName = GetUserName();
    now.password = GetPassword();
    now.port = text(ControlRole::PortField);
    now.popPeriod = text(ControlRole::PopPeriodField);
    now.useOrganization = mUseOrganization;
    now.recipientsTab = value(ControlRole::RecipientsTabs);
    now.senderTab = value(ControlRole::SenderTabs);
    now.importPath = mImportPath;
    now.entourageGroup = mEntourageGroup;
    now.scheduledTime = mScheduledTime;
    now.wake = value(ControlRole::WakeCheckBox);
    now.repeat = value(ControlRole::RepeatCheckBox);
    now.repeatCount = text(ControlRole::RepeatCountField).trimmed().toInt();
    now.repeatUnit = value(ControlRole::RepeatUnitsPopup);
    now.wakeBeforeSeconds = text(ControlRole::WakeSecondsField).trimmed().toInt();
    now.priority = value(ControlRole::PriorityPopup);
    now.authentication = value(ControlRole::AuthenticationPopup);
    now.secureAuthentication = value(ControlRole::SecureAuthenticationPopup);
    now.charset = value(ControlRole::CharsetPopup);
    now.imageHTML = mImageHTML;
    now.cc = text(ControlRole::CcField);
    now.bcc = text(ControlRole::BccField);
    now.returnPath = text(ControlRole::ReturnPathField);
    now.replyTo = text(ControlRole::ReplyToField);
    now.groupFlags = mABSendFlags;
    now.importFlags = mImportSendFlags;
    now.importedGeneration = GetSaveImported() ? mImported.Generation() : 0;
    return now;
}

void CBrevantoWindow::UpdateSavedState()
{
    SaveServerDefaults(false);
    mSavedState = std::make_unique<MailingSnapshot>(TakeSnapshot());
}

// The count caption is brought up to date too: every command ends here.
Boolean CBrevantoWindow::IsModified()
{
    const bool modified = !mSavedState || TakeSnapshot() != *mSavedState;
    UpdateRecipientCountText();
    return modified;
}
