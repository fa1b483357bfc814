// AttachmentConversions: what a mailing may do to an attachment before it is sent: split a
// PDF into one file per page, zip a file or folder, print a text document (RTF, or an RTFD
// folder's TXT.rtf) to PDF; plus the type questions the callers ask first and a preview.
// Every conversion writes into a new work folder (WorkingFolders.h) and leaves it there for
// the mail to pick up; an unusable temporary root makes every conversion fail. Paths are held
// whole. Failures answer false or null and show nothing.
// GUI thread or cooperative threads (the zip and RTF tools are waited for through
// ProcessRunner, yielding on a cooperative thread).
#pragma once

#include "FSRef.h"

#include <QSizeF>
#include <QString>

// "Name [n].pdf" for each page n of the PDF `source`, in a new work folder (`folder` names it).
// True when at least one page was written; an encrypted, damaged, empty or non-PDF file: false.
bool WritePDFPages(const FSRef& source, FSRef* folder);

// "<name>.zip" of the file or folder `item` in a new work folder, made by Info-ZIP zip in the
// item's folder (entries "<name>/...", symbolic links stored as links). True when zip ended
// with status 0 and `zip` names the archive.
bool ZipItemToTempFolder(const FSRef& item, FSRef* zip);
constexpr int kZipDeadlineMs = 10 * 60 * 1000;

// "<name>.pdf" of an RTF file or RTFD folder at the page size (612 x 792 points when none is
// given), in a new work folder; null when the document cannot be read as RTF.
QString ConvertTextFileToPDF(const QString& path, const QSizeF& pageSize = QSizeF());

// Opens the file in its default application and returns at once.
void PreviewWithQuickLook(const QString& path);

// By the path's extension: plain text (anything that is text/plain or derives from it), RTF,
// a message, an RTFD folder or a web archive.
bool IsTextFileType(const QString& path);
// The MIME type name for the path's extension; null when none is known.
QString GetUTIForExtension(const QString& path);
