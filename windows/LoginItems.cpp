#include "LoginItems.h"

#include "DesktopApps.h"
#include "Preferences.h"
#include "WholeFileWrite.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

QString& ProgramOverride()
{
    static QString sProgram;
    return sProgram;
}

QString Program()
{
    return ProgramOverride().isEmpty() ? QCoreApplication::applicationFilePath() : ProgramOverride();
}

QString ConfigFolder()
{
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    return QDir::isAbsolutePath(config) ? config : QDir::homePath() + QStringLiteral("/.config");
}

QString EntryPath(const QString& inAutostart)
{
    QString identifier = GetBundleIdentifier();
    if (identifier.isEmpty() || identifier.contains(QLatin1Char('/')))
        identifier = QStringLiteral("org.brevanto.Brevanto");
    return inAutostart + QLatin1Char('/') + identifier + QStringLiteral(".desktop");
}

bool SameFile(const QString& inA, const QString& inB)
{
    struct stat a {}, b {};
    return ::stat(QFile::encodeName(inA).constData(), &a) == 0 && ::stat(QFile::encodeName(inB).constData(), &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Our entry names the running program and is not hidden.
bool IsListed(const QString& inEntry)
{
    const std::optional<DesktopEntry> entry = DesktopApps::ReadFile(inEntry);
    if (!entry || entry->hidden)
        return false;
    const QStringList arguments = DesktopApps::SplitExec(entry->exec);
    return !arguments.isEmpty() && SameFile(arguments.first(), Program());
}

// A string value's escapes: a backslash is written twice, control characters as their escapes.
QString EscapeValue(const QString& inText)
{
    QString out;
    for (QChar c : inText) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else
            out += c;
    }
    return out;
}

} // namespace

void SetLoginItemProgram(const QString& inPath) { ProgramOverride() = inPath; }

QString LoginItemExec(const QString& inProgram)
{
    // Quoted: inside double quotes '"', '`', '$' and '\' take a backslash; a literal '%' is
    // doubled; then the value's own escaping doubles every backslash.
    QString quoted = QStringLiteral("\"");
    for (QChar c : QFileInfo(inProgram).absoluteFilePath()) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c == QLatin1Char('%') ? QStringLiteral("%%") : QString(c);
    }
    quoted += QLatin1Char('"');
    return EscapeValue(quoted);
}

bool AddAppToLoginItems()
{
    if (!QFileInfo(ConfigFolder()).isDir())
        return false;
    const QString autostart = ConfigFolder() + QStringLiteral("/autostart");
    const QFileInfo folder(autostart);
    if (folder.exists() && !folder.isDir())
        return false;
    if (!folder.exists() && !QDir().mkpath(autostart))
        return false;
    const QString entry = EntryPath(autostart);
    if (IsListed(entry))
        return false;
    const QByteArray text = QStringLiteral("[Desktop Entry]\nType=Application\nName=Brevanto\nExec=%1\nTerminal=false\n")
                                .arg(LoginItemExec(Program()))
                                .toUtf8();
    return WriteWholeFileAtomically(QFile::encodeName(entry).toStdString(), text.constData(), size_t(text.size()),
                                    WholeFileMode::ReplaceAsNew) == noErr;
}

bool RemoveAppFromLoginItems()
{
    const QString autostart = ConfigFolder() + QStringLiteral("/autostart");
    if (!QFileInfo(autostart).isDir())
        return true; // no list: nothing to do
    const QString entry = EntryPath(autostart);
    if (!IsListed(entry))
        return false;
    return QFile::remove(entry);
}
