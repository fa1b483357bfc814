#include "ScriptedPresenter.h"

#include <cstdio>
#include <cstdlib>

namespace {
const char* NameOf(ScriptedPresenter::Kind inKind)
{
    switch (inKind) {
    case ScriptedPresenter::Kind::alert: return "alert";
    case ScriptedPresenter::Kind::sheet: return "sheet";
    case ScriptedPresenter::Kind::chooseOneFile: return "choose-one-file";
    case ScriptedPresenter::Kind::chooseFiles: return "choose-files";
    case ScriptedPresenter::Kind::saveFile: return "save-file";
    case ScriptedPresenter::Kind::openFile: return "open-file";
    case ScriptedPresenter::Kind::chooseFolder: return "choose-folder";
    case ScriptedPresenter::Kind::saveChanges: return "save-changes";
    case ScriptedPresenter::Kind::chooseFont: return "choose-font";
    }
    return "?";
}

ScriptedPresenter::Request MakeRequest(ScriptedPresenter::Kind inKind, const QString& inMessage,
                                       const QString& inExplanation)
{
    ScriptedPresenter::Request request;
    request.kind = inKind;
    request.message = inMessage;
    request.explanation = inExplanation;
    return request;
}
} // namespace

ScriptedPresenter::ScriptedPresenter()
    : mPrevious(Presenter::Install(this))
{
}

ScriptedPresenter::~ScriptedPresenter()
{
    if (&Presenter::Get() == this)
        Presenter::Install(mPrevious);
}

void ScriptedPresenter::SetFailureHandler(std::function<void(const QString&)> inHandler)
{
    mFailure = std::move(inHandler);
}

ScriptedPresenter::Answer ScriptedPresenter::Take(const Request& inRequest)
{
    mRequests.push_back(inRequest);
    if (!mAnswers.empty() && mAnswers.front().kind == inRequest.kind) {
        Answer answer = mAnswers.front();
        mAnswers.pop_front();
        return answer;
    }
    const QString message = QStringLiteral("unscripted %1 request: \"%2\" (next answer: %3)")
                                .arg(QLatin1String(NameOf(inRequest.kind)), inRequest.message,
                                     mAnswers.empty() ? QStringLiteral("none")
                                                      : QLatin1String(NameOf(mAnswers.front().kind)));
    if (mFailure) {
        mFailure(message);
    } else {
        std::fprintf(stderr, "ScriptedPresenter: %s\n", message.toUtf8().constData());
        std::abort();
    }
    Answer cancelling;
    cancelling.kind = inRequest.kind;
    return cancelling;
}

void ScriptedPresenter::QueueAlert(SInt16 inButton)
{
    Answer answer{Kind::alert};
    answer.button = inButton;
    mAnswers.push_back(answer);
}

void ScriptedPresenter::QueueSheet(CommandT inCommand)
{
    Answer answer{Kind::sheet};
    answer.command = inCommand;
    mAnswers.push_back(answer);
}

void ScriptedPresenter::QueueChooseOneFile(std::optional<QString> inPath)
{
    Answer answer{Kind::chooseOneFile};
    if (inPath)
        answer.paths = QStringList{*inPath};
    mAnswers.push_back(answer);
}

void ScriptedPresenter::QueueChooseFiles(std::optional<QStringList> inPaths)
{
    Answer answer{Kind::chooseFiles};
    answer.paths = std::move(inPaths);
    mAnswers.push_back(answer);
}

void ScriptedPresenter::QueueSaveFile(std::optional<QString> inPath, bool inReplacing)
{
    Answer answer{Kind::saveFile};
    if (inPath)
        answer.paths = QStringList{*inPath};
    answer.replacing = inReplacing;
    mAnswers.push_back(answer);
}

void ScriptedPresenter::QueueChooseFolder(std::optional<QString> inFolder)
{
    Answer answer{Kind::chooseFolder};
    if (inFolder)
        answer.paths = QStringList{*inFolder};
    mAnswers.push_back(answer);
}

void ScriptedPresenter::QueueOpenFile(std::optional<QString> inPath)
{
    Answer answer{Kind::openFile};
    if (inPath)
        answer.paths = QStringList{*inPath};
    mAnswers.push_back(answer);
}

void ScriptedPresenter::QueueSaveChanges(SaveChangesAnswer inAnswer)
{
    Answer answer{Kind::saveChanges};
    answer.save = inAnswer;
    mAnswers.push_back(answer);
}

void ScriptedPresenter::QueueChooseFont(std::optional<QFont> inFont)
{
    Answer answer{Kind::chooseFont};
    answer.font = std::move(inFont);
    mAnswers.push_back(answer);
}

void ScriptedPresenter::Beep() { ++mBeeps; }

SInt16 ScriptedPresenter::ShowAlert(AlertKind inKind, const QString& inMessage, const QString& inExplanation,
                                    AlertButtons inButtons)
{
    Request request = MakeRequest(Kind::alert, inMessage, inExplanation);
    request.alertKind = inKind;
    request.buttons = inButtons;
    return Take(request).button;
}

void ScriptedPresenter::ShowAlertSheet(WindowRef inParent, AlertKind inKind, const QString& inMessage,
                                       const QString& inExplanation, AlertButtons inButtons, SheetHandler inHandler)
{
    Request request = MakeRequest(Kind::sheet, inMessage, inExplanation);
    request.alertKind = inKind;
    request.buttons = inButtons;
    request.parent = inParent;
    const Answer answer = Take(request);
    if (inHandler)
        inHandler(answer.command);
}

bool ScriptedPresenter::ChooseOneFile(OSType inFileType, QString* outPath)
{
    Request request = MakeRequest(Kind::chooseOneFile, QString(), QString());
    request.fileType = inFileType;
    const Answer answer = Take(request);
    const bool nothing = !answer.paths || answer.paths->isEmpty();
    if (outPath)
        *outPath = nothing ? QString() : answer.paths->first();
    return nothing;
}

std::optional<QStringList> ScriptedPresenter::ChooseFiles(const QString& inMessage, const QString& inStartFolder)
{
    return Take(MakeRequest(Kind::chooseFiles, inMessage, inStartFolder)).paths;
}

std::optional<QString> ScriptedPresenter::AskSaveFile(const QString& inTitle, const QString& inDefaultName,
                                                      bool* outReplacing)
{
    const Answer answer = Take(MakeRequest(Kind::saveFile, inTitle, inDefaultName));
    if (outReplacing)
        *outReplacing = answer.paths && answer.replacing;
    if (!answer.paths || answer.paths->isEmpty())
        return std::nullopt;
    return answer.paths->first();
}

std::optional<QString> ScriptedPresenter::AskOpenFile(const QString& inTitle, const QString& inPrompt,
                                                      OSType inFileType, const QString&)
{
    Request request = MakeRequest(Kind::openFile, inTitle, inPrompt);
    request.fileType = inFileType;
    const Answer answer = Take(request);
    if (!answer.paths || answer.paths->isEmpty())
        return std::nullopt;
    return answer.paths->first();
}

std::optional<QString> ScriptedPresenter::ChooseFolder(const QString& inTitle, const QString& inStartFolder)
{
    const Answer answer = Take(MakeRequest(Kind::chooseFolder, inTitle, inStartFolder));
    if (!answer.paths || answer.paths->isEmpty())
        return std::nullopt;
    return answer.paths->first();
}

SaveChangesAnswer ScriptedPresenter::AskSaveChanges(WindowRef inParent, const QString& inDocumentName)
{
    Request request = MakeRequest(Kind::saveChanges, inDocumentName, QString());
    request.parent = inParent;
    return Take(request).save;
}

std::optional<QFont> ScriptedPresenter::ChooseFont(WindowRef inParent, const QFont& inInitial)
{
    Request request = MakeRequest(Kind::chooseFont, inInitial.toString(), QString());
    request.parent = inParent;
    return Take(request).font;
}
