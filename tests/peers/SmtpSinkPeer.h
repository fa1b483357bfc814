// Test helper: Postfix's smtp-sink on a free loopback port for the life of the object, as
// nobody when the tests run as root. Options pass straight through (e.g. {"-f", "RCPT"} refuses
// every RCPT with 5xx, {"-r", "MAIL"} gives 4xx, {"-Q", "MAIL"} 421 and hang-up, {"-q", "."}
// hang-up, {"-W", "MAIL:5"} a stall). It runs with -c, so the test can read how many messages
// it took, and unless told otherwise with -v, so the test can read the commands it received
// (smtp-sink writes that transcript out when it stops: call Stop first).
// Header-only; include it as "../peers/SmtpSinkPeer.h" (benchmarks: "../tests/peers/SmtpSinkPeer.h").
// Test threads only.
#pragma once

#include "PeerProcess.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

class SmtpSinkPeer {
public:
    static constexpr const char* kProgram = "/usr/sbin/smtp-sink";

    explicit SmtpSinkPeer(const std::vector<std::string>& options = {}, bool transcript = true)
    {
        if (access(kProgram, X_OK) != 0)
            return;
        mPort = PeerProcess::FreeLoopbackPort();
        // The shell sends its output to a file: a chatty peer must never block on a full pipe.
        const std::string redirect = "exec \"$0\" \"$@\" >'" + OutputPath().toStdString() + "' 2>&1";
        std::vector<std::string> args = {"/bin/sh", "-c", redirect, kProgram, "-c"};
        if (transcript)
            args.push_back("-v");
        if (geteuid() == 0)
            args.insert(args.end(), {"-u", "nobody"});
        args.insert(args.end(), options.begin(), options.end());
        args.push_back("127.0.0.1:" + std::to_string(mPort));
        args.push_back("64");
        if (!mProcess.Start(args) || !mProcess.WaitUntilListening(mPort, std::chrono::seconds(60))) {
            mProcess.Stop();
            mPort = 0;
        }
    }

    bool IsRunning() const { return mPort > 0; }
    int Port() const { return mPort; }
    void Stop() { mProcess.Stop(); }

    // Every line smtp-sink logged, without its program-name prefix: the client's commands and
    // AUTH exchanges, and its own notes ("connect ...", "disconnect").
    QStringList Transcript() const
    {
        const QByteArray prefix = QByteArray(kProgram) + ": ";
        QStringList lines;
        for (const QByteArray& line : Output().replace('\r', '\n').split('\n')) {
            if (line.startsWith(prefix))
                lines << QString::fromLatin1(line.mid(prefix.size()));
        }
        return lines;
    }

    // The commands received, in order, one per entry ("EHLO [127.0.0.1]", "RSET", ...).
    QStringList Commands() const
    {
        static const QRegularExpression command(QStringLiteral("^[A-Z]{4}\\b"));
        return Transcript().filter(command);
    }

    // Messages taken so far (the last "mesg=" counter smtp-sink printed).
    int MessageCount() const
    {
        const QByteArray out = Output();
        const qsizetype at = out.lastIndexOf("mesg=");
        return at < 0 ? 0 : out.mid(at + 5).split('\r').first().split('\n').first().toInt();
    }

private:
    QString OutputPath() const { return mScratch.path() + QStringLiteral("/sink.out"); }
    QByteArray Output() const
    {
        QFile file(OutputPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir mScratch;
    PeerProcess mProcess;
    int mPort = 0;
};
