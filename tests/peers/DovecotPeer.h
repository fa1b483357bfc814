// Test helper: Dovecot's POP3 service on a free loopback port for the life of the object, from
// the template dovecot/dovecot.conf.in, with its own folder, a passwd-file of the given users
// (plain-text passwords, so APOP can work) and no delay after a failed login. With `apop` the
// apop mechanism is on and the greeting carries a timestamp.
// Run as root, the login processes and mailboxes belong to nobody (Dovecot refuses root for
// them); otherwise everything runs as the current user. Its folder lies in /tmp so that nobody
// can reach it. Header-only; include it as "../peers/DovecotPeer.h". Test threads only.
#pragma once

#include "PeerProcess.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <utility>

class DovecotPeer {
public:
    static constexpr const char* kProgram = "/usr/sbin/dovecot";

    DovecotPeer(const std::vector<std::pair<std::string, std::string>>& users, bool apop)
        : mScratch(QStringLiteral("/tmp/brevanto-dovecot-XXXXXX"))
    {
        if (access(kProgram, X_OK) != 0 || !mScratch.isValid())
            return;
        const QString dir = mScratch.path();
        chmod(dir.toUtf8().constData(), 0755);
        QDir(dir).mkpath(QStringLiteral("home"));
        chmod((dir + "/home").toUtf8().constData(), 0777);
        WritePasswd(users);
        mPort = PeerProcess::FreeLoopbackPort();
        if (!WriteConfig(apop)) {
            mPort = 0;
            return;
        }
        // Dovecot's own messages go to its log; the master's start-up notes are not wanted.
        const std::vector<std::string> args = {"/bin/sh", "-c", "exec \"$0\" \"$@\" >/dev/null 2>&1", kProgram,
                                               "-F", "-c", (dir + "/dovecot.conf").toStdString()};
        if (!mProcess.Start(args) || !mProcess.WaitUntilListening(mPort, std::chrono::seconds(60))) {
            mProcess.Stop();
            mPort = 0;
        }
    }

    bool IsRunning() const { return mPort > 0; }
    int Port() const { return mPort; }

    // Dovecot's own log (logins and failures).
    QByteArray Log() const
    {
        QFile file(mScratch.path() + QStringLiteral("/dovecot.log"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Successful logins of user so far.
    int CountLogins(const std::string& user) const
    {
        return int(Log().count(QByteArray("Login: user=<") + user.c_str() + ">"));
    }

private:
    static QByteArray TemplateText()
    {
        QFile file(QString::fromStdString(PeerProcess::PeersFolder() + "/dovecot/dovecot.conf.in"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void WritePasswd(const std::vector<std::pair<std::string, std::string>>& users) const
    {
        QFile file(mScratch.path() + QStringLiteral("/passwd"));
        if (!file.open(QIODevice::WriteOnly))
            return;
        for (const auto& [name, password] : users)
            file.write(QByteArray::fromStdString(name + ":{PLAIN}" + password + "\n"));
    }

    bool WriteConfig(bool apop) const
    {
        QByteArray text = TemplateText();
        if (text.isEmpty())
            return false;
        const bool root = geteuid() == 0;
        const passwd* self = getpwuid(geteuid());
        const group* selfGroup = getgrgid(getegid());
        if (!self || !selfGroup)
            return false;
        const QByteArray user = self->pw_name;
        const QByteArray group = selfGroup->gr_name;
        const QByteArray nobodyGroup = getgrnam("nogroup") ? "nogroup" : "nobody";
        text.replace("@DIR@", mScratch.path().toUtf8());
        text.replace("@PORT@", QByteArray::number(mPort));
        text.replace("@MECHANISMS@", apop ? "plain apop" : "plain");
        text.replace("@INTERNAL_USER@", user);
        text.replace("@INTERNAL_GROUP@", group);
        text.replace("@LOGIN_USER@", root ? "nobody" : user);
        text.replace("@MAIL_USER@", root ? "nobody" : user);
        text.replace("@MAIL_GROUP@", root ? nobodyGroup : group);
        QFile file(mScratch.path() + QStringLiteral("/dovecot.conf"));
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
    }

    QTemporaryDir mScratch;
    PeerProcess mProcess;
    int mPort = 0;
};
