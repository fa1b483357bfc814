#include "CInternetConfig.h"

#include "Launcher.h"
#include "TextHelpers.h"

#include <cstring>
#include <string>

namespace {

std::string LowerAsciiCopy(std::string text)
{
    for (char& c : text)
        c = LowerAscii(c);
    return text;
}

}  // namespace

CInternetConfig::CInternetConfig(OSType creator)
    : mCreator(creator)
{
}

CInternetConfig::~CInternetConfig()
{
    Stop();
}

OSStatus CInternetConfig::Start()
{
    mStarted = true;
    return noErr;
}

void CInternetConfig::Stop()
{
    if (!mStarted)
        return;
    mStarted = false;
    mMapHandle.reset();
}

OSStatus CInternetConfig::LaunchURL(ConstStr255Param url)
{
    char text[256];
    PToCString(url, text);
    return LaunchURL(text);
}

OSStatus CInternetConfig::LaunchURL(const char* url)
{
    if (!mStarted)
        return kNotStarted;
    if (url == nullptr || *url == 0)
        return paramErr;
    return Launcher::Current().Open(QString::fromUtf8(url)) ? OSStatus(noErr) : OSStatus(paramErr);
}

OSStatus CInternetConfig::MapFilename(ConstStr255Param name, ICMapEntry& entry)
{
    char text[256];
    PToCString(name, text);
    return MapFilename(text, entry);
}

OSStatus CInternetConfig::MapFilename(const char* name, ICMapEntry& entry)
{
    if (!mStarted)
        return kNotStarted;
    const std::string cut(name != nullptr ? name : "", 0,
                          name != nullptr ? CutAtCharacterBoundary(name, std::strlen(name), 255) : 0);
    const size_t dot = cut.rfind('.');
    if (dot == std::string::npos)
        return kPrefNotFoundErr;
    const std::string extension = LowerAsciiCopy(cut.substr(dot));
    OSStatus result = kPrefNotFoundErr;
    for (const auto& record : InternetConfigMap::ReadTable()) {
        ICMapEntry candidate;
        if (LowerAsciiCopy(record.extension) != extension || !InternetConfigMap::ReadEntry(record, candidate))
            continue;
        entry = candidate;  // a later entry of the table wins, as in the extension map
        result = noErr;
    }
    return result;
}

OSStatus CInternetConfig::BeginMapIteration()
{
    mMapIndex = 1;
    if (!mStarted)
        return kNotStarted;
    mMapHandle = std::make_unique<std::vector<InternetConfigMap::Record>>(InternetConfigMap::ReadTable());
    mMapCount = SInt32(mMapHandle->size());
    return noErr;
}

bool CInternetConfig::NextMapEntry(ICMapEntry& entry)
{
    if (!mStarted || mMapHandle == nullptr)
        return false;
    while (mMapIndex <= mMapCount) {
        const auto& record = (*mMapHandle)[size_t(mMapIndex - 1)];
        ++mMapIndex;
        if (InternetConfigMap::ReadEntry(record, entry))
            return true;
    }
    return false;
}

OSStatus CInternetConfig::EndMapIteration()
{
    if (!mStarted || mMapHandle == nullptr)
        return kNotStarted;
    mMapHandle.reset();
    mMapCount = 0;
    return noErr;
}

OSStatus CInternetConfig::GetStringPref(ConstStr255Param, Str255)
{
    return kNotStarted;
}

OSStatus CInternetConfig::GetFontPref(ConstStr255Param, void*)
{
    return kNotStarted;
}

OSStatus CInternetConfig::EditPreferences(ConstStr255Param)
{
    return kNotStarted;
}

OSStatus CInternetConfig::GetHelperApplication(ConstStr255Param, void*, OSType&)
{
    return kNotStarted;
}
