#include "ScriptEngine.h"

namespace {

ScriptEngine*& Installed()
{
    static ScriptEngine* engine = nullptr;
    return engine;
}

} // namespace

OSErr ScriptEngine::Compile(const QByteArray&, ScriptID*)
{
    return kNoScriptEngineErr;
}

OSErr ScriptEngine::Execute(ScriptID, ScriptID*, QString*)
{
    return kNoScriptEngineErr;
}

OSErr ScriptEngine::Display(ScriptID, QString*)
{
    return kNoScriptEngineErr;
}

void ScriptEngine::Dispose(ScriptID)
{
}

ScriptEngine& ScriptEngine::Current()
{
    static ScriptEngine none;
    ScriptEngine* installed = Installed();
    return installed ? *installed : none;
}

void ScriptEngine::Install(ScriptEngine* engine)
{
    Installed() = engine;
}
