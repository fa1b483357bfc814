// Build-only rate of personalised messages: each has its own To name and address, a subject and
// an HTML and a plain body with the name, "Encode QP" on (base64 text parts), and optionally one
// 50 KB attachment, read and encoded once for the mailing as the window assembles it. Each
// message goes the engine's way: the mailing's message refilled for the recipient, copied into
// its send job, built and written to source text. The figure is messages per second.
#include "BuildSendJobMessage.h"
#include "CDeliveryWindow.h"
#include "CMailMessage.h"
#include "HeaderForms.h"
#include "Message.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <string>

namespace {

class BenchWindow : public CDeliveryWindow {
public:
    QString GetServerName() const override { return QStringLiteral("smtp.example.com"); }
    QString GetUserName() const override { return QString(); }
    QString GetPassword() const override { return QString(); }
    UInt16 GetServerPort() const override { return 25; }
    SInt32 GetPopPeriod() const override { return 0; }
    SInt16 GetSecureMechanismValue() const override { return 1; }
    void SetSecureMechanismValue(SInt16) override {}
    SInt16 GetAuthenticationTypeValue() const override { return 0; }
    bool GetAcceptAnyCertificate() const override { return false; }
    QString GetMyEmail() const override { return QStringLiteral("sender@example.com"); }
    QString GetCharsetName() const override { return QStringLiteral("utf-8"); }
    SInt32 GetPriorityValue() const override { return 0; }
    void ExpandMergeTags(CText&) override {}
    QString GetRecipientFirstName(SInt32) const override { return QString(); }
    QString GetRecipientLastName(SInt32) const override { return QString(); }
    QString GetRecipientEmail(SInt32) const override { return QString(); }
    void ShowCurrentRecipient(const QString&, const QString&) override {}
    void UpdateProgress() override {}
    void RecordRecipientResult(UInt8, SInt32) override {}
    void UpdateBatchRate() override {}
    void AutoSaveIfDue() override {}
    void WaitWhilePaused() override {}
    void RefreshDeliveredList(SInt32) override {}
    void SetStatusText(const QString&) override {}
    void ListenToMessage(MessageT, void*) override {}
};

void BuildPersonalised(benchmark::State& state)
{
    const bool withAttachment = state.range(0) != 0;
    QTemporaryDir folder;
    const QString attachmentPath = folder.path() + "/brochure.pdf";
    QFile file(attachmentPath);
    file.open(QIODevice::WriteOnly);
    QRandomGenerator random(7);
    for (int i = 0; i < 50 * 1024; ++i)
        file.putChar(char(random.bounded(256)));
    file.close();

    BenchWindow window;
    Message message;
    message.from = MakeAddressHeaderForm(QStringLiteral("Brevanto Sales"), QStringLiteral("sender@example.com")).c_str();
    message.mailServer = "smtp.example.com";
    message.attachmentDisposition = Message::kAttachment;
    if (withAttachment)
        message.AddAttachment(attachmentPath.toUtf8().constData());
    size_t bytes = 0;
    int index = 0;
    for (auto _ : state) {
        const QString name = QStringLiteral("Customer N\u00FAmero %1").arg(index);
        message.to = MakeAddressHeaderForm(name, QStringLiteral("customer%1@example.org").arg(index)).c_str();
        message.SetSubjectString(QStringLiteral("News for you, %1").arg(name));
        EncodeCFString(message, window, message.subject);
        const std::string utf8 = name.toStdString();
        message.body = ("<html><body><h1>Hello " + utf8 + "</h1><p>" + std::string(2000, 'x') + "</p></body></html>").c_str();
        message.plainText = ("Hello " + utf8 + "\n\n" + std::string(1500, 'y') + "\n").c_str();
        const Message job = message;
        CMailMessage mail;
        BuildSendJobMessage(window, job, mail);
        bytes += mail.WriteSource().size();
        ++index;
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(int64_t(bytes));
}
BENCHMARK(BuildPersonalised)->Arg(0)->Arg(1)->ArgName("attachment50KB");

}  // namespace
