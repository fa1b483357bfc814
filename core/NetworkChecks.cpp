#include "NetworkChecks.h"

#include "CHTTPRequest.h"
#include "FileNameStrings.h"
#include "InterfaceAddresses.h"
#include "MacRomanText.h"
#include "Reachability.h"
#include "WebEnvironment.h"

#include <QFile>
#include <QRegularExpression>
#include <QUrl>

#include <sys/socket.h>

const char* const kExternalAddressFallbackUserAgent =
    "Mozilla/5.0 (Macintosh; U; Intel Mac OS X 10_6_6; en-us) AppleWebKit/533.20.25 "
    "(KHTML, like Gecko) Version/5.0.4 Safari/533.20.27";

namespace {

constexpr OSStatus kOTNotFoundErr = -3201;
constexpr SInt32 kAddressTimeoutSeconds = 30;
constexpr SInt32 kTitleTimeoutSeconds = 60;
constexpr UInt32 kMacRomanEncoding = 0;
constexpr UInt32 kLatin1Encoding = 0x0201;
constexpr UInt32 kWindowsLatin1Encoding = 0x0500;
const char* const kDefaultServiceURL = "http://api.ipify.org/";
const QString kUnknownAddress = QStringLiteral("0.0.0.0");

QString gExternalAddress;
QString gLocalAddress;
QString gServiceURL;
NetworkAlertPresenter gPresenter;

// A waiting GET; the body, or empty without one.
QByteArray FetchBody(const QString& url, const std::string& userAgent, SInt32 timeoutSeconds)
{
    CHTTPRequest request(timeoutSeconds, true);
    request.Get(url.toUtf8().constData(), userAgent.c_str(), "", "");
    return request.TakeBody();
}

// Whole dotted-quad IPv4 text, each part 0-255.
bool IsPlainIPv4(const QString& text)
{
    static const QRegularExpression form("^(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})$");
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return false;
    for (int part = 1; part <= 4; ++part) {
        if (match.captured(part).toInt() > 255)
            return false;
    }
    return true;
}

QString ResolvedOr(const QString& address, bool resolveName)
{
    if (!resolveName)
        return address;
    const std::string name = InterfaceAddresses::HostNameForAddress(address.toStdString());
    return name.empty() ? address : QString::fromStdString(name);
}

bool IsLoopbackIPv4(const std::string& address)
{
    return address.rfind("127.", 0) == 0;
}

// The first IPv4 address of `interfaceName`; empty without one.
std::string IPv4AddressOf(const std::string& interfaceName)
{
    for (const InterfaceAddress& item : InterfaceAddresses::List()) {
        if (item.name == interfaceName && item.family == AF_INET)
            return item.address;
    }
    return {};
}

// Diacritics removed (canonical decomposition, marks dropped).
QString WithoutDiacritics(const QString& text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString folded;
    folded.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        const QChar::Category category = c.category();
        if (category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining
            || category == QChar::Mark_Enclosing)
            continue;
        folded += c;
    }
    return folded;
}

bool MatchesWhole(const QString& pattern, const QString& text)
{
    const QRegularExpression expression(QRegularExpression::anchoredPattern(WithoutDiacritics(pattern)),
                                        QRegularExpression::CaseInsensitiveOption);
    return expression.isValid() && expression.match(WithoutDiacritics(text)).hasMatch();
}

// A title that names no item of its own (nothing, or dots and blanks only).
bool IsUsableName(const QString& text)
{
    for (const QChar c : text) {
        if (c != '.' && !c.isSpace())
            return true;
    }
    return false;
}

QString SafeLastPathComponent(const QString& url)
{
    const QString path = QUrl(url).path(QUrl::FullyDecoded);
    const QString last = path.section('/', -1);
    if (!IsUsableName(last))
        return {};
    return CleanForFilename(last);
}

QByteArray LoadPage(const QString& url)
{
    const QUrl parsed(url);
    if (parsed.isLocalFile()) {
        QFile file(parsed.toLocalFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    return FetchBody(url, WebEnvironment::UserAgent(), kTitleTimeoutSeconds);
}

} // namespace

bool IsNetworkReachable()
{
    return Reachability::IPv4DefaultRoute();
}

void SetNetworkAlertPresenter(NetworkAlertPresenter presenter)
{
    gPresenter = std::move(presenter);
}

void RunNetworkDiagnostics()
{
    if (!gPresenter)
        return;
    if (IsNetworkReachable())
        gPresenter("The connection seems to be up", "Network diagnostics is not needed.");
    else
        gPresenter("The connection seems to be down", "Check this computer's network connection and try again.");
}

void SetExternalAddressServiceURL(const QString& url)
{
    gServiceURL = url;
}

QString GetExternalIPAddress(bool refresh, bool resolveName)
{
    if (!gExternalAddress.isNull() && !refresh)
        return gExternalAddress;
    const QString service = gServiceURL.isEmpty() ? QString(kDefaultServiceURL) : gServiceURL;
    QByteArray body = FetchBody(service, WebEnvironment::UserAgent(), kAddressTimeoutSeconds);
    if (body.isEmpty())
        body = FetchBody(service, kExternalAddressFallbackUserAgent, kAddressTimeoutSeconds);
    const QString text = DecodeUtf8OrMacRoman(body).trimmed();
    gExternalAddress = IsPlainIPv4(text) ? ResolvedOr(text, resolveName) : kUnknownAddress;
    return gExternalAddress;
}

QString GetLocalIPAddress(bool refresh, bool resolveName)
{
    if (!gLocalAddress.isNull() && !refresh)
        return gLocalAddress;
    gLocalAddress = kUnknownAddress;
    for (const InterfaceAddress& item : InterfaceAddresses::List()) {
        if (item.family != AF_INET || item.loopback || IsLoopbackIPv4(item.address))
            continue;
        gLocalAddress = ResolvedOr(QString::fromStdString(item.address), resolveName);
        break;
    }
    return gLocalAddress;
}

OSStatus GetInterfaceAddress(CString256& address, CString256& name)
{
    const auto interfaceName = InterfaceAddresses::DefaultInterface();
    if (!interfaceName)
        return kOTNotFoundErr;
    const std::string ipv4 = IPv4AddressOf(*interfaceName);
    if (ipv4.empty())
        return kOTNotFoundErr;
    address.Assign(ipv4.c_str());
    name.Assign(InterfaceAddresses::HostNameForAddress(ipv4).c_str());
    return noErr;
}

OSStatus GetGatewayAddress(CString256& address, CString256& name)
{
    const auto gateway = InterfaceAddresses::DefaultGateway();
    if (!gateway)
        return kOTNotFoundErr;
    address.Assign(gateway->c_str());
    name.Assign(InterfaceAddresses::HostNameForAddress(*gateway).c_str());
    return noErr;
}

QString GetURLTitle(const QString& url)
{
    if (url.isNull())
        return {};
    const QByteArray page = LoadPage(url);
    QString title;
    if (!page.isEmpty())
        title = ExtractBetweenPattern(DecodeUtf8OrMacRoman(page), "<title>", "</title>");
    title.replace('/', '-').replace(':', '-');
    title.remove(QChar(0));
    if (!IsUsableName(title))
        return SafeLastPathComponent(url);
    return CleanForFilename(title);
}

bool IsValidEmailAddress(const QString& address)
{
    return MatchesWhole("[A-Z0-9._%+'-]+@[A-Z0-9.-]+\\.(?:[A-Z]{2,63}|XN--[A-Z0-9-]{1,59})", address);
}

bool IsValidEmailCString(const char* address, UInt32 encoding)
{
    if (!address)
        return false;
    const QByteArray bytes(address);
    if (encoding == kMacRomanEncoding)
        return IsValidEmailAddress(DecodeMacRoman(bytes));
    if (encoding == kLatin1Encoding || encoding == kWindowsLatin1Encoding)
        return IsValidEmailAddress(QString::fromLatin1(bytes));
    return IsValidEmailAddress(QString::fromUtf8(bytes));
}

bool MatchesAnyPattern(const QStringList& entries, const QString& string, bool asPatterns)
{
    const QString lowered = string.toLower();
    for (const QString& entry : entries) {
        if (asPatterns ? MatchesWhole(entry, lowered) : entry.compare(string, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}
