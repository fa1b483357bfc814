// The built message on the secure road (see SecureSend.h).
#include "SecureSend.h"

#include "SendSecureMessage.h"

namespace {
QStringList Forms(const std::vector<std::string>& list)
{
    QStringList forms;
    for (const auto& entry : list)
        forms << QString::fromStdString(entry);
    return forms;
}
} // namespace

bool SendMailSecurely(CMailMessage& mail, CDeliveryWindow& window, CText& errorText)
{
    SecureEnvelopeLists envelope;
    envelope.sender = QString::fromStdString(mail.GetFrom());
    envelope.to = Forms(mail.GetTo());
    envelope.cc = Forms(mail.GetCc());
    envelope.bcc = Forms(mail.GetBcc());
    const std::string source = mail.WriteSource();
    return SendSecureMessage(QByteArray::fromStdString(source), envelope, window, errorText);
}
