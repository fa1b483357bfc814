// What the mailing window benchmarks share: a private home, settings and data folder for the
// whole run (the user's own preferences, contacts and documents are never touched; no window
// stops at the no-Me-card sheet), a window made and deleted without writing anything back, and
// the process's peak resident size.
#pragma once

#include "CBrevantoWindow.h"
#include "CThread.h"
#include "Events.h"
#include "LQtApplication.h"
#include "LThread.h"
#include "Preferences.h"
#include "ScriptedPresenter.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <chrono>

namespace MailingBench {

// Points the home, settings and data folders into a temporary folder, once per run; the folder.
inline QString UsePrivateFolders()
{
    static QTemporaryDir folder;
    static const bool set = [] {
        qputenv("HOME", folder.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (folder.path() + "/config").toUtf8());
        qputenv("XDG_DATA_HOME", (folder.path() + "/data").toUtf8());
        SetPreference("0", CString256("Show No Me Card Alert"));
        return true;
    }();
    (void)set;
    return folder.path();
}

inline CBrevantoWindow* NewWindow()
{
    UsePrivateFolders();
    LQtApplication::Instance();
    return new CBrevantoWindow();
}

// Deleted rather than closed, so nothing is written to the preferences.
inline void DeleteWindow(CBrevantoWindow* inWindow)
{
    delete inWindow;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

inline bool WaitForThreads()
{
    return LThread::WaitUntil([] { return gThreadList.Count() == 0; }, DeadlineAfter(std::chrono::minutes(10)));
}

inline double PeakRSSMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

} // namespace MailingBench
