// Reading a mailing document file: the whole file parsed as a property list whose root is a
// dictionary (what opening a mailing needs), and the stricter test of whether a file is one of
// this program's mailings at all (the writer always puts a "Version" text in it).
// Any thread; nothing here touches a window.
#pragma once

#include "CFPropertyList.h"

#include <QString>

// The file's root dictionary; false (and outDictionary untouched) when the file cannot be read
// or holds no property-list dictionary, the reason for the user in outReason.
bool ReadDocumentDictionary(const QString& inPath, CFPropertyList* outDictionary, QString* outReason);
// True for a readable property-list dictionary that holds "Version" as a text. The version's
// value is not compared with anything.
bool IsMailingDocumentFile(const QString& inPath);
