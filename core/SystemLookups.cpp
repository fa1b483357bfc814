#include "SystemLookups.h"

#include "CFBundle.h"
#include "CFPreferenceDomain.h"
#include "ContactsFolder.h"
#include "FileManager.h"
#include "Preferences.h"
#include "ProcessRunner.h"

#include <QFileInfo>
#include <QMap>
#include <QMimeDatabase>

#include <cstring>

namespace {

constexpr OSStatus kLSApplicationNotFoundErr = -10814;
constexpr OSStatus kLSUnknownErr = -10810;
constexpr OSStatus kCFUnknownErr = -4960;
const char* const kAddressBookStampKey = "Last Address Book Modification Date";

QMap<std::pair<OSType, OSType>, QIcon>& IconRegistry()
{
    static QMap<std::pair<OSType, OSType>, QIcon> registry;
    return registry;
}

bool StartsWithNoCase(const QString& text, const char* prefix)
{
    return text.startsWith(QLatin1String(prefix), Qt::CaseInsensitive);
}

OSStatus IconOf(const std::optional<DesktopEntry>& entry, QIcon* icon)
{
    if (!entry)
        return kLSApplicationNotFoundErr;
    if (icon)
        *icon = IconForEntry(*entry);
    return noErr;
}

QString BundleString(const char* key)
{
    const CFPropertyList value = CFBundle::Main().ValueForInfoDictionaryKey(key);
    return value.IsString() ? value.ToString() : QString();
}

QString WithoutAppSuffix(const QString& name)
{
    return name.endsWith(".app", Qt::CaseInsensitive) ? name.left(name.size() - 4) : name;
}

std::optional<DesktopEntry> FindByIdIgnoringCase(const QString& stem)
{
    if (const auto exact = DesktopApps::FindById(stem + ".desktop"))
        return exact;
    for (const DesktopEntry& entry : DesktopApps::AllEntries()) {
        if (entry.id.compare(stem + ".desktop", Qt::CaseInsensitive) == 0)
            return entry;
    }
    return std::nullopt;
}

} // namespace

UInt32 GetSystemVersion()
{
    return kSystemVersion;
}

bool IsSystem102(UInt32 version)
{
    return version >= 0x1020 && version < 0x1030;
}

bool IsSystem103(UInt32 version)
{
    return version >= 0x1030 && version < 0x1040;
}

bool IsSystem1028OrLater(UInt32 version)
{
    return version > 0x1027;
}

bool IsSystem104OrLater(UInt32 version)
{
    return version > 0x103F;
}

bool HasQuickTime()
{
    return true;
}

bool HasAquaMenus()
{
    return true;
}

bool GetBundleIdentifierText(CString256& identifier)
{
    const QString text = GetBundleIdentifier();
    if (text.isEmpty())
        return false;
    identifier.AssignCFString(text);
    return true;
}

void GetBundleName(CString256& name)
{
    name.AssignCFString(BundleString("CFBundleName"));
}

bool GetBundleVersion(CString256& version)
{
    const QString text = BundleString("CFBundleVersion");
    if (text.isNull())
        return false;
    version.AssignCFString(text);
    return true;
}

void GetDefaultVersion(CString256& version)
{
    version.Assign("1.0");
}

void GetBundleIdentifierAndName(CString256& identifier, CString256& name)
{
    GetBundleIdentifierText(identifier);
    GetBundleName(name);
}

OSType GetICHelper(const char* scheme, Str255 name)
{
    const auto entry = DesktopApps::DefaultForScheme(QString::fromUtf8(scheme ? scheme : ""));
    if (!entry || !name)
        return 0;
    CStringToPString(entry->name.toUtf8().constData(), name);
    return 0;
}

OSType GetHTTPHelper(Str255 name)
{
    return GetICHelper("http", name);
}

OSType GetMailtoHelper(Str255 name)
{
    return GetICHelper("mailto", name);
}

bool GetApplicationForURL(const QString& text, FSRef* application)
{
    std::optional<DesktopEntry> entry;
    if (StartsWithNoCase(text, "http://"))
        entry = DesktopApps::DefaultForScheme("http");
    else if (StartsWithNoCase(text, "https://"))
        entry = DesktopApps::DefaultForScheme("https");
    else if (text.startsWith('/'))
        entry = DesktopApps::DefaultForMimeType(QMimeDatabase().mimeTypeForFile(text).name());
    if (!entry)
        return false;
    if (application)
        application->path = entry->path.toStdString();
    return true;
}

std::optional<DesktopEntry> FindMailApplication()
{
    Str255 helper = {};
    if (GetMailtoHelper(helper) != 0)
        return std::nullopt; // no program carries a creator here
    if (helper[0] == 0)
        return std::nullopt;
    const QString name = QString::fromUtf8(reinterpret_cast<const char*>(helper + 1), helper[0]);
    if (const auto byId = DesktopApps::FindById(name + ".desktop"))
        return byId;
    return DesktopApps::FindByName(name);
}

QIcon IconForEntry(const DesktopEntry& entry)
{
    if (entry.icon.isEmpty())
        return {};
    if (entry.icon.startsWith('/'))
        return QFileInfo::exists(entry.icon) ? QIcon(entry.icon) : QIcon();
    return QIcon::fromTheme(entry.icon);
}

OSStatus GetWebViewerIcon(QIcon* icon)
{
    return IconOf(DesktopApps::DefaultForMimeType("text/html"), icon);
}

OSStatus GetMailApplicationIcon(QIcon* icon)
{
    return IconOf(FindMailApplication(), icon);
}

OSStatus GetApplicationIconByName(const QString& name, QIcon* icon)
{
    const QString stem = WithoutAppSuffix(name);
    auto entry = FindByIdIgnoringCase(stem);
    if (!entry)
        entry = DesktopApps::FindByName(stem);
    return IconOf(entry, icon);
}

OSStatus RegisterBundleIcon(const QString& fileName, OSType type, QIcon* icon)
{
    QString path = CFBundle::Main().ResourcePath(fileName, "png");
    if (path.isEmpty())
        path = CFBundle::Main().ResourcePath(fileName, "svg");
    if (path.isEmpty())
        return fnfErr;
    const QIcon loaded(path);
    IconRegistry().insert({kProgramSignature, type}, loaded);
    if (icon)
        *icon = loaded;
    return noErr;
}

QIcon GetRegisteredIcon(OSType creator, OSType type)
{
    return IconRegistry().value({creator, type});
}

OSStatus LaunchApplicationSpec(const FSSpec& application)
{
    const QString path = QString::fromStdString(application.Path());
    if (path.isEmpty() || !QFileInfo::exists(path))
        return fnfErr;
    if (path.endsWith(".desktop")) {
        const auto entry = DesktopApps::ReadFile(path);
        return entry && DesktopApps::Launch(*entry) ? noErr : kLSUnknownErr;
    }
    return ProcessRunner::StartDetached(path, {}) ? noErr : kLSUnknownErr;
}

void LaunchSystemApp(const char* name)
{
    const QString stem = WithoutAppSuffix(QString::fromUtf8(name ? name : ""));
    if (stem.isEmpty())
        return;
    auto entry = FindByIdIgnoringCase(stem);
    if (!entry)
        entry = DesktopApps::FindByName(stem);
    if (entry)
        DesktopApps::Launch(*entry);
}

OSStatus LoadSystemFramework(const char*, void** bundle)
{
    if (bundle)
        *bundle = nullptr;
    return kCFUnknownErr;
}

bool AddressBookChangedSince()
{
    const CFPreferenceDomain domain = CFPreferenceDomain::Application();
    const CFPropertyList stored = domain.CopyValue(kAddressBookStampKey);
    const int64_t previous = stored.IsInteger() || stored.IsReal() ? stored.ToInteger() : 0;
    const auto stamp = ContactsFolder::ModificationStamp();
    if (!stamp)
        return previous != 0;
    const int64_t current = *stamp & 0xFFFFFFFF;
    domain.SetValue(kAddressBookStampKey, CFPropertyList(static_cast<long long>(current)));
    return previous != current;
}
