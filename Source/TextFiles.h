// The program's test for a text file: one that is opened as recipients to import, not as a
// mailing document.
#pragma once

#include <QString>

// True when the MIME type of the file's extension begins with "text/" or "message/"; a file
// whose extension names no type counts as "text/plain" when its recorded file type is 'TEXT'.
bool IsTextFile(const QString& inPath);
