// Plain settings of the secure path (see SecureMessenger.h).
#include "SecureMessenger.h"

#include <algorithm>

namespace {
std::string& CAFileSlot()
{
    static std::string path = "/etc/ssl/certs/ca-certificates.crt";
    return path;
}

std::vector<uint16_t> gImplicitTLSTestPorts;
} // namespace

ESecureTLSMode TLSModeForPort(uint16_t port)
{
    if (port == 465 || std::find(gImplicitTLSTestPorts.begin(), gImplicitTLSTestPorts.end(), port) != gImplicitTLSTestPorts.end())
        return ESecureTLSMode::implicitTLS;
    return ESecureTLSMode::startTLS;
}

void SetImplicitTLSTestPorts(const std::vector<uint16_t>& ports)
{
    gImplicitTLSTestPorts = ports;
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

const char* SecureMechanismName(ESecureMechanism mechanism)
{
    switch (mechanism) {
    case ESecureMechanism::plain: return "PLAIN";
    case ESecureMechanism::login: return "LOGIN";
    case ESecureMechanism::cramMD5: return "CRAM-MD5";
    case ESecureMechanism::automatic: break;
    }
    return "Automatic";
}
