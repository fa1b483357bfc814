// Independent readers for the image and page-imaging tests: Debian's ImageMagick, netpbm,
// OpenJPEG's and poppler's tools, run as child processes by absolute path with a deadline,
// plus a PNM parser and the PSNR of two images. Header-only, so the page-imager tests use the
// same readers. The tools are test oracles: a missing one fails the test that needs it.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cmath>

namespace oracle {

struct ToolRun {
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

inline ToolRun RunTool(const QString& program, const QStringList& arguments, int timeoutMs = 120000)
{
    ToolRun run;
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return run;
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return run;
    }
    run.finished = process.exitStatus() == QProcess::NormalExit;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

// A P6 (RGB), P5 (grey) or P4 (bit) netpbm image as Format_RGB888; null when malformed.
inline QImage ParsePnm(const QByteArray& bytes)
{
    qsizetype at = 0;
    auto token = [&]() {
        while (at < bytes.size()) {
            if (bytes[at] == '#') {
                while (at < bytes.size() && bytes[at] != '\n')
                    ++at;
            } else if (QChar(bytes[at]).isSpace()) {
                ++at;
            } else {
                break;
            }
        }
        const qsizetype start = at;
        while (at < bytes.size() && !QChar(bytes[at]).isSpace())
            ++at;
        return bytes.mid(start, at - start);
    };
    const QByteArray magic = token();
    const int width = token().toInt();
    const int height = token().toInt();
    const int maximum = magic == "P4" ? 1 : token().toInt();
    ++at;  // the one white-space byte before the pixels
    if (width <= 0 || height <= 0 || maximum != (magic == "P4" ? 1 : 255))
        return {};
    QImage image(width, height, QImage::Format_RGB888);
    const uchar* p = reinterpret_cast<const uchar*>(bytes.constData()) + at;
    const qsizetype available = bytes.size() - at;
    const qsizetype rowBytes = magic == "P6" ? 3 * width : magic == "P5" ? width : (width + 7) / 8;
    if (rowBytes * height > available)
        return {};
    for (int y = 0; y < height; ++y, p += rowBytes) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            uchar r, g, b;
            if (magic == "P6") {
                r = p[3 * x]; g = p[3 * x + 1]; b = p[3 * x + 2];
            } else if (magic == "P5") {
                r = g = b = p[x];
            } else {
                r = g = b = (p[x / 8] & (0x80 >> (x % 8))) ? 0 : 255;
            }
            line[3 * x] = r; line[3 * x + 1] = g; line[3 * x + 2] = b;
        }
    }
    return image;
}

// Decodes `path` with the independent reader for its format: "png", "bmp", "tif", "jpg", "pntg"
// through netpbm, "psd" and "pict" through ImageMagick, "jp2" through opj_decompress.
inline QImage DecodeWithOracle(const QString& path, const QString& format)
{
    QStringList netpbm { "png", "bmp", "tif", "jpg", "pntg" };
    if (netpbm.contains(format)) {
        const QString tool = format == "png" ? "/usr/bin/pngtopnm" : format == "bmp" ? "/usr/bin/bmptopnm"
                           : format == "tif" ? "/usr/bin/tifftopnm" : format == "jpg" ? "/usr/bin/jpegtopnm"
                                             : "/usr/bin/macptopbm";
        const ToolRun run = RunTool(tool, { path });
        return run.finished && run.exitCode == 0 ? ParsePnm(run.out) : QImage();
    }
    if (format == "psd" || format == "pict") {
        const ToolRun run = RunTool("/usr/bin/convert", { format + ":" + path + "[0]", "-depth", "8", "ppm:-" });
        return run.finished && run.exitCode == 0 ? ParsePnm(run.out) : QImage();
    }
    if (format == "jp2") {
        QTemporaryDir dir;
        const QString out = dir.filePath("decoded.ppm");
        const ToolRun run = RunTool("/usr/bin/opj_decompress", { "-i", path, "-o", out });
        QFile file(out);
        if (!run.finished || run.exitCode != 0 || !file.open(QIODevice::ReadOnly))
            return {};
        return ParsePnm(file.readAll());
    }
    return {};
}

// Both images as RGB888: true when every pixel agrees.
inline bool SamePixels(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB888);
    const QImage y = b.convertToFormat(QImage::Format_RGB888);
    if (x.size() != y.size())
        return false;
    for (int row = 0; row < x.height(); ++row) {
        if (memcmp(x.constScanLine(row), y.constScanLine(row), size_t(3 * x.width())) != 0)
            return false;
    }
    return true;
}

// Peak signal-to-noise ratio over the RGB samples, in dB (infinite for equal images; -1 when the
// sizes differ).
inline double Psnr(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB888);
    const QImage y = b.convertToFormat(QImage::Format_RGB888);
    if (x.size() != y.size() || x.isNull())
        return -1;
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const uchar* p = x.constScanLine(row);
        const uchar* q = y.constScanLine(row);
        for (int i = 0; i < 3 * x.width(); ++i)
            sum += double(p[i] - q[i]) * (p[i] - q[i]);
    }
    const double mse = sum / (3.0 * x.width() * x.height());
    return mse == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 / mse);
}

// ImageMagick's estimate of a JPEG file's quality (`identify -format %Q`); -1 on failure.
inline int JpegQuality(const QString& path)
{
    const ToolRun run = RunTool("/usr/bin/identify", { "-format", "%Q", "jpg:" + path });
    return run.finished && run.exitCode == 0 ? run.out.trimmed().toInt() : -1;
}

} // namespace oracle
