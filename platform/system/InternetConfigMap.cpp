#include "InternetConfigMap.h"

#include <QFile>
#include <QMutex>
#include <QMutexLocker>

#include <string_view>

namespace {

QMutex gPathLock;
QString gTablePath;

bool IsTokenChar(char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return c != 0 && std::string_view("!#$&-^_.+").find(c) != std::string_view::npos;
}

bool IsToken(std::string_view text)
{
    if (text.empty())
        return false;
    for (char c : text) {
        if (!IsTokenChar(c))
            return false;
    }
    return true;
}

// "type/subtype", both RFC 2045 tokens.
bool IsMediaType(std::string_view text)
{
    const size_t slash = text.find('/');
    if (slash == std::string_view::npos)
        return false;
    return IsToken(text.substr(0, slash)) && IsToken(text.substr(slash + 1));
}

std::vector<std::string> Fields(const QByteArray& line)
{
    std::vector<std::string> fields;
    std::string current;
    for (char c : line) {
        if (c == ' ' || c == '\t' || c == '\r') {
            if (!current.empty())
                fields.push_back(current);
            current.clear();
            continue;
        }
        current.push_back(c);
    }
    if (!current.empty())
        fields.push_back(current);
    return fields;
}

}  // namespace

QString InternetConfigMap::DefaultTablePath()
{
    return QStringLiteral("/etc/mime.types");
}

QString InternetConfigMap::TablePath()
{
    QMutexLocker lock(&gPathLock);
    return gTablePath.isEmpty() ? DefaultTablePath() : gTablePath;
}

void InternetConfigMap::SetTablePath(const QString& path)
{
    QMutexLocker lock(&gPathLock);
    gTablePath = path;
}

std::vector<InternetConfigMap::Record> InternetConfigMap::ReadTable()
{
    return ReadTable(TablePath());
}

std::vector<InternetConfigMap::Record> InternetConfigMap::ReadTable(const QString& path)
{
    std::vector<Record> records;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return records;
    while (!file.atEnd()) {
        QByteArray line = file.readLine(64 * 1024);
        if (line.endsWith('\n'))
            line.chop(1);
        const qsizetype hash = line.indexOf('#');
        if (hash >= 0)
            line.truncate(hash);
        const std::vector<std::string> fields = Fields(line);
        if (fields.empty())
            continue;
        if (!IsMediaType(fields[0])) {
            records.push_back({std::string(), fields[0], false});
            continue;
        }
        for (size_t i = 1; i < fields.size(); ++i)
            records.push_back({"." + fields[i], fields[0], IsToken(fields[i]) && fields[i].size() < 255});
    }
    return records;
}

bool InternetConfigMap::ReadEntry(const Record& record, ICMapEntry& entry)
{
    if (!record.readable)
        return false;
    entry = ICMapEntry();
    entry.extension = record.extension;
    entry.MIMEType = record.MIMEType;
    entry.entryName = record.MIMEType;
    return true;
}
