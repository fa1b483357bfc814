#include "LMailClientSettings.h"

#include "CFPreferenceDomain.h"

#include <chrono>
#include <cstdlib>
#include <optional>

namespace {

std::optional<QString> ReadText(const char* inKey)
{
    const CFPropertyList value = CFPreferenceDomain::Application().CopyValue(QString::fromLatin1(inKey));
    if (!value.IsString())
        return std::nullopt;
    return value.ToString();
}

SInt32 ReadTimeout()
{
    const auto text = ReadText("Network Timeout");
    if (!text || text->isEmpty())
        return LMailClientSettings::kDefaultTimeoutSeconds;
    const long seconds = std::atol(text->toUtf8().constData());
    return seconds < 1 ? LMailClientSettings::kDefaultTimeoutSeconds : SInt32(seconds);
}

} // namespace

LMailClientSettings LMailClientSettings::FromPreferences()
{
    LMailClientSettings settings;
    settings.timeoutSeconds = ReadTimeout();
    const auto hello = ReadText("SMTP Hello");
    settings.sayEHLO = !hello || *hello == QLatin1String("EHLO");
    const auto dns = ReadText("Do DNS");
    settings.doDNS = dns && *dns != QLatin1String("false");
    const auto external = ReadText("Use External Address");
    settings.useExternalAddress = external && *external == QLatin1String("true");
    return settings;
}

LDeadline LMailClientSettings::ReplyDeadline() const
{
    return DeadlineAfter(std::chrono::seconds(timeoutSeconds));
}
