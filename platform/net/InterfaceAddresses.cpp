#include "InterfaceAddresses.h"

#include "RouteTable.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>

namespace {

InterfaceAddresses::ListSource& CurrentSource()
{
    static InterfaceAddresses::ListSource source;
    return source;
}

std::string AddressText(const sockaddr* address)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (address->sa_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof text);
    else if (address->sa_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, text, sizeof text);
    return text;
}

std::vector<InterfaceAddress> SystemList()
{
    std::vector<InterfaceAddress> list;
    ifaddrs* all = nullptr;
    if (getifaddrs(&all) != 0)
        return list;
    for (const ifaddrs* entry = all; entry; entry = entry->ifa_next) {
        InterfaceAddress item;
        item.name = entry->ifa_name ? entry->ifa_name : "";
        item.up = entry->ifa_flags & IFF_UP;
        item.loopback = entry->ifa_flags & IFF_LOOPBACK;
        if (entry->ifa_addr) {
            item.family = entry->ifa_addr->sa_family;
            item.address = AddressText(entry->ifa_addr);
        }
        list.push_back(item);
    }
    freeifaddrs(all);
    return list;
}

std::optional<IPv4Route> DefaultRoute()
{
    for (const IPv4Route& route : RouteTable::Current()) {
        if (route.IsUp() && route.IsDefault() && InterfaceAddresses::IsInterfaceUp(route.interfaceName))
            return route;
    }
    return std::nullopt;
}

} // namespace

std::vector<InterfaceAddress> InterfaceAddresses::List()
{
    const ListSource& source = CurrentSource();
    return source ? source() : SystemList();
}

void InterfaceAddresses::SetListSource(ListSource source)
{
    CurrentSource() = std::move(source);
}

bool InterfaceAddresses::IsInterfaceUp(const std::string& name)
{
    for (const InterfaceAddress& item : List()) {
        if (item.name == name && item.up)
            return true;
    }
    return false;
}

std::optional<std::string> InterfaceAddresses::DefaultGateway()
{
    const auto route = DefaultRoute();
    if (!route)
        return std::nullopt;
    return IPv4AddressText(route->gateway);
}

std::optional<std::string> InterfaceAddresses::DefaultInterface()
{
    const auto route = DefaultRoute();
    if (!route)
        return std::nullopt;
    return route->interfaceName;
}

int InterfaceAddresses::AddressFamilyOf(const std::string& text)
{
    unsigned char address[sizeof(in6_addr)];
    if (inet_pton(AF_INET, text.c_str(), address) == 1)
        return AF_INET;
    if (inet_pton(AF_INET6, text.c_str(), address) == 1)
        return AF_INET6;
    return 0;
}

std::string InterfaceAddresses::HostNameForAddress(const std::string& numericAddress)
{
    sockaddr_storage storage {};
    socklen_t length = 0;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
    if (inet_pton(AF_INET, numericAddress.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        length = sizeof *v4;
    } else if (inet_pton(AF_INET6, numericAddress.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        length = sizeof *v6;
    } else {
        return {};
    }
    char host[NI_MAXHOST] = {};
    if (getnameinfo(reinterpret_cast<sockaddr*>(&storage), length, host, sizeof host, nullptr, 0,
                    NI_NAMEREQD) != 0)
        return {};
    return host;
}
