#include "ServiceDiscovery.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QHostAddress>
#include <QVariantList>

namespace {

constexpr char kAvahiService[] = "org.freedesktop.Avahi";
constexpr char kServerInterface[] = "org.freedesktop.Avahi.Server";
constexpr char kBrowserInterface[] = "org.freedesktop.Avahi.ServiceBrowser";
constexpr int kAnyInterface = -1;
constexpr int kAnyProtocol = -1;
constexpr int kIPv4Protocol = 0;

QDBusMessage ServerCall(const char* method, const QVariantList& arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kAvahiService, "/", kServerInterface, method);
    call.setArguments(arguments);
    return call;
}

QString WithoutFinalDot(const QString& text)
{
    return text.endsWith('.') ? text.chopped(1) : text;
}

} // namespace

ServiceDiscovery::ServiceDiscovery(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
    , mBus(bus)
{
}

ServiceDiscovery::~ServiceDiscovery() { Stop(); }

// Any browser's path: the daemon may report before its answer names ours, so reports are
// taken from every path and sorted out by path when they arrive.
bool ServiceDiscovery::Subscribe(bool on)
{
    bool done = true;
    const auto change = [&](const char* signal, const char* slot) {
        done &= on ? mBus.connect(kAvahiService, QString(), kBrowserInterface, signal, this, slot)
                   : mBus.disconnect(kAvahiService, QString(), kBrowserInterface, signal, this, slot);
    };
    change("ItemNew", SLOT(OnItemNew(QDBusMessage)));
    change("ItemRemove", SLOT(OnItemRemove(QDBusMessage)));
    return done;
}

bool ServiceDiscovery::Start(const QString& type, const QString& domain)
{
    Stop();
    if (!mBus.isConnected() || !Subscribe(true))
        return false;
    const QDBusMessage reply = mBus.call(ServerCall("ServiceBrowserNew", {kAnyInterface, kAnyProtocol,
                                                                         WithoutFinalDot(type),
                                                                         WithoutFinalDot(domain), 0u}));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        Subscribe(false);
        return false;
    }
    mBrowserPath = reply.arguments().front().value<QDBusObjectPath>().path();
    if (mBrowserPath.isEmpty())
        Subscribe(false);
    return IsBrowsing();
}

void ServiceDiscovery::Stop()
{
    if (!IsBrowsing())
        return;
    Subscribe(false);
    mBus.call(QDBusMessage::createMethodCall(kAvahiService, mBrowserPath, kBrowserInterface, "Free"),
              QDBus::NoBlock);
    mBrowserPath.clear();
    mReports.clear();
}

std::optional<std::pair<DiscoveredService, ServiceDiscovery::Report>>
ServiceDiscovery::ReadItem(const QDBusMessage& message)
{
    const QVariantList arguments = message.arguments();
    if (arguments.size() < 5)
        return std::nullopt;
    return std::pair{DiscoveredService{arguments[2].toString(), arguments[3].toString(), arguments[4].toString()},
                     Report{arguments[0].toInt(), arguments[1].toInt()}};
}

void ServiceDiscovery::OnItemNew(const QDBusMessage& message)
{
    const auto item = ReadItem(message);
    if (!item || message.path() != mBrowserPath)
        return;
    std::set<Report>& reports = mReports[item->first];
    const bool first = reports.empty();
    reports.insert(item->second);
    if (first)
        emit Found(item->first);
}

void ServiceDiscovery::OnItemRemove(const QDBusMessage& message)
{
    const auto item = ReadItem(message);
    if (!item || message.path() != mBrowserPath)
        return;
    const auto found = mReports.find(item->first);
    if (found == mReports.end() || found->second.erase(item->second) == 0 || !found->second.empty())
        return;
    mReports.erase(found);
    emit Lost(item->first);
}

std::optional<ResolvedService> ServiceDiscovery::Resolve(const DiscoveredService& service,
                                                         std::chrono::milliseconds deadline) const
{
    if (!mBus.isConnected())
        return std::nullopt;
    QDBusConnection bus = mBus;
    const QDBusMessage reply = bus.call(ServerCall("ResolveService", {kAnyInterface, kAnyProtocol, service.name,
                                                                      service.type, service.domain, kAnyProtocol, 0u}),
                                        QDBus::Block, int(deadline.count()));
    // interface, protocol, name, type, domain, host, address protocol, address, port, txt, flags
    const QVariantList answer = reply.arguments();
    if (reply.type() != QDBusMessage::ReplyMessage || answer.size() < 9 || answer[6].toInt() != kIPv4Protocol)
        return std::nullopt;
    const QHostAddress address(answer[7].toString());
    if (address.protocol() != QAbstractSocket::IPv4Protocol)
        return std::nullopt;
    return ResolvedService{address.toString(), quint16(answer[8].toUInt())};
}
