// AppleScriptRunner: the program's two script runners. Script text (message script blocks and
// the like) goes to the scripting engine (ScriptEngine), which this system does not have: every
// compile fails, so the caller gets the error code and "Script error: the script contains an
// error.", and the source is logged to standard error. Bundle scripts (the mail-program
// queries) run as executables through ScriptRunner; their output is the result: NUL bytes
// separate the items of a list, joined here with ", ", otherwise the text less one trailing
// newline, after which the "Ping" sound plays. Revealing an item goes to the file manager
// (Launcher), the path travelling only as data.
// The last error text and result codes are program-wide; GUI thread or cooperative threads,
// one script at a time.
#pragma once

#include "AliasRecord.h"
#include "CText.h"
#include "FSRef.h"
#include "MacTypes.h"
#include "ScriptEngine.h"

#include <QString>

#include <functional>

void OpenScriptingComponent();
OSErr RunAppleScript(const CText& source, CText& result);
OSErr CompileScript(const CText& source, ScriptID* script);
OSErr ExecuteScript(ScriptID script, ScriptID* result);
OSErr GetScriptResultText(ScriptID result, CText& text);
void DisposeScript(ScriptID id);
// The text of the last failure ("Script error: ...").
const CText& GetScriptErrorText();
// There is no component to list; nothing happens.
void ListScriptingComponents();

// The result of the bundle script `name`, or null.
QString RunResourceAppleScript(const QString& name);

// Shows the item in the file manager: fnfErr (-43) when it is missing, else 0.
OSErr RevealInFinder(const FSRef& item);
OSErr RevealAliasInFinder(AliasHandle alias);

// The "Ping" sound that follows a single-text bundle result (tests replace it).
void SetPingSound(std::function<void()> ping);
