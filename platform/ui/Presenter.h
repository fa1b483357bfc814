// Presenter: every alert, asking sheet, file chooser and font chooser of the program goes
// through the one installed presenter, so tests can answer them (ScriptedPresenter) where a
// person would. The default (DialogPresenter) shows Qt dialogs. Answers keep the program's
// senses: an alert gives 1 (OK), 2 (Cancel) or -1 when it could not be shown; a sheet hands
// 'ok  ' or 'not!' to its handler as a command; ChooseOneFile answers true when nothing was
// chosen. File types are four-character codes (0 for any); Linux files carry none, so choosers
// offer every file, but for a mailing document ('Bvto') the open panel shows the "*.bvto" files.
// A modal alert shown from a cooperative thread blocks the other threads until it closes.
// GUI thread only; Install does not take ownership.
#pragma once

#include "UITypes.h"

#include <QFont>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

enum class AlertKind { stop, caution, note };
enum class AlertButtons { ok, okCancel };
enum class SaveChangesAnswer { save, dontSave, cancel };

enum : SInt16 { kAlertStdAlertOKButton = 1, kAlertStdAlertCancelButton = 2, kAlertNotShown = -1 };
enum : CommandT { kSheetOKCommand = 'ok  ', kSheetCancelCommand = 'not!' };

class Presenter {
public:
    using SheetHandler = std::function<void(CommandT inCommand)>;

    virtual ~Presenter();

    static Presenter& Get();
    // Installs a presenter (null: the default); returns the one it replaces.
    static Presenter* Install(Presenter* inPresenter);

    virtual void Beep() = 0;
    virtual SInt16 ShowAlert(AlertKind inKind, const QString& inMessage, const QString& inExplanation,
                             AlertButtons inButtons) = 0;
    // Returns at once; the handler hears the answer.
    virtual void ShowAlertSheet(WindowRef inParent, AlertKind inKind, const QString& inMessage,
                                const QString& inExplanation, AlertButtons inButtons, SheetHandler inHandler) = 0;
    // True when nothing was chosen.
    virtual bool ChooseOneFile(OSType inFileType, QString* outPath) = 0;
    // Null when cancelled.
    virtual std::optional<QStringList> ChooseFiles(const QString& inMessage, const QString& inStartFolder) = 0;
    // Null when cancelled; outReplacing says whether the file exists and is to be replaced.
    virtual std::optional<QString> AskSaveFile(const QString& inTitle, const QString& inDefaultName,
                                               bool* outReplacing) = 0;
    virtual std::optional<QString> AskOpenFile(const QString& inTitle, const QString& inPrompt, OSType inFileType,
                                               const QString& inFolder) = 0;
    virtual SaveChangesAnswer AskSaveChanges(WindowRef inParent, const QString& inDocumentName) = 0;
    // A folder, starting in inStartFolder; null when cancelled.
    virtual std::optional<QString> ChooseFolder(const QString& inTitle, const QString& inStartFolder) = 0;
    // A font, starting from inInitial; null when cancelled.
    virtual std::optional<QFont> ChooseFont(WindowRef inParent, const QFont& inInitial) = 0;
};
