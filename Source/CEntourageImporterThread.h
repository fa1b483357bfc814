// CEntourageImporterThread: imports the members of an Entourage group (or of "All" its
// contacts) into a mailing window on a cooperative thread, behind the window's import panel.
//
// Two bundled scripts give the members' addresses and their names as list results ("{", quoted
// items, "}"); item i of each is one person. The group's name travels to the scripts as their
// one argument, never inside script text ("All" passes none). Both lists are read and their
// counts compared before the window's list changes: any failure until then ("abandon": no group
// name, a script that fails, lists that do not pair, the stop button while parsing) alerts or
// beeps, shows "Entourage import stopped." and leaves the list as it was. Then the list is
// replaced person by person ("(Imported i of n)" as the percentage moves), duplicates skipped
// when "Eliminate Duplicates" is on, each person put into an address-book group named like the
// Entourage group when the add-to-group box asked for it and no such group existed. The stop
// button then ends the walk, keeping what was added.
//
// The window adopts the thread; its clean-up asks it to stop, checked at every step, every 25
// items parsed and every percent loaded (a CStopException then leaves Run with the panel as it
// is). GUI thread (cooperative) only.
#pragma once

#include "CThread.h"

#include <QString>
#include <QStringList>

class CBrevantoWindow;

class CEntourageImporterThread : public CThread {
public:
    // Clears the import cancel flag and shows the imported recipients' tab.
    CEntourageImporterThread(CBrevantoWindow* inWindow, bool inAddToGroup);

    void* Run() override;

private:
    // Thrown where the import gives up before the list changes.
    struct Abandon {};

    void Status(const QString& inText);
    void StatusAndLog(const QString& inText);
    // The list a script gives, or Abandon with the alert's text when it fails.
    QStringList RunListScript(const QString& inScript, const QStringList& inArguments, const QString& inWhat,
                              const QString& inFailure, const QString& inProgressText);
    void Load(const QStringList& inNames, const QStringList& inAddresses);
    // The modal alert "Loading Entourage Group Contacts: " + the text, then Abandon.
    [[noreturn]] void Alert(const QString& inText);

    CBrevantoWindow* mWindow;
    bool mAddToGroup;
};
