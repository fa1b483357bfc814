// Plain settings of the secure path (see SecureMessenger.h).
#include "SecureMessenger.h"

namespace {
std::string& CAFileSlot()
{
    static std::string path = "/etc/ssl/certs/ca-certificates.crt";
    return path;
}
} // namespace

ESecureTLSMode TLSModeForPort(uint16_t port)
{
    return port == 465 ? ESecureTLSMode::implicitTLS : ESecureTLSMode::startTLS;
}

int SecureTimeoutSeconds(int networkTimeout)
{
    return networkTimeout < 1 ? kDefaultSecureTimeoutSeconds : networkTimeout;
}

const std::string& SecureCAFile()
{
    return CAFileSlot();
}

void SetSecureCAFile(const std::string& path)
{
    CAFileSlot() = path;
}
