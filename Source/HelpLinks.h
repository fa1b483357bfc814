// HelpLinks: where the program's help pages and its maker live, and the one way a page or mail
// address is opened (through an Internet settings session, like the Help menu). GUI thread.
#pragma once

#include <QString>

extern const char kHelpHost[];       // the maker's web host
extern const char kHelpFolder[];     // the folder of the help pages on that host
extern const char kSupportAddress[]; // "mailto:" and the support address

// "http://" + host + help folder + the page (which may carry a "#fragment").
QString HelpFolderURL(const QString& inPage);
// Opens the address; a session that does not start opens nothing.
void LaunchThroughInternetConfig(const QString& inURL);
