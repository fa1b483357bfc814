// What a mailing window remembers outside its content: its layout and list states, written into
// its own document file at close, and its choices, written to the preferences at close and
// taken by every new window.
#include "CBrevantoWindow.h"

#include "CFPropertyList.h"
#include "CFPropertyListReader.h"
#include "CFPropertyListWriter.h"
#include "ControlValues.h"
#include "DataBrowser.h"
#include "Drawer.h"
#include "PreferenceGetters.h"
#include "Preferences.h"
#include "WholeFileWrite.h"
#include "WindowAttributes.h"
#include "WindowBoundsData.h"

#include <QFileInfo>

namespace {

void WritePreferenceNumber(const char* inKey, SInt32 inValue)
{
    SetPreference(QByteArray::number(SInt16(inValue)).constData(), CString256(inKey));
}

void WriteControlValue(const char* inKey, ControlRef inControl)
{
    if (inControl)
        WritePreferenceNumber(inKey, GetControl32BitValue(inControl));
}

void WriteControlText(const char* inKey, ControlRef inControl)
{
    if (inControl)
        SetPreference(GetControlText(inControl).toUtf8().constData(), CString256(inKey));
}

bool HasPreference(const char* inKey) { return GetPreference(CString256(inKey)) != nullptr; }

// A present key sets the control's value; true when it was present.
bool ReadControlValue(const char* inKey, ControlRef inControl)
{
    if (!HasPreference(inKey))
        return false;
    SetControl32BitValue(inControl, SInt32(ReadNumber(inKey, 0)));
    return true;
}

void ReadControlText(const char* inKey, ControlRef inControl)
{
    if (std::unique_ptr<char[]> text = GetPreference(CString256(inKey)))
        SetControlText(inControl, QString::fromUtf8(text.get()));
}

CFPropertyList BrowserState(ControlRef inList)
{
    auto* browser = qobject_cast<DataBrowser*>(inList);
    return browser ? browser->GetUserState() : CFPropertyList();
}

} // namespace

// The document's dictionary gets the keys inFill sets and replaces the file atomically; a window
// without a document, a read-only or vanished file, or a file that is not a dictionary is left
// alone. These keys do not count as an edit.
bool CBrevantoWindow::WriteIntoDocument(const std::function<void(CFPropertyList::Dictionary&)>& inFill)
{
    if (mDocumentPath.isEmpty())
        return false;
    const QFileInfo info(mDocumentPath);
    // A read-only document stays as it is, even for a user the system lets write anyway.
    if (!info.isFile() || !info.isWritable() || !(info.permissions() & QFile::WriteOwner))
        return false;
    std::string bytes;
    if (ReadWholeFileBytes(mDocumentPath.toStdString(), &bytes) != noErr)
        return false;
    QString error;
    const CFPropertyList document =
        CFPropertyListReader::Read(QByteArrayView(bytes.data(), qsizetype(bytes.size())), &error);
    if (!error.isEmpty() || !document.IsDictionary())
        return false;
    CFPropertyList::Dictionary dictionary = document.ToDictionary();
    inFill(dictionary);
    const QByteArray data = CFPropertyListWriter::Write(CFPropertyList(dictionary), &error);
    if (!error.isEmpty())
        return false;
    return WriteWholeFileAtomically(mDocumentPath.toStdString(), data.constData(), size_t(data.size()),
                                    WholeFileMode::ExistingOnly) == noErr;
}

void CBrevantoWindow::SaveBrowserStates()
{
    WriteIntoDocument([this](CFPropertyList::Dictionary& ioDocument) {
        const std::pair<const char*, ControlRole> lists[] = {
            {"AttachmentsDB", ControlRole::AttachmentsList},
            {"RecipientsDB", ControlRole::RecipientsList},
            {"DeliveredRecipientsDB", ControlRole::DeliveredList},
        };
        for (const auto& [key, role] : lists) {
            const CFPropertyList state = BrowserState(Control(role));
            if (!state.IsNull())
                ioDocument.insert(QString::fromLatin1(key), state);
        }
    });
}

void CBrevantoWindow::SaveWindowLayout()
{
    WriteIntoDocument([this](CFPropertyList::Dictionary& ioDocument) {
        const auto putBounds = [&ioDocument](const char* inKey, WindowRef inWindow) {
            if (inWindow)
                ioDocument.insert(QString::fromLatin1(inKey),
                                  CFPropertyList(BoundsData(WindowAttributes::GetContentBounds(inWindow))));
        };
        putBounds("WindowBounds", GetMainWindow());
        if (WindowRef drawer = Window(ENibWindow::drawer)) {
            putBounds("AttachmentsDrawerBounds", drawer);
            ioDocument.insert("AttachmentsDrawerOpen", CFPropertyList(Drawer::GetDrawerState(drawer) == kWindowDrawerOpen));
            ioDocument.insert("AttachmentsDrawerUseBinhex",
                              CFPropertyList(GetControl32BitValue(Control(ControlRole::BinHexCheckBox)) == 1));
            ioDocument.insert("AttachmentsDrawerAttachmentsDisposition",
                              CFPropertyList(int(SInt16(GetControl32BitValue(Control(ControlRole::DispositionPopup))))));
        }
        putBounds("RecipientsSheetBounds", Window(ENibWindow::recipients));
        putBounds("PlainTextAlternativeSheetBounds", Window(ENibWindow::plainTextAlternative));
        putBounds("PreambleSheetBounds", Window(ENibWindow::preamble));
        putBounds("EpilogueSheetBounds", Window(ENibWindow::epilogue));
        putBounds("ProgressSheetBounds", Window(ENibWindow::progress));
    });
}

void CBrevantoWindow::SaveWindowDefaults()
{
    SaveServerDefaults(true);
    WriteControlValue(kDefaultCharsetKey, Control(ControlRole::CharsetPopup));
    WriteControlValue(kFromMeAtKey, Control(ControlRole::FromMeAtPopup));
    WriteControlValue(kGroupKey, Control(ControlRole::GroupPopup));
    WriteControlValue(kAddressTypeKey, Control(ControlRole::AddressTypePopup));
    WriteControlValue(kSenderAddressTypeKey, Control(ControlRole::SenderAddressTypePopup));
    WriteControlValue(kOtherOptionsAddressTypeKey, Control(ControlRole::OptionsAddressTypePopup));
    WriteControlValue(kAddRecipientAddressTypeKey, Control(ControlRole::AddAddressTypePopup));
    WriteControlValue(kAuthenticationTypeKey, Control(ControlRole::AuthenticationPopup));
    WriteControlValue(kSSLAuthenticationTypeKey, Control(ControlRole::SecureAuthenticationPopup));
    WritePreferenceNumber(kUseSSLKey, 1);
    WriteControlValue(kUseOrganizationKey, Control(ControlRole::UseOrganizationCheckBox));
    WriteControlValue(kImageHTMLKey, Control(ControlRole::ImageHTMLCheckBox));
    WriteControlValue(kUseBinhexKey, Control(ControlRole::BinHexCheckBox));
    WriteControlValue(kAttachmentsDispositionKey, Control(ControlRole::DispositionPopup));
    WriteControlText(kMyNameKey, Control(ControlRole::SenderNameField));
    WriteControlText(kMyEmailKey, Control(ControlRole::SenderEmailField));
    WritePreferenceNumber(kRecipientsTabValueKey, mRecipientsTab);
    WritePreferenceNumber(kSenderTabValueKey, mSenderTab);
}

// A new window without a document starts from the remembered choices; an absent key leaves
// the control as the nib has it.
void CBrevantoWindow::ApplyWindowDefaults()
{
    ReadControlText(kMailServerKey, Control(ControlRole::ServerField));
    ReadControlText(kMailServerUsernameKey, Control(ControlRole::UserNameField));
    QString password;
    if (GetServerPassword(GetServerName(), GetUserName(), &password) == noErr)
        SetControlText(Control(ControlRole::PasswordField), password);
    ReadControlText(kMailServerPortKey, Control(ControlRole::PortField));
    ReadControlText(kMailServerPopPeriodKey, Control(ControlRole::PopPeriodField));
    if (ReadControlValue(kFromMeAtKey, Control(ControlRole::FromMeAtPopup)))
        UpdateSenderCaption(true);
    if (ReadControlValue(kUseOrganizationKey, Control(ControlRole::UseOrganizationCheckBox))) {
        mUseOrganization = GetControl32BitValue(Control(ControlRole::UseOrganizationCheckBox)) == 1;
        UpdateSenderCaption(true);
    }
    if (ReadControlValue(kImageHTMLKey, Control(ControlRole::ImageHTMLCheckBox)))
        mImageHTML = GetControl32BitValue(Control(ControlRole::ImageHTMLCheckBox)) == 1;
    ReadControlValue(kUseBinhexKey, Control(ControlRole::BinHexCheckBox));
    ReadControlValue(kAttachmentsDispositionKey, Control(ControlRole::DispositionPopup));
    if (ReadControlValue(kGroupKey, Control(ControlRole::GroupPopup)))
        ApplyGroupSelection();
    ReadControlValue(kAddressTypeKey, Control(ControlRole::AddressTypePopup));
    ReadControlValue(kSenderAddressTypeKey, Control(ControlRole::SenderAddressTypePopup));
    ReadControlValue(kOtherOptionsAddressTypeKey, Control(ControlRole::OptionsAddressTypePopup));
    ReadControlValue(kAddRecipientAddressTypeKey, Control(ControlRole::AddAddressTypePopup));
    if (ReadControlValue(kAuthenticationTypeKey, Control(ControlRole::AuthenticationPopup))) {
        const SInt32 type = GetControl32BitValue(Control(ControlRole::AuthenticationPopup));
        ShowPopBeforeSmtpControls(type == 4 || type == 5);
    }
    ReadControlValue(kSSLAuthenticationTypeKey, Control(ControlRole::SecureAuthenticationPopup));
    if (HasPreference(kUseSSLKey))
        TurnOnSSL();
    ReadControlText(kMyNameKey, Control(ControlRole::SenderNameField));
    ReadControlText(kMyEmailKey, Control(ControlRole::SenderEmailField));
    if (HasPreference(kRecipientsTabValueKey)) {
        mRecipientsTab = SInt32(ReadNumber(kRecipientsTabValueKey, 1));
        SelectRecipientsTab(mRecipientsTab);
    }
    if (HasPreference(kSenderTabValueKey)) {
        mSenderTab = SInt32(ReadNumber(kSenderTabValueKey, 1));
        SelectSenderTab(mSenderTab);
    }
}
