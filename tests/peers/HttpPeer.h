// Test helper: runs tests/peers/http_server.py (plain or TLS) on two free loopback ports for
// the life of the object, with a fresh log of the requests it received and a root folder for
// its /static/ route. Also clears the proxy variables, so requests go straight to it.
// Header-only; include it as "../peers/HttpPeer.h" (benchmarks: "../tests/peers/HttpPeer.h").
// Test threads only.
#pragma once

#include "PeerProcess.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

class HttpPeer {
public:
    struct Recorded {
        int port = 0;
        QString method;
        QString path;
        QJsonArray headers;

        // The first header of that name (any case); null when absent.
        QString Header(const QString& name) const
        {
            for (const auto& pair : headers) {
                const QJsonArray kv = pair.toArray();
                if (kv.at(0).toString().compare(name, Qt::CaseInsensitive) == 0)
                    return kv.at(1).toString();
            }
            return {};
        }
    };

    // `tls`: serve HTTPS with a certificate signed by a CA made for this peer (CAFile()).
    explicit HttpPeer(bool tls = false)
    {
        for (const char* name : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY",
                                 "all_proxy", "ALL_PROXY", "no_proxy", "NO_PROXY"})
            unsetenv(name);
        QDir(mScratch.path()).mkpath("root");
        std::vector<std::string> args = {PeerProcess::Python(), PeerProcess::PeersFolder() + "/http_server.py",
                                         "--log", LogPath(), "--root", Root().toStdString()};
        if (tls) {
            MakeCertificates();
            args.insert(args.end(), {"--cert", Scratch("server.pem"), "--key", Scratch("server.key")});
        }
        Launch(args);
    }

    ~HttpPeer()
    {
        if (mPid <= 0)
            return;
        if (mToPeer >= 0)
            close(mToPeer);
        kill(mPid, SIGTERM);
        int status = 0;
        waitpid(mPid, &status, 0);
    }

    bool IsRunning() const { return mPort > 0; }
    int Port() const { return mPort; }
    int SecondPort() const { return mSecondPort; }
    std::string URL(const std::string& path, bool second = false) const
    {
        return std::string(mTLS ? "https" : "http") + "://127.0.0.1:"
            + std::to_string(second ? mSecondPort : mPort) + path;
    }
    // The folder served under /static/.
    QString Root() const { return mScratch.path() + "/root"; }
    std::string CAFile() const { return Scratch("ca.pem"); }

    std::vector<Recorded> Requests() const
    {
        std::vector<Recorded> out;
        QFile log(QString::fromStdString(LogPath()));
        if (!log.open(QIODevice::ReadOnly))
            return out;
        for (const QByteArray& line : log.readAll().split('\n')) {
            if (line.isEmpty())
                continue;
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            out.push_back({o["port"].toInt(), o["method"].toString(), o["path"].toString(),
                           o["headers"].toArray()});
        }
        return out;
    }
    void ClearRequests() const { QFile::remove(QString::fromStdString(LogPath())); }

private:
    std::string Scratch(const char* name) const { return (mScratch.path() + "/" + name).toStdString(); }
    std::string LogPath() const { return Scratch("requests.log"); }

    void MakeCertificates()
    {
        mTLS = true;
        const std::string dir = mScratch.path().toStdString();
        const std::string script =
            "cd '" + dir + "' && "
            "openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2"
            " -subj '/CN=Brevanto Test CA' >/dev/null 2>&1 && "
            "openssl req -newkey rsa:2048 -nodes -keyout server.key -out server.csr"
            " -subj '/CN=127.0.0.1' >/dev/null 2>&1 && "
            "printf 'subjectAltName=IP:127.0.0.1,DNS:localhost\\n' > ext.cnf && "
            "openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial"
            " -out server.pem -days 2 -extfile ext.cnf >/dev/null 2>&1";
        if (std::system(script.c_str()) != 0)
            mTLS = false;
    }

    void Launch(const std::vector<std::string>& args)
    {
        int toPeer[2], fromPeer[2];
        if (pipe(toPeer) != 0 || pipe(fromPeer) != 0)
            return;
        mPid = fork();
        if (mPid == 0) {
            dup2(toPeer[0], 0);
            dup2(fromPeer[1], 1);
            close(toPeer[1]);
            close(fromPeer[0]);
            std::vector<char*> argv;
            for (const auto& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(toPeer[0]);
        close(fromPeer[1]);
        mToPeer = toPeer[1];
        FILE* out = fdopen(fromPeer[0], "r");
        char line[128] = {};
        if (out && fgets(line, sizeof line, out))
            std::sscanf(line, "PORTS %d %d", &mPort, &mSecondPort);
        if (out)
            fclose(out);
    }

    QTemporaryDir mScratch;
    pid_t mPid = -1;
    int mToPeer = -1;
    int mPort = 0;
    int mSecondPort = 0;
    bool mTLS = false;
};
