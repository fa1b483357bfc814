// Sound playback through the core entry point, and the image holder from the bundle, from
// the test peer and from garbage.
#include "CImageHolder.h"
#include "SoundPlayback.h"

#include "LQtApplication.h"
#include "MemoryBlocks.h"

#include "../peers/HttpPeer.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDirIterator>
#include <QImage>
#include <QPainter>

namespace {

QByteArray PNG(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(QColor(10, 200, 30, 128));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray Exported(const CImageHolder& holder, OSType format)
{
    Handle handle = nullptr;
    EXPECT_EQ(holder.ExportImage(&handle, format), noErr);
    if (!handle)
        return {};
    QByteArray bytes(*handle, GetHandleSize(handle));
    DisposeHandle(handle);
    return bytes;
}

// Bits per pixel as the file states them: PNG's IHDR, JPEG's frame header.
int StoredBitsPerPixel(const QByteArray& bytes)
{
    if (bytes.startsWith("\x89PNG")) {
        const int depth = uchar(bytes[24]), colorType = uchar(bytes[25]);
        const int channels = colorType == 2 ? 3 : colorType == 6 ? 4 : colorType == 4 ? 2 : 1;
        return depth * channels;
    }
    for (qsizetype i = 2; i + 9 < bytes.size(); ++i) {
        if (uchar(bytes[i]) == 0xFF && (uchar(bytes[i + 1]) == 0xC0 || uchar(bytes[i + 1]) == 0xC2))
            return uchar(bytes[i + 4]) * uchar(bytes[i + 9]);
    }
    return 0;
}

TEST(ImageHolder, FromTheTestPeerWithItsUserAgent)
{
    LQtApplication::Instance();
    HttpPeer peer;
    ASSERT_TRUE(peer.IsRunning());
    QFile file(peer.Root() + "/track.png");
    file.open(QIODevice::WriteOnly);
    file.write(PNG(40, 30));
    file.close();
    CImageHolder holder(peer.URL("/static/track.png").c_str());
    ASSERT_TRUE(holder.IsValid());
    EXPECT_EQ(peer.Requests().back().Header("User-Agent"), "Brevanto");
    QRect bounds;
    EXPECT_EQ(holder.GetNaturalBounds(&bounds), noErr);
    EXPECT_EQ(bounds, QRect(0, 0, 40, 30));
    for (OSType format : {OSType('PNGf'), OSType('JPEG')}) {
        const QByteArray bytes = Exported(holder, format);
        EXPECT_EQ(StoredBitsPerPixel(bytes), 24) << FourCharText(format).text;
        const QImage decoded = QImage::fromData(bytes);
        EXPECT_EQ(decoded.size(), QSize(40, 30));
    }
    QImage canvas(80, 60, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    holder.DrawImage(painter, QRect(0, 0, 80, 60));
    painter.end();
    EXPECT_NE(canvas.pixelColor(40, 30), QColor(Qt::white));
}

TEST(ImageHolder, GarbageKeepsValidZero)
{
    LQtApplication::Instance();
    HttpPeer peer;
    QFile file(peer.Root() + "/junk.png");
    file.open(QIODevice::WriteOnly);
    file.write("this is not an image");
    file.close();
    for (const std::string& url : {peer.URL("/static/junk.png"), peer.URL("/status/404"), std::string("ftp://x/y.png")}) {
        CImageHolder holder(url.c_str());
        EXPECT_FALSE(holder.IsValid()) << url;
        EXPECT_EQ(holder.GetImporter(), nullptr);
        Handle handle = nullptr;
        EXPECT_EQ(holder.ExportImage(&handle, 'PNGf'), fnfErr);
        EXPECT_EQ(handle, nullptr);
        QImage canvas(10, 10, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        holder.DrawImage(painter, canvas.rect());
        painter.end();
        EXPECT_EQ(canvas.pixelColor(5, 5), QColor(Qt::white));
    }
    CImageHolder missing("NoSuchImage", "png");
    EXPECT_FALSE(missing.IsValid());
}

TEST(ImageHolder, FromABundlePicture)
{
    LQtApplication::Instance();
    QDirIterator it(":/", {"*.png"}, QDir::Files);
    if (!it.hasNext())
        GTEST_SKIP() << "the bundle holds no PNG yet";
    const QFileInfo picture(it.next());
    CImageHolder holder(picture.completeBaseName().toUtf8().constData(), "png");
    EXPECT_TRUE(holder.IsValid());
}

TEST(SoundPlayback, CoreEntryPointsReportErrors)
{
    EXPECT_EQ(PlaySoundFile(FSSpec {"/nonexistent", "Mail Sent.aiff"}), fnfErr);
    EXPECT_EQ(PlaySoundFile(FSSpec {}), paramErr);
    EXPECT_EQ(PlaySoundFile(QString(":/no such sound.aiff")), fnfErr);
}

} // namespace
