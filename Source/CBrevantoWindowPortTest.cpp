// The server test of the Server Settings fields: the secure road's server check run on a
// cooperative thread of its own while the window waits for it with a deadline, so a server
// that never answers (or answers too slowly to end the check) cannot hold the window. The
// check itself ends at the same deadline, so closing the window never waits on a server that
// keeps the conversation alive a byte at a time.
#include "CBrevantoWindow.h"

#include "AlertHelpers.h"
#include "CThread.h"
#include "ControlValues.h"
#include "Presenter.h"
#include "SendSecureMessage.h"

#include <chrono>
#include <memory>

namespace {

// A little past the check's own 30-second connection time-out.
constexpr std::chrono::milliseconds kDefaultPortTestDeadline{35000};

std::chrono::milliseconds& PortTestDeadline()
{
    static std::chrono::milliseconds deadline = kDefaultPortTestDeadline;
    return deadline;
}

class CPortTestThread : public CThread {
public:
    CPortTestThread(CBrevantoWindow& inWindow, bool inSend, std::shared_ptr<bool> inRunning)
        : mWindow(inWindow), mSend(inSend), mRunning(std::move(inRunning))
    {
    }
    void* Run() override
    {
        const QString server = mWindow.GetServerName().trimmed();
        CheckSecureServer(mWindow, QString(), QStringLiteral("Testing Port"),
                          QStringLiteral("Congratulations! Your settings seem to be working for the server: %1").arg(server),
                          false, mSend, [] { Presenter::Get().Beep(); }, int(PortTestDeadline().count()));
        *mRunning = false;
        return nullptr;
    }

private:
    CBrevantoWindow& mWindow;
    bool mSend;
    std::shared_ptr<bool> mRunning;
};

} // namespace

void CBrevantoWindow::SetPortTestDeadlineForTests(std::chrono::milliseconds inDeadline)
{
    PortTestDeadline() = inDeadline.count() > 0 ? inDeadline : kDefaultPortTestDeadline;
}

void CBrevantoWindow::TestServerPort(Boolean inInteractive)
{
    SetStatusText("Testing server port");
    detectedMechanisms.Clear();
    checkDone = 0;
    checkSucceeded = 0;
    const QString server = GetServerName().trimmed();
    const QString portText = GetControlText(Control(ControlRole::PortField)).trimmed();
    if (server.isEmpty() || portText.isEmpty()) {
        if (inInteractive && server.isEmpty())
            ShowStandardAlert("Testing a port requires a mail server.", "Please specify a mail server address and try again.");
        else if (inInteractive)
            ShowStandardAlert("Testing a port requires a port.", "Please enter a port and try again.");
        HideProgress();
        return;
    }
    // A check abandoned at its deadline may still be talking to its server: it must end before
    // another one writes the same results.
    if (mPortTestRunning && *mPortTestRunning) {
        checkDone = 1;
        HideProgress();
        return;
    }

    ControlRef indicator = Control(ControlRole::TestBusyIndicator);
    ControlRef button = Control(ControlRole::TestPortButton);
    ShowControl(indicator);
    DisableControl(button);
    mPortTestRunning = std::make_shared<bool>(true);
    // The test mail goes to the sender; without one only the connection is tried (a message
    // with an empty envelope sender would be refused and prove nothing).
    const bool sendTestMail = inInteractive && ResolveSender();
    auto* thread = new CPortTestThread(*this, sendTestMail, mPortTestRunning);
    AdoptThread(thread);
    thread->Resume();
    const std::shared_ptr<bool> running = mPortTestRunning;
    const bool ended = LThread::WaitUntil([running] { return !*running; },
                                          DeadlineAfter(PortTestDeadline()));
    if (!ended) {
        // The server took longer than any answer should: the test failed.
        checkSucceeded = 0;
        checkDone = 1;
    }
    EnableControl(button);
    HideControl(indicator);

    if (inInteractive) {
        const UInt16 port = GetServerPort();
        if (ended && checkSucceeded)
            ShowStandardAlert(QStringLiteral("%1: This server did accept a connection on port %2.").arg(server, QString::number(port)),
                              "Check for a test mail message sent to the sender set in the mailer window. If you did "
                              "not receive a test email make sure you set the sender to an email address associated "
                              "with this mail server, and also check your mail server username and password.");
        else
            ShowStandardAlert(QStringLiteral("%1: This server did not accept a connection on port %2.").arg(server, QString::number(port)),
                              "Try a different port or mail server.");
    }
    HideProgress();
}
