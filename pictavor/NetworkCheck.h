// Whether the network is up for a page: an IPv4 default route that is up (the system's passive
// check; no packet is sent). Pages that need no outside network (file URLs, localhost,
// 127.0.0.0/8, ::1) are never refused by it. Main thread.
#pragma once

#include <QString>

namespace pictavor {

// True when the network is reported up.
bool DiagnoseNetwork();
bool NetworkReachable();

// True for a URL that needs no network: file:// (any case) or a loopback host.
bool NeedsNoNetwork(const QString& url);

} // namespace pictavor
