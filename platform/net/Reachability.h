// Reachability: whether this computer can reach other networks at all, judged as the system's
// passive check does: an IPv4 default route (destination and mask 0.0.0.0) that is up, through
// an interface that is up. No packet is sent. Reads RouteTable and InterfaceAddresses, whose
// sources tests replace. Any thread.
#pragma once

class Reachability {
public:
    static bool IPv4DefaultRoute();
};
