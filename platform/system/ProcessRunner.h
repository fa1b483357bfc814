// ProcessRunner: runs another program and collects what it wrote. The program gets its
// arguments as an argument vector (never through a shell), standard input reads as empty, and
// standard output, standard error and the exit status come back. Every run has a deadline:
// when it passes the program is asked to end (SIGTERM), killed 2 s later, and the result says
// "timed out". A program that cannot be started is an error result, never an exception.
//
// Waiting: on a cooperative thread the runner polls and yields, so other threads go on; on
// the main context, or any other OS thread, it blocks up to the deadline. StartDetached
// launches a program that outlives us (file openers, applications) and does not wait.
// GUI thread (main context or cooperative thread), or any OS thread that only blocks.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>

struct ProcessResult {
    enum class Outcome { Exited, Crashed, TimedOut, FailedToStart };

    Outcome outcome = Outcome::FailedToStart;
    int exitStatus = -1;        // the status of a program that exited
    QByteArray standardOutput;
    QByteArray standardError;
    QString errorText;          // why it failed to start, crashed or timed out

    bool Succeeded() const { return outcome == Outcome::Exited && exitStatus == 0; }
};

class ProcessRunner {
public:
    static constexpr std::chrono::milliseconds kKillGrace {2000};

    // `program`: a path, or a name looked up on PATH. `workingFolder` empty: ours.
    static ProcessResult Run(const QString& program, const QStringList& arguments,
                             std::chrono::milliseconds deadline, const QString& workingFolder = {});

    // Starts `program` on its own (standard input empty); true when it started.
    static bool StartDetached(const QString& program, const QStringList& arguments,
                              const QString& workingFolder = {});
};
