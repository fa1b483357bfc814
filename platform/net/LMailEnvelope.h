// LMailEnvelope: an outgoing message held as plain values (sender, recipients, source bytes,
// subject). Benchmarks, tests and simple callers use it. Any thread.
#pragma once

#include "LOutgoingMail.h"

class LMailEnvelope : public LOutgoingMail {
public:
    LMailEnvelope() = default;
    LMailEnvelope(QByteArray inSender, QList<QByteArray> inRecipients, QByteArray inSource, QString inSubject = {})
        : sender(std::move(inSender))
        , recipients(std::move(inRecipients))
        , source(std::move(inSource))
        , subject(std::move(inSubject))
    {
    }

    QByteArray GetEnvelopeSender() const override { return sender; }
    QList<QByteArray> GetEnvelopeRecipients() const override { return recipients; }
    QByteArray GetSource() const override { return source; }
    QString GetSubject() const override { return subject; }

    QByteArray sender;
    QList<QByteArray> recipients;
    QByteArray source;
    QString subject;
};
