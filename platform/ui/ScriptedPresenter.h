// ScriptedPresenter: the presenter of the tests. Each request takes the next queued answer,
// which must be of the same kind; every request and beep is recorded. A request with no answer
// queued (or the wrong kind next) fails at once through the failure handler - by default a
// message on stderr and abort(), so no test can pass while a dialog went unanswered; a test
// framework installs its own (e.g. ADD_FAILURE). After a failure the request answers "cancel".
// Install it with Presenter::Install. GUI thread only.
#pragma once

#include "Presenter.h"

#include <deque>
#include <vector>

class ScriptedPresenter : public Presenter {
public:
    enum class Kind { alert, sheet, chooseOneFile, chooseFiles, saveFile, openFile, saveChanges, chooseFolder, chooseFont };

    struct Request {
        Kind kind;
        QString message;     // alert and sheet message, chooser title or message, document name, font
        QString explanation; // alert and sheet explanation, chooser prompt or start folder
        AlertKind alertKind = AlertKind::note;
        AlertButtons buttons = AlertButtons::ok;
        OSType fileType = 0;
        WindowRef parent = nullptr;
    };

    ScriptedPresenter();
    ~ScriptedPresenter() override;

    void QueueAlert(SInt16 inButton);
    void QueueSheet(CommandT inCommand);
    void QueueChooseOneFile(std::optional<QString> inPath);
    void QueueChooseFiles(std::optional<QStringList> inPaths);
    void QueueSaveFile(std::optional<QString> inPath, bool inReplacing);
    void QueueOpenFile(std::optional<QString> inPath);
    void QueueSaveChanges(SaveChangesAnswer inAnswer);
    void QueueChooseFolder(std::optional<QString> inFolder);
    void QueueChooseFont(std::optional<QFont> inFont);

    const std::vector<Request>& Requests() const { return mRequests; }
    int Beeps() const { return mBeeps; }
    size_t PendingAnswers() const { return mAnswers.size(); }

    void SetFailureHandler(std::function<void(const QString& inMessage)> inHandler);

    void Beep() override;
    SInt16 ShowAlert(AlertKind inKind, const QString& inMessage, const QString& inExplanation,
                     AlertButtons inButtons) override;
    void ShowAlertSheet(WindowRef inParent, AlertKind inKind, const QString& inMessage, const QString& inExplanation,
                        AlertButtons inButtons, SheetHandler inHandler) override;
    bool ChooseOneFile(OSType inFileType, QString* outPath) override;
    std::optional<QStringList> ChooseFiles(const QString& inMessage, const QString& inStartFolder) override;
    std::optional<QString> AskSaveFile(const QString& inTitle, const QString& inDefaultName,
                                       bool* outReplacing) override;
    std::optional<QString> AskOpenFile(const QString& inTitle, const QString& inPrompt, OSType inFileType,
                                       const QString& inFolder) override;
    SaveChangesAnswer AskSaveChanges(WindowRef inParent, const QString& inDocumentName) override;
    std::optional<QString> ChooseFolder(const QString& inTitle, const QString& inStartFolder) override;
    std::optional<QFont> ChooseFont(WindowRef inParent, const QFont& inInitial) override;

private:
    struct Answer {
        Kind kind;
        SInt16 button = kAlertStdAlertCancelButton;
        CommandT command = kSheetCancelCommand;
        std::optional<QStringList> paths {};
        bool replacing = false;
        SaveChangesAnswer save = SaveChangesAnswer::cancel;
        std::optional<QFont> font {};
    };

    // Records the request and takes its answer; a failure gives a cancelling answer.
    Answer Take(const Request& inRequest);

    std::deque<Answer> mAnswers;
    std::vector<Request> mRequests;
    int mBeeps = 0;
    std::function<void(const QString&)> mFailure;
    Presenter* mPrevious;
};
