// Choosing and showing the mailing's message source: the View command, a chosen file, the
// message selected in Mail, the front browser page, and the side-text editors with the window
// titles that follow the document's name.
#include "CBrevantoWindow.h"

#include "AppleScriptRunner.h"
#include "CInternetConfig.h"
#include "ControlValues.h"
#include "FileNameStrings.h"
#include "HelpLinks.h"
#include "Launcher.h"
#include "MenuBar.h"
#include "NetworkChecks.h"
#include "PreferenceGetters.h"
#include "Presenter.h"
#include "SheetController.h"
#include "SideTextEditorRoles.h"
#include "WholeFileWrite.h"
#include "WindowEvents.h"
#include "WindowUtilities.h"
#include "WorkingFolders.h"

#include <QFileInfo>
#include <QStringDecoder>
#include <QUrl>

namespace {

constexpr OSType kProgramSignature = 'bvto';

// A file's text: by its byte-order mark, else UTF-8 when it is valid, else ISO Latin 1.
QString DecodeFileText(const std::string& inBytes)
{
    const QByteArray bytes = QByteArray::fromStdString(inBytes);
    if (std::optional<QStringConverter::Encoding> marked = QStringConverter::encodingForData(bytes);
        marked && bytes.size() >= 2 &&
        (bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))) {
        QStringDecoder decoder(*marked);
        return decoder(bytes);
    }
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes);
}

// The text between the first two double quotes; empty when there are not two.
QString BetweenFirstQuotes(const QString& inText)
{
    const qsizetype first = inText.indexOf('"');
    const qsizetype second = first < 0 ? -1 : inText.indexOf('"', first + 1);
    return second < 0 ? QString() : inText.mid(first + 1, second - first - 1);
}

// The result text of a script source, or null when it fails.
QString RunScriptText(const CText& inSource)
{
    CText result;
    if (RunAppleScript(inSource, result) != noErr)
        return {};
    return QString::fromUtf8(result.buffer ? result.buffer : "", result.length);
}

} // namespace

Boolean CBrevantoWindow::GetSetSubjectToFilename() { return ReadFalseRuleFlag(kSetSubjectToFilenameKey, true); }

Boolean CBrevantoWindow::GetSetSubjectToTitle() { return ReadFalseRuleFlag(kSetSubjectToTitleKey, true); }

void CBrevantoWindow::ViewMessageSource()
{
    ControlRef field = Control(ControlRole::SourceField);
    if (!NormalizeURL()) {
        FocusControl(field);
        ShowAlertSheet("The web page url or file path is empty.", QString());
        return;
    }
    QString url = mWebPageURL;
    if (url.startsWith('/')) {
        url = QUrl::fromLocalFile(url).toString(QUrl::FullyEncoded);
    } else if (!url.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) &&
               !url.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)) {
        FocusControl(field);
        ShowAlertSheet("The web page url or file path is not correctly specified.", QString());
        return;
    }
    CInternetConfig session(kProgramSignature);
    OSStatus error = session.Start();
    if (error == noErr)
        error = session.LaunchURL(url.toUtf8().constData());
    if (error != noErr) {
        FocusControl(field);
        ShowAlertSheet("An error occurred when trying to view the web page or file.", QString());
    }
}

void CBrevantoWindow::ChooseMessageFile()
{
    QString path;
    if (!Presenter::Get().ChooseOneFile(0, &path) && !path.isEmpty()) {
        path = QFileInfo(path).absoluteFilePath();
        SetWebPageURLText(path);
        if (GetSetSubjectToFilename()) {
            std::string bytes;
            QString subject;
            if (ReadWholeFileBytes(path.toStdString(), &bytes) == noErr)
                subject = ExtractBetweenPattern(DecodeFileText(bytes), QStringLiteral("<title>"),
                                                QStringLiteral("</title>"));
            if (subject.isEmpty())
                subject = QFileInfo(path).fileName();
            SetControlText(Control(ControlRole::SubjectField), subject);
        }
    }
    Draw1Control(Control(ControlRole::SourceField));
    Draw1Control(Control(ControlRole::SubjectField));
    UpdateViewButton();
}

void CBrevantoWindow::ChooseAttachmentPathFile(OSType inFileType)
{
    QString path;
    if (Presenter::Get().ChooseOneFile(inFileType, &path) || path.isEmpty())
        return;
    SetControlText(Control(ControlRole::AttachmentPathField), QFileInfo(path).absoluteFilePath());
}

void CBrevantoWindow::LoadMailMessageSource()
{
    const QString subject = RunResourceAppleScript(QStringLiteral("MailSubject"));
    if (subject.isNull()) {
        ShowAlertSheet("The subject of the message could not be retrieved. Make sure a message is selected in Mail.",
                       QString());
        return;
    }
    SetControlText(Control(ControlRole::SubjectField), subject);
    const QString source = RunResourceAppleScript(QStringLiteral("MailSource"));
    if (source.isNull()) {
        ShowAlertSheet("The source of the message could not be retrieved. Make sure a message is selected in Mail.",
                       QString());
        return;
    }
    // The subject names the file: made safe, so "Q3/Q4" neither fails nor writes elsewhere.
    FSRef file;
    if (!WriteStringToFile(source, CleanForFilename(subject) + QStringLiteral(".eml"), &file)) {
        ShowAlertSheet("The source could not be saved to disk.", QString());
        return;
    }
    if (file.path.empty()) {
        ShowAlertSheet("The source path to the eml file could not be generated.", QString());
        return;
    }
    SetWebPageURLText(QString::fromStdString(file.path));
    Draw1Control(Control(ControlRole::SourceField));
    UpdateViewButton();
}

void CBrevantoWindow::LoadFrontBrowserURL()
{
    CText titleScript;
    CText urlScript;
    if (GetFrontBrowserScripts(titleScript, urlScript) != noErr) {
        ShowAlertSheet("A supported browser may not be running.",
                       "Brevanto can load the front page of these browsers: Safari, FireFox, OmniWeb, Flock, Camino, "
                       "Opera and Google Chrome.");
        return;
    }
    const QString url = BetweenFirstQuotes(RunScriptText(urlScript));
    if (url.isEmpty()) {
        ShowAlertSheet("The URL could not be copied.",
                       "Please make sure that your browser has its frontmost window opened to the desired URL.");
        return;
    }
    ControlRef field = Control(ControlRole::SourceField);
    SetWebPageURLText(url);
    FocusControl(field);
    if (GetSetSubjectToTitle()) {
        QString title = titleScript.length > 0 ? BetweenFirstQuotes(RunScriptText(titleScript)) : QString();
        if (title.isEmpty())
            title = GetURLTitle(url);
        if (!title.isEmpty())
            SetControlText(Control(ControlRole::SubjectField), title);
    }
    Draw1Control(field);
    Draw1Control(Control(ControlRole::SubjectField));
    UpdateViewButton();
}

void CBrevantoWindow::ShowPlainTextAlternativeEditor() { ShowEditor(0); }

void CBrevantoWindow::ShowPreambleEditor() { ShowEditor(1); }

void CBrevantoWindow::ShowEpilogueEditor() { ShowEditor(2); }

void CBrevantoWindow::ShowEditor(int inEditor)
{
    const SideTextEditorRoles& roles = kSideTextEditors[inEditor];
    WindowRef editor = Window(roles.window);
    if (!editor)
        return;
    const bool addressBook = GetControl32BitValue(Control(ControlRole::RecipientsTabs)) == 1;
    SetControlVisibility(Control(roles.addressBookTagPullDown), addressBook, true);
    if (mEditorsAreSheets) {
        SheetController::ShowSheetWindow(editor, GetMainWindow());
    } else {
        editor->show();
        editor->raise();
        editor->activateWindow();
    }
    ControlRef pane = Control(roles.pane);
    if (mEditorTextNotLoaded[inEditor]) {
        if (!mEditorStoredText[inEditor].isNull())
            SetControlText(pane, mEditorStoredText[inEditor]);
        SetKeyboardFocus(editor, pane);
        mEditorTextNotLoaded[inEditor] = 0;
    }
    MenuBar::Get().UpdateAllStatus();
}

void CBrevantoWindow::SetEditorTitles()
{
    if (mDocumentPath.isEmpty())
        return;
    const QString name = QFileInfo(mDocumentPath).fileName();
    if (WindowRef main = GetMainWindow())
        main->setWindowTitle(name);
    for (const SideTextEditorRoles& roles : kSideTextEditors) {
        if (WindowRef editor = Window(roles.window))
            editor->setWindowTitle(QString::fromLatin1(roles.titleFormat).arg(name));
    }
}

// The editors' buttons: OK keeps the pane's text, Cancel puts the kept text back, Clear empties
// both; Spelling finds the next misspelled word. Their tools answer the rest.
OSStatus CBrevantoWindow::HandleEditorEvent(int inEditor, const WindowEvent& inEvent)
{
    if (inEvent.kind == WindowEventKind::rawKeyDown)
        return HandleEditorKey(inEditor, inEvent);
    if (inEvent.kind != WindowEventKind::commandProcess)
        return eventNotHandledErr;
    const SideTextEditorRoles& roles = kSideTextEditors[inEditor];
    ControlRef pane = Control(roles.pane);
    const auto hide = [&] {
        WindowRef editor = Window(roles.window);
        if (mEditorsAreSheets)
            SheetController::HideSheetWindow(editor);
        else if (editor)
            editor->hide();
        MenuBar::Get().UpdateAllStatus();
    };
    switch (inEvent.command) {
    case 'ok  ':
        hide();
        mEditorStoredText[inEditor] = GetControlText(pane);
        return noErr;
    case 'not!':
        hide();
        SetControlText(pane, mEditorStoredText[inEditor].isNull() ? QString("") : mEditorStoredText[inEditor]);
        return noErr;
    case 'clea':
        mEditorStoredText[inEditor] = QString("");
        SetControlText(pane, QString(""));
        return noErr;
    case 'SPEL':
        CheckEditorSpelling(pane);
        return noErr;
    case 'HELP':
        Launcher::Current().Open(HelpFolderURL(inEditor == 0 ? QStringLiteral("PlainTextAlternative.html")
                                                             : QStringLiteral("Preamble.html")));
        return noErr;
    default:
        return ObeyEditorTool(inEditor, inEvent);
    }
}

OSStatus CBrevantoWindow::HandlePlainTextAlternativeEvent(WindowEvent& ioEvent) { return HandleEditorEvent(0, ioEvent); }

OSStatus CBrevantoWindow::HandlePreambleSheetEvent(WindowEvent& ioEvent) { return HandleEditorEvent(1, ioEvent); }

OSStatus CBrevantoWindow::HandleEpilogueSheetEvent(WindowEvent& ioEvent) { return HandleEditorEvent(2, ioEvent); }
