// Fixture of tests that run send jobs the way the engine's send thread does: an environment
// with a verbose log in a private folder, retries without waits, preferences put back after
// each test, the per-run test CA, and helpers for messages, jobs and the log's lines.
#pragma once

#include "SecureTestSupport.h"

#include "CEnvironment.h"
#include "CLogFile.h"
#include "CSendJob.h"
#include "Preferences.h"
#include "PreferenceGetters.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

class SendJobTest : public SecureRoadTest {
protected:
    void SetUp() override
    {
        SecureRoadTest::SetUp();
        mEnvironment = std::make_unique<CEnvironment>();
        gEnvironment = mEnvironment.get();
        mLog = std::make_unique<CLogFile>(mEnvironment->version, mEnvironment->dateStampLogEntries);
        ASSERT_EQ(mLog->Open((mFolder.path() + "/Brevanto.log").toUtf8().constData()), 0);
        mEnvironment->logFile = mLog.get();
        mEnvironment->verboseLogging = 1;
        Set(kMessageRetriesIntervalKey, "0");
    }
    void TearDown() override
    {
        for (const char* key : {kMessageRetriesKey, kMessageRetriesIntervalKey, kSimulateErrorsKey, kSimulateToSelfKey})
            SetPreference(nullptr, CString256(key));
        SetImplicitTLSTestPorts({});
        mEnvironment->logFile = nullptr;
        gEnvironment = nullptr;
        mLog.reset();
        mEnvironment.reset();
        SecureRoadTest::TearDown();
    }
    static void Set(const char* key, const char* value) { SetPreference(value, CString256(key)); }

    QStringList LogLines() const
    {
        QFile file(mFolder.path() + "/Brevanto.log");
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll()).split('\n');
    }
    int CountLines(const QString& line) const { return int(LogLines().count(line)); }
    QStringList LinesStartingWith(const QString& start) const
    {
        QStringList found;
        for (const QString& line : LogLines())
            if (line.startsWith(start))
                found << line;
        return found;
    }

    static Message MessageFor(SInt32 index, const char* to = "Ann <ann@example.org>", const char* subject = "Hello")
    {
        Message message;
        message.to = to;
        message.from = "Sender <sender@brevanto.test>";
        message.subject = subject;
        message.SetSubjectString(subject);
        message.body = "Hello there";
        message.contentType = "text/plain";
        message.recipientIndex = index;
        message.messageNumber = index;
        return message;
    }

    // Runs the job on a cooperative thread, as the engine's send thread would.
    static void Run(CSendJob& job) { ASSERT_TRUE(RunOnThread([&] { StartSendJob(job); })); }

    QTemporaryDir mFolder;
    std::unique_ptr<CEnvironment> mEnvironment;
    std::unique_ptr<CLogFile> mLog;
};
