// What the delivery side reads and writes of a mailing window, over its controls.
#include "CBrevantoWindow.h"

#include "CharsetChoice.h"
#include "ControlValues.h"
#include "DockTile.h"
#include "LThread.h"
#include "PreferenceGetters.h"
#include "Preferences.h"

QString CBrevantoWindow::GetServerName() const { return GetControlText(Control(ControlRole::ServerField)); }

QString CBrevantoWindow::GetUserName() const { return GetControlText(Control(ControlRole::UserNameField)); }

QString CBrevantoWindow::GetPassword() const { return GetControlText(Control(ControlRole::PasswordField)); }

UInt16 CBrevantoWindow::GetServerPort() const
{
    bool ok = false;
    const uint port = GetControlText(Control(ControlRole::PortField)).trimmed().toUInt(&ok);
    return ok && port <= 65535 ? UInt16(port) : 0;
}

SInt32 CBrevantoWindow::GetPopPeriod() const
{
    return SInt32(GetControlText(Control(ControlRole::PopPeriodField)).trimmed().toLong());
}

SInt16 CBrevantoWindow::GetSecureMechanismValue() const
{
    return SInt16(GetControl32BitValue(Control(ControlRole::SecureAuthenticationPopup)));
}

void CBrevantoWindow::SetSecureMechanismValue(SInt16 inValue)
{
    SetControl32BitValue(Control(ControlRole::SecureAuthenticationPopup), inValue);
}

SInt16 CBrevantoWindow::GetAuthenticationTypeValue() const
{
    return SInt16(GetControl32BitValue(Control(ControlRole::AuthenticationPopup)));
}

// The Server Settings sheet's choice, kept per server in the server list.
bool CBrevantoWindow::GetAcceptAnyCertificate() const
{
    return GetControl32BitValue(Control(ControlRole::AcceptAnyCertificateCheckBox)) == 1;
}

QString CBrevantoWindow::GetMyEmail() const { return QString::fromUtf8(mSenderAddress.text); }

// By the chosen item's text: the header and the side texts both take this name.
QString CBrevantoWindow::GetCharsetName() const
{
    ControlRef popup = Control(ControlRole::CharsetPopup);
    return MimeCharsetForItem(GetPopupItemText(popup, GetControl32BitValue(popup)), mCharsets);
}

// Popup items 1-5 are the X-Priority values; the middle one (normal) gives no header.
SInt32 CBrevantoWindow::GetPriorityValue() const
{
    ControlRef popup = Control(ControlRole::PriorityPopup);
    if (!popup || !IsControlVisible(popup))
        return 0;
    const SInt32 value = GetControl32BitValue(popup);
    return value == 3 || value < 1 || value > 5 ? 0 : value;
}

void CBrevantoWindow::ReadThrottleSettings()
{
    mThrottle = ThrottleSettings::Read();
    batchType = mThrottle.batchType;
}

// The wait lets the loop sleep between polls: a long pause costs no processor time.
void CBrevantoWindow::WaitWhilePaused()
{
    if (!pauseSend || abortSend || mCleanedUp)
        return;
    DrawDockProgress(processedCount, totalCount);
    SetStatusText(QStringLiteral("Paused"));
    LThread::WaitUntil([this] { return !pauseSend || abortSend || mCleanedUp; }, kNoDeadline);
    if (!mCleanedUp)
        SetStatusText(QString());
}
