#include "Preferences.h"

#include "CFBundle.h"
#include "CFPreferenceDomain.h"
#include "CFStringBytes.h"
#include "TextHelpers.h"

#include <cstring>

namespace {

QString KeyText(const CString256& key)
{
    return CFStringFromBytes(QByteArrayView(key.text, qsizetype(key.Length())));
}

// A text value of the domain; null for a missing key and for any value that is not text.
CFPropertyList CopyText(const CFPreferenceDomain& domain, const QString& key)
{
    const CFPropertyList value = domain.CopyValue(key);
    return value.IsString() ? value : CFPropertyList();
}

std::unique_ptr<char[]> NewCString(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    auto copy = std::make_unique<char[]>(size_t(bytes.size()) + 1);
    std::memcpy(copy.get(), bytes.constData(), size_t(bytes.size()));
    copy[size_t(bytes.size())] = 0;
    return copy;
}

} // namespace

std::unique_ptr<char[]> GetPreference(const CString256& key, UInt8 anyUser)
{
    const QString keyText = KeyText(key);
    CFPropertyList value;
    if (anyUser)
        value = CopyText(CFPreferenceDomain::AnyUserApplication(), keyText);
    if (value.IsNull())
        value = CopyText(CFPreferenceDomain::Application(), keyText);
    if (value.IsNull())
        return nullptr;
    return NewCString(value.ToString());
}

std::unique_ptr<char[]> GetPreferenceValue(const CString256& key, UInt8 anyUser)
{
    return GetPreference(key, anyUser);
}

OSStatus SetPreference(const char* value, const CString256& key, UInt8 anyUser)
{
    const QString keyText = KeyText(key);
    CFPropertyList stored;
    if (value)
        stored = CFPropertyList(CFStringFromBytes(QByteArrayView(value, qsizetype(std::strlen(value)))));
    if (anyUser && CFPreferenceDomain::AnyUserApplication().SetValue(keyText, stored) == noErr)
        return noErr;
    return CFPreferenceDomain::Application().SetValue(keyText, stored);
}

OSStatus SetPreferenceValue(const char* value, const CString256& key, UInt8 anyUser)
{
    if (!value)
        return paramErr;
    return SetPreference(value, key, anyUser);
}

void PStringToCString(ConstStr255Param pascal, char* buffer)
{
    const size_t length = pascal ? pascal[0] : 0;
    if (length)
        std::memmove(buffer, pascal + 1, length);
    buffer[length] = 0;
}

void CStringToPString(const char* source, StringPtr pascal)
{
    char text[256];
    const size_t length = CopyCut(text, source, source ? std::strlen(source) : 0, 255);
    std::memcpy(pascal + 1, text, length);
    pascal[0] = static_cast<unsigned char>(length);
}

QString GetBundleIdentifier()
{
    const QString identifier = CFBundle::Main().Identifier();
    return identifier.isEmpty() ? QString() : identifier;
}
