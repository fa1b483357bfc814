// ScriptEngine: compiles and runs script source text, standing in for the system's scripting
// component. This system has no engine for such text: the default one refuses every compile
// (kNoScriptEngineErr), so callers take their compile-failure path. Tests install a scripted
// engine to reach the other paths. Script and result ids are the engine's own numbers.
// GUI thread or cooperative threads.
#pragma once

#include "MacTypes.h"

#include <QByteArray>
#include <QString>

using ScriptID = UInt32;

class ScriptEngine {
public:
    static constexpr OSErr kNoScriptEngineErr = -1750;

    virtual ~ScriptEngine() = default;

    virtual OSErr Compile(const QByteArray& source, ScriptID* script);
    // On failure `message` (may be null) receives the engine's error message, when it has one.
    virtual OSErr Execute(ScriptID script, ScriptID* result, QString* message);
    virtual OSErr Display(ScriptID result, QString* text);
    virtual void Dispose(ScriptID id);

    static ScriptEngine& Current();
    // Installs `engine` (not owned; null restores the default).
    static void Install(ScriptEngine* engine);
};
