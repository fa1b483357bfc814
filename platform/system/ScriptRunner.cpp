#include "ScriptRunner.h"

#include "CFBundle.h"
#include "ProcessRunner.h"

#include <QFileInfo>

namespace {

QString gScriptsFolder;
std::chrono::milliseconds gDeadline = ScriptRunner::kDefaultDeadline;

QString BaseName(const QString& scriptName)
{
    for (const char* suffix : {".applescript", ".scpt"}) {
        if (scriptName.endsWith(QLatin1String(suffix), Qt::CaseInsensitive))
            return scriptName.left(scriptName.size() - int(strlen(suffix)));
    }
    return scriptName;
}

} // namespace

QString ScriptRunner::ExecutableFor(const QString& scriptName)
{
    const QString name = BaseName(scriptName);
    if (name.isEmpty() || name.contains('/') || name == "." || name == "..")
        return {};
    if (!gScriptsFolder.isEmpty()) {
        const QFileInfo script(gScriptsFolder + "/" + name);
        return script.isFile() && script.isExecutable() ? script.absoluteFilePath() : QString();
    }
    return CFBundle::Main().MaterializedResourcePath(name, {}, "Scripts");
}

std::optional<QByteArray> ScriptRunner::Run(const QString& scriptName, const QStringList& arguments)
{
    const QString executable = ExecutableFor(scriptName);
    if (executable.isEmpty())
        return std::nullopt;
    const ProcessResult result = ProcessRunner::Run(executable, arguments, gDeadline);
    if (!result.Succeeded())
        return std::nullopt;
    return result.standardOutput;
}

void ScriptRunner::SetScriptsFolder(const QString& folder)
{
    gScriptsFolder = folder;
}

void ScriptRunner::SetDeadline(std::chrono::milliseconds deadline)
{
    gDeadline = deadline;
}
