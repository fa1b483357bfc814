// MergeTagExpansion: the text side of personalising a message, apart from where the values
// come from. Tags are "{" name "}"; a resolver gives each name's value. Script blocks
// ("<APPLESCRIPT>" ... "</APPLESCRIPT>") are replaced by what the script answers, and HTML gets
// the Message Monitor's tracking image before its first "</body>".
// Values are never expanded again: a value holding braces or a copy of a later tag stays as
// it came. GUI thread or cooperative threads; no state of its own.
#pragma once

#include "CText.h"

#include <QByteArray>
#include <QString>

#include <functional>

// Writes the value of the tag `name` into `out` (emptied first). True when the name is a known
// field: its value replaces the tag even when empty. False with a non-empty value (a label
// form) replaces the tag too; false with nothing leaves the tag as written.
using MergeTagResolver = std::function<bool(const QByteArray& name, CText& out)>;

// Replaces every tag between the two markers by its value, where it stands.
void ExpandTags(CText& ioText, const char* inOpen, const char* inClose, const MergeTagResolver& inResolve);

// A script's answer as a value: outer double quotes removed, \" and backslash-CR unescaped.
void UnquoteScriptResult(CText& ioResult);

// Runs a script; its answer (unquoted as above), or the script error text, goes to `out`.
void RunScriptForValue(const CText& inScript, CText& out);

// Every "__" + field name in a script becomes the field's value as a quoted string literal
// (inner double quotes escaped). `inQuotedValue` writes a field's value wrapped in quotes.
void SubstituteScriptVariables(CText& ioScript, const std::function<void(const char* name, CText& out)>& inQuotedValue);

// Runs each script block (after `inSubstitute`) and puts its answer, or the script error text,
// in the block's place.
void ExpandAppleScriptBlocks(CText& ioText, const std::function<void(CText& script)>& inSubstitute);

// What the tracking image carries; empty host: no image.
struct TrackingImage {
    QString host; // the listener's "host:port"
    QString to;   // the recipient as shown in To
    QString subject;
    QString mailerID; // the mailing's unique name
};

// Puts the tracking image before the first "</body>" (any case): the three values escaped for
// a query ("&" and "+" too), the tag followed by CR LF. Nothing without a host or a body end.
void InsertTrackingImage(CText& ioText, const TrackingImage& inImage);
