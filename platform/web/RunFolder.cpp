#include "RunFolder.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace {

const char* const kSubFolders[] = { "profile", "home", "config", "cache", "data", "tmp" };
const char kShortTempParent[] = "/tmp";

bool ProcessExists(pid_t pid)
{
    return kill(pid, 0) == 0 || errno == EPERM;
}

// Removes this user's folders "pictavor-<pid>-<suffix>" in `folder` whose process is gone.
void RemoveDeadIn(const QString& folder, const QRegularExpression& pattern)
{
    const QStringList names = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks | QDir::Hidden);
    for (const QString& name : names) {
        const QRegularExpressionMatch match = pattern.match(name);
        if (!match.hasMatch())
            continue;
        const pid_t pid = pid_t(match.captured(1).toLongLong());
        if (pid == getpid() || ProcessExists(pid))
            continue;
        const QString path = folder + QLatin1Char('/') + name;
        struct stat info {};
        if (lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid())
            continue;
        QDir(path).removeRecursively();
    }
}

} // namespace

void RunFolder::RemoveDeadRunFolders(const QString& root)
{
    static const QRegularExpression runPattern(QStringLiteral("^pictavor-(\\d+)-[0-9a-f]{8}$"));
    static const QRegularExpression tempPattern(QStringLiteral("^pictavor-(\\d+)-[A-Za-z0-9]{6}$"));
    RemoveDeadIn(root, runPattern);
    RemoveDeadIn(QString::fromLatin1(kShortTempParent), tempPattern);
}

bool RunFolder::MakeTempFolder(QString* error)
{
    fTempPath = Sub("tmp");
    if (QFile::encodeName(fTempPath).size() <= kMaxTempPathBytes)
        return true;
    QByteArray pattern = QByteArray(kShortTempParent) + "/pictavor-" + QByteArray::number(getpid()) + "-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        *error = QStringLiteral("Temporary folder %1 could not be made: %2")
                     .arg(QString::fromLocal8Bit(pattern), QString::fromLocal8Bit(strerror(errno)));
        fTempPath.clear();
        return false;
    }
    fTempPath = QFile::decodeName(pattern);
    return true;
}

bool RunFolder::Create(const QString& root, QString* error)
{
    Remove();
    RemoveDeadRunFolders(root);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const QString path = QStringLiteral("%1/pictavor-%2-%3")
                                 .arg(root).arg(getpid())
                                 .arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'));
        if (mkdir(QFile::encodeName(path).constData(), 0700) != 0) {
            if (errno == EEXIST)
                continue;
            *error = QStringLiteral("Run folder %1 could not be made: %2").arg(path, QString::fromLocal8Bit(strerror(errno)));
            return false;
        }
        fPath = path;
        for (const char* sub : kSubFolders) {
            if (mkdir(QFile::encodeName(Sub(sub)).constData(), 0700) != 0) {
                *error = QStringLiteral("Run folder %1 could not be made: %2").arg(Sub(sub), QString::fromLocal8Bit(strerror(errno)));
                Remove();
                return false;
            }
        }
        if (!MakeTempFolder(error)) {
            Remove();
            return false;
        }
        return true;
    }
    *error = QStringLiteral("No free run folder name in %1").arg(root);
    return false;
}

void RunFolder::Remove()
{
    if (!fTempPath.isEmpty() && !fTempPath.startsWith(fPath + QLatin1Char('/')))
        QDir(fTempPath).removeRecursively();
    fTempPath.clear();
    if (fPath.isEmpty())
        return;
    QDir(fPath).removeRecursively();
    fPath.clear();
}
