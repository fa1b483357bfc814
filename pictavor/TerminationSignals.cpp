#include "TerminationSignals.h"

#include "PageFetch.h"
#include "WebViewController.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>

namespace pictavor {

namespace {

int gSignalPipe[2] = { -1, -1 };

void OnSignal(int number)
{
    const int saved = errno;
    PageFetch::Stop();
    const char byte = char(number);
    if (gSignalPipe[1] >= 0)
        (void)!write(gSignalPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(WebViewController& controller) : fController(controller)
{
    if (pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    fNotifier = std::make_unique<QSocketNotifier>(gSignalPipe[0], QSocketNotifier::Read);
    QObject::connect(fNotifier.get(), &QSocketNotifier::activated, [this] { Deliver(); });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

TerminationSignals::~TerminationSignals()
{
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    fNotifier.reset();
    for (int& fd : gSignalPipe) {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
}

void TerminationSignals::Deliver()
{
    char byte = 0;
    bool any = false;
    while (read(gSignalPipe[0], &byte, 1) == 1)
        any = true;
    if (any)
        fController.RequestStop(QStringLiteral("Stopped by signal %1 (%2): no file").arg(int(byte)).arg(QString::fromLatin1(strsignal(byte))));
}

} // namespace pictavor
