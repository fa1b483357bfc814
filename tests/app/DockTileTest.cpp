// The dock tile's progress picture, checked by sampling pixels: the shadow disc, the wedge
// growing clockwise from 12 o'clock, the count, the icons below and above, and a zero total.
#include "DockTile.h"

#include "ApplicationTile.h"
#include "LMainContext.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

namespace {

// Alpha of the shadow disc alone (0.25) and of disc and wedge together (1 - 0.75 * 0.6).
constexpr int kDisc = 64;
constexpr int kWedge = 140;

// Points inside the disc, away from the count (drawn at the lower left).
const QPoint kUpperRight{100, 40};
const QPoint kLowerRight{100, 90};
const QPoint kUpperLeft{30, 40};
const QPoint kLowerLeft{40, 112};
const QPoint kCorner{2, 2}; // outside the disc

int AlphaAt(const QImage& inImage, QPoint inWhere) { return qAlpha(inImage.pixel(inWhere)); }

void ExpectNear(int inActual, int inExpected, const char* inWhat)
{
    EXPECT_NEAR(inActual, inExpected, 3) << inWhat;
}

// Opaque pixels where the count stands.
int CountPixels(const QImage& inImage)
{
    int dark = 0;
    for (int y = 60; y < 100; ++y) {
        for (int x = 18; x < 75; ++x) {
            if (qAlpha(inImage.pixel(x, y)) > 220)
                ++dark;
        }
    }
    return dark;
}

QImage Solid(QColor inColor)
{
    QImage image(kDockTileSize, kDockTileSize, QImage::Format_ARGB32);
    image.fill(inColor);
    return image;
}

class DockTileTest : public ::testing::Test {
protected:
    void SetUp() override { LMainContext::Get(); }
    void TearDown() override { ApplicationTile::Restore(); }
};

} // namespace

TEST_F(DockTileTest, WedgeFollowsTheCount)
{
    const struct {
        SInt32 count, total;
        int upperRight, lowerRight, upperLeft, lowerLeft;
    } cases[] = {
        {0, 10, kDisc, kDisc, kDisc, kDisc},
        {5, 10, kWedge, kWedge, kDisc, kDisc},
        {10, 10, kWedge, kWedge, kWedge, kWedge},
        {3, 0, kDisc, kDisc, kDisc, kDisc}, // no total: no wedge
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(testing::Message() << entry.count << "/" << entry.total);
        const QImage tile = PaintDockTile(entry.count, entry.total, QImage(), QImage());
        ASSERT_EQ(tile.size(), QSize(kDockTileSize, kDockTileSize));
        ExpectNear(AlphaAt(tile, kUpperRight), entry.upperRight, "upper right");
        ExpectNear(AlphaAt(tile, kLowerRight), entry.lowerRight, "lower right");
        ExpectNear(AlphaAt(tile, kUpperLeft), entry.upperLeft, "upper left");
        ExpectNear(AlphaAt(tile, kLowerLeft), entry.lowerLeft, "lower left");
        EXPECT_EQ(AlphaAt(tile, kCorner), 0) << "no icon: a clear tile around the disc";
        EXPECT_GT(CountPixels(tile), 20) << "the count is drawn";
    }
}

TEST_F(DockTileTest, QuarterStartsAtTwelveOClock)
{
    const QImage tile = PaintDockTile(1, 4, QImage(), QImage());
    ExpectNear(AlphaAt(tile, kUpperRight), kWedge, "upper right");
    ExpectNear(AlphaAt(tile, kLowerRight), kDisc, "lower right");
    ExpectNear(AlphaAt(tile, kUpperLeft), kDisc, "upper left");
}

TEST_F(DockTileTest, IconsBelowAndPauseAbove)
{
    const QImage withIcon = PaintDockTile(5, 10, Solid(Qt::red), QImage());
    const QRgb corner = withIcon.pixel(kCorner);
    EXPECT_EQ(qAlpha(corner), 255);
    EXPECT_GT(qRed(corner), 200);
    EXPECT_LT(qRed(withIcon.pixel(kUpperRight)), qRed(corner)) << "the disc darkens the icon";

    QImage pause(kDockTileSize, kDockTileSize, QImage::Format_ARGB32);
    pause.fill(Qt::transparent);
    QPainter(&pause).fillRect(QRect(95, 35, 10, 10), Qt::green);
    const QImage paused = PaintDockTile(5, 10, QImage(), pause);
    const QRgb overlay = paused.pixel(kUpperRight);
    EXPECT_EQ(qAlpha(overlay), 255);
    EXPECT_GT(qGreen(overlay), 200);
    ExpectNear(AlphaAt(paused, kLowerRight), kWedge, "the picture stays under the pause icon");
}

TEST_F(DockTileTest, DrawingSetsTheApplicationTile)
{
    DrawDockBadge(5, 10);
    ASSERT_TRUE(ApplicationTile::IsReplaced());
    EXPECT_EQ(ApplicationTile::CurrentImage(), PaintDockTile(5, 10, QImage(), QImage()));
    ApplicationTile::Restore();
    EXPECT_FALSE(ApplicationTile::IsReplaced());
}
