#include "NetworkCheck.h"

#include "Reachability.h"

#include <QHostAddress>
#include <QUrl>

namespace pictavor {

bool DiagnoseNetwork()
{
    return Reachability::IPv4DefaultRoute();
}

bool NetworkReachable()
{
    return Reachability::IPv4DefaultRoute();
}

bool NeedsNoNetwork(const QString& url)
{
    if (url.startsWith(QLatin1StringView("file://"), Qt::CaseInsensitive))
        return true;
    const QUrl parsed(url);
    if (!parsed.isValid())
        return false;
    const QString host = parsed.host();
    if (host.compare(QLatin1StringView("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

} // namespace pictavor
