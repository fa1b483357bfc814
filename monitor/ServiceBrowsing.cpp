#include "ServiceBrowsing.h"

#include <memory>

namespace {

struct BrowsingState {
    std::optional<QDBusConnection> bus; // empty: the system bus
    std::chrono::milliseconds resolveDeadline{10000};
    std::unique_ptr<ServiceDiscovery> browser;
    std::unique_ptr<QList<DiscoveredService>> services;
};

BrowsingState& State()
{
    static BrowsingState* sState = new BrowsingState; // lives until exit, like the browser it holds
    return *sState;
}

void AddService(const DiscoveredService& service)
{
    if (State().services && !State().services->contains(service))
        State().services->append(service);
}

void RemoveService(const DiscoveredService& service)
{
    if (State().services)
        State().services->removeOne(service);
}

} // namespace

void StartServiceBrowser()
{
    BrowsingState& state = State();
    state.services.reset();
    state.browser = std::make_unique<ServiceDiscovery>(state.bus.value_or(QDBusConnection::systemBus()));
    QObject::connect(state.browser.get(), &ServiceDiscovery::Found, AddService);
    QObject::connect(state.browser.get(), &ServiceDiscovery::Lost, RemoveService);
    // the list exists before the search starts: the daemon's first reports may come at once
    state.services = std::make_unique<QList<DiscoveredService>>();
    if (!state.browser->Start(QString::fromLatin1(kBrevantoServiceType))) {
        state.browser.reset();
        state.services.reset();
    }
}

void StopServiceBrowser()
{
    State().browser.reset();
}

bool IsServiceBrowserRunning()
{
    return State().browser != nullptr;
}

const QList<DiscoveredService>* FoundServices()
{
    return State().services.get();
}

std::optional<DiscoveredService> FindServiceNamed(const QString& name)
{
    if (!State().services)
        return std::nullopt;
    for (const DiscoveredService& service : *State().services)
        if (service.name == name)
            return service;
    return std::nullopt;
}

QString ResolveServiceAddress(const DiscoveredService& service, quint16& port)
{
    const ServiceDiscovery resolver(State().bus.value_or(QDBusConnection::systemBus()));
    const std::optional<ResolvedService> resolved = resolver.Resolve(service, State().resolveDeadline);
    if (!resolved)
        return QString();
    port = resolved->port;
    return resolved->address;
}

QString ResolveServiceNamed(const QString& name, quint16& port)
{
    const std::optional<DiscoveredService> service = FindServiceNamed(name);
    return service ? ResolveServiceAddress(*service, port) : QString();
}

QString FindServiceNameByAddress(const QString& address, quint16 port)
{
    if (!State().services)
        return QString();
    const QList<DiscoveredService> services = *State().services; // resolving lets no report in, but be safe
    for (const DiscoveredService& service : services) {
        quint16 servicePort = 0;
        const QString serviceAddress = ResolveServiceAddress(service, servicePort);
        if (!serviceAddress.isNull() && servicePort == port &&
            serviceAddress.compare(address, Qt::CaseInsensitive) == 0)
            return service.name;
    }
    return QString();
}

void SetServiceBrowsingBus(const QDBusConnection& bus)
{
    State().bus = bus;
}

void SetServiceResolveDeadline(std::chrono::milliseconds deadline)
{
    State().resolveDeadline = deadline;
}
