// CFileImporterThread: imports a recipients text file into a mailing window on a cooperative
// thread, behind the window's import panel (progress bar, status caption, arrows, stop button).
//
// The file is read and parsed whole (RecipientTextParser) before the window's list changes, so
// a replacing import of a file that can't be read keeps the old recipients. Then each line is
// appended unless "Eliminate Duplicates" finds it already there; the bar and the status caption
// "(Imported n of total)" are redrawn at most every 100 ms, and always once more when the
// import ends (whole, stopped or cancelled), so the panel is left showing how far it went.
//
// With add-to-group, everyone imported also goes into a new address book group named after the
// file (when no group has that name), each line's person found by name or made; the address
// book is saved when the import ends, also when it is stopped.
//
// Stopping: the stop button sets the one program-wide cancel flag (every running import ends
// after its current line, keeping what it added); the window's clean-up asks the thread to stop
// (checked after every line) and waits for it, so the thread never outlives its window.
// The window adopts the thread. GUI thread (cooperative) only.
#pragma once

#include "CThread.h"

#include <QString>

#include <atomic>

class CBrevantoWindow;
class ContactsRecord;
class RecipientTextParser;

class CFileImporterThread : public CThread {
public:
    // Sets the cancel flag to 0 and shows the imported recipients' tab.
    CFileImporterThread(CBrevantoWindow* inWindow, const QString& inPath, bool inAddToGroup, bool inReplace);

    void* Run() override;

    // The stop button: every running import ends after its current line. The flag is the
    // program's one import cancel flag: each importer clears it when it starts and reads it.
    static void RequestCancel() { sCancel.store(true); }
    static bool IsCancelRequested() { return sCancel.load(); }
    static void ClearCancelRequest() { sCancel.store(false); }

private:
    void ImportIntoGroup(const RecipientTextParser& inParser);
    void Import(const RecipientTextParser& inParser, const ContactsRecord* inGroup);
    void SaveGroup(const ContactsRecord* inGroup);
    void ShowProgress(SInt32 inDone, SInt32 inTotal);

    CBrevantoWindow* mWindow;
    QString mPath;
    bool mAddToGroup;
    bool mReplace;
    static std::atomic<bool> sCancel;
};
