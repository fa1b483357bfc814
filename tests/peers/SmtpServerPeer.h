// SmtpServerPeer: starts tests/peers/smtp_server.py (aiosmtpd) on a free loopback port for the
// life of the object and reads back what it received: every client command, and each accepted
// message's envelope and exact DATA bytes. TLS modes use the per-run TestCertificates.
// Header-only; include it as "../peers/SmtpServerPeer.h". Test threads only.
#pragma once

#include "PeerProcess.h"
#include "TestCertificates.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

class SmtpServerPeer {
public:
    enum class EMode { startTLS, implicitTLS, plain, silent, silentTLS };

    struct Options {
        EMode mode = EMode::plain;
        std::vector<std::string> users = {"user:secret"};  // NAME:PASSWORD
        const char* mechanisms = nullptr;  // null: all three; "": no AUTH offered
        std::vector<std::string> refused = {};  // RCPT TO these gets 550 (and DATA after it 451)
        int failDataEvery = 0;  // every n-th DATA of the peer's life answered with failCode
        int failCode = 451;
        bool otherHostCertificate = false;  // TLS with the certificate naming another host
    };

    struct Message {
        QByteArray data;
        QString mailFrom;
        QStringList rcptTos;
        bool tls = false;
        QString authMechanism;  // empty without AUTH
        QString authLogin;
    };

    struct Command {
        int session = 0;
        bool tls = false;
        QString verb;
        QString arg;
    };

    explicit SmtpServerPeer(const Options& options)
    {
        std::vector<std::string> args = {PeerProcess::Python(), PeerProcess::PeersFolder() + "/smtp_server.py",
                                         "--mode", ModeName(options.mode), "--spool", Spool()};
        const auto& certificates = TestCertificates::Shared();
        if (options.mode != EMode::plain && options.mode != EMode::silent)
            args.insert(args.end(), {"--cert",
                                     options.otherHostCertificate ? certificates.OtherHostCertificateFile()
                                                                  : certificates.CertificateFile(),
                                     "--key",
                                     options.otherHostCertificate ? certificates.OtherHostKeyFile()
                                                                  : certificates.KeyFile()});
        for (const auto& user : options.users)
            args.insert(args.end(), {"--user", user});
        if (options.mechanisms)
            args.insert(args.end(), {"--mechanisms", options.mechanisms});
        for (const auto& address : options.refused)
            args.insert(args.end(), {"--refuse", address});
        if (options.failDataEvery > 0)
            args.insert(args.end(), {"--fail-data-every", std::to_string(options.failDataEvery), "--fail-code",
                                     std::to_string(options.failCode)});
        if (!mProcess.Start(args))
            return;
        std::sscanf(mProcess.ReadLine(std::chrono::seconds(60)).c_str(), "PORT %d", &mPort);
    }

    bool IsRunning() const { return mPort > 0; }
    uint16_t Port() const { return uint16_t(mPort); }

    std::vector<Message> Messages() const
    {
        std::vector<Message> out;
        QDir spool(QString::fromStdString(Spool()));
        for (const QString& name : spool.entryList({"message-*.json"}, QDir::Files, QDir::Name)) {
            QFile meta(spool.filePath(name));
            QFile body(spool.filePath(QString(name).replace(".json", ".eml")));
            if (!meta.open(QIODevice::ReadOnly) || !body.open(QIODevice::ReadOnly))
                continue;
            const QJsonObject o = QJsonDocument::fromJson(meta.readAll()).object();
            Message m;
            m.data = body.readAll();
            m.mailFrom = o["mail_from"].toString();
            for (const auto& r : o["rcpt_tos"].toArray())
                m.rcptTos << r.toString();
            m.tls = o["tls"].toBool();
            m.authMechanism = o["auth"].toObject()["mechanism"].toString();
            m.authLogin = o["auth"].toObject()["login"].toString();
            out.push_back(m);
        }
        return out;
    }

    // The accepted messages' files, in the order received.
    QStringList MessageFiles() const
    {
        QDir spool(QString::fromStdString(Spool()));
        QStringList files;
        for (const QString& name : spool.entryList({"message-*.eml"}, QDir::Files, QDir::Name))
            files << spool.filePath(name);
        return files;
    }

    std::vector<Command> Commands() const
    {
        std::vector<Command> out;
        for (const QByteArray& line : SpoolLines("commands.log")) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            out.push_back({o["session"].toInt(), o["tls"].toBool(), o["verb"].toString(), o["arg"].toString()});
        }
        return out;
    }

    // Per TLS handshake, the server name the client asked for ("-": none), in order.
    QStringList ServerNames() const
    {
        QStringList names;
        for (const QByteArray& line : SpoolLines("server-names.log"))
            names << QString::fromUtf8(line);
        return names;
    }

    // The verbs received, in order ("EHLO", "STARTTLS", "AUTH", ...).
    QStringList Verbs() const
    {
        QStringList verbs;
        for (const auto& c : Commands())
            verbs << c.verb;
        return verbs;
    }

private:
    // The non-empty lines of one of the spool's line logs (none before the file exists).
    QList<QByteArray> SpoolLines(const std::string& name) const
    {
        QFile log(QString::fromStdString(Spool() + "/" + name));
        if (!log.open(QIODevice::ReadOnly))
            return {};
        QList<QByteArray> lines = log.readAll().split('\n');
        lines.removeAll(QByteArray());
        return lines;
    }

    static std::string ModeName(EMode mode)
    {
        switch (mode) {
        case EMode::startTLS: return "starttls";
        case EMode::implicitTLS: return "implicit";
        case EMode::plain: return "plain";
        case EMode::silent: return "silent";
        case EMode::silentTLS: return "silent-tls";
        }
        return "plain";
    }
    std::string Spool() const { return mFolder.path().toStdString() + "/spool"; }

    QTemporaryDir mFolder;
    PeerProcess mProcess;
    int mPort = 0;
};
