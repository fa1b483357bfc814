#include "PdfDocument.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <QFile>

#include <exception>
#include <vector>

struct PdfDocument::Impl {
    QPDF source;
    std::vector<QPDFPageObjectHelper> pages;
};

PdfDocument::PdfDocument() = default;
PdfDocument::~PdfDocument() = default;

bool PdfDocument::Open(const QString& path)
{
    auto impl = std::make_unique<Impl>();
    try {
        impl->source.setSuppressWarnings(true);
        impl->source.processFile(QFile::encodeName(path).constData());
        if (impl->source.isEncrypted())
            return false;
        QPDFPageDocumentHelper helper(impl->source);
        helper.pushInheritedAttributesToPage();
        impl->pages = helper.getAllPages();
    } catch (const std::exception&) {
        return false;
    }
    mImpl = std::move(impl);
    return true;
}

int PdfDocument::PageCount() const
{
    return mImpl ? int(mImpl->pages.size()) : 0;
}

bool PdfDocument::WritePage(int index, const QString& outputPath, const QString& title, const QString& creator)
{
    if (!mImpl || index < 0 || index >= PageCount())
        return false;
    const QByteArray output = QFile::encodeName(outputPath);
    try {
        QPDF single;
        single.emptyPDF();
        QPDFPageDocumentHelper(single).addPage(mImpl->pages[size_t(index)], false);
        QPDFObjectHandle info = QPDFObjectHandle::newDictionary();
        info.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(title.toStdString()));
        info.replaceKey("/Creator", QPDFObjectHandle::newUnicodeString(creator.toStdString()));
        single.getTrailer().replaceKey("/Info", single.makeIndirectObject(info));
        QPDFWriter writer(single, output.constData());
        writer.write();
    } catch (const std::exception&) {
        QFile::remove(outputPath);
        return false;
    }
    return true;
}
