#include "DesktopApps.h"

#include "ProcessRunner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QTextStream>

#include <functional>

namespace {

QString Environment(const char* name, const QString& fallback)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

QString Home()
{
    return qEnvironmentVariable("HOME");
}

QStringList SplitFolders(const QString& list)
{
    QStringList folders;
    for (const QString& folder : list.split(':', Qt::SkipEmptyParts)) {
        if (folder.startsWith('/'))
            folders += folder;
    }
    return folders;
}

QStringList MimeAppsFiles()
{
    QStringList files {Environment("XDG_CONFIG_HOME", Home() + "/.config") + "/mimeapps.list"};
    for (const QString& folder : SplitFolders(Environment("XDG_CONFIG_DIRS", "/etc/xdg")))
        files += folder + "/mimeapps.list";
    for (const QString& folder : DesktopApps::ApplicationFolders())
        files += folder + "/mimeapps.list";
    return files;
}

// The values of a key-file group: key → raw value, in file order (first occurrence kept).
using KeyValues = QList<std::pair<QString, QString>>;

KeyValues ReadGroup(const QString& path, const QString& group)
{
    KeyValues values;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return values;
    QTextStream in(&file);
    bool inGroup = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            inGroup = line == "[" + group + "]";
            continue;
        }
        const int equals = line.indexOf('=');
        if (!inGroup || equals <= 0)
            continue;
        values.append({line.left(equals).trimmed(), line.mid(equals + 1).trimmed()});
    }
    return values;
}

QString ValueOf(const KeyValues& values, const QString& key)
{
    for (const auto& [name, value] : values) {
        if (name == key)
            return value;
    }
    return {};
}

// A desktop-entry string value with its escapes (\s \n \t \r \\) resolved; any other
// backslash pair stays for the quoting rules of Exec.
QString Unescape(const QString& value)
{
    QString out;
    for (int i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const QChar next = value[++i];
        if (next == 's')
            out += ' ';
        else if (next == 'n')
            out += '\n';
        else if (next == 't')
            out += '\t';
        else if (next == 'r')
            out += '\r';
        else if (next == '\\')
            out += '\\';
        else
            out += QString("\\") + next; // left for the quoting rules of Exec
    }
    return out;
}

std::optional<DesktopEntry> ReadEntry(const QString& folder, const QString& id)
{
    const QString path = folder + "/" + id;
    if (!QFile::exists(path))
        return std::nullopt;
    const KeyValues values = ReadGroup(path, "Desktop Entry");
    DesktopEntry entry;
    entry.id = id;
    entry.path = path;
    entry.name = Unescape(ValueOf(values, "Name"));
    entry.icon = Unescape(ValueOf(values, "Icon"));
    entry.exec = ValueOf(values, "Exec");
    entry.hidden = ValueOf(values, "Hidden") == "true";
    return entry;
}

// The first usable entry among the ';'-separated ids of `list`.
std::optional<DesktopEntry> FirstUsable(const QString& list)
{
    for (const QString& id : list.split(';', Qt::SkipEmptyParts)) {
        if (const auto entry = DesktopApps::FindById(id.trimmed()))
            return entry;
    }
    return std::nullopt;
}

std::optional<DesktopEntry> LookUpType(const QString& mimeType)
{
    for (const char* group : {"Default Applications", "Added Associations"}) {
        for (const QString& file : MimeAppsFiles()) {
            if (const auto entry = FirstUsable(ValueOf(ReadGroup(file, group), mimeType)))
                return entry;
        }
    }
    for (const QString& folder : DesktopApps::ApplicationFolders()) {
        if (const auto entry = FirstUsable(ValueOf(ReadGroup(folder + "/mimeinfo.cache", "MIME Cache"), mimeType)))
            return entry;
    }
    return std::nullopt;
}

bool IsFieldCode(QChar c)
{
    return QString("fFuUdDnNickvm").contains(c);
}

} // namespace

QStringList DesktopApps::ApplicationFolders()
{
    QStringList folders {Environment("XDG_DATA_HOME", Home() + "/.local/share") + "/applications"};
    for (const QString& folder : SplitFolders(Environment("XDG_DATA_DIRS", "/usr/local/share:/usr/share")))
        folders += folder + "/applications";
    return folders;
}

std::optional<DesktopEntry> DesktopApps::FindById(const QString& id)
{
    if (id.isEmpty() || id.contains('/'))
        return std::nullopt;
    for (const QString& folder : ApplicationFolders()) {
        const auto entry = ReadEntry(folder, id);
        if (!entry)
            continue;
        if (entry->hidden)
            return std::nullopt; // a hidden entry removes the id from the folders below it too
        return entry;
    }
    return std::nullopt;
}

QList<DesktopEntry> DesktopApps::AllEntries()
{
    QList<DesktopEntry> entries;
    QStringList seen;
    for (const QString& folder : ApplicationFolders()) {
        const QStringList ids = QDir(folder).entryList({"*.desktop"}, QDir::Files | QDir::Readable, QDir::Name);
        for (const QString& id : ids) {
            if (seen.contains(id))
                continue;
            seen += id;
            if (const auto entry = ReadEntry(folder, id); entry && !entry->hidden)
                entries += *entry;
        }
    }
    return entries;
}

std::optional<DesktopEntry> DesktopApps::ReadFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return std::nullopt;
    return ReadEntry(info.absolutePath(), info.fileName());
}

std::optional<DesktopEntry> DesktopApps::FindByName(const QString& name)
{
    for (const DesktopEntry& entry : AllEntries()) {
        if (!name.isEmpty() && entry.name.compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return std::nullopt;
}

std::optional<DesktopEntry> DesktopApps::DefaultForMimeType(const QString& mimeType)
{
    if (const auto entry = LookUpType(mimeType))
        return entry;
    const QMimeType type = QMimeDatabase().mimeTypeForName(mimeType);
    for (const QString& ancestor : type.isValid() ? type.allAncestors() : QStringList()) {
        if (const auto entry = LookUpType(ancestor))
            return entry;
    }
    return std::nullopt;
}

std::optional<DesktopEntry> DesktopApps::DefaultForScheme(const QString& scheme)
{
    if (scheme.isEmpty())
        return std::nullopt;
    return LookUpType("x-scheme-handler/" + scheme.toLower());
}

QStringList DesktopApps::SplitExec(const QString& exec)
{
    const QString text = Unescape(exec);
    QStringList arguments;
    QString current;
    bool inQuotes = false;
    bool hasArgument = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (inQuotes) {
            if (c == '"') {
                inQuotes = false;
            } else if (c == '\\' && i + 1 < text.size() && QString("\"`$\\").contains(text[i + 1])) {
                current += text[++i];
            } else if (c == '%' && i + 1 < text.size() && text[i + 1] == '%') {
                current += text[++i]; // a literal percent sign is doubled, quoted or not
            } else {
                current += c;
            }
            continue;
        }
        if (c == '"') {
            inQuotes = true;
            hasArgument = true;
        } else if (c == ' ' || c == '\t') {
            if (hasArgument)
                arguments += current;
            current.clear();
            hasArgument = false;
        } else if (c == '%' && i + 1 < text.size()) {
            const QChar code = text[++i];
            if (code == '%') {
                current += '%';
                hasArgument = true;
            } else if (!IsFieldCode(code)) {
                current += '%';
                current += code;
                hasArgument = true;
            }
        } else {
            current += c;
            hasArgument = true;
        }
    }
    if (inQuotes)
        return {};
    if (hasArgument)
        arguments += current;
    return arguments;
}

bool DesktopApps::Launch(const DesktopEntry& entry)
{
    QStringList arguments = SplitExec(entry.exec);
    if (arguments.isEmpty())
        return false;
    const QString program = arguments.takeFirst();
    return ProcessRunner::StartDetached(program, arguments);
}
