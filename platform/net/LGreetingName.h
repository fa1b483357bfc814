// LGreetingName: the name a mail client greets the server with (EHLO/HELO argument), made from
// a numeric address: with name lookup on, the name the address resolves to; otherwise, or when
// it resolves to nothing, the address literal ("[192.0.2.1]", "[IPv6:2001:db8::1]").
// The reverse lookup runs on a helper OS thread and is waited for by yielding, up to the
// caller's deadline (then the literal is used). GUI thread (cooperative thread or main context).
#pragma once

#include "Events.h"

#include <QByteArray>
#include <QString>

class LGreetingName {
public:
    static QByteArray Make(const QString& inAddress, bool inLookUpName, LDeadline inDeadline);
    static QByteArray AddressLiteral(const QString& inAddress);
};
