#include "MonitorStore.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>

namespace {

QString NewConnectionName()
{
    static std::atomic<int> serial {0};
    return QStringLiteral("MessageMonitorStore-%1").arg(++serial);
}

QString ErrorOf(const QSqlError& error)
{
    const QString text = error.text().trimmed();
    return text.isEmpty() ? QStringLiteral("Unknown Error") : text;
}

} // namespace

MonitorStore::FileKind MonitorStore::Probe(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return FileKind::Missing;
    MonitorStore probe(path);
    if (!probe.OpenConnection(true))
        return FileKind::NotLog;
    return probe.HasOurSchema() ? FileKind::Log : FileKind::NotLog;
}

MonitorStore::MonitorStore(QString path) : mPath(std::move(path)), mConnection(NewConnectionName()) {}

MonitorStore::~MonitorStore() { Close(); }

bool MonitorStore::FileExists() const { return QFileInfo(mPath).isFile(); }

bool MonitorStore::OpenConnection(bool readOnly)
{
    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), mConnection);
    database.setDatabaseName(mPath);
    if (readOnly)
        database.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!database.open()) {
        mError = ErrorOf(database.lastError());
        database = QSqlDatabase();
        QSqlDatabase::removeDatabase(mConnection);
        return false;
    }
    mOpen = true;
    return true;
}

bool MonitorStore::Execute(const QString& statement)
{
    QSqlQuery query(QSqlDatabase::database(mConnection, false));
    if (query.exec(statement))
        return true;
    mError = ErrorOf(query.lastError());
    return false;
}

bool MonitorStore::HasOurSchema()
{
    QSqlQuery query(QSqlDatabase::database(mConnection, false));
    if (!query.exec(QStringLiteral("PRAGMA application_id")) || !query.next() ||
        query.value(0).toInt() != kApplicationID) {
        mError = QStringLiteral("The file is not a Message Monitor log.");
        return false;
    }
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next() || query.value(0).toInt() != kSchemaVersion ||
        !query.exec(QStringLiteral("SELECT key, date, name, subject, mailerID FROM MessageMonitorRequest LIMIT 0"))) {
        mError = QStringLiteral("The Message Monitor log has an unknown layout.");
        return false;
    }
    return true;
}

bool MonitorStore::MakeSchema()
{
    return Execute(QStringLiteral("PRAGMA application_id = %1").arg(kApplicationID)) &&
           Execute(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion)) &&
           Execute(QStringLiteral("CREATE TABLE IF NOT EXISTS MessageMonitorRequest (key INTEGER PRIMARY KEY, "
                                  "date REAL NOT NULL, name TEXT NOT NULL, subject TEXT NOT NULL, "
                                  "mailerID TEXT NOT NULL)")) &&
           Execute(QStringLiteral("CREATE INDEX IF NOT EXISTS MessageMonitorRequestByDate "
                                  "ON MessageMonitorRequest (date, key)"));
}

MonitorStore::OpenResult MonitorStore::Open()
{
    if (mOpen)
        return OpenResult::Opened;
    if (!FileExists())
        return QFileInfo::exists(mPath) ? (mError = QStringLiteral("It is not a file."), OpenResult::Failed)
                                        : OpenResult::Opened; // made at the first save
    if (!OpenConnection(false))
        return OpenResult::Failed;
    if (!HasOurSchema()) {
        Close();
        return OpenResult::NotAStore;
    }
    if (!Execute(QStringLiteral("PRAGMA journal_mode = DELETE")) || !Execute(QStringLiteral("PRAGMA synchronous = FULL"))) {
        Close();
        return OpenResult::Failed;
    }
    return OpenResult::Opened;
}

bool MonitorStore::Save(const std::vector<QueuedMonitorHit>& hits)
{
    if (!mOpen) {
        const bool fresh = !FileExists();
        if (!OpenConnection(false))
            return false;
        if (!Execute(QStringLiteral("PRAGMA journal_mode = DELETE")) ||
            !Execute(QStringLiteral("PRAGMA synchronous = FULL")) || (fresh && !MakeSchema())) {
            Close();
            return false;
        }
    }
    QSqlDatabase database = QSqlDatabase::database(mConnection, false);
    if (!database.transaction()) {
        mError = ErrorOf(database.lastError());
        return false;
    }
    QSqlQuery insert(database);
    insert.prepare(QStringLiteral("INSERT INTO MessageMonitorRequest (date, name, subject, mailerID) VALUES (?, ?, ?, ?)"));
    for (const QueuedMonitorHit& hit : hits) {
        insert.addBindValue(hit.date);
        insert.addBindValue(QString::fromStdString(hit.hit.name));
        insert.addBindValue(QString::fromStdString(hit.hit.subject));
        insert.addBindValue(QString::fromStdString(hit.hit.mailerID));
        if (!insert.exec()) {
            mError = ErrorOf(insert.lastError());
            database.rollback();
            return false;
        }
    }
    if (!database.commit()) {
        mError = ErrorOf(database.lastError());
        database.rollback();
        return false;
    }
    return true;
}

std::vector<MonitorRecord> MonitorStore::Fetch() const
{
    std::vector<MonitorRecord> records;
    if (!mOpen)
        return records;
    QSqlQuery query(QSqlDatabase::database(mConnection, false));
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT key, date, name, subject, mailerID FROM MessageMonitorRequest "
                                   "ORDER BY date, key")))
        return records;
    while (query.next())
        records.push_back({query.value(0).toLongLong(), query.value(1).toDouble(), query.value(2).toString(),
                           query.value(3).toString(), query.value(4).toString()});
    return records;
}

void MonitorStore::Close()
{
    if (!mOpen)
        return;
    {
        QSqlDatabase database = QSqlDatabase::database(mConnection, false);
        database.close();
    }
    QSqlDatabase::removeDatabase(mConnection);
    mOpen = false;
}
