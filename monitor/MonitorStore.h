// MonitorStore: the Message Monitor's log of hits, one SQLite file (rollback journal, so the
// closed file can be renamed; full sync, so a hit that was saved survives a crash). The file is
// marked with its own application id and schema version and is made at the first save. Main
// thread only (one QtSql connection per store).
#pragma once

#include "MonitorHitQueue.h"

#include <QString>

#include <vector>

struct MonitorRecord {
    qint64 key = 0;
    double date = 0; // seconds since 1970 UTC
    QString name;
    QString subject;
    QString mailerID;
};

class MonitorStore {
public:
    enum class FileKind { Log, NotLog, Missing };

    // Looks at a file read-only: a Message Monitor log, something else, or nothing there.
    static FileKind Probe(const QString& path);

    explicit MonitorStore(QString path);
    ~MonitorStore();
    MonitorStore(const MonitorStore&) = delete;
    MonitorStore& operator=(const MonitorStore&) = delete;

    enum class OpenResult { Opened, NotAStore, Failed };
    // Opens the file when there is one and checks it is a log of this program.
    OpenResult Open();
    // Adds the hits in one transaction (making the file first when needed); false with Error().
    bool Save(const std::vector<QueuedMonitorHit>& hits);
    // Every record, oldest first (equal dates in arrival order); empty on failure.
    std::vector<MonitorRecord> Fetch() const;
    void Close();

    QString Path() const { return mPath; }
    bool FileExists() const;
    QString Error() const { return mError; }

    static constexpr int kApplicationID = 0x4276746F; // "Bvto"
    static constexpr int kSchemaVersion = 1;

private:
    bool OpenConnection(bool readOnly);
    bool Execute(const QString& statement);
    bool MakeSchema();
    bool HasOurSchema();

    QString mPath;
    QString mConnection;
    bool mOpen = false;
    QString mError;
};
