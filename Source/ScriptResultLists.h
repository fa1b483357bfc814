// ScriptResultLists: reading the texts the mail-program scripts give back.
//
// A list result is shown as "{", items, "}": only quoted items count, read with their escapes
// (\" and \\), so commas, braces and quotes inside a name are part of it; text outside the
// quotes between the braces is skipped. A mail-selection result is one person per line (CR,
// LF or CR LF; every line counts, an empty one too): "Display Name <address>" or a bare
// address. Pure functions; any thread.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// The quoted items between the first "{" and the "}" that closes the list; empty when none.
QStringList ParseScriptList(const QString& inResult);

// A name split at its last blank: first name before, last name after; without a blank the
// whole name is the first name.
void SplitNameAtLastBlank(const QString& inName, QString* outFirst, QString* outLast);

struct MailSelectionPerson {
    QString firstName;
    QString lastName;
    QString email;
};
// One person per line of a mail-selection result.
std::vector<MailSelectionPerson> ParseMailSelection(const QString& inResult);
