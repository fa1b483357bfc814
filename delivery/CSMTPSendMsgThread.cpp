// The send thread body (see CSMTPSendMsgThread.h).
#include "CSMTPSendMsgThread.h"

#include "BuildSendJobMessage.h"
#include "CDeliveryWindow.h"
#include "CSMTPConnection.h"
#include "PopBeforeSMTP.h"
#include "SecureSend.h"
#include "SendAttempts.h"

CSMTPSendMsgThread::CSMTPSendMsgThread(CSendJob& job)
    : mJob(job)
{
    if (job.kind == CSendJob::kSingle) {
        mSingleMessage = std::make_unique<CMailMessage>();
        BuildSendJobMessage(job.window, job.message, *mSingleMessage);
        return;
    }
    job.messages.Rewind();
    while (const Message* next = job.messages.Next()) {
        const Message& message = *next;
        auto mail = std::make_unique<CMailMessage>();
        BuildSendJobMessage(job.window, message, *mail);
        mMessageList.push_back(std::move(mail));
    }
}

CSMTPSendMsgThread::~CSMTPSendMsgThread() = default;

void* CSMTPSendMsgThread::Run()
{
    try {
        CSMTPConnection connection(mJob.window, mJob.server);
        connection.AddListener(&mJob.window);
        RunPopBeforeSMTP(mJob.window);
        if (mJob.kind == CSendJob::kSingle) {
            RunSingle();
        } else {
            std::vector<CMailMessage*> list;
            for (auto& mail : mMessageList)
                list.push_back(mail.get());
            connection.SendMessages(&list);
        }
    } catch (...) {
        if (mJob.kind == CSendJob::kSingle && mJob.success) {
            mJob.success = 0;
            mJob.errorCode = -1;
        }
    }
    mMessageList.clear();
    mSingleMessage.reset();
    mJob.window.sendJobDone = 1;
    return nullptr;
}

void CSMTPSendMsgThread::RunSingle()
{
    CMailMessage& mail = *mSingleMessage;
    if (mail.BuildFailed()) {
        mJob.success = 0;
        mJob.errorCode = mail.buildError;
        mJob.errorText = CString256(mail.buildErrorText.buffer ? mail.buildErrorText.buffer : "");
        return;
    }
    const SendAttemptResult result = RunSendAttempts(
        kSingleJobTexts,
        [&](CText& error) {
            if (SendMailSecurely(mail, mJob.server, error))
                return true;
            mJob.success = 0;
            mJob.errorCode = kSecureSendFailedCode;
            mJob.errorText = CString256(error.buffer ? error.buffer : "");
            return false;
        },
        [&](SInt32 attempt) { mJob.retryCount = SInt16(attempt); });
    mJob.success = result.sent ? 1 : 0;
    mJob.errorCode = result.errorCode;
    mJob.errorText = result.sent ? CString256() : result.errorText;
}

void StartSendJob(CSendJob& job)
{
    CSMTPSendMsgThread thread(job);
    thread.Run();
}
