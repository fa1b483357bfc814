// The pictavor program end to end: Debian's chromium, the page peer and independent readers
// (netpbm, ImageMagick, OpenJPEG, poppler). Every run exits with status 0; a written run leaves
// exactly load-url-1963.<type> in $TMPDIR/Brevanto-<uid>/ and nothing else; a failed run
// leaves no file and says why in its log.
#include "../platform/ImageOracle.h"
#include "../platform/PageServer.h"
#include "../platform/QStringPrinter.h"
#include "FileMetadata.h"
#include "PictavorRunner.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTcpServer>
#include <QUrl>

namespace {

const QSize kPageSize(1000 + 20, 2700 + 20);
const QRgb kTopBanner = qRgb(0x14, 0x14, 0x2a);
const QRgb kRedBorder = qRgb(0xe0, 0x10, 0x10);
const QRgb kBottomBanner = qRgb(0x1b, 0x8a, 0x3a);
const QRgb kWhite = qRgb(255, 255, 255);

const QStringList kWrittenLines { "Processing URL: ", "Main Frame finished loading.", "Delay threshold of 6 seconds met.",
                                  "Output directory = ", "output file: " };

// The run wrote exactly the file of `type`, said so, and set the URL as its comment.
void ExpectWritten(const PictavorRunner& runner, const PictavorResult& result, const QString& type, const QString& url)
{
    ASSERT_TRUE(result.finished) << result.log.toStdString();
    EXPECT_EQ(result.exitCode, 0);
    const QString file = runner.OutputFile(type);
    ASSERT_TRUE(QFileInfo(file).isFile()) << result.log.toStdString();
    EXPECT_GT(QFileInfo(file).size(), 0);
    EXPECT_TRUE(runner.Leftovers().isEmpty()) << runner.Leftovers().join(' ').toStdString();
    for (const QString& line : kWrittenLines)
        EXPECT_TRUE(result.Logged(line)) << line.toStdString();
    EXPECT_TRUE(result.Logged("output file: " + file));
    if (SupportsUserAttributes(file.toStdString())) {
        std::string comment;
        EXPECT_EQ(FSGetComment(FSRef { file.toStdString() }, &comment), noErr);
        EXPECT_EQ(QString::fromStdString(comment), url);
    }
}

void ExpectNoFile(const PictavorRunner& runner, const PictavorResult& result, const QString& reason)
{
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0);
    const QStringList files = QDir(runner.OutputFolder()).entryList({ "load-url-1963.*" }, QDir::Files);
    EXPECT_TRUE(files.isEmpty()) << files.join(' ').toStdString();
    EXPECT_TRUE(runner.Leftovers().isEmpty()) << runner.Leftovers().join(' ').toStdString();
    EXPECT_TRUE(result.Logged(reason)) << result.log.toStdString();
    EXPECT_FALSE(result.Logged("output file: "));
}

void ExpectPageMarkers(const QImage& image)
{
    ASSERT_EQ(image.size(), kPageSize);
    EXPECT_EQ(image.pixel(500, 5), kTopBanner);
    EXPECT_EQ(image.pixel(8, 1000), kRedBorder);
    EXPECT_EQ(image.pixel(500, 2600), kBottomBanner);
    EXPECT_EQ(image.pixel(1010, 100), kWhite);    // the 20-pixel margin right of the document
    EXPECT_EQ(image.pixel(500, 2710), kWhite);    // and below it
}

// pdfinfo's report: one page of the view's size at 96 pixels an inch (within a point: the
// browser rounds the paper size).
void ExpectOnePdfPage(const QByteArray& info, QSize pixels)
{
    const QString text = QString::fromUtf8(info);
    EXPECT_TRUE(QRegularExpression(R"(Pages:\s+1\n)").match(text).hasMatch()) << info.toStdString();
    const QRegularExpressionMatch size = QRegularExpression(R"(Page size:\s+([\d.]+) x ([\d.]+) pts)").match(text);
    ASSERT_TRUE(size.hasMatch()) << info.toStdString();
    EXPECT_NEAR(size.captured(1).toDouble(), pixels.width() * 0.75, 1.0);
    EXPECT_NEAR(size.captured(2).toDouble(), pixels.height() * 0.75, 1.0);
}

// Written at the 20-second cap: no quiet period was met, and the page's top is in the picture.
void ExpectWrittenAtCap(const PictavorRunner& runner, const PictavorResult& result)
{
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_FALSE(result.Logged("Delay threshold")) << result.log.toStdString();
    EXPECT_TRUE(result.Logged("output file: " + runner.OutputFile("png"))) << result.log.toStdString();
    const QImage image = oracle::DecodeWithOracle(runner.OutputFile("png"), "png");
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixel(300, 50), kTopBanner);
}

class PictavorEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fServer.Ok()); }
    QString PageURL() const { return fServer.Url("/page.html"); }

    PageServer fServer;
};

TEST_F(PictavorEndToEndTest, LosslessTypesAllMatchThePngRun)
{
    const QStringList types { "png", "tif", "bmp", "psd", "pict", "jp2" };
    std::vector<std::unique_ptr<PictavorRunner>> runners;
    std::vector<PictavorRunner*> pointers;
    std::vector<QStringList> arguments;
    for (const QString& type : types) {
        runners.push_back(std::make_unique<PictavorRunner>());
        pointers.push_back(runners.back().get());
        arguments.push_back({ PageURL(), type, "3" });
    }
    const std::vector<PictavorResult> results = RunConcurrently(pointers, arguments);
    ExpectWritten(*runners[0], results[0], "png", PageURL());
    const QImage reference = oracle::DecodeWithOracle(runners[0]->OutputFile("png"), "png");
    ExpectPageMarkers(reference);
    for (size_t i = 1; i < runners.size(); ++i) {
        SCOPED_TRACE(types[int(i)].toStdString());
        ExpectWritten(*runners[i], results[i], types[int(i)], PageURL());
        EXPECT_TRUE(oracle::SamePixels(oracle::DecodeWithOracle(runners[i]->OutputFile(types[int(i)]), types[int(i)]), reference));
    }
}

TEST_F(PictavorEndToEndTest, JpgIsWrittenAtQuality75)
{
    PictavorRunner runner;
    ExpectWritten(runner, runner.Run({ PageURL(), "jpg", "3" }), "jpg", PageURL());
    EXPECT_EQ(oracle::JpegQuality(runner.OutputFile("jpg")), 75);
    const QImage image = oracle::DecodeWithOracle(runner.OutputFile("jpg"), "jpg");
    ASSERT_EQ(image.size(), kPageSize);
    EXPECT_LT(qAbs(qGreen(image.pixel(500, 2600)) - qGreen(kBottomBanner)), 8);
}

TEST_F(PictavorEndToEndTest, QuickTimeImageAndMacPaintAreWritten)
{
    PictavorRunner qtif;
    ExpectWritten(qtif, qtif.Run({ PageURL(), "qtif", "1" }), "qtif", PageURL());
    QFile file(qtif.OutputFile("qtif"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes.mid(4, 4), "idsc");
    EXPECT_EQ(bytes.mid(12, 4), "jpeg");
    EXPECT_EQ(bytes.mid(8 + 86 + 4, 4), "idat");
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData()) + 8 + 32;
    EXPECT_EQ(QSize(p[0] << 8 | p[1], p[2] << 8 | p[3]), kPageSize);
    const auto* q = reinterpret_cast<const uchar*>(bytes.constData()) + 8 + 28;
    EXPECT_EQ(q[0] << 24 | q[1] << 16 | q[2] << 8 | q[3], 256);   // quality "1"

    PictavorRunner pntg;
    ExpectWritten(pntg, pntg.Run({ PageURL(), "pntg", "3" }), "pntg", PageURL());
    const QImage picture = oracle::DecodeWithOracle(pntg.OutputFile("pntg"), "pntg");
    ASSERT_EQ(picture.size(), QSize(576, 720));
    EXPECT_EQ(picture.pixel(300, 20), qRgb(0, 0, 0));              // the dark top banner
}

TEST_F(PictavorEndToEndTest, PdfIsOnePageOfTheViewWithItsText)
{
    PictavorRunner runner;
    ExpectWritten(runner, runner.Run({ PageURL(), "pdf", "3" }), "pdf", PageURL());
    const oracle::ToolRun info = oracle::RunTool("/usr/bin/pdfinfo", { runner.OutputFile("pdf") });
    ASSERT_EQ(info.exitCode, 0);
    ExpectOnePdfPage(info.out, kPageSize);
    const oracle::ToolRun text = oracle::RunTool("/usr/bin/pdftotext", { runner.OutputFile("pdf"), "-" });
    EXPECT_TRUE(text.out.contains("TOP MARKER"));
    EXPECT_TRUE(text.out.contains("BOTTOM MARKER"));
}

TEST_F(PictavorEndToEndTest, URLFormsTheApplicationPasses)
{
    // No scheme: "http://" goes in front.
    const QString bare = QStringLiteral("127.0.0.1:%1/page.html").arg(fServer.Port());
    PictavorRunner first;
    const PictavorResult plain = first.Run({ bare, "png", "3" });
    ExpectWritten(first, plain, "png", "http://" + bare);
    EXPECT_TRUE(plain.Logged("Processing URL: http://" + bare));

    // An upper-case scheme passes unchanged.
    const QString upper = QStringLiteral("HTTP://127.0.0.1:%1/page.html").arg(fServer.Port());
    PictavorRunner second;
    ExpectWritten(second, second.Run({ upper, "png", "3" }), "png", upper);

    // A file in a folder named with a blank and "Ü", as the application passes an absolute path.
    ShortTempFolder pages;
    const QString folder = pages.Path() + QString::fromUtf8("/my pages \xC3\x9C");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::copy(QStringLiteral(BREVANTO_TEST_DATA "/page.html"), folder + "/page.html"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(BREVANTO_TEST_DATA "/logo.svg"), folder + "/logo.svg"));
    const QString fileURL = QUrl::fromLocalFile(folder + "/page.html").toString(QUrl::FullyEncoded);
    ASSERT_TRUE(fileURL.contains("%20") && fileURL.contains("%C3%9C"));
    PictavorRunner third;
    const PictavorResult local = third.Run({ fileURL, "png", "3" });
    ExpectWritten(third, local, "png", fileURL);
    ExpectPageMarkers(oracle::DecodeWithOracle(third.OutputFile("png"), "png"));
}

TEST_F(PictavorEndToEndTest, RunsThatCannotGiveAPageWriteNoFile)
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const int closedPort = probe.serverPort();
    probe.close();
    const struct { QStringList arguments; QString reason; } cases[] = {
        { { fServer.Url("/missing.html"), "jpg", "3" }, "Load failed: HTTP 404" },
        { { QStringLiteral("http://127.0.0.1:%1/").arg(closedPort), "jpg", "3" }, "Load failed: net::ERR_CONNECTION_REFUSED" },
        { { "file:///nonexistent/pictavor/page.html", "jpg", "3" }, "Load failed: net::ERR_FILE_NOT_FOUND" },
        { { fServer.Url("/download.bin"), "jpg", "3" }, "Load failed: net::ERR_ABORTED" },
        { { fServer.Url("/page one.html"), "jpg", "3" }, "is not a URL" },
        { { PageURL(), "JPG", "3" }, "Unknown image type \"JPG\"" },
        { { PageURL(), "jpg" }, "usage: pictavor URL TYPE QUALITY" },
        { {}, "usage: pictavor URL TYPE QUALITY" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        PictavorRunner runner;
        ExpectNoFile(runner, runner.Run(c.arguments), c.reason);
    }
    PictavorRunner shortRun;
    const PictavorResult two = shortRun.Run({ PageURL(), "jpg" });
    EXPECT_TRUE(two.Logged(QStringLiteral("\n\n argc = 3 \n argv[0] = %1 \n argv[1] = %2 \n argv[2] = jpg\n\n")
                               .arg(PICTAVOR_EXECUTABLE, PageURL())))
        << two.log.toStdString();
}

TEST_F(PictavorEndToEndTest, AnOutsideAddressWithoutANetworkIsRefusedBeforeAnyRequest)
{
    PictavorRunner runner;
    const PictavorResult result = runner.Run({ "http://pages.example.test/", "jpg", "3" });
    ExpectNoFile(runner, result, "Network appears to be down. The URL could not be processed.");
    EXPECT_FALSE(result.Logged("Sending request"));
}

TEST_F(PictavorEndToEndTest, AStalledImageIsWrittenAtTheCapWithoutTheQuietPeriod)
{
    PictavorRunner runner;
    const PictavorResult result = runner.Run({ fServer.Url("/stall.html"), "png", "3" });
    ExpectWrittenAtCap(runner, result);
}

TEST_F(PictavorEndToEndTest, AnEndlessPageIsWrittenAtTheCapWithoutTheQuietPeriod)
{
    PictavorRunner runner;
    const PictavorResult result = runner.Run({ fServer.Url("/endless.html"), "png", "3" });
    EXPECT_TRUE(result.Logged("Main Frame finished loading."));
    ExpectWrittenAtCap(runner, result);
}

TEST_F(PictavorEndToEndTest, AServerThatNeverAnswersGivesNoFile)
{
    PictavorRunner runner;
    ExpectNoFile(runner, runner.Run({ fServer.Url("/never"), "png", "3" }), "Load failed: no page arrived within 20 seconds");
}

TEST_F(PictavorEndToEndTest, AnExistingOutputFileIsReplacedByAWholeImage)
{
    PictavorRunner runner;
    ASSERT_TRUE(QDir().mkpath(runner.OutputFolder()));
    QFile::setPermissions(runner.OutputFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile old(runner.OutputFile("jpg"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(200000, 'x'));
    old.close();
    ExpectWritten(runner, runner.Run({ PageURL(), "jpg", "3" }), "jpg", PageURL());
    EXPECT_EQ(oracle::DecodeWithOracle(runner.OutputFile("jpg"), "jpg").size(), kPageSize);
}

} // namespace
