// LOutgoingMail: what the framework's SMTP client needs of one message to send it: the envelope
// sender (may be empty: the null reverse path), the envelope recipients, the message bytes as
// built (any line ends; the client makes them CRLF and dot-stuffs them), and the subject for the
// progress broadcast. The program's message classes implement it; LMailEnvelope is a plain one.
// Lists of messages are not owned by whoever sends them. Same thread rules as the sender.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

class LOutgoingMail {
public:
    virtual ~LOutgoingMail() = default;

    virtual QByteArray GetEnvelopeSender() const = 0;
    virtual QList<QByteArray> GetEnvelopeRecipients() const = 0;
    virtual QByteArray GetSource() const = 0;
    virtual QString GetSubject() const = 0;
};

using LOutgoingMailList = std::vector<LOutgoingMail*>;
