// Fake browsers for the web view and page-imager tests, started through PICTAVOR_BROWSER:
// one that exits at once with a message, one that stops reading its requests, one that keeps the
// pipe open and never answers, and one that answers the start-up requests and then closes its
// pipe when asked to load a page (and lives on). Each writes its process id to a file, so a test can see it is gone.
#pragma once

#include <QFile>
#include <QString>

#include <cerrno>
#include <csignal>

namespace fakebrowser {

inline QString Write(const QString& folder, const QString& name, const QString& body)
{
    const QString path = folder + "/" + name;
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(body.toUtf8());
    file.close();
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

inline QString ExitsAtOnce(const QString& folder, const QString& pidFile)
{
    return Write(folder, "exits", QStringLiteral("#!/bin/sh\necho $$ > '%1'\necho 'fake browser refuses' >&2\nexit 3\n").arg(pidFile));
}

// Stays alive but closes the end of the pipe it reads requests from: the first request hits a
// pipe without reader.
inline QString StopsReading(const QString& folder, const QString& pidFile)
{
    return Write(folder, "deaf", QStringLiteral("#!/bin/sh\necho $$ > '%1'\nexec 3<&-\nexec sleep 600\n").arg(pidFile));
}

inline QString NeverAnswers(const QString& folder, const QString& pidFile)
{
    return Write(folder, "silent", QStringLiteral("#!/bin/sh\necho $$ > '%1'\nexec sleep 600\n").arg(pidFile));
}

inline QString ClosesMidLoad(const QString& folder, const QString& pidFile)
{
    return Write(folder, "closer", QStringLiteral(R"(#!/usr/bin/python3
import json, os, time
open('%1', "w").write(str(os.getpid()))
buffer = b""
def reply(number, result):
    os.write(4, json.dumps({"id": number, "result": result}).encode() + b"\0")
while True:
    data = os.read(3, 65536)
    if not data:
        break
    buffer += data
    while b"\0" in buffer:
        text, buffer = buffer.split(b"\0", 1)
        message = json.loads(text)
        method = message["method"]
        if method == "Target.createTarget":
            reply(message["id"], {"targetId": "T"})
        elif method == "Target.attachToTarget":
            reply(message["id"], {"sessionId": "S"})
        elif method == "Page.getFrameTree":
            reply(message["id"], {"frameTree": {"frame": {"id": "T"}}})
        elif method == "Page.navigate":
            os.close(3)
            os.close(4)
            time.sleep(600)
        else:
            reply(message["id"], {})
)").arg(pidFile));
}

// True once the process named in the file no longer exists.
inline bool Gone(const QString& pidFile)
{
    QFile file(pidFile);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const pid_t pid = pid_t(file.readAll().trimmed().toInt());
    return pid > 0 && kill(pid, 0) != 0 && errno == ESRCH;
}

} // namespace fakebrowser
