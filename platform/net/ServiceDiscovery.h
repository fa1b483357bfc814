// ServiceDiscovery: DNS service discovery (multicast DNS) through the Avahi daemon's D-Bus
// interface - browse one service type in a domain, hear services come and go, resolve one to an
// address and port. Stands in for the system's service browser; publishing is not offered.
//
// A service is its (name, type, domain): the daemon reports it once per interface and protocol,
// and Found comes at the first of those reports, Lost when the last one is withdrawn. Signals
// are subscribed before the browser is made, so the reports the daemon sends at once are kept.
// The bus is the system bus unless another is given (tests run a private one).
// GUI thread (signals come through its event loop). What can fail: no bus, no daemon, a refused
// type (Start false); a resolve that the daemon refuses, that is not IPv4, or that does not
// answer by the deadline (no answer).
#pragma once

#include <QDBusConnection>
#include <QMetaType>
#include <QObject>
#include <QString>

#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <utility>

class QDBusMessage;

struct DiscoveredService {
    QString name;
    QString type;
    QString domain;

    bool operator==(const DiscoveredService&) const = default;
    bool operator<(const DiscoveredService& other) const
    {
        return std::tie(name, type, domain) < std::tie(other.name, other.type, other.domain);
    }
};
Q_DECLARE_METATYPE(DiscoveredService)

struct ResolvedService {
    QString address; // IPv4 dotted decimal
    quint16 port = 0;
};

class ServiceDiscovery : public QObject {
    Q_OBJECT
public:
    explicit ServiceDiscovery(const QDBusConnection& bus = QDBusConnection::systemBus(), QObject* parent = nullptr);
    ~ServiceDiscovery() override;

    // Starts browsing for `type` (as "_name._tcp", a final "." allowed) in `domain` (empty: the
    // default domains). A running browse is stopped first. False when it could not start.
    bool Start(const QString& type, const QString& domain = {});
    void Stop();
    bool IsBrowsing() const { return !mBrowserPath.isEmpty(); }

    // Blocks the calling thread up to `deadline` for the daemon's answer.
    std::optional<ResolvedService> Resolve(const DiscoveredService& service, std::chrono::milliseconds deadline) const;

signals:
    void Found(const DiscoveredService& service);
    void Lost(const DiscoveredService& service);

private slots:
    void OnItemNew(const QDBusMessage& message);
    void OnItemRemove(const QDBusMessage& message);

private:
    using Report = std::pair<int, int>; // interface, protocol
    bool Subscribe(bool on);
    static std::optional<std::pair<DiscoveredService, Report>> ReadItem(const QDBusMessage& message);

    QDBusConnection mBus;
    QString mBrowserPath;
    std::map<DiscoveredService, std::set<Report>> mReports;
};
