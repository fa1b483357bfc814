// Service browsing: finds other copies of the program on the local network by their service type
// "_brevanto._tcp." in the default domains, and resolves one to its IPv4 address and port.
// Nothing in the program calls it yet; it is the road the program's own advertised service
// would be found by.
//
// One browser and one list of found services for the whole program: the list is null before
// the first search, made empty by each search that starts, and kept after Stop. A service is
// listed once however many interfaces and protocols report it. Where no Avahi daemon answers on
// the bus (the system bus, unless tests give another), a search can't start: the browser stays
// null and so does the list.
// GUI thread only; the list changes as the GUI thread's event loop delivers the reports, and
// every resolve blocks it for up to 10 seconds per service.
#pragma once

#include "ServiceDiscovery.h"

#include <QList>
#include <QString>

#include <chrono>
#include <optional>

inline constexpr char kBrevantoServiceType[] = "_brevanto._tcp.";

void StartServiceBrowser();
void StopServiceBrowser();
bool IsServiceBrowserRunning();
// The found services in the order they came, or null before the first search that started.
const QList<DiscoveredService>* FoundServices();

// The first found service whose name equals `name` exactly.
std::optional<DiscoveredService> FindServiceNamed(const QString& name);
// The service's IPv4 address as dotted decimal and its port; a null string (port untouched)
// when it can't be resolved in time or has no IPv4 address.
QString ResolveServiceAddress(const DiscoveredService& service, quint16& port);
QString ResolveServiceNamed(const QString& name, quint16& port);
// The name of the first found service that resolves to this address (ASCII case ignored) and
// port; a null string when none does. Services that can't be resolved are passed over.
QString FindServiceNameByAddress(const QString& address, quint16 port);

// Test settings: the bus the next Start uses, and the resolve deadline (10 s by default).
void SetServiceBrowsingBus(const QDBusConnection& bus);
void SetServiceResolveDeadline(std::chrono::milliseconds deadline);
