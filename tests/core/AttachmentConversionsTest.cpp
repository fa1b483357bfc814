// Attachment conversions with the real tools: PDF pages checked by pdfinfo and pdftotext,
// archives listed by Python's zipfile, RTF printed to PDF.
#include "AttachmentConversions.h"

#include "FileManager.h"
#include "LQtApplication.h"
#include "ProcessRunner.h"
#include "RecordingLauncher.h"

#include <gtest/gtest.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// A PDF written by hand: three pages, the first two inheriting their media box (400 x 300)
// and font from the page tree, the third with a media box of its own (200 x 500).
QByteArray ThreePagePDF()
{
    QList<QByteArray> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 3 /MediaBox [0 0 400 300]"
        " /Resources << /Font << /F1 9 0 R >> >> >>",
        "<< /Type /Page /Parent 2 0 R /Contents 6 0 R >>",
        "<< /Type /Page /Parent 2 0 R /Contents 7 0 R >>",
        "<< /Type /Page /Parent 2 0 R /Contents 8 0 R /MediaBox [0 0 200 500] >>",
    };
    for (const char* word : {"Alpha", "Bravo", "Charlie"}) {
        const QByteArray stream = QByteArray("BT /F1 24 Tf 20 100 Td (") + word + ") Tj ET";
        objects += "<< /Length " + QByteArray::number(stream.size()) + " >>\nstream\n" + stream + "\nendstream";
    }
    objects += "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>";
    QByteArray pdf = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (int i = 0; i < objects.size(); ++i) {
        offsets += pdf.size();
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n"
        + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

QString Tool(const QString& program, const QStringList& arguments)
{
    const ProcessResult result = ProcessRunner::Run(program, arguments, 30s);
    return QString::fromUtf8(result.standardOutput);
}

QString InfoField(const QString& info, const QString& field)
{
    const QRegularExpressionMatch match = QRegularExpression("^" + field + ":\\s*(.*)$",
                                                             QRegularExpression::MultilineOption).match(info);
    return match.captured(1).trimmed();
}

class Conversions : public ::testing::Test {
protected:
    void SetUp() override
    {
        LQtApplication::Instance();
        qputenv("TMPDIR", temp.path().toUtf8());
    }
    QString Write(const QString& name, const QByteArray& bytes)
    {
        QFile file(source.path() + "/" + name);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }
    FSRef Ref(const QString& path)
    {
        FSRef ref;
        EXPECT_EQ(FSPathMakeRef(path, &ref), noErr) << path.toStdString();
        return ref;
    }
    QString PathOf(const FSRef& ref) { return QString::fromStdString(ref.path); }

    QTemporaryDir temp;
    QTemporaryDir source;
};

TEST_F(Conversions, PDFSplitsIntoOneDocumentPerPage)
{
    const FSRef pdf = Ref(Write("A.pdf", ThreePagePDF()));
    FSRef folder;
    ASSERT_TRUE(WritePDFPages(pdf, &folder));
    const QStringList files = QDir(PathOf(folder)).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(files, (QStringList {"A.pdf [1].pdf", "A.pdf [2].pdf", "A.pdf [3].pdf"}));
    const char* words[] = {"Alpha", "Bravo", "Charlie"};
    const char* sizes[] = {"400 x 300 pts", "400 x 300 pts", "200 x 500 pts"};
    for (int i = 0; i < 3 && i < files.size(); ++i) {
        const QString page = PathOf(folder) + "/" + files[i];
        const QString info = Tool("pdfinfo", {page});
        EXPECT_EQ(InfoField(info, "Pages"), "1");
        EXPECT_TRUE(InfoField(info, "Page size").startsWith(sizes[i])) << info.toStdString();
        EXPECT_EQ(InfoField(info, "Title"), files[i]);
        EXPECT_EQ(InfoField(info, "Creator"), "Brevanto");
        EXPECT_EQ(Tool("pdftotext", {page, "-"}).trimmed(), words[i]);
    }
    FSRef second;
    ASSERT_TRUE(WritePDFPages(pdf, &second));
    EXPECT_NE(second.path, folder.path);
}

TEST_F(Conversions, PDFsThatCannotBeSplit)
{
    QByteArray empty = ThreePagePDF();
    empty.replace("/Kids [3 0 R 4 0 R 5 0 R] /Count 3", "/Kids [] /Count 0");
    QByteArray damaged = ThreePagePDF().left(300);
    const QString encrypted = source.path() + "/locked.pdf";
    {
        QPDF pdf;
        const QByteArray bytes = ThreePagePDF();
        pdf.processMemoryFile("three", bytes.constData(), size_t(bytes.size()));
        QPDFWriter writer(pdf, QFile::encodeName(encrypted).constData());
        writer.setR6EncryptionParameters("user", "owner", true, true, true, true, true, true, qpdf_r3p_full, true);
        writer.write();
    }
    for (const QString& path : {Write("empty.pdf", empty), Write("damaged.pdf", damaged),
                                Write("text.pdf", "not a pdf at all"), encrypted}) {
        FSRef folder;
        EXPECT_FALSE(WritePDFPages(Ref(path), &folder)) << path.toStdString();
    }
}

TEST_F(Conversions, ZipKeepsNamesAndLinks)
{
    QDir(source.path()).mkpath("Pics/sub");
    Write("Pics/one.jpg", "jpeg");
    Write("Pics/sub/two.jpg", "jpeg");
    ASSERT_TRUE(QFile::link("/etc/hostname", source.path() + "/Pics/link"));
    FSRef zip;
    ASSERT_TRUE(ZipItemToTempFolder(Ref(source.path() + "/Pics"), &zip));
    EXPECT_TRUE(PathOf(zip).endsWith("/Pics.zip"));
    const QString listing = Tool(BREVANTO_PYTHON, {"-c",
        "import sys, zipfile, stat\n"
        "for i in zipfile.ZipFile(sys.argv[1]).infolist():\n"
        "    print(i.filename, 'link' if stat.S_ISLNK(i.external_attr >> 16) else '')\n",
        PathOf(zip)});
    QStringList lines = listing.split('\n', Qt::SkipEmptyParts);
    for (QString& line : lines)
        line = line.trimmed();
    lines.sort();
    EXPECT_EQ(lines, (QStringList {"Pics/", "Pics/link link", "Pics/one.jpg", "Pics/sub/", "Pics/sub/two.jpg"}));

    for (const QString& name : {QString("a.txt"), QString("with space \"q\".txt"), QString("-leading.txt"),
                                QString::fromUtf8("caf\u00e9.txt")}) {
        Write(name, "text");
        ASSERT_TRUE(ZipItemToTempFolder(Ref(source.path() + "/" + name), &zip)) << name.toStdString();
        EXPECT_EQ(QFileInfo(PathOf(zip)).fileName(), name + ".zip");
        // The stored bytes are the UTF-8 name (Info-ZIP sets no UTF-8 flag; zipfile then reads CP437).
        EXPECT_EQ(Tool(BREVANTO_PYTHON, {"-c",
                       "import sys, zipfile\n"
                       "i = zipfile.ZipFile(sys.argv[1]).infolist()[0]\n"
                       "n = i.filename if i.flag_bits & 0x800 else i.filename.encode('cp437').decode('utf-8')\n"
                       "sys.stdout.buffer.write(n.encode('utf-8'))",
                       PathOf(zip)}), name);
    }
    EXPECT_FALSE(ZipItemToTempFolder(FSRef {(source.path() + "/missing").toStdString()}, &zip));
}

TEST_F(Conversions, ZipToolFailureIsFalse)
{
    QTemporaryDir bin;
    QFile fake(bin.path() + "/zip");
    fake.open(QIODevice::WriteOnly);
    fake.write("#!/bin/sh\nexit 12\n");
    fake.close();
    fake.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8() + ":" + path);
    FSRef zip;
    const bool made = ZipItemToTempFolder(Ref(Write("a.txt", "x")), &zip);
    qputenv("PATH", path);
    EXPECT_FALSE(made);
}

TEST_F(Conversions, RichTextPrintsToPDF)
{
    const QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl\\f0 Helvetica;}\\f0 Quarterly \\b notes\\b0  for caf\\'e9.\\par}";
    const QString notes = Write("Notes.rtf", rtf);
    const QString pdf = ConvertTextFileToPDF(notes);
    ASSERT_FALSE(pdf.isNull());
    EXPECT_TRUE(pdf.endsWith("/Notes.rtf.pdf"));
    EXPECT_TRUE(Tool("pdftotext", {pdf, "-"}).contains(QString::fromUtf8("Quarterly notes for caf\u00e9.")));
    EXPECT_TRUE(InfoField(Tool("pdfinfo", {pdf}), "Page size").startsWith("612 x 792 pts"));

    QDir(source.path()).mkpath("Notes.rtfd");
    Write("Notes.rtfd/TXT.rtf", rtf);
    const QString bundle = ConvertTextFileToPDF(source.path() + "/Notes.rtfd", QSizeF(300, 400));
    ASSERT_FALSE(bundle.isNull());
    EXPECT_TRUE(bundle.endsWith("/Notes.rtfd.pdf"));
    EXPECT_TRUE(InfoField(Tool("pdfinfo", {bundle}), "Page size").startsWith("300 x 400 pts"));

    EXPECT_TRUE(ConvertTextFileToPDF(Write("plain.txt", "just text")).isNull());
    EXPECT_TRUE(ConvertTextFileToPDF(source.path() + "/missing.rtf").isNull());
}

TEST_F(Conversions, TextTypesAndPreview)
{
    struct {
        const char* path;
        bool text;
    } cases[] = {
        {"a.txt", true}, {"a.rtf", true}, {"a.eml", true}, {"a.html", true}, {"a.csv", true},
        {"Notes.rtfd", true}, {"Notes.rtfd/", true}, {"page.webarchive", true},
        {"a.pdf", false}, {"a.png", false}, {"noextension", false}, {"a.zip", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsTextFileType(c.path), c.text) << c.path;
    EXPECT_EQ(GetUTIForExtension("/x/report.pdf"), "application/pdf");
    EXPECT_TRUE(GetUTIForExtension("/x/report.nosuchext").isNull());

    RecordingLauncher launcher;
    PreviewWithQuickLook("/x/report.pdf");
    EXPECT_EQ(launcher.opened, QStringList {"/x/report.pdf"});
}

TEST_F(Conversions, UnusableTemporaryRootStopsEveryConversion)
{
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QFile::link(elsewhere.path(), temp.path() + "/Brevanto-" + QString::number(getuid())));
    FSRef out;
    EXPECT_FALSE(WritePDFPages(Ref(Write("A.pdf", ThreePagePDF())), &out));
    EXPECT_FALSE(ZipItemToTempFolder(Ref(Write("a.txt", "x")), &out));
    EXPECT_TRUE(ConvertTextFileToPDF(Write("n.rtf", "{\\rtf1 x}")).isNull());
    EXPECT_TRUE(QDir(elsewhere.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

} // namespace
