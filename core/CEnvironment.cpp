#include "CEnvironment.h"

#include "CFBundle.h"
#include "CFPreferenceDomain.h"
#include "CFPropertyList.h"
#include "CFileTypeMaps.h"
#include "CInternetConfig.h"
#include "PreferenceGetters.h"
#include "Preferences.h"
#include "TextHelpers.h"
#include "WebEnvironment.h"
#include "WorkingFolders.h"

#include <QFileInfo>

#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>
#include <string>

CEnvironment* gEnvironment = nullptr;

namespace {

constexpr OSType kProgramSignature = 'KWRD';

struct IconName {
    const char* file;
    OSType type;
};

// In member order.
constexpr IconName kIcons[CEnvironment::kIconCount] = {
    {"SimulateSend", 'SIMS'}, {"Brevanto", 'APPL'},     {"Pause", 'PAUS'},
    {"Clock", 'CLCK'},        {"PeoplePicker", 'PICK'}, {"OpenMeCard", 'MCRD'},
    {"PaperClip", 'PCLP'},    {"OtherOptions", 'OPTs'}, {"ServerSettings", 'SEeT'},
};

struct OwnMapping {
    const char* extension;
    const char* MIMEType;
};

constexpr OwnMapping kOwnMappings[] = {
    {".eml", "message/rfc822"},
    {".dmg", "application/octet-stream"},
    {".vcf", "text/directory"},
};

CEnvironment::RecentItemsFactory gRecentItemsFactory = nullptr;

std::string LowerAsciiCopy(const std::string& text)
{
    std::string out = text;
    for (char& c : out)
        c = LowerAscii(c);
    return out;
}

// The extension map as the path helpers consult it: its own copy, so a lookup that outlives the
// environment stays valid; read-only once made, so any thread may read it.
class ExtensionTypeMaps : public CFileTypeMaps {
public:
    explicit ExtensionTypeMaps(const CMap<CString256, ICMapEntry>& map)
    {
        map.links.Rewind();
        while (auto* const* entry = map.links.Next()) {
            mByExtension.emplace((*entry)->key.text, (*entry)->value);
            FileTypeMapping mapping;
            mapping.type = (*entry)->value.fileType;
            mapping.creator = (*entry)->value.fileCreator;
            mapping.mimeType.Assign((*entry)->value.MIMEType.c_str());
            mMappings.push_back(mapping);
        }
    }

    bool MIMETypeForExtension(const char* extension, CString256& mimeType) const override
    {
        const ICMapEntry* entry = Find(extension != nullptr ? extension : "");
        if (entry == nullptr)
            return false;
        mimeType.Assign(entry->MIMEType.c_str());
        return true;
    }

    std::vector<FileTypeMapping> Mappings() const override { return mMappings; }

    bool MapFilename(const char* fileName, OSType& creator, OSType& type) const override
    {
        const char* dot = fileName != nullptr ? std::strrchr(fileName, '.') : nullptr;
        const ICMapEntry* entry = dot != nullptr ? Find(LowerAsciiCopy(dot)) : nullptr;
        if (entry == nullptr)
            return false;
        creator = entry->fileCreator;
        type = entry->fileType;
        return true;
    }

private:
    const ICMapEntry* Find(const std::string& extension) const
    {
        const auto found = mByExtension.find(extension);
        return found != mByExtension.end() ? &found->second : nullptr;
    }

    std::map<std::string, ICMapEntry> mByExtension;
    std::vector<FileTypeMapping> mMappings;
};

// The number under key when it holds a non-empty text, else `fallback`.
SInt32 NumberSetting(const char* key, SInt32 fallback)
{
    const auto value = GetPreference(CString256(key));
    if (value == nullptr || value[0] == 0)
        return fallback;
    return SInt32(std::atol(value.get()));
}

FSSpec SoundSpec(const char* name)
{
    const QString path = CFBundle::Main().MaterializedResourcePath(QString::fromUtf8(name), QStringLiteral("aiff"));
    if (path.isEmpty())
        return {};
    const QFileInfo info(path);
    return FSSpec{info.absolutePath().toStdString(), info.fileName().toStdString()};
}

}  // namespace

void CEnvironment::SetRecentItemsFactory(RecentItemsFactory factory)
{
    gRecentItemsFactory = factory;
}

CEnvironment::CEnvironment()
{
    BuildMergeFields();
    documentExtension.Assign("bvto");
    untitledName.Assign("Untitled");
    SetCharacterMaps(&characterTables);
    BuildExtensionMap();
    CFileTypeMaps::Install(std::make_shared<ExtensionTypeMaps>(extensionMap));
    FindSounds();
    FindIcons();
    recentItems.reset(gRecentItemsFactory != nullptr ? gRecentItemsFactory()
                                                     : new CFileItems(QString::fromUtf8(kRecentItemsKey),
                                                                      kRecentItemsCapacity));
    ReadEntityTable();
    logFile = nullptr;
    ReadSettings();
    InstallWebSources();
}

// Web requests run on their own threads, so they get a copy of the user agent taken now and
// the extension map, which nothing changes after construction.
void CEnvironment::InstallWebSources()
{
    CString256 agent;
    GetUserAgent(agent);
    WebEnvironment::SetUserAgentSource([userAgent = std::string(agent.CharAt(0), agent.Length())] {
        return userAgent;
    });
    WebEnvironment::SetMIMESource([this](std::string_view extension) -> std::optional<std::string> {
        const ICMapEntry* entry = FindExtension(std::string(extension).c_str());
        if (entry == nullptr || entry->MIMEType.empty())
            return std::nullopt;
        return entry->MIMEType;
    });
}

CEnvironment::~CEnvironment()
{
    recentItems.reset();
    CloseLog();
    if (GetCharacterMaps() == &characterTables)
        SetCharacterMaps(nullptr);
    CFileTypeMaps::Install(nullptr);
    WebEnvironment::SetUserAgentSource({});
    WebEnvironment::SetMIMESource({});
    if (gEnvironment == this)
        gEnvironment = nullptr;
}

void CEnvironment::BuildMergeFields()
{
    for (const MergeFieldDefinition& field : kMergeFieldDefinitions) {
        const CString256 name(field.name);
        mergeFieldsByName.FindOrInsert(name, InstalledMergeFieldProc(field.name));
        mergeFieldNamesByCode.FindOrInsert(field.code, name);
    }
}

void CEnvironment::BuildExtensionMap()
{
    CInternetConfig config(kProgramSignature);
    if (config.Start() == noErr && config.BeginMapIteration() == noErr) {
        ICMapEntry entry;
        while (config.NextMapEntry(entry)) {
            const CString256 key(LowerAsciiCopy(entry.extension).c_str());
            extensionMap.FindOrInsert(key, extensionMap.defaultValue)->value = entry;
        }
        config.EndMapIteration();
    }
    config.Stop();
    for (const OwnMapping& own : kOwnMappings) {
        ICMapEntry entry;
        entry.extension = own.extension;
        entry.MIMEType = own.MIMEType;
        extensionMap.FindOrInsert(CString256(own.extension), extensionMap.defaultValue)->value = entry;
    }
}

void CEnvironment::FindSounds()
{
    sentSound = SoundSpec("Mail Sent");
    notSentSound = SoundSpec("Mail Not Sent");
}

void CEnvironment::FindIcons()
{
    for (int i = 0; i < kIconCount; ++i) {
        icons[i].type = kIcons[i].type;
        icons[i].path = CFBundle::Main().ResourcePath(QString::fromUtf8(kIcons[i].file), QStringLiteral("png"));
    }
}

void CEnvironment::ReadEntityTable()
{
    const auto text = CFBundle::Main().ReadResource(QStringLiteral("ISO8859"), QStringLiteral("txt"));
    if (text.has_value())
        htmlEntityTable = std::make_unique<CHTMLEntityTable>(text->constData());
}

void CEnvironment::ReadSettings()
{
    dateStampLogEntries = ReadFalseRuleFlag(kDateStampLogEntriesKey, false);
    verboseLogging = ReadFalseRuleFlag(kVerboseLoggingKey, false);
    networkTimeout = NumberSetting(kNetworkTimeoutKey, kDefaultNetworkTimeout);
    consecutiveErrors = NumberSetting(kConsecutiveErrorsKey, kDefaultConsecutiveErrors);
    messageEditorsWithSheets = GetDisplayMessageEditorsWithSheets();

    blacklist.clear();
    const CFPropertyList stored = CFPreferenceDomain::Application().CopyValue(QString::fromUtf8(kBlacklistKey));
    for (const CFPropertyList& element : stored.ToArray()) {
        if (element.IsString())
            blacklist.append(element.ToString());
    }
}

void CEnvironment::GetUserAgent(CString256& out) const
{
    const auto value = GetPreference(CString256(kUserAgentKey));
    out.Assign(value != nullptr ? value.get() : "");
    if (out.text[0] == 0)
        MakeDefaultAgentText(version.text, out);
    out.ReplaceChar('\r', ' ');
    out.ReplaceChar('\n', ' ');
}

void CEnvironment::OpenLog()
{
    if (logFile != nullptr)
        return;  // the open log stays in use
    FSRef folder;
    if (!GetLogsFolder(&folder))
        return;
    logFile = new CLogFile(version, dateStampLogEntries);
    logFile->Open((folder.path + "/" + CLogFile::kFileName).c_str());
}

void CEnvironment::LogLine(const char* text)
{
    if (logFile == nullptr)
        return;
    CText line(text);
    line.AppendChar('\n');
    logFile->WriteLine(line);
}

void CEnvironment::CloseLog()
{
    if (logFile == nullptr)
        return;
    logFile->Close();
    delete logFile;
    logFile = nullptr;
}

MergeFieldProc CEnvironment::FindMergeField(const char* name) const
{
    if (name == nullptr)
        return nullptr;
    const auto* entry = mergeFieldsByName.Find(CString256(name));
    return entry != nullptr ? entry->value : nullptr;
}

const CString256* CEnvironment::FindMergeFieldName(unsigned long code) const
{
    const auto* entry = mergeFieldNamesByCode.Find(code);
    return entry != nullptr ? &entry->value : nullptr;
}

const ICMapEntry* CEnvironment::FindExtension(const char* dottedLowerExtension) const
{
    if (dottedLowerExtension == nullptr)
        return nullptr;
    const auto* entry = extensionMap.Find(CString256(dottedLowerExtension));
    return entry != nullptr ? &entry->value : nullptr;
}

bool GetDisplayMessageEditorsWithSheets()
{
    return ReadFalseRuleFlag(kDisplayMessageEditorsWithSheetsKey, false);
}
