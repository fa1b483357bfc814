// PdfDocument: an existing PDF file, read with libqpdf, whose pages can each be written out as
// a PDF of their own: the page as it stands (media box and the resources it inherits copied
// in, nothing re-rendered) with a title and creator in the new document's information.
// An encrypted, damaged or non-PDF file does not open. No libqpdf exception leaves this class.
// One thread at a time per object; any thread.
#pragma once

#include <QString>

#include <memory>

class PdfDocument {
public:
    PdfDocument();
    ~PdfDocument();
    PdfDocument(const PdfDocument&) = delete;
    PdfDocument& operator=(const PdfDocument&) = delete;

    // False for a file that is missing, unreadable, not a PDF, damaged or encrypted.
    bool Open(const QString& path);
    int PageCount() const;
    // Writes page `index` (0-based) to `outputPath` with /Title and /Creator set. False on any
    // failure (a partial output file is removed).
    bool WritePage(int index, const QString& outputPath, const QString& title, const QString& creator);

private:
    struct Impl;
    std::unique_ptr<Impl> mImpl;
};
