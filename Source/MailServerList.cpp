#include "MailServerList.h"

#include "CFPreferenceDomain.h"
#include "CFPropertyList.h"

#include <algorithm>

namespace {

CFPropertyList::Dictionary ReadList()
{
    const CFPropertyList stored = CFPreferenceDomain::Application().CopyValue(QString::fromLatin1(MailServerList::kKey));
    return stored.IsDictionary() ? stored.ToDictionary() : CFPropertyList::Dictionary();
}

OSStatus WriteList(const CFPropertyList::Dictionary& inList)
{
    return CFPreferenceDomain::Application().SetValue(QString::fromLatin1(MailServerList::kKey), CFPropertyList(inList));
}

// A present string value replaces the default; anything else leaves it.
void ReadString(const CFPropertyList& inEntry, const char* inKey, QString& ioValue)
{
    const CFPropertyList value = inEntry.Value(QString::fromLatin1(inKey));
    if (value.IsString())
        ioValue = value.ToString();
}

} // namespace

QStringList MailServerList::Names()
{
    QStringList names;
    const CFPropertyList::Dictionary list = ReadList();
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it.value().IsDictionary())
            names.append(it.key());
    }
    std::stable_sort(names.begin(), names.end(), [](const QString& inA, const QString& inB) {
        return QString::compare(inA, inB, Qt::CaseInsensitive) < 0;
    });
    return names;
}

bool MailServerList::Contains(const QString& inName) { return ReadList().value(inName).IsDictionary(); }

std::optional<MailServerEntry> MailServerList::Find(const QString& inName)
{
    const CFPropertyList entry = ReadList().value(inName);
    if (!entry.IsDictionary())
        return std::nullopt;
    MailServerEntry found;
    ReadString(entry, "mailServer", found.server);
    ReadString(entry, "mailServerUsername", found.user);
    ReadString(entry, "mailServerPort", found.port);
    ReadString(entry, "popPeriod", found.popPeriod);
    if (const CFPropertyList value = entry.Value(QStringLiteral("authMethod")); value.IsInteger())
        found.authMethod = SInt16(value.ToInteger());
    if (const CFPropertyList value = entry.Value(QStringLiteral("sslAuthMethod")); value.IsInteger())
        found.sslAuthMethod = SInt16(value.ToInteger());
    found.acceptAnyCertificate = entry.Value(QStringLiteral("acceptAnyCertificate")).ToBool();
    return found;
}

OSStatus MailServerList::Store(const MailServerEntry& inEntry)
{
    CFPropertyList::Dictionary entry;
    entry.insert(QStringLiteral("mailServer"), CFPropertyList(inEntry.server));
    entry.insert(QStringLiteral("mailServerUsername"), CFPropertyList(inEntry.user));
    entry.insert(QStringLiteral("mailServerPort"), CFPropertyList(inEntry.port));
    entry.insert(QStringLiteral("popPeriod"), CFPropertyList(inEntry.popPeriod));
    entry.insert(QStringLiteral("authMethod"), CFPropertyList(int(inEntry.authMethod)));
    entry.insert(QStringLiteral("sslAuthMethod"), CFPropertyList(int(inEntry.sslAuthMethod)));
    entry.insert(QStringLiteral("useSSL"), CFPropertyList(1));
    entry.insert(QStringLiteral("acceptAnyCertificate"), CFPropertyList(inEntry.acceptAnyCertificate));
    CFPropertyList::Dictionary list = ReadList();
    list.insert(inEntry.server, CFPropertyList(entry));
    return WriteList(list);
}

OSStatus MailServerList::Remove(const QString& inName)
{
    CFPropertyList::Dictionary list = ReadList();
    if (list.remove(inName) == 0)
        return noErr;
    return WriteList(list);
}
