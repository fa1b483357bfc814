// Program entry: one running Brevanto per user. The first invocation becomes the instance: it
// listens for later invocations, starts up with the events it was launched with (open the
// application, documents, a web address, a people import) and runs until it quits. A later
// invocation hands its events to the instance and exits 0 once they are acknowledged, or
// non-zero with a message. SIGINT and SIGTERM (a logout) ask the instance to quit.
#include "CBrevantoApp.h"
#include "InstanceChannel.h"
#include "MergeFieldValues.h"
#include "ProgramRequests.h"

#include <QApplication>
#include <QCoreApplication>
#include <QIcon>
#include <QDir>
#include <QSocketNotifier>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::chrono::seconds kHandOverTimeout{20};

int gSignalPipe[2] = {-1, -1};

void OnQuitSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] ssize_t written = ::write(gSignalPipe[1], &byte, 1);
}

int HandOver(const QString& inFolder, const std::vector<AppleEvent>& inEvents)
{
    QString error;
    if (InstanceChannel::Send(inFolder, ProgramRequests::ForRunningInstance(inEvents), kHandOverTimeout, &error))
        return 0;
    std::fprintf(stderr, "brevanto: %s\n", qPrintable(error));
    return 1;
}

// The program's arguments as the system's locale decodes them (as the application object would).
QStringList ArgumentsOf(int argc, char** argv)
{
    QStringList arguments;
    for (int index = 1; index < argc; ++index)
        arguments << QString::fromLocal8Bit(argv[index]);
    return arguments;
}

} // namespace

int main(int argc, char** argv)
{
    // The hand-over to a running instance comes first: it needs no display, so the windowing
    // application is made only by the process that becomes the instance.
    const ProgramRequests::Invocation invocation =
        ProgramRequests::FromArguments(ArgumentsOf(argc, argv), QDir::currentPath());
    if (!invocation.error.isEmpty()) {
        std::fprintf(stderr, "brevanto: %s\n", qPrintable(invocation.error));
        return 2;
    }
    InstanceChannel channel;
    InstanceChannel::Role role = channel.Claim();
    if (role == InstanceChannel::Role::Second)
        return HandOver(channel.Folder(), invocation.events);

    CBrevantoApp app(&argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/Brevanto.png")));
    if (role == InstanceChannel::Role::First && !channel.Listen())
        role = InstanceChannel::Role::Unavailable;
    if (role == InstanceChannel::Role::Unavailable)
        std::fprintf(stderr, "brevanto: no private folder for the instance channel; later invocations "
                             "will start a program of their own\n");
    else
        channel.SetReceiver([&app](const AppleEvent& inEvent) { app.DispatchAppleEvent(inEvent); });

    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalPipe) != 0)
        return 1;
    QSocketNotifier notifier(gSignalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&app] {
        char byte;
        [[maybe_unused]] ssize_t got = ::read(gSignalPipe[0], &byte, 1);
        app.DispatchAppleEvent(AppleEvent::Make(kCoreEventClass, kAEQuitApplication));
    });
    std::signal(SIGINT, OnQuitSignal);
    std::signal(SIGTERM, OnQuitSignal);

    app.SetLaunchEvents(invocation.events);
    app.Run();
    app.CleanUp();
    return 0;
}
