// Runs one of the decoding peers of tests/peers (decode_*.py) under Debian's /usr/bin/python3
// with a time-out: the input goes to its standard input, its standard output comes back.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

inline QString DecodingPeerPath(const char* script)
{
    return QStringLiteral(BREVANTO_SOURCE_DIR "/tests/peers/") + QString::fromUtf8(script);
}

// The peer's standard output; an empty result and a test failure when it does not run cleanly.
inline QByteArray RunDecodingPeer(const char* script, const QByteArray& input, const QStringList& arguments = {})
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), QStringList{DecodingPeerPath(script)} + arguments);
    if (!python.waitForStarted(10000)) {
        ADD_FAILURE() << "python3 does not start";
        return {};
    }
    python.write(input);
    python.closeWriteChannel();
    if (!python.waitForFinished(60000)) {
        python.kill();
        python.waitForFinished(5000);
        ADD_FAILURE() << script << " timed out";
        return {};
    }
    if (python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0) {
        ADD_FAILURE() << script << " failed: " << python.readAllStandardError().toStdString();
        return {};
    }
    return python.readAllStandardOutput();
}
