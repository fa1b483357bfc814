// The graphics exporter against independent readers (netpbm, ImageMagick, OpenJPEG's tools):
// lossless formats come back pixel for pixel, the lossy grades land where they should, the
// format limits refuse before writing, and a failed write leaves no file behind.
#include "GraphicsExporter.h"
#include "ImageOracle.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <csignal>

namespace {

// An opaque page-like bitmap (RGBA premultiplied): a horizontal gradient band, a vertical
// gradient band, a band of mild noise, and flat bands whose runs pass 128 bytes.
QImage MakeFixture(int width, int height, quint32 seed = 7)
{
    QImage image(width, height, QImage::Format_RGBA8888_Premultiplied);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int band = (y * 4) / std::max(height, 1);
            int r, g, b;
            if (band == 0) {
                r = 255 * x / std::max(width - 1, 1); g = 40; b = 255 - r;
            } else if (band == 1) {
                r = 30; g = 255 * y / std::max(height - 1, 1); b = 255 * x / std::max(width - 1, 1);
            } else if (band == 2) {
                const int base = 128 + 100 * x / std::max(width, 1) - 50;
                r = std::clamp(base + int(random.bounded(13)) - 6, 0, 255);
                g = std::clamp(base + int(random.bounded(13)) - 6, 0, 255);
                b = std::clamp(200 - base / 2 + int(random.bounded(13)) - 6, 0, 255);
            } else {
                // Black-and-white blocks, like text and rules on a page.
                r = g = b = ((x < width / 2) != ((y / 16) % 2 == 1)) ? 245 : 20;
            }
            image.setPixel(x, y, qRgba(r, g, b, 255));
        }
    }
    return image;
}

struct ExportRun {
    OSStatus status;
    QString error;
};

ExportRun Export(OSType subtype, const QImage& image, const QString& path, int quality = 768)
{
    GraphicsExporter exporter(subtype);
    exporter.SetInputImage(image);
    exporter.SetOutputFile(path);
    exporter.SetCompressionQuality(quality);
    const OSStatus status = exporter.Export();
    return { status, exporter.ErrorText() };
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

uint32_t BigEndian32(const QByteArray& bytes, qsizetype at)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData()) + at;
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

uint16_t BigEndian16(const QByteArray& bytes, qsizetype at)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData()) + at;
    return uint16_t(p[0] << 8 | p[1]);
}

class GraphicsExporterTest : public ::testing::Test {
protected:
    QString PathFor(const QString& name) const { return fFolder.filePath(name); }
    QStringList FolderEntries() const { return QDir(fFolder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }

    QTemporaryDir fFolder;
};

TEST_F(GraphicsExporterTest, LosslessFormatsDecodePixelIdenticalThroughIndependentReaders)
{
    struct Format { OSType subtype; const char* extension; };
    const Format formats[] = {
        { 'PNGf', "png" }, { 'BMPf', "bmp" }, { 'TIFF', "tif" },
        { '8BPS', "psd" }, { 'PICT', "pict" }, { 'jp2 ', "jp2" },
    };
    const QSize sizes[] = { { 640, 300 }, { 63, 17 }, { 62, 9 }, { 1, 1 }, { 2, 3 }, { 333, 7 } };
    for (const Format& format : formats) {
        for (const QSize& size : sizes) {
            // ImageMagick, the only PICT reader at hand, sizes packed-row counts and unpacked
            // rows by 3 bytes a pixel rather than by rowBytes: it misreads widths 1-2 and 63-66.
            // Those widths are checked against the format's own description below.
            if (format.subtype == 'PICT' && (size.width() <= 2 || (size.width() >= 63 && size.width() <= 66)))
                continue;
            SCOPED_TRACE(QStringLiteral("%1 %2x%3").arg(format.extension).arg(size.width()).arg(size.height()).toStdString());
            const QImage source = MakeFixture(size.width(), size.height());
            const QString path = PathFor(QStringLiteral("out.%1").arg(format.extension));
            const ExportRun run = Export(format.subtype, source, path);
            ASSERT_EQ(run.status, noErr) << run.error.toStdString();
            const QImage decoded = oracle::DecodeWithOracle(path, format.extension);
            ASSERT_FALSE(decoded.isNull());
            EXPECT_TRUE(oracle::SamePixels(decoded, source));
        }
    }
}

// A reader for the one picture shape the exporter writes, from the QuickDraw description of a
// version-2 picture: opcodes on even offsets; in a DirectBitsRect each row is a packed-length
// count (a word when rowBytes > 250, else a byte) and PackBits data, unpacking to the red,
// green and blue planes of the row (packType 4, three components).
QImage ReadDirectBitsPict(const QByteArray& file)
{
    qsizetype at = 512 + 2 + 8;
    auto u16 = [&]() { const uint16_t v = BigEndian16(file, at); at += 2; return v; };
    auto skip = [&](qsizetype n) { at += n; };
    if (u16() != 0x0011 || u16() != 0x02FF)
        return {};
    QImage image;
    while (at + 2 <= file.size()) {
        const uint16_t op = u16();
        if (op == 0x00FF)
            return image;
        if (op == 0x0C00) { skip(24); continue; }
        if (op == 0x0001) { skip(u16() - 2); continue; }
        if (op != 0x009A)
            return {};
        skip(4);                                    // baseAddr
        const int rowBytes = u16() & 0x3FFF;
        skip(4);
        const int height = u16(), width = u16();
        skip(2);
        if (u16() != 4) return {};                  // packType
        skip(4 + 8);
        if (u16() != 16 || u16() != 32 || u16() != 3 || u16() != 8) return {};
        skip(12 + 8 + 8 + 2);
        image = QImage(width, height, QImage::Format_RGB888);
        const qsizetype start = at;
        for (int y = 0; y < height; ++y) {
            const int count = rowBytes > 250 ? u16() : uint8_t(file[at++]);
            QByteArray planes;
            for (qsizetype end = at + count; at < end;) {
                const int flag = int(int8_t(file[at++]));
                if (flag >= 0) { planes.append(file.mid(at, flag + 1)); at += flag + 1; }
                else { planes.append(1 - flag, file[at++]); }
            }
            if (planes.size() != 3 * width) return {};
            for (int x = 0; x < width; ++x)
                image.setPixel(x, y, qRgb(uint8_t(planes[x]), uint8_t(planes[width + x]), uint8_t(planes[2 * width + x])));
        }
        if ((at - start) % 2) ++at;
    }
    return {};
}

TEST_F(GraphicsExporterTest, PictRowsFollowTheRowBytesRuleEitherSideOf250)
{
    // 62 pixels declare rowBytes 248 (byte counts), 63 declare 252 (word counts); one and two
    // pixels declare the least packed rowBytes, 8.
    const QSize sizes[] = { { 62, 5 }, { 63, 5 }, { 66, 4 }, { 1, 1 }, { 2, 3 } };
    for (const QSize& size : sizes) {
        SCOPED_TRACE(size.width());
        const QImage source = MakeFixture(size.width(), size.height());
        const QString path = PathFor("rows.pict");
        ASSERT_EQ(Export('PICT', source, path).status, noErr);
        const QImage decoded = ReadDirectBitsPict(ReadAll(path));
        ASSERT_FALSE(decoded.isNull());
        EXPECT_TRUE(oracle::SamePixels(decoded, source));
    }
}

TEST_F(GraphicsExporterTest, JpegAndQuickTimeImageCarryTheLibjpegQualityOfEachGrade)
{
    const QImage source = MakeFixture(640, 300);
    const struct { int codec; int libjpeg; } grades[] = { { 256, 25 }, { 512, 50 }, { 768, 75 } };
    for (const auto& grade : grades) {
        SCOPED_TRACE(grade.codec);
        const QString jpeg = PathFor("out.jpg");
        ASSERT_EQ(Export('JPEG', source, jpeg, grade.codec).status, noErr);
        EXPECT_EQ(oracle::JpegQuality(jpeg), grade.libjpeg);

        const QString qtif = PathFor("out.qtif");
        ASSERT_EQ(Export('qtif', source, qtif, grade.codec).status, noErr);
        const QByteArray bytes = ReadAll(qtif);
        const uint32_t idscSize = BigEndian32(bytes, 0);
        ASSERT_GT(bytes.size(), qsizetype(idscSize + 8));
        QFile inner(PathFor("inner.jpg"));
        ASSERT_TRUE(inner.open(QIODevice::WriteOnly));
        inner.write(bytes.mid(idscSize + 8));
        inner.close();
        EXPECT_EQ(oracle::JpegQuality(inner.fileName()), grade.libjpeg);
    }
    const QString jpeg = PathFor("high.jpg");
    ASSERT_EQ(Export('JPEG', source, jpeg, 768).status, noErr);
    EXPECT_GE(oracle::Psnr(oracle::DecodeWithOracle(jpeg, "jpg"), source), 30.0);
}

TEST_F(GraphicsExporterTest, QuickTimeImageHoldsAnImageDescriptionAndTheJpegData)
{
    const QImage source = MakeFixture(333, 77);
    const QString path = PathFor("out.qtif");
    ASSERT_EQ(Export('qtif', source, path, 512).status, noErr);
    const QByteArray bytes = ReadAll(path);
    ASSERT_GE(bytes.size(), 8 + 86 + 8);

    EXPECT_EQ(BigEndian32(bytes, 0), 8u + 86u);
    EXPECT_EQ(bytes.mid(4, 4), "idsc");
    const qsizetype d = 8;  // the image description
    EXPECT_EQ(BigEndian32(bytes, d), 86u);
    EXPECT_EQ(bytes.mid(d + 4, 4), "jpeg");
    EXPECT_EQ(bytes.mid(d + 20, 4), "appl");
    EXPECT_EQ(BigEndian32(bytes, d + 28), 512u);              // spatial quality
    EXPECT_EQ(BigEndian16(bytes, d + 32), 333);
    EXPECT_EQ(BigEndian16(bytes, d + 34), 77);
    EXPECT_EQ(BigEndian32(bytes, d + 36), 72u << 16);         // 72 dpi
    EXPECT_EQ(BigEndian32(bytes, d + 40), 72u << 16);
    const uint32_t dataSize = BigEndian32(bytes, d + 44);
    EXPECT_EQ(BigEndian16(bytes, d + 48), 1);                 // one frame
    EXPECT_EQ(bytes.mid(d + 50, 13), QByteArray("\x0cPhoto - JPEG"));
    EXPECT_EQ(BigEndian16(bytes, d + 82), 24);
    EXPECT_EQ(BigEndian16(bytes, d + 84), 0xFFFF);

    const qsizetype a = 8 + 86;  // the data atom
    EXPECT_EQ(bytes.mid(a + 4, 4), "idat");
    EXPECT_EQ(BigEndian32(bytes, a), uint32_t(bytes.size() - a));
    EXPECT_EQ(dataSize, uint32_t(bytes.size() - a - 8));
    EXPECT_EQ(bytes.mid(a + 8, 2), QByteArray("\xFF\xD8"));  // JPEG start of image
}

TEST_F(GraphicsExporterTest, Jpeg2000GradesReachTheirSignalToNoiseAndGrowWithQuality)
{
    const QImage source = MakeFixture(640, 300);
    const struct { int quality; double minimumDb; } grades[] = { { 256, 29 }, { 512, 39 }, { 768, INFINITY } };
    qint64 previousSize = 0;
    for (const auto& grade : grades) {
        SCOPED_TRACE(grade.quality);
        const QString path = PathFor(QStringLiteral("q%1.jp2").arg(grade.quality));
        ASSERT_EQ(Export('jp2 ', source, path, grade.quality).status, noErr);
        const double psnr = oracle::Psnr(oracle::DecodeWithOracle(path, "jp2"), source);
        EXPECT_GE(psnr, grade.minimumDb);
        const qint64 size = QFileInfo(path).size();
        EXPECT_GT(size, previousSize);
        previousSize = size;
    }
}

TEST_F(GraphicsExporterTest, Jpeg2000TilesATallImageWholly)
{
    // Three tiles of 1,024 rows, the last a short one.
    const QImage source = MakeFixture(97, 2 * 1024 + 5);
    const QString path = PathFor("tall.jp2");
    ASSERT_EQ(Export('jp2 ', source, path).status, noErr);
    EXPECT_TRUE(oracle::SamePixels(oracle::DecodeWithOracle(path, "jp2"), source));
}

// A black-and-white picture of exactly MacPaint's size: checker blocks, single pixels, long runs.
QImage BlackAndWhite576x720()
{
    QImage image(576, 720, QImage::Format_RGBA8888_Premultiplied);
    for (int y = 0; y < 720; ++y) {
        for (int x = 0; x < 576; ++x) {
            bool black = ((x / 16) + (y / 16)) % 2 == 0;
            if (y >= 300 && y < 400)
                black = (x * 7 + y * 3) % 5 == 0;
            if (y >= 500)
                black = x < 200;
            image.setPixel(x, y, black ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        }
    }
    return image;
}

TEST_F(GraphicsExporterTest, MacPaintKeepsABlackAndWhitePictureBitForBit)
{
    const QImage source = BlackAndWhite576x720();
    const QString path = PathFor("out.pntg");
    ASSERT_EQ(Export('PNTG', source, path).status, noErr);
    EXPECT_EQ(ReadAll(path).left(512), QByteArray(512, '\0'));
    const QImage decoded = oracle::DecodeWithOracle(path, "pntg");
    ASSERT_EQ(decoded.size(), QSize(576, 720));
    EXPECT_TRUE(oracle::SamePixels(decoded, source));
}

TEST_F(GraphicsExporterTest, MacPaintScalesToItsWidthKeepsTheTopAndFillsWhiteBelow)
{
    // Twice MacPaint's width: left half black, right half white, and only 200 rows tall.
    QImage wide(1152, 200, QImage::Format_RGBA8888_Premultiplied);
    wide.fill(Qt::white);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 576; ++x)
            wide.setPixel(x, y, qRgb(0, 0, 0));
    const QString path = PathFor("wide.pntg");
    ASSERT_EQ(Export('PNTG', wide, path).status, noErr);
    const QImage decoded = oracle::DecodeWithOracle(path, "pntg");
    ASSERT_EQ(decoded.size(), QSize(576, 720));
    EXPECT_EQ(decoded.pixel(10, 10), qRgb(0, 0, 0));
    EXPECT_EQ(decoded.pixel(280, 90), qRgb(0, 0, 0));
    EXPECT_EQ(decoded.pixel(300, 90), qRgb(255, 255, 255));
    EXPECT_EQ(decoded.pixel(10, 110), qRgb(255, 255, 255));   // below the 100 scaled rows
    EXPECT_EQ(decoded.pixel(10, 719), qRgb(255, 255, 255));
}

TEST_F(GraphicsExporterTest, ImagesPastAFormatLimitAreRefusedAndTheOldTargetStays)
{
    struct Case { OSType subtype; QSize size; int limit; };
    const Case cases[] = {
        { 'JPEG', { 65501, 1 }, 65500 }, { 'JPEG', { 1, 65501 }, 65500 },
        { 'qtif', { 32768, 1 }, 32767 }, { 'qtif', { 1, 32768 }, 32767 },
        { 'PICT', { 4096, 1 }, 4095 },   { 'PICT', { 1, 32768 }, 32767 },
        { '8BPS', { 30001, 1 }, 30000 }, { '8BPS', { 1, 30001 }, 30000 },
    };
    const QString path = PathFor("target");
    for (const Case& c : cases) {
        SCOPED_TRACE(FourCharText(c.subtype).text);
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly | QIODevice::Truncate));
        old.write("previous bytes");
        old.close();
        QImage image(c.size, QImage::Format_RGBA8888_Premultiplied);
        image.fill(Qt::white);
        EXPECT_EQ(GraphicsExporter::ExceededSideLimit(c.subtype, c.size), c.limit);
        const ExportRun run = Export(c.subtype, image, path);
        EXPECT_EQ(run.status, imageTooLargeErr);
        EXPECT_EQ(run.error, QStringLiteral("%1 x %2 (limit %3)").arg(c.size.width()).arg(c.size.height()).arg(c.limit));
        EXPECT_EQ(ReadAll(path), "previous bytes");

        // One pixel less on that side fits.
        const QSize fits = c.size.width() > 1 ? QSize(c.limit, 1) : QSize(1, c.limit);
        EXPECT_EQ(GraphicsExporter::ExceededSideLimit(c.subtype, fits), 0);
    }
    EXPECT_EQ(FolderEntries(), QStringList { "target" });
}

TEST_F(GraphicsExporterTest, ExportAtTheLimitWritesTheFile)
{
    QImage image(1, 30000, QImage::Format_RGBA8888_Premultiplied);
    image.fill(Qt::red);
    const QString path = PathFor("limit.psd");
    ASSERT_EQ(Export('8BPS', image, path).status, noErr);
    EXPECT_GT(QFileInfo(path).size(), 30000);
}

TEST_F(GraphicsExporterTest, BadRequestsAreRefusedWithoutAFile)
{
    const QImage image = MakeFixture(4, 4);
    EXPECT_EQ(Export('GIFf', image, PathFor("a")).status, paramErr);
    EXPECT_EQ(Export('PNGf', QImage(), PathFor("b")).status, paramErr);
    EXPECT_EQ(Export('PNGf', image, QString()).status, paramErr);
    const ExportRun noFolder = Export('PNGf', image, PathFor("missing/c.png"));
    EXPECT_EQ(noFolder.status, ioErr);
    EXPECT_FALSE(noFolder.error.isEmpty());
    EXPECT_TRUE(FolderEntries().isEmpty());
}

// Runs in a fresh child (death-test style): the file size limit makes the write fail part way.
void ExportUnderFileSizeLimit(OSType subtype, const QString& path)
{
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit { 4096, 4096 };
    setrlimit(RLIMIT_FSIZE, &limit);
    const OSStatus status = Export(subtype, MakeFixture(640, 300), path).status;
    fprintf(stderr, "status %d\n", int(status));
    _exit(status == ioErr ? 0 : 1);
}

TEST_F(GraphicsExporterTest, AWriteFailingPartWayLeavesNoFileAndKeepsTheOldOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct { OSType subtype; const char* name; bool existing; } cases[] = {
        { 'PNGf', "a.png", false }, { 'TIFF', "b.tif", true }, { 'PICT', "c.pict", false },
        { '8BPS', "d.psd", true }, { 'jp2 ', "e.jp2", false }, { 'qtif', "f.qtif", true },
        { 'BMPf', "g.bmp", false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = PathFor(c.name);
        if (c.existing) {
            QFile old(path);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("previous bytes");
        }
        EXPECT_EXIT(ExportUnderFileSizeLimit(c.subtype, path), ::testing::ExitedWithCode(0), "");
        if (c.existing)
            EXPECT_EQ(ReadAll(path), "previous bytes");
        else
            EXPECT_FALSE(QFile::exists(path));
    }
    QStringList expected { "b.tif", "d.psd", "f.qtif" };
    QStringList entries = FolderEntries();
    entries.sort();
    EXPECT_EQ(entries, expected);
}

} // namespace
