#include "MessageMonitor.h"

#include "AlertHelpers.h"
#include "CBrevantoApp.h"
#include "CEnvironment.h"
#include "CFBundle.h"
#include "CMessageMonitorWindow.h"
#include "FileErrors.h"
#include "FileManager.h"
#include "NetworkChecks.h"
#include "PathHelpers.h"
#include "Presenter.h"
#include "PreferenceGetters.h"
#include "Preferences.h"
#include "ReverseLookup.h"
#include "RunOnMainContext.h"
#include "WorkingFolders.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr char kStoreFileName[] = "MessageMonitor.cdbvto";
constexpr auto kReverseLookupDeadline = std::chrono::seconds(5);
// Each commit waits for the disk (synchronous=FULL), about a millisecond of the main thread, and
// accepts wait behind it: a hit after a quiet spell is written at once, those that follow within
// this interval of the last write wait for its end and go together in one transaction.
constexpr std::chrono::milliseconds kDrainInterval{50};

struct MonitorState {
    std::unique_ptr<CMonitorListener> listener;
    QString hostAndPort;
    QString statusText;
    std::unique_ptr<MonitorStore> store;
    QString storeProblem; // why hits can't be recorded, while that lasts
    MonitorServerLimits limits;
    MonitorLogRenamer renamer;
    std::chrono::milliseconds drainInterval = kDrainInterval;
    std::chrono::steady_clock::time_point lastDrain;
    bool drainScheduled = false;
};

// Lives to the end of the process: nothing here may run after Qt's own statics are gone.
MonitorState& State()
{
    static MonitorState& state = *new MonitorState;
    return state;
}

MonitorHitQueue& HitQueue()
{
    static MonitorHitQueue queue;
    return queue;
}

void LogLine(const QString& line) { std::fprintf(stderr, "%s\n", line.toUtf8().constData()); }

void RefreshWindowStatus()
{
    if (gMessageMonitorWindow)
        gMessageMonitorWindow->UpdateStatusText();
}

void MarkWindowForReload()
{
    if (gMessageMonitorWindow)
        gMessageMonitorWindow->MarkForReload();
}

void ClearWindow()
{
    if (gMessageMonitorWindow) {
        gMessageMonitorWindow->ClearRequests();
        gMessageMonitorWindow->MarkForReload();
    }
}

void SetStoreProblem(const QString& reason)
{
    MonitorState& state = State();
    if (reason == state.storeProblem)
        return;
    if (!reason.isEmpty())
        LogLine(QStringLiteral("The Message Monitor can't record hits: ") + reason);
    state.storeProblem = reason;
    RefreshWindowStatus();
}

QString StorePath()
{
    const QString folder = GetMessageMonitorFolderPath();
    return folder.isNull() ? QString() : QDir(folder).filePath(QString::fromLatin1(kStoreFileName));
}

// Renames without replacing: a taken name gets " 2", " 3" ... before the extension.
OSErr PutAside(const QString& path, QString* newPath = nullptr)
{
    MonitorState& state = State();
    const QDateTime now = QDateTime::currentDateTime();
    OSErr error = dupFNErr;
    for (int serial = 1; serial < 1000 && error == dupFNErr; ++serial) {
        const QString name = PutAsideLogName(now, serial);
        if (state.renamer) {
            error = state.renamer(path, name);
        } else {
            FSRef ref;
            error = FSPathMakeRef(path, &ref);
            if (error == noErr)
                error = RenameFileUnicode(ref, name);
        }
        if (error == noErr && newPath)
            *newPath = QFileInfo(path).dir().filePath(name);
    }
    return error;
}

QString ReasonOf(OSErr error)
{
    switch (error) {
    case fnfErr:
        return QStringLiteral("The file was not found.");
    case dupFNErr:
        return QStringLiteral("A file of that name is in the way.");
    case permErr:
        return QStringLiteral("Permission denied.");
    default:
        return QStringLiteral("Error %1.").arg(error);
    }
}

std::shared_ptr<const MonitorReplies> MakeReplies()
{
    const CFBundle& bundle = CFBundle::Main();
    const CFPropertyList version = bundle.ValueForInfoDictionaryKey(QStringLiteral("CFBundleShortVersionString"));
    auto asString = [](const std::optional<QByteArray>& bytes) -> std::optional<std::string> {
        if (!bytes)
            return std::nullopt;
        return bytes->toStdString();
    };
    return std::make_shared<const MonitorReplies>(
        version.IsString() ? version.ToString().toStdString() : std::string(),
        asString(bundle.ReadResource(QStringLiteral("Brevanto"), QStringLiteral("jpg"))),
        asString(bundle.ReadResource(QStringLiteral("33"), QStringLiteral("png"))));
}

// The address the tracking image names, and the status line that says it.
void FindAddress(std::uint16_t port)
{
    MonitorState& state = State();
    const bool external = GetMonitorUsesExternalAddress();
    QString address;
    if (external) {
        address = GetMessageMonitorIPAddress();
        if (address.isEmpty())
            address = GetExternalIPAddress(true, false);
    } else {
        address = GetLocalIPAddress(true, false);
    }
    if (address.isEmpty())
        return;
    const QString where = external ? QStringLiteral("external") : QStringLiteral("local");
    const QString hostName = GetMonitorUsesDNS()
        ? QString::fromStdString(ReverseLookup(address.toStdString(), kReverseLookupDeadline))
        : QString();
    if (!hostName.isEmpty()) {
        state.hostAndPort = QStringLiteral("%1:%2").arg(hostName).arg(port);
        state.statusText = QStringLiteral("The Message Monitor is listening at: %1 (%2) [%3]")
                               .arg(state.hostAndPort, address, where);
    } else {
        state.hostAndPort = QStringLiteral("%1:%2").arg(address).arg(port);
        state.statusText = QStringLiteral("The Message Monitor is listening at: %1  [%2]").arg(state.hostAndPort, where);
    }
    LogLine(state.statusText);
}

void ReportStartFailure(const QString& reason, bool quiet)
{
    LogLine(QStringLiteral("The Message Monitor could not be started. ") + reason);
    if (!quiet)
        ShowAlert(QStringLiteral("The Message Monitor could not be started."), reason);
}

bool OpenStoreAt(const QString& path)
{
    MonitorState& state = State();
    state.store = std::make_unique<MonitorStore>(path);
    switch (state.store->Open()) {
    case MonitorStore::OpenResult::Opened:
        SetStoreProblem({});
        return true;
    case MonitorStore::OpenResult::NotAStore: {
        // Not ours (or not a database at all): kept aside, and a new log begins.
        QString asidePath;
        const OSErr error = PutAside(path, &asidePath);
        if (error != noErr) {
            SetStoreProblem(QStringLiteral("%1 is not a Message Monitor log and could not be put aside: %2")
                                .arg(path, ReasonOf(error)));
            state.store.reset();
            return false;
        }
        LogLine(QStringLiteral("The file %1 was not a Message Monitor log; it was put aside as %2.").arg(path, asidePath));
        state.store = std::make_unique<MonitorStore>(path);
        SetStoreProblem({});
        return true;
    }
    case MonitorStore::OpenResult::Failed:
        SetStoreProblem(state.store->Error());
        state.store.reset();
        return false;
    }
    return false;
}

} // namespace

// --- Store --------------------------------------------------------------------------------------

QString GetMessageMonitorFolderPath()
{
    FSRef folder;
    if (!GetMessageMonitorFolder(&folder))
        return {};
    return QString::fromStdString(folder.path);
}

void CreateMessageMonitorModel(CBrevantoApp&) { State().store.reset(); }

void OpenMessageMonitorStore(CBrevantoApp&)
{
    const QString path = StorePath();
    if (path.isNull()) {
        SetStoreProblem(QStringLiteral("The Message Monitor folder could not be made."));
        return;
    }
    OpenStoreAt(path);
}

void CloseMessageMonitorStore()
{
    DrainMessageMonitorHits();
    State().store.reset();
}

std::vector<MonitorRecord> FetchMessageMonitorRequests(CBrevantoApp&)
{
    const auto& store = State().store;
    return store ? store->Fetch() : std::vector<MonitorRecord>();
}

void DrainMessageMonitorHits()
{
    MonitorState& state = State();
    std::vector<QueuedMonitorHit> hits = HitQueue().TakeAll();
    if (!hits.empty())
        state.lastDrain = std::chrono::steady_clock::now();
    // Recorded only while monitoring is on and there is a store.
    if (hits.empty() || !gEnvironment || !gEnvironment->monitorOn || !state.store)
        return;
    if (!state.store->Save(hits)) {
        LogLine(QStringLiteral("Error while saving\n") + state.store->Error());
        SetStoreProblem(state.store->Error());
        return;
    }
    SetStoreProblem({});
    MarkWindowForReload();
}

// The drain a connection thread asks for when the queue turns non-empty: now, or at the end of
// the interval that began with the last one (a timer of the main thread's, which also fires
// under a modal dialog).
void RequestMessageMonitorDrain()
{
    MonitorState& state = State();
    const auto due = state.lastDrain + state.drainInterval;
    const auto now = std::chrono::steady_clock::now();
    if (now >= due) {
        DrainMessageMonitorHits();
        return;
    }
    if (state.drainScheduled)
        return;
    state.drainScheduled = true;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(due - now);
    QTimer::singleShot(wait, QCoreApplication::instance(), [] {
        State().drainScheduled = false;
        DrainMessageMonitorHits();
    });
}

void SetMessageMonitorDrainInterval(std::chrono::milliseconds inInterval) { State().drainInterval = inInterval; }

std::uint64_t DroppedMessageMonitorHits() { return HitQueue().Dropped(); }

// --- Listener -------------------------------------------------------------------------------------

OSStatus StartMessageMonitor(SInt32, bool inQuiet)
{
    MonitorState& state = State();
    if (state.listener)
        StopMessageMonitor();
    const SInt32 port = SInt32(GetMessageMonitorPort());
    if (port < 0 || port > 65535) {
        ReportStartFailure(QStringLiteral("%1 is not a port between 0 and 65535.").arg(port), inQuiet);
        RefreshWindowStatus();
        return paramErr;
    }
    CMonitorListener::Setup setup;
    setup.limits = state.limits;
    setup.replies = MakeReplies();
    setup.queue = &HitQueue();
    setup.hitQueued = [] { RunOnMainContext(&RequestMessageMonitorDrain); };
    auto listener = std::make_unique<CMonitorListener>(std::move(setup));
    if (const int error = listener->Open(std::uint16_t(port))) {
        ReportStartFailure(QStringLiteral("It could not listen on port %1: %2.")
                               .arg(port)
                               .arg(QString::fromStdString(listener->ErrorText())),
                           inQuiet);
        RefreshWindowStatus();
        return OSErrFromErrno(error);
    }
    state.hostAndPort.clear();
    state.statusText = QString(""); // empty, not null, until the address is known
    FindAddress(listener->Port());
    state.listener = std::move(listener);
    RefreshWindowStatus();
    return noErr;
}

void StopMessageMonitor()
{
    MonitorState& state = State();
    if (!state.listener)
        return;
    state.listener->Close(); // ends every connection; their hits are queued by now
    state.listener.reset();
    state.hostAndPort = QString();
    state.statusText = QString();
    DrainMessageMonitorHits();
    LogLine(QStringLiteral("The Message Monitor has shut down."));
    RefreshWindowStatus();
}

bool IsMessageMonitorRunning() { return State().listener != nullptr; }

const CMonitorListener* CurrentMessageMonitorListener() { return State().listener.get(); }

QString CopyMessageMonitorHostAndPort()
{
    const MonitorState& state = State();
    return state.listener ? state.hostAndPort : QString();
}

QString MessageMonitorStatusText()
{
    const MonitorState& state = State();
    if (!state.listener)
        return QStringLiteral("The Message Monitor is off");
    if (!state.storeProblem.isEmpty())
        return QStringLiteral("The Message Monitor can't record hits: ") + state.storeProblem;
    return state.statusText.isNull() ? QString("") : state.statusText;
}

bool GetMonitorUsesExternalAddress() { return ReadTrueRuleFlag(kMessageMonitorShouldUseExternalAddressKey, false); }

bool GetMonitorUsesDNS() { return ReadTrueRuleFlag(kMessageMonitorUseDNSKey, false); }

void ToggleMessageMonitor(bool inQuiet)
{
    if (!gEnvironment)
        return;
    const bool wasOn = gEnvironment->monitorOn != 0;
    if (wasOn) {
        StopMessageMonitor();
        gEnvironment->monitorOn = 0;
    } else {
        gEnvironment->monitorOn = StartMessageMonitor(24, inQuiet) == noErr;
    }
    UpdateMessageMonitorMenuMark();
    const bool on = gEnvironment->monitorOn != 0;
    if (!inQuiet && (wasOn || on)) {
        if (on)
            ShowAlert(QStringLiteral("Message Monitor: ON"),
                      QStringLiteral("Brevanto will now monitor the delivery of HTML messages. Note that plain "
                                     "text messages can not be monitored."));
        else
            ShowAlert(QStringLiteral("Message Monitor: OFF"),
                      QStringLiteral("Brevanto will not monitor the delivery of messages"));
    }
    RefreshWindowStatus();
    // A start that failed still stores "true": the next launch tries again.
    SetPreference(wasOn ? "false" : "true", CString256(kMessageMonitorKey));
}

// --- Roll Log and Open Log ------------------------------------------------------------------------

QString StandardDateDescription(const QDateTime& inWhen)
{
    const int offset = inWhen.offsetFromUtc() / 60;
    const QString zone = QStringLiteral("%1%2%3")
                             .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                             .arg(std::abs(offset) / 60, 2, 10, QLatin1Char('0'))
                             .arg(std::abs(offset) % 60, 2, 10, QLatin1Char('0'));
    return QLocale::c().toString(inWhen, QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QLatin1Char(' ') + zone;
}

QString PutAsideLogName(const QDateTime& inWhen, int inSerial)
{
    QString name = StandardDateDescription(inWhen);
    if (inSerial > 1)
        name += QStringLiteral(" %1").arg(inSerial);
    name += QStringLiteral(".cdbvto");
    return name.replace(QLatin1Char(':'), QLatin1Char('.'));
}

bool RollMessageMonitorLog(CBrevantoApp& inApplication)
{
    const SInt16 answer = ShowCautionAlert(
        QStringLiteral("Are you sure you want to roll the Message Monitor log?"),
        QStringLiteral("To undo this operation you will need to re-open the previous log file after the new one is "
                       "created."));
    if (answer != kAlertStdAlertOKButton)
        return false; // Cancel, or no alert could be asked
    const QString path = StorePath();
    DrainMessageMonitorHits();
    if (path.isNull() || !QFileInfo(path).isFile())
        return false;
    ClearWindow();
    State().store.reset();
    const OSErr error = PutAside(path);
    OpenMessageMonitorStore(inApplication);
    MarkWindowForReload();
    if (error != noErr) {
        LogLine(QStringLiteral("The Message Monitor log could not be put aside: ") + ReasonOf(error));
        ShowAlert(QStringLiteral("The Message Monitor log could not be put aside."), ReasonOf(error));
        return false;
    }
    return true;
}

void OpenMessageMonitorLog(CBrevantoApp& inApplication)
{
    const QString folder = GetMessageMonitorFolderPath();
    const QString storePath = StorePath();
    if (folder.isNull())
        return;
    const std::optional<QString> chosen =
        Presenter::Get().AskOpenFile(QStringLiteral("Choose File"), QStringLiteral("Choose"), 'cdbv', folder);
    if (!chosen || chosen->isEmpty())
        return;
    const QFileInfo chosenInfo(*chosen);
    if (chosenInfo.canonicalFilePath() == QFileInfo(storePath).canonicalFilePath())
        return; // the current store already
    if (MonitorStore::Probe(*chosen) != MonitorStore::FileKind::Log) {
        ShowAlert(QStringLiteral("The file is not a Message Monitor log."), chosenInfo.fileName());
        return;
    }
    DrainMessageMonitorHits();
    ClearWindow();
    State().store.reset();
    QString failure;
    const bool inFolder = chosenInfo.canonicalPath() == QFileInfo(folder).canonicalFilePath();
    QString asidePath;
    if (QFileInfo(storePath).isFile()) {
        if (const OSErr error = PutAside(storePath, &asidePath); error != noErr)
            failure = ReasonOf(error);
    }
    if (failure.isEmpty()) {
        if (inFolder) {
            FSRef ref;
            OSErr error = FSPathMakeRef(*chosen, &ref);
            if (error == noErr)
                error = RenameFileUnicode(ref, QString::fromLatin1(kStoreFileName));
            if (error != noErr)
                failure = ReasonOf(error);
        } else {
            // A log from elsewhere is copied in; the user's file stays as it was.
            const QString temporary = storePath + QStringLiteral(".incoming");
            QFile::remove(temporary);
            if (!QFile::copy(*chosen, temporary) ||
                std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(storePath).constData()) != 0) {
                failure = QString::fromUtf8(std::strerror(errno));
                QFile::remove(temporary);
            }
        }
    }
    if (!failure.isEmpty()) {
        // The previous store goes back in place.
        if (!asidePath.isEmpty() && !QFileInfo::exists(storePath))
            std::rename(QFile::encodeName(asidePath).constData(), QFile::encodeName(storePath).constData());
        LogLine(QStringLiteral("The Message Monitor log could not be opened: ") + failure);
        ShowAlert(QStringLiteral("The Message Monitor log could not be opened."), failure);
    }
    // With a failure the previous store (put aside or not) is the one in place, or none yet.
    OpenMessageMonitorStore(inApplication);
    MarkWindowForReload();
}

void SetMessageMonitorLimits(const MonitorServerLimits& inLimits) { State().limits = inLimits; }

void SetMessageMonitorLogRenamer(MonitorLogRenamer inRenamer) { State().renamer = std::move(inRenamer); }
