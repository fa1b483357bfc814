// InterfaceAddresses: this computer's network interfaces and their addresses in the order the
// system lists them (getifaddrs), the default IPv4 gateway and interface (RouteTable), and the
// name an address resolves to. The list source is replaceable so tests can feed their own.
// Stands in for the interface information the program asked the system for; it does not
// configure anything. Any thread for reading (HostNameForAddress may block on the resolver);
// SetListSource only while no other thread reads (tests, at set-up).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

struct InterfaceAddress {
    std::string name;     // "lo", "eth0" ...
    bool up = false;      // IFF_UP
    bool loopback = false;
    int family = 0;       // AF_INET, AF_INET6, or another family with an empty address
    std::string address;  // numeric text; empty for other families
};

class InterfaceAddresses {
public:
    using ListSource = std::function<std::vector<InterfaceAddress>()>;

    static std::vector<InterfaceAddress> List();
    // An empty source restores the system's list.
    static void SetListSource(ListSource source);

    static bool IsInterfaceUp(const std::string& name);
    // The gateway of the first up default route whose interface is up; nullopt without one.
    static std::optional<std::string> DefaultGateway();
    // The interface of that route; nullopt without one.
    static std::optional<std::string> DefaultInterface();

    // AF_INET or AF_INET6 when `text` is a numeric address of that family ("192.0.2.1", "::1");
    // 0 for anything else (a host name, an address in brackets).
    static int AddressFamilyOf(const std::string& text);
    // The host name `numericAddress` resolves to; empty when it has none (or on failure).
    static std::string HostNameForAddress(const std::string& numericAddress);
};
