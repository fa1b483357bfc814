#include "RouteTable.h"

#include <arpa/inet.h>

#include <fstream>
#include <sstream>

namespace {

RouteTable::Source& CurrentSource()
{
    static RouteTable::Source source;
    return source;
}

std::string ReadSystemTable()
{
    std::ifstream file("/proc/net/route");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

bool ParseHex(const std::string& field, uint32_t* value)
{
    if (field.empty() || field.size() > 8)
        return false;
    char* end = nullptr;
    const unsigned long parsed = std::strtoul(field.c_str(), &end, 16);
    if (*end != 0)
        return false;
    *value = uint32_t(parsed);
    return true;
}

} // namespace

std::vector<IPv4Route> RouteTable::Parse(const std::string& text)
{
    std::vector<IPv4Route> routes;
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line); // the column titles
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string name, destination, gateway, flags, refCount, use, metric, mask;
        if (!(fields >> name >> destination >> gateway >> flags >> refCount >> use >> metric >> mask))
            continue;
        IPv4Route route;
        route.interfaceName = name;
        if (!ParseHex(destination, &route.destination) || !ParseHex(gateway, &route.gateway)
            || !ParseHex(flags, &route.flags) || !ParseHex(mask, &route.mask))
            continue;
        routes.push_back(route);
    }
    return routes;
}

std::vector<IPv4Route> RouteTable::Current()
{
    const Source& source = CurrentSource();
    return Parse(source ? source() : ReadSystemTable());
}

void RouteTable::SetSource(Source source)
{
    CurrentSource() = std::move(source);
}

std::string IPv4AddressText(uint32_t networkOrder)
{
    in_addr address {};
    address.s_addr = networkOrder;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}
