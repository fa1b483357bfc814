// The page peer for the web view and page-imager tests: tests/peers/page_server.py serving the
// page imager's fixture folder (tests/pictavor/data) on a free loopback port, started by the
// test and stopped by its process id. Its start may take long on a busy machine: the wait for
// the port line is generous, which costs nothing when the start is quick.
#pragma once

#include <QProcess>
#include <QString>

#include <gtest/gtest.h>

class PageServer {
public:
    explicit PageServer(const QString& logFile = {})
    {
        QStringList arguments { QStringLiteral(BREVANTO_PEERS_DIR "/page_server.py"), QStringLiteral(BREVANTO_SOURCE_DIR "/tests/pictavor/data") };
        if (!logFile.isEmpty())
            arguments << QStringLiteral("--log") << logFile;
        fProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        fProcess.start(QStringLiteral(BREVANTO_PYTHON), arguments);
        if (!fProcess.waitForStarted(60000))
            return;
        while (!fProcess.canReadLine() && fProcess.waitForReadyRead(60000)) {
        }
        fPort = fProcess.readLine().trimmed().toInt();
    }
    ~PageServer()
    {
        if (fProcess.state() == QProcess::NotRunning)
            return;
        fProcess.terminate();
        if (!fProcess.waitForFinished(5000)) {
            fProcess.kill();
            fProcess.waitForFinished(5000);
        }
    }
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    bool Ok() const { return fPort > 0; }
    int Port() const { return fPort; }
    QString Url(const QString& path) const { return QStringLiteral("http://127.0.0.1:%1%2").arg(fPort).arg(path); }

private:
    QProcess fProcess;
    int fPort = 0;
};
