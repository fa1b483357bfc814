// A mailing window ready to send through a real SMTP peer: an environment with its log in the
// test's folder, the per-run test CA trusted, retries without waits, a sender, a server
// (127.0.0.1, STARTTLS, user "user"), a subject and a body file with merge tags, and the
// recipients imported from a text file. The run is started as the Send command does and
// waited for; what arrived is read back with Python's email parser (tests/peers).
#pragma once

#include "MailingWindowFixture.h"

#include "../peers/SmtpServerPeer.h"
#include "../peers/TestCertificates.h"

#include "CEnvironment.h"
#include "CLogFile.h"
#include "CThread.h"
#include "Clock.h"
#include "ControlValues.h"
#include "LEventLoopTimer.h"
#include "LMainContext.h"
#include "LThread.h"
#include "SecureMessenger.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <chrono>
#include <memory>

class MailingRunTest : public MailingWindowTest {
protected:
    void SetUp() override
    {
        MailingWindowTest::SetUp();
        LMainContext::Get();
        ASSERT_TRUE(TestCertificates::Shared().IsValid());
        mSavedCAFile = SecureCAFile();
        SetSecureCAFile(TestCertificates::Shared().CAFile());
        mEnvironment = std::make_unique<CEnvironment>();
        gEnvironment = mEnvironment.get();
        mLog = std::make_unique<CLogFile>(mEnvironment->version, mEnvironment->dateStampLogEntries);
        ASSERT_EQ(mLog->Open(FolderPath("Brevanto.log").toUtf8().constData()), 0);
        mEnvironment->logFile = mLog.get();
        for (const char* key : kRunKeys)
            SetPreference(nullptr, CString256(key));
        Set(kMessageRetriesIntervalKey, "0");
        Set(kMessageRetriesKey, "0");
        Set("Play Error Sound", "false");
    }

    void TearDown() override
    {
        MailingWindowTest::TearDown();
        for (const char* key : kRunKeys)
            SetPreference(nullptr, CString256(key));
        CBrevantoWindow::SetSendTimersForTests(15.0, 0.2);
        Clock::UseSystemClock();
        mEnvironment->logFile = nullptr;
        gEnvironment = nullptr;
        mLog.reset();
        mEnvironment.reset();
        SetSecureCAFile(mSavedCAFile);
    }

    static void Set(const char* inKey, const char* inValue) { SetPreference(inValue, CString256(inKey)); }

    // A window sending to the peer; inRecipients is the import file's text (first, last,
    // addresses separated by tabs, one recipient a line).
    CBrevantoWindow* MakeWindow(uint16_t inPort, const QString& inRecipients)
    {
        auto* window = new CBrevantoWindow();
        const auto text = [window](ControlRole inRole, const QString& inText) {
            SetControlText(window->Control(inRole), inText);
        };
        text(ControlRole::ServerField, "127.0.0.1");
        text(ControlRole::PortField, QString::number(inPort));
        text(ControlRole::UserNameField, "user");
        text(ControlRole::PasswordField, "secret");
        SetControl32BitValue(window->Control(ControlRole::SecureAuthenticationPopup), 2);
        window->mSenderTab = 2;
        window->SelectSenderTab(2);
        text(ControlRole::SenderNameField, "Sender Name");
        text(ControlRole::SenderEmailField, "sender@brevanto.test");
        text(ControlRole::SubjectField, "News for {ToNameFirst}");
        const QString body = FolderPath("body.txt");
        WriteText(body, "Dear {ToName},\nthis is for {ToAddress}.\n");
        text(ControlRole::SourceField, body);
        const QString list = FolderPath("recipients.txt");
        WriteText(list, inRecipients);
        window->SelectRecipientsTab(2);
        window->mRecipientsTab = 2;
        window->StartFileImport(list, false, true);
        EXPECT_TRUE(LThread::WaitUntil([] { return gThreadList.Count() == 0; }, DeadlineAfter(std::chrono::minutes(1))));
        return window;
    }

    static void WriteText(const QString& inPath, const QString& inText)
    {
        QFile file(inPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(inText.toUtf8());
    }

    // Starts the mailing as the Send command does (the reachability caution answered OK when
    // it is asked) and waits for its end.
    static bool SendAndWait(CBrevantoWindow* inWindow, ScriptedPresenter& ioPresenter)
    {
        ioPresenter.QueueAlert(kAlertStdAlertOKButton);
        inWindow->StartSending();
        const bool started = inWindow->IsSending();
        const bool ended = LThread::WaitUntil([inWindow] { return !inWindow->IsSending(); },
                                              DeadlineAfter(std::chrono::minutes(3)));
        return started && ended;
    }

    // Waits for the condition while the event loop's timers fire, as the application's loop
    // would fire them.
    static bool WaitWithTimers(const std::function<bool()>& inCondition, std::chrono::seconds inLimit)
    {
        const LDeadline deadline = DeadlineAfter(inLimit);
        while (!inCondition()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            LEventLoopTimer::FireDue();
            LThread::WaitUntil(inCondition, DeadlineAfter(std::chrono::milliseconds(20)));
        }
        return true;
    }

    // The resend runs' set-up: a STARTTLS peer whose every third DATA fails, "Resend on Error"
    // on, no consecutive-error limit and short send timers.
    std::unique_ptr<SmtpServerPeer> StartResendPeer()
    {
        SmtpServerPeer::Options options{SmtpServerPeer::EMode::startTLS};
        options.failDataEvery = 3;
        auto peer = std::make_unique<SmtpServerPeer>(options);
        Set(kResendOnErrorKey, "true");
        mEnvironment->consecutiveErrors = 0;
        CBrevantoWindow::SetSendTimersForTests(0.05, 0.2);
        return peer;
    }

    // Every envelope recipient the peer accepted, in the order it took them.
    static QStringList AcceptedAddresses(const SmtpServerPeer& inPeer)
    {
        QStringList accepted;
        for (const auto& message : inPeer.Messages())
            accepted << message.rcptTos;
        return accepted;
    }

    // What arrived, as Python's email package reads it.
    static QJsonArray Parsed(const SmtpServerPeer& inPeer) { return Parsed(inPeer.MessageFiles()); }

    // These message files (smtp-sink's dumps too), as Python's email package reads them.
    static QJsonArray Parsed(const QStringList& inFiles)
    {
        QProcess python;
        python.start(QString::fromStdString(PeerProcess::Python()),
                     QStringList{QString::fromStdString(PeerProcess::PeersFolder() + "/check_messages.py")} + inFiles);
        if (!python.waitForFinished(180000) || python.exitCode() != 0) {
            ADD_FAILURE() << "check_messages.py failed: " << python.readAllStandardError().toStdString();
            return {};
        }
        return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
    }

    QStringList LogLines() const
    {
        QFile file(FolderPath("Brevanto.log"));
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll()).split('\n');
    }

    static QString Caption(CBrevantoWindow* inWindow, ControlRole inRole)
    {
        return CopyControlTitleAsCFString(inWindow->Control(inRole));
    }

    static std::vector<bool> Flags(CBrevantoWindow* inWindow) { return inWindow->mImportSendFlags.value_or(std::vector<bool>()); }

    static constexpr const char* kRunKeys[] = {
        kMessageRetriesKey, kMessageRetriesIntervalKey, "Play Error Sound", kThrottleTypeKey, kThrottleBatchTypeKey,
        kThrottleBatchSizeKey, kThrottlePeriodDelayKey, kResendOnErrorKey, kResetRecipientsKey, kStartMailingPausedKey,
        kConsecutiveErrorsKey, kAutoSaveKey, kAutoSavePeriodKey,
    };

    std::unique_ptr<CEnvironment> mEnvironment;
    std::unique_ptr<CLogFile> mLog;
    std::string mSavedCAFile;
};
