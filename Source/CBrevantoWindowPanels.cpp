// The main window's small pieces: the recipients and sender tabs with their help tags, the
// sender resolved from the Me card or the manual fields, the charset popup, the attachments
// captions and the View button.
#include "CBrevantoWindow.h"

#include "CFBundle.h"
#include "CFPropertyList.h"
#include "CFPropertyListReader.h"
#include "ControlHandlers.h"
#include "ControlValues.h"
#include "DataBrowser.h"
#include "DesktopApps.h"
#include "FSRef.h"
#include "PreferenceGetters.h"
#include "Preferences.h"
#include "SystemLookups.h"
#include "WindowAttributes.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QWidget>

namespace {

QString QuotedHelp(const char* inText) { return QString::fromUtf8(inText); }

// The 1-based popup value as the pane it shows.
ControlRole PaneFor(SInt32 inValue, ControlRole inFirstPane, ControlRole inSecondPane)
{
    return inValue == 2 ? inSecondPane : inFirstPane;
}

} // namespace

OSStatus CBrevantoWindow::TabHit(ControlEvent& ioEvent, ControlRole inTabs, ControlRole inFirstPane,
                                 ControlRole inSecondPane, SInt32& ioStored)
{
    const SInt32 value = GetControl32BitValue(Control(inTabs));
    if (value == ioStored)
        return eventNotHandledErr;
    HideControl(Control(PaneFor(ioStored, inFirstPane, inSecondPane)));
    ShowControl(Control(PaneFor(value, inFirstPane, inSecondPane)));
    Draw1Control(ioEvent.control);
    ioStored = value;
    WindowAttributes::SetWindowModified(GetMainWindow(), true);
    return eventNotHandledErr;
}

OSStatus CBrevantoWindow::RecipientsTabHit(ControlEvent& ioEvent)
{
    return TabHit(ioEvent, ControlRole::RecipientsTabs, ControlRole::RecipientsGroupPane,
                  ControlRole::RecipientsImportPane, mRecipientsTab);
}

OSStatus CBrevantoWindow::SenderTabHit(ControlEvent& ioEvent)
{
    TabHit(ioEvent, ControlRole::SenderTabs, ControlRole::SenderCardPane, ControlRole::SenderManualPane, mSenderTab);
    UpdateSenderCaption(true);
    return eventNotHandledErr;
}

void CBrevantoWindow::SelectTab(SInt32 inValue, ControlRole inTabs, ControlRole inFirstPane, ControlRole inSecondPane)
{
    HideControl(Control(inFirstPane));
    HideControl(Control(inSecondPane));
    SetControl32BitValue(Control(inTabs), inValue);
    ShowControl(Control(PaneFor(inValue, inFirstPane, inSecondPane)));
}

void CBrevantoWindow::SelectRecipientsTab(SInt32 inValue)
{
    SelectTab(inValue, ControlRole::RecipientsTabs, ControlRole::RecipientsGroupPane,
              ControlRole::RecipientsImportPane);
}

void CBrevantoWindow::SelectSenderTab(SInt32 inValue)
{
    SelectTab(inValue, ControlRole::SenderTabs, ControlRole::SenderCardPane, ControlRole::SenderManualPane);
}

QString CBrevantoWindow::RecipientsTabHelp(SInt16 inPart)
{
    switch (inPart) {
    case 0: return QString();
    case 1: return QuotedHelp("Use the \"Group\" tab to specify the recipients using Address Book groups.");
    case 2:
        return QuotedHelp("Use the \"Import\" tab to specify the recipients using a tab delimited text file of "
                          "names and addresses.");
    default: return QStringLiteral(" ");
    }
}

QString CBrevantoWindow::SenderTabHelp(SInt16 inPart)
{
    switch (inPart) {
    case 0: return QString();
    case 1: return QuotedHelp("Use the \"My Card\" tab to specify the sender using Address Book's \"My Card\" .");
    case 2:
        return QuotedHelp("Use the \"Manual\" tab to specify the sender using text fields, the Address Book people "
                          "picker or vCard.");
    default: return QStringLiteral(" ");
    }
}

Boolean CBrevantoWindow::ResolveSender()
{
    QString name;
    QString address;
    if (mSenderTab == 1) {
        if (!mHasMeCard)
            ReadMeCard();
        if (mHasMeCard) {
            ControlRef fromMeAt = Control(ControlRole::FromMeAtPopup);
            name = mUseOrganization && !mMeOrganization.isEmpty() ? mMeOrganization : mMeName;
            address = GetPopupItemText(fromMeAt, GetControl32BitValue(fromMeAt));
        }
    } else {
        address = GetControlText(Control(ControlRole::SenderEmailField));
        name = GetControlText(Control(ControlRole::SenderNameField));
    }
    if (address.isEmpty()) {
        // No sender known: nothing of an earlier one may stay behind.
        mSenderName = CString256();
        mSenderAddress = CString256();
        mSenderText = CString256();
        return false;
    }
    mSenderName = CString256(name.toUtf8().constData());
    mSenderAddress = CString256(address.toUtf8().constData());
    const QString combined = name.isEmpty() ? address : name + " <" + address + ">";
    mSenderText = CString256(combined.toUtf8().constData());
    return true;
}

void CBrevantoWindow::UpdateSenderCaption(Boolean inResolveFirst)
{
    if (inResolveFirst)
        ResolveSender();
    ControlRef caption = Control(ControlRole::SenderCaption);
    const QString address = QString::fromUtf8(mSenderAddress.text);
    // Without an address the caption is cleared rather than left showing an earlier sender.
    const QString text =
        address.isEmpty() ? QString() : QString::fromUtf8(mSenderName.text) + " <" + address + ">";
    SetControlTitleWithCFString(caption, text);
    Draw1Control(caption);
}

void CBrevantoWindow::FillCharsetPopup()
{
    ControlRef popup = Control(ControlRole::CharsetPopup);
    if (!popup)
        return;
    DeletePopupItems(popup);
    mCharsets.clear();
    const std::optional<QByteArray> data = CFBundle::Main().ReadResource(QStringLiteral("Charsets"), QStringLiteral("xml"));
    if (!data)
        return;
    const CFPropertyList::Dictionary dictionary = CFPropertyListReader::Read(*data).ToDictionary();
    // The dictionary's keys come sorted by code unit: a case-sensitive literal order.
    SInt32 unicodeItem = 0;
    for (auto it = dictionary.constBegin(); it != dictionary.constEnd(); ++it) {
        mCharsets.append({it.key(), it.value().ToString()});
        AppendPopupItem(popup, QStringLiteral("%1 (%2)").arg(it.key(), it.value().ToString()));
        if (it.key() == QLatin1String("Unicode"))
            unicodeItem = CountPopupItems(popup);
    }
    if (unicodeItem != 0)
        SetControl32BitValue(popup, unicodeItem);
    if (GetPreference(CString256(kDefaultCharsetKey)))
        SetControl32BitValue(popup, SInt32(ReadNumber(kDefaultCharsetKey, 0)));
}

QString CBrevantoWindow::AttachmentSizeText(UInt64 inTotal)
{
    if (inTotal >= 1001)
        return QString::number(inTotal / 1000) + " KB";
    return QString::number(inTotal) + (inTotal == 1 ? " byte" : " bytes");
}

QString CBrevantoWindow::AttachmentCountText(SInt32 inCount)
{
    return QString::number(inCount) + (inCount == 1 ? " file" : " files");
}

void CBrevantoWindow::RefreshAttachmentsList()
{
    auto* list = qobject_cast<DataBrowser*>(Control(ControlRole::AttachmentsList));
    const SInt32 count = SInt32(mAttachmentPaths.size());
    if (list) {
        list->RemoveAllItems();
        list->AddItems(UInt32(count));
    }
    // 64 bits: attachments together may pass 4 GiB.
    UInt64 total = 0;
    for (const QString& path : mAttachmentPaths) {
        const QFileInfo info(path);
        if (info.isFile())
            total += UInt64(info.size());
    }
    SetControlTitleWithCFString(Control(ControlRole::AttachmentSizeCaption), AttachmentSizeText(total));
    SetControlTitleWithCFString(Control(ControlRole::AttachmentCountCaption), AttachmentCountText(count));
}

void CBrevantoWindow::FocusControl(ControlRef inControl)
{
    WindowRef main = GetMainWindow();
    if (main && inControl && main->focusWidget() != inControl)
        SetKeyboardFocus(main, inControl);
}

void CBrevantoWindow::UpdateViewButton()
{
    ControlRef button = Control(ControlRole::ViewButton);
    NormalizeURL();
    const QString url = mWebPageURL;
    if (url.isEmpty()) {
        DisableControl(button);
        return;
    }
    EnableControl(button);
    QString title = QStringLiteral("View");
    FSRef application;
    if (GetApplicationForURL(url, &application)) {
        const std::optional<DesktopEntry> entry = DesktopApps::ReadFile(QString::fromStdString(application.path));
        if (entry && !entry->name.isEmpty())
            title += " with " + entry->name;
    }
    SetControlTitleWithCFString(button, title);
    if (button)
        button->adjustSize();
    Draw1Control(button);
}
