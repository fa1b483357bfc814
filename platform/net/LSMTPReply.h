// LSMTPReply: one reply of an SMTP server:
// the code from the leading digits of its first line (0 when there are none) and its lines
// without line ends. A plain value; any thread.
#pragma once

#include <QByteArray>
#include <QList>

struct LSMTPReply {
    int code = 0;
    QList<QByteArray> lines;

    int Class() const { return code / 100; }
    // The lines joined by "\n".
    QByteArray Text() const;

    static int LeadingNumber(const QByteArray& inLine);
};
