// NetworkChecks: whether the network is reachable, the user-started network diagnosis, this
// computer's local and public addresses (each cached for the life of the program, "0.0.0.0"
// standing for unknown), the default interface and gateway, a file-name-safe title for a web
// page, the e-mail address form check, and the match of an address against blacklist entries.
//
// The public address is asked of an outside what-is-my-IP service and accepted only as a plain
// dotted-quad IPv4 text; anything else counts as unknown. Blacklist patterns that do not
// compile match nothing. The service URL and the alert presenter are replaceable (tests, and
// the application, which shows its own alerts).
// GUI thread or cooperative threads (the fetches wait, yielding on a cooperative thread); the
// caches take no lock, as those threads never interleave inside these functions.
#pragma once

#include "CString256.h"
#include "MacTypes.h"

#include <QString>
#include <QStringList>

#include <functional>

bool IsNetworkReachable();

// Shows "The connection seems to be up" / "Network diagnostics is not needed." when the
// passive check finds the network up, else "The connection seems to be down" / "Check this
// computer's network connection and try again.".
void RunNetworkDiagnostics();
using NetworkAlertPresenter = std::function<void(const QString& message, const QString& explanation)>;
// Where the diagnosis shows its alert (the application installs its ShowAlert); empty: none.
void SetNetworkAlertPresenter(NetworkAlertPresenter presenter);

QString GetExternalIPAddress(bool refresh, bool resolveName);
QString GetLocalIPAddress(bool refresh, bool resolveName);
// The what-is-my-IP service; a new URL applies from the next refresh. Empty restores the default.
void SetExternalAddressServiceURL(const QString& url);
// The user agent the service is asked with when the first request brings nothing.
extern const char* const kExternalAddressFallbackUserAgent;

// The default interface's IPv4 address and the name it resolves to (empty without one).
// kOTNotFoundErr (-3201) when there is no default interface or it has no IPv4 address.
OSStatus GetInterfaceAddress(CString256& address, CString256& name);
// The default gateway's address and name, with the same result codes.
OSStatus GetGatewayAddress(CString256& address, CString256& name);

// One usable file name from the page's <title> ("/" and ":" become "-"), else from the URL's
// last path component, made safe; null when neither gives one (or for a null URL).
QString GetURLTitle(const QString& url);

// True for local@domain where the local part holds letters, digits and . _ % + - ' (any
// accents), the domain letters, digits, dots and hyphens, and the last label is 2 to 63
// letters or an internationalised "xn--" label. Nothing that breaks a header line passes (CR,
// LF, NUL, blanks, commas, semicolons, angle brackets, quotes, DEL).
bool IsValidEmailAddress(const QString& address);
// The same for a NUL-terminated text in `encoding` (0 Mac Roman, 0x08000100 UTF-8; any
// other value is read as UTF-8).
bool IsValidEmailCString(const char* address, UInt32 encoding);

// True when `string` matches one entry: with `asPatterns` a whole-text regular expression
// (case and diacritics ignored), otherwise an equal text (case ignored). Empty list: false.
bool MatchesAnyPattern(const QStringList& entries, const QString& string, bool asPatterns);
