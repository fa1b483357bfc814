// CSMTPSendMsgThread: carries one send job to the server. Construction builds the outgoing
// message(s) of the job; Run sends the single message with retries (the result goes into the
// job) or the batch through CSMTPConnection (one delivery record per message), both to the
// job's server record, after the POP log-in when the window asks for one, and finally sets the window's send-job-done flag.
// StartSendJob constructs it and calls Run inline on the calling send thread (a cooperative
// thread with a stack of 1 MiB or more: the secure road runs there). Failures end up in the
// job or the records; Run never throws.
#pragma once

#include "CMailMessage.h"
#include "CSendJob.h"
#include "LThread.h"

#include <memory>
#include <vector>

class CSMTPSendMsgThread : public LThread {
public:
    explicit CSMTPSendMsgThread(CSendJob& job);
    ~CSMTPSendMsgThread() override;

    void* Run() override;

private:
    void RunSingle();

    std::vector<std::unique_ptr<CMailMessage>> mMessageList;
    CSendJob& mJob;
    std::unique_ptr<CMailMessage> mSingleMessage;
};
