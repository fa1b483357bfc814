// Launch at login: the program's own autostart entry of the desktop
// ($XDG_CONFIG_HOME/autostart/<bundle identifier>.desktop, XDG_CONFIG_HOME defaulting to
// ~/.config). Only that one file is ever written or removed, atomically; other programs'
// entries are never touched. The entry counts as ours when its Exec names the running program
// (the same file, however it is reached) and it is not Hidden. Nothing in the program offers
// these yet. GUI thread (file work only).
#pragma once

#include <QString>

// True when it wrote a new entry (or replaced one that names a program since moved); false when
// the configuration folder is missing, `autostart` is not a folder, the program is already
// listed (nothing is written then), or the entry could not be written whole.
bool AddAppToLoginItems();
// False only when there is an autostart folder and the program is not in it, or its entry could
// not be removed; true when it was removed or there is nothing to do.
bool RemoveAppFromLoginItems();

// The program the entry names: the running executable unless a test set another (empty
// restores it).
void SetLoginItemProgram(const QString& inPath);
// The Exec value that starts inProgram, quoted by the Desktop Entry rules.
QString LoginItemExec(const QString& inProgram);
