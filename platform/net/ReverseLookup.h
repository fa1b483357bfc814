// ReverseLookup: the host name an IPv4 address resolves to, within a deadline. The resolver may
// block for long, so it runs on a short-lived thread of its own whose late answer is dropped;
// only a well-formed host name (labels of letters, digits and "-", joined by dots) counts.
// Any thread. Tests replace the resolver.
#pragma once

#include <chrono>
#include <functional>
#include <string>

// Empty when there is no name, it came too late, or it is not a host name.
std::string ReverseLookup(const std::string& address, std::chrono::milliseconds deadline);

using ReverseResolver = std::function<std::string(const std::string& address)>;
// An empty resolver restores the system's (InterfaceAddresses::HostNameForAddress).
void SetReverseResolver(ReverseResolver resolver);

bool IsWellFormedHostName(const std::string& name);
