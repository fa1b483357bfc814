#include "Reachability.h"

#include "InterfaceAddresses.h"

bool Reachability::IPv4DefaultRoute()
{
    return InterfaceAddresses::DefaultInterface().has_value();
}
