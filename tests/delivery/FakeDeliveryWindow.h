// FakeDeliveryWindow: the mailing window as the send side sees it, with settings the test sets
// and a record of every call the send side makes (shown recipients, recorded results, refresh
// and progress calls, broadcasts it listened to). Merge tags expand through `merge` when set.
#pragma once

#include "CDeliveryWindow.h"

#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

class FakeDeliveryWindow : public CDeliveryWindow {
public:
    QString GetServerName() const override { return server; }
    QString GetUserName() const override { return user; }
    QString GetPassword() const override { return password; }
    UInt16 GetServerPort() const override { return port; }
    SInt32 GetPopPeriod() const override { return popPeriod; }
    SInt16 GetSecureMechanismValue() const override { return mechanism; }
    void SetSecureMechanismValue(SInt16 value) override { mechanism = value; }
    SInt16 GetAuthenticationTypeValue() const override { return authenticationType; }
    bool GetAcceptAnyCertificate() const override { return acceptAny; }
    QString GetMyEmail() const override { return myEmail; }
    QString GetCharsetName() const override { return charset; }
    SInt32 GetPriorityValue() const override { return priority; }
    void ExpandMergeTags(CText& text) override
    {
        if (merge)
            merge(text);
    }
    QString GetRecipientFirstName(SInt32 i) const override { return i >= 0 && i < firstNames.size() ? firstNames[i] : QString(); }
    QString GetRecipientLastName(SInt32 i) const override { return i >= 0 && i < lastNames.size() ? lastNames[i] : QString(); }
    QString GetRecipientEmail(SInt32 i) const override { return i >= 0 && i < emails.size() ? emails[i] : QString(); }
    void ShowCurrentRecipient(const QString& name, const QString& email) override { shown << name + " | " + email; }
    void UpdateProgress() override { ++progressUpdates; }
    void RecordRecipientResult(UInt8 sent, SInt32 index) override
    {
        results.emplace_back(sent, index);
        if (abortAfterFirst)
            abortSend = 1;
    }
    void UpdateBatchRate() override {}
    void AutoSaveIfDue() override {}
    void WaitWhilePaused() override {}
    void RefreshDeliveredList(SInt32 reveal) override { reveals.push_back(reveal); }
    void SetStatusText(const QString& text) override { status = text; }
    void ListenToMessage(MessageT message, void* param) override
    {
        if (message == 612 && param)
            heard << "612 " + *static_cast<const QString*>(param);
        else
            heard << QString::number(message);
    }

    QString server = "127.0.0.1";
    QString user = "user";
    QString password = "secret";
    UInt16 port = 25;
    SInt32 popPeriod = 10;
    SInt16 mechanism = 2;
    SInt16 authenticationType = 0;
    bool acceptAny = false;
    QString myEmail = "sender@brevanto.test";
    QString charset;
    SInt32 priority = 0;
    std::function<void(CText&)> merge;
    QStringList firstNames, lastNames, emails;
    bool abortAfterFirst = false;

    QStringList shown;
    int progressUpdates = 0;
    std::vector<std::pair<UInt8, SInt32>> results;
    std::vector<SInt32> reveals;
    QString status;
    QStringList heard;
};
