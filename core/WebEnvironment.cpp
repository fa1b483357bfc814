#include "WebEnvironment.h"

namespace {

WebEnvironment::UserAgentSource& UserAgentSourceSlot()
{
    static WebEnvironment::UserAgentSource source;
    return source;
}

WebEnvironment::MIMESource& MIMESourceSlot()
{
    static WebEnvironment::MIMESource source;
    return source;
}

} // namespace

std::string WebEnvironment::UserAgent()
{
    const UserAgentSource& source = UserAgentSourceSlot();
    return source ? source() : std::string("Brevanto");
}

std::optional<std::string> WebEnvironment::MIMETypeForExtension(std::string_view extension)
{
    const MIMESource& source = MIMESourceSlot();
    return source ? source(extension) : std::nullopt;
}

void WebEnvironment::SetUserAgentSource(UserAgentSource source)
{
    UserAgentSourceSlot() = std::move(source);
}

void WebEnvironment::SetMIMESource(MIMESource source)
{
    MIMESourceSlot() = std::move(source);
}
