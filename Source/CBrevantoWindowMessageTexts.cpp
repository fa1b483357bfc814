// The mailing window's texts as the message and the document take them: the side texts
// (plain-text alternative, preamble, epilogue) as their editors hold them, the web-page address
// made whole, the server fields kept as the defaults of new windows, and the
// status line of the progress sheet.
#include "CBrevantoWindow.h"

#include "ControlValues.h"
#include "EventPass.h"
#include "LThread.h"
#include "PreferenceGetters.h"
#include "Preferences.h"
#include "SheetController.h"

#include <QRegularExpression>

namespace {

// The editors' panes in ESideText order.
const ControlRole kSideTextPanes[] = {
    ControlRole::PlainTextAlternativeTextPane,
    ControlRole::PreambleTextPane,
    ControlRole::EpilogueTextPane,
};

void WriteTextPreference(const char* inKey, const QString& inText)
{
    SetPreference(inText.toUtf8().constData(), CString256(inKey));
}

} // namespace

// An editor not shown yet holds nothing: its text is the one waiting to be put into it.
QString CBrevantoWindow::GetSideText(ESideText inWhich) const
{
    const int index = int(inWhich);
    if (mEditorTextNotLoaded[index])
        return mEditorStoredText[index].isNull() ? QString("") : mEditorStoredText[index];
    return GetControlText(Control(kSideTextPanes[index]));
}

void CBrevantoWindow::SetSideText(ESideText inWhich, const QString& inText)
{
    const int index = int(inWhich);
    mEditorStoredText[index] = inText;
    if (!mEditorTextNotLoaded[index])
        SetControlText(Control(kSideTextPanes[index]), inText);
}

// An address with a scheme (any, so that a wrong one can still be told) or a file path stays as
// typed; one without gets "http://" in front.
Boolean CBrevantoWindow::NormalizeURL()
{
    ControlRef field = Control(ControlRole::SourceField);
    mWebPageURL = GetControlText(field).trimmed();
    if (mWebPageURL.isEmpty())
        return false;
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    if (!mWebPageURL.startsWith('/') && !scheme.match(mWebPageURL).hasMatch()) {
        mWebPageURL.prepend(QStringLiteral("http://"));
        SetControlText(field, mWebPageURL);
    }
    return true;
}

void CBrevantoWindow::SetWebPageURLText(const QString& inURL)
{
    SetControlText(Control(ControlRole::SourceField), inURL);
    UpdateViewButton(); // View follows the field's content, also when code fills it
}

Boolean CBrevantoWindow::SaveServerDefaults(Boolean inStorePassword)
{
    const QString server = GetServerName();
    WriteTextPreference(kMailServerKey, server);
    WriteTextPreference(kMailServerUsernameKey, GetUserName());
    WriteTextPreference(kMailServerPortKey, GetControlText(Control(ControlRole::PortField)));
    WriteTextPreference(kMailServerPopPeriodKey, GetControlText(Control(ControlRole::PopPeriodField)));
    if (inStorePassword && !mStartedBySchedule)
        StoreServerPassword(server, GetUserName(), GetPassword());
    return !server.isEmpty();
}

void CBrevantoWindow::HideProgress()
{
    HideControl(Control(ControlRole::StatusProgress));
    SetControlTitleWithCFString(Control(ControlRole::StatusCaption), QString());
    EventPass::LetOneEventThrough();
    if (SheetController::IsSheetShown(Window(ENibWindow::progress)))
        SetControlTitleWithCFString(Control(ControlRole::ProgressStatusCaption), QString());
}

void CBrevantoWindow::SetStatusTextAndYield(const QString& inText)
{
    if (!SheetController::IsSheetShown(Window(ENibWindow::progress)))
        return;
    ControlRef caption = Control(ControlRole::ProgressStatusCaption);
    SetControlTitleWithCFString(caption, QStringLiteral("Status: ") + inText);
    Draw1Control(caption);
    LThread::Yield();
}
