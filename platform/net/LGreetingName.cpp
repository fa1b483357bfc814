#include "LGreetingName.h"

#include "InterfaceAddresses.h"
#include "LThread.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace {

struct ReverseLookup {
    std::atomic<bool> done{false};
    std::string name;
};

// A name is usable in a greeting when it is a plain host name (letters, digits, "-", ".").
bool IsPlainHostName(const std::string& inName)
{
    if (inName.empty() || inName.size() > 255)
        return false;
    for (const char c : inName) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'
            || c == '.';
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

QByteArray LGreetingName::AddressLiteral(const QString& inAddress)
{
    if (inAddress.contains(QLatin1Char(':')))
        return "[IPv6:" + inAddress.toLatin1() + "]";
    return "[" + inAddress.toLatin1() + "]";
}

QByteArray LGreetingName::Make(const QString& inAddress, bool inLookUpName, LDeadline inDeadline)
{
    if (!inLookUpName || inAddress.isEmpty())
        return AddressLiteral(inAddress);
    auto lookup = std::make_shared<ReverseLookup>();
    std::thread([lookup, address = inAddress.toStdString()] {
        lookup->name = InterfaceAddresses::HostNameForAddress(address);
        lookup->done.store(true, std::memory_order_release);
    }).detach();
    if (!LThread::WaitUntil([&] { return lookup->done.load(std::memory_order_acquire); }, inDeadline))
        return AddressLiteral(inAddress);
    if (!IsPlainHostName(lookup->name))
        return AddressLiteral(inAddress);
    return QByteArray::fromStdString(lookup->name);
}
