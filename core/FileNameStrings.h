// Text helpers for paths, file references, page titles and file names: a path text from an
// FSRef and back, the text between two patterns (first or last start pattern before the end
// pattern), and a text made safe as a file name. Patterns match case-insensitively over Unicode
// letters, not only ASCII. Failures answer a null QString (false for GetFSRef); nothing throws.
// Pure functions: any thread.
#pragma once

#include "FSRef.h"

#include <QString>

// Longest path these helpers carry, in UTF-8 bytes.
constexpr int kMaxPathTextBytes = 4095;

// The item's POSIX path; null for a null reference, a vanished item or a longer path.
QString StringWithFSRef(const FSRef* ref);
// The FSRef of the path text; false when the item does not exist or the path is too long.
bool GetFSRef(const QString& path, FSRef* ref);

// The text between the first `start` and the next `end` after it. Null when either is missing
// (an empty pattern is never found); empty when `end` follows `start` directly.
QString ExtractBetweenPattern(const QString& text, const QString& start, const QString& end);
// The text between the last `start` that lies wholly before the first `end`, and that `end`.
QString ReverseExtractBetweenPattern(const QString& text, const QString& start, const QString& end);

// A file name made from any text (a page title, a date): "/" and ":" become "-", and so do
// control characters; a name of dots only gets a "-" for every dot, "" becomes "-"; the result
// is cut to 255 UTF-8 bytes on a character boundary.
QString CleanForFilename(const QString& text);
