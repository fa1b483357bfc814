// Test helper: a TLS front (socat) on a free loopback port for the life of the object. It speaks
// TLS from the first byte with the per-run TestCertificates server certificate, asks no client
// certificate, and passes each connection on, in clear, to a loopback port (smtp-sink's), one
// child per connection. A client therefore sees the plain server behind it as an implicit-TLS
// server. socat's own complaints go to a file (Log) so a failing test can show them.
// Header-only; include it as "../peers/TlsFrontPeer.h" (benchmarks: "../tests/peers/TlsFrontPeer.h").
// Test threads only.
#pragma once

#include "PeerProcess.h"
#include "TestCertificates.h"

#include <QFile>
#include <QTemporaryDir>

class TlsFrontPeer {
public:
    static constexpr const char* kProgram = "/usr/bin/socat";

    explicit TlsFrontPeer(int backendPort)
    {
        const TestCertificates& certificates = TestCertificates::Shared();
        if (backendPort <= 0 || access(kProgram, X_OK) != 0 || !certificates.IsValid())
            return;
        mPort = PeerProcess::FreeLoopbackPort();
        const std::string listen = "OPENSSL-LISTEN:" + std::to_string(mPort)
            + ",bind=127.0.0.1,reuseaddr,fork,nodelay,verify=0,cert=" + certificates.CertificateFile()
            + ",key=" + certificates.KeyFile();
        // nodelay on both sides: with Nagle, each small reply the front passes on waits for the
        // peer's delayed ACK (~40 ms a round trip, over 100 ms a message).
        const std::string connect = "TCP:127.0.0.1:" + std::to_string(backendPort) + ",nodelay";
        const std::string redirect = "exec \"$0\" \"$@\" >'" + LogPath().toStdString() + "' 2>&1";
        const std::vector<std::string> args = {"/bin/sh", "-c", redirect, kProgram, listen, connect};
        if (!mProcess.Start(args) || !mProcess.WaitUntilListening(mPort, std::chrono::seconds(60))) {
            mProcess.Stop();
            mPort = 0;
        }
    }

    bool IsRunning() const { return mPort > 0; }
    int Port() const { return mPort; }

    // What socat reported (handshake failures and the like).
    QByteArray Log() const
    {
        QFile file(LogPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    QString LogPath() const { return mScratch.path() + QStringLiteral("/front.log"); }

    QTemporaryDir mScratch;
    PeerProcess mProcess;
    int mPort = 0;
};
