// MessageMonitor: the program's operations on the Message Monitor: start and stop of the
// listener, the on/off switch with its alerts and setting, the store with Roll Log and Open
// Log, and the texts the window and the merge step read. The hits the connection threads queue
// are written here, on the main thread, in one transaction per drain.
// GUI thread only (the store and the listener object belong to it).
#pragma once

#include "CMonitorListener.h"
#include "MacTypes.h"
#include "MonitorStore.h"

#include <QDateTime>
#include <QString>

#include <chrono>
#include <functional>
#include <vector>

class CBrevantoApp;

// The store: made for the file "MessageMonitor.cdbvto" of the Message Monitor folder, then
// opened. A file there that is no Message Monitor log is put aside under a dated name and a new
// log begins; other failures show in the status text until a later save succeeds.
void CreateMessageMonitorModel(CBrevantoApp& inApplication);
void OpenMessageMonitorStore(CBrevantoApp& inApplication);
// At quit, after the listener stopped: writes what is queued and closes the store.
void CloseMessageMonitorStore();
// Oldest first; empty without a store.
std::vector<MonitorRecord> FetchMessageMonitorRequests(CBrevantoApp& inApplication);

// Starts the listener on the "MessageMonitorPort" setting (a running one is stopped first).
// 0, or the failure's code when it can't listen: then no listener is kept, a line goes to
// standard error and, unless quiet, an alert says why.
OSStatus StartMessageMonitor(SInt32 inRequestCount, bool inQuiet = false);
// Stops the listener, ending every connection, and records the hits that came before.
void StopMessageMonitor();
bool IsMessageMonitorRunning();
// On when off, off when on: the environment's flag and the menu mark follow the outcome, an
// alert tells it unless quiet, the window's status line is refreshed and "MessageMonitor"
// becomes "true" or "false" ("true" also when the start failed, so the next launch retries).
void ToggleMessageMonitor(bool inQuiet);
// The command "Open Log": the chosen log becomes the store.
void OpenMessageMonitorLog(CBrevantoApp& inApplication);
// The command "Roll Log": after the user agrees, the store is put aside under a dated name and
// a new, empty one begins. True when that happened.
bool RollMessageMonitorLog(CBrevantoApp& inApplication);

// The listener's "host:port" for the tracking image; null when off or unknown.
QString CopyMessageMonitorHostAndPort();
// The status line of the Message Monitor window.
QString MessageMonitorStatusText();

bool GetMonitorUsesExternalAddress();
bool GetMonitorUsesDNS();
// The Message Monitor folder; null when it can't be found or made.
QString GetMessageMonitorFolderPath();

// Writes the queued hits to the store now.
void DrainMessageMonitorHits();
// The drain the connection threads ask for: at once after a quiet spell, else at the end of the
// interval (50 ms) since the last, so that a burst of hits is written in few transactions.
void RequestMessageMonitorDrain();
// How many hits the queue had to drop (it was full).
std::uint64_t DroppedMessageMonitorHits();
// The listener, while on (tests read its connection counts).
const CMonitorListener* CurrentMessageMonitorListener();

// Tests: lower limits for the next start, and a replacement for the rename that puts a log aside.
void SetMessageMonitorLimits(const MonitorServerLimits& inLimits);
void SetMessageMonitorDrainInterval(std::chrono::milliseconds inInterval);
using MonitorLogRenamer = std::function<OSErr(const QString& inPath, const QString& inNewName)>;
void SetMessageMonitorLogRenamer(MonitorLogRenamer inRenamer);

// "2008-03-01 14:05:09 +0100": local time with its offset, the form of exported dates.
QString StandardDateDescription(const QDateTime& inWhen);
// "2008-03-01 14.05.09 +0100.cdbvto": the local time with its offset, ":" made ".".
QString PutAsideLogName(const QDateTime& inWhen, int inSerial = 1);
