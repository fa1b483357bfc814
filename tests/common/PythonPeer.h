// Runs a Python script under Debian's own interpreter (where python3-* packages install) with
// input on stdin and arguments after the script. Its stdout, or nullopt with a test failure when
// it does not start, times out or fails: a peer that does not run is never a skip.
#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>

#include <optional>

inline std::optional<QByteArray> RunPythonPeer(const char* inScript, const QStringList& inArguments = {},
                                               const QByteArray& inInput = {})
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral("-c"), QString::fromUtf8(inScript)} + inArguments);
    if (!python.waitForStarted(10000)) {
        ADD_FAILURE() << "python3 does not start";
        return std::nullopt;
    }
    python.write(inInput);
    python.closeWriteChannel();
    if (!python.waitForFinished(60000)) {
        python.kill();
        python.waitForFinished(5000);
        ADD_FAILURE() << "python3 timed out";
        return std::nullopt;
    }
    if (python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0) {
        ADD_FAILURE() << "python3 failed: " << python.readAllStandardError().toStdString();
        return std::nullopt;
    }
    return python.readAllStandardOutput();
}
