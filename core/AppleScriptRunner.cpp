#include "AppleScriptRunner.h"

#include "FileManager.h"
#include "Launcher.h"
#include "ScriptRunner.h"

#include <QApplication>

#include <cstdio>

namespace {

const char* const kCompileErrorText = "Script error: the script contains an error.";
const char* const kResultErrorText = "Script error: An error occurred when trying to get the script result.";

struct RunnerState {
    bool opened = false;
    OSErr lastCompileResult = noErr;
    OSErr lastExecuteResult = noErr;
    CText errorText;
    std::function<void()> ping;
};

RunnerState& State()
{
    static RunnerState state;
    return state;
}

// The system log's stand-in: standard error.
void LogToSystem(const char* heading, const CText& source)
{
    std::fprintf(stderr, "%s\n%s\n", heading, source.buffer ? source.buffer : "");
}

void Ping()
{
    if (State().ping) {
        State().ping();
        return;
    }
    QApplication::beep();
}

QByteArray SourceBytes(const CText& source)
{
    return QByteArray(source.buffer ? source.buffer : "", source.length);
}

} // namespace

void OpenScriptingComponent()
{
    State().opened = true;
}

void ListScriptingComponents()
{
}

const CText& GetScriptErrorText()
{
    return State().errorText;
}

void SetPingSound(std::function<void()> ping)
{
    State().ping = std::move(ping);
}

OSErr CompileScript(const CText& source, ScriptID* script)
{
    RunnerState& state = State();
    state.lastCompileResult = ScriptEngine::Current().Compile(SourceBytes(source), script);
    if (state.lastCompileResult != noErr)
        state.errorText.Assign(kCompileErrorText);
    return state.lastCompileResult;
}

OSErr ExecuteScript(ScriptID script, ScriptID* result)
{
    RunnerState& state = State();
    QString message;
    state.lastExecuteResult = ScriptEngine::Current().Execute(script, result, &message);
    if (state.lastExecuteResult != noErr && !message.isEmpty()) {
        state.errorText.Assign("Script error: ");
        state.errorText.AppendCFString(message);
    }
    return state.lastExecuteResult;
}

OSErr GetScriptResultText(ScriptID result, CText& text)
{
    QString display;
    const OSErr err = ScriptEngine::Current().Display(result, &display);
    if (err != noErr) {
        text.Assign(kResultErrorText);
        return err;
    }
    text.Assign("");
    text.AppendCFString(display);
    return noErr;
}

void DisposeScript(ScriptID id)
{
    ScriptEngine::Current().Dispose(id);
}

OSErr RunAppleScript(const CText& source, CText& result)
{
    OpenScriptingComponent();
    ScriptID script = 0;
    if (OSErr err = CompileScript(source, &script)) {
        result.AssignText(State().errorText);
        LogToSystem("Script compile error: ", source);
        return err;
    }
    ScriptID value = 0;
    const OSErr executed = ExecuteScript(script, &value);
    DisposeScript(script);
    if (executed != noErr) {
        result.AssignText(State().errorText);
        LogToSystem("Script execution error: ", source);
        return executed;
    }
    GetScriptResultText(value, result);
    DisposeScript(value);
    return noErr;
}

QString RunResourceAppleScript(const QString& name)
{
    const auto output = ScriptRunner::Run(name);
    if (!output || output->isEmpty())
        return {};
    if (!output->contains('\0')) {
        QString text = QString::fromUtf8(*output);
        if (text.endsWith('\n'))
            text.chop(1);
        Ping();
        return text;
    }
    QStringList items;
    for (const QByteArray& item : output->split('\0')) {
        if (!item.isEmpty())
            items += QString::fromUtf8(item);
    }
    if (items.isEmpty())
        return {};
    return items.join(", ");
}

OSErr RevealInFinder(const FSRef& item)
{
    if (item.IsEmpty() || !FSRefExists(item))
        return fnfErr;
    return Launcher::Current().Reveal(QString::fromStdString(item.path));
}

OSErr RevealAliasInFinder(AliasHandle alias)
{
    FSRef item;
    if (OSErr err = FSResolveAlias(alias, &item))
        return err;
    return RevealInFinder(item);
}
