// RichTextPrinter: prints an RTF document to a PDF file, standing in for the system's rich-text
// view and its print-to-file. The RTF is read by `unrtf --html --nopict` (through
// ProcessRunner, 60 s deadline), laid out by QTextDocument at the page width (pagination fits
// the text horizontally, pages follow vertically) and written with QPdfWriter at the given
// page size in points. Only a file that begins with "{\rtf" is read.
// GUI thread (the layout needs the application's fonts). What can fail: not RTF, unrtf failing
// or timing out, the PDF not being written (false).
#pragma once

#include <QSizeF>
#include <QString>

class RichTextPrinter {
public:
    static constexpr int kConverterDeadlineMs = 60000;

    static bool PrintToPDF(const QString& rtfPath, const QString& pdfPath, const QSizeF& pagePoints);
};
