// RouteTable: the kernel's IPv4 routes as /proc/net/route lists them (interface, destination,
// gateway, flags, mask), read afresh on every call. The text source is replaceable so tests can
// feed their own tables. An unreadable or malformed table reads as no routes.
// Any thread for reading; SetSource only while no other thread reads (tests, at set-up).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct IPv4Route {
    std::string interfaceName;
    uint32_t destination = 0; // network byte order, as in_addr.s_addr
    uint32_t gateway = 0;
    uint32_t flags = 0;       // RTF_UP 0x1, RTF_GATEWAY 0x2
    uint32_t mask = 0;

    bool IsUp() const { return flags & 0x1; }
    bool IsDefault() const { return destination == 0 && mask == 0; }
};

class RouteTable {
public:
    using Source = std::function<std::string()>;

    static std::vector<IPv4Route> Current();
    static std::vector<IPv4Route> Parse(const std::string& procNetRouteText);
    // An empty source restores the system's table.
    static void SetSource(Source source);
};

// The dotted-quad text of an address in network byte order.
std::string IPv4AddressText(uint32_t networkOrder);
