#include "DockTile.h"

#include "ApplicationTile.h"
#include "CEnvironment.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

const QColor kShadowColor = QColor::fromRgbF(0, 0, 0, 0.25f);
const QColor kWedgeColor = QColor::fromRgbF(0, 0, 0, 0.4f);
const QColor kTextColor = QColor::fromRgbF(0, 0, 0, 1.0f);
constexpr int kTextSize = 32;
constexpr QPointF kTextOrigin{20, 32}; // tile units, baseline

QImage EnvironmentIcon(OSType inType)
{
    if (!gEnvironment)
        return QImage();
    for (const BundleIcon& icon : gEnvironment->icons) {
        if (icon.type == inType && !icon.path.isEmpty())
            return QImage(icon.path);
    }
    return QImage();
}

// count / total * 360 in single precision, truncated towards zero; no wedge for a zero total.
SInt32 ProgressAngle(SInt32 inCount, SInt32 inTotal)
{
    if (inTotal == 0)
        return 0;
    return SInt32(float(inCount) / float(inTotal) * 360.0f);
}

// Icons are drawn upright into the whole tile; the painter's tile transform is set aside.
void PlotIcon(QPainter& ioPainter, const QImage& inIcon)
{
    if (inIcon.isNull())
        return;
    ioPainter.save();
    ioPainter.resetTransform();
    ioPainter.drawImage(QRectF(0, 0, kDockTileSize, kDockTileSize), inIcon);
    ioPainter.restore();
}

void DrawCount(QPainter& ioPainter, SInt32 inCount)
{
    ioPainter.save();
    ioPainter.resetTransform();
    QFont font(QStringLiteral("Lucida Grande"));
    font.setPixelSize(kTextSize);
    ioPainter.setFont(font);
    ioPainter.setPen(kTextColor);
    ioPainter.drawText(QPointF(kTextOrigin.x(), kDockTileSize - kTextOrigin.y()), QString::number(inCount));
    ioPainter.restore();
}

} // namespace

void AddArcInRect(QPainterPath& ioPath, const QRectF& inRect, SInt32 inStartAngle, SInt32 inArcAngle)
{
    // In tile units (y up) a = 90 - start is the mathematical angle of the start; the arc runs
    // counter-clockwise from a - arc to a. Qt's arcTo angles are mirrored (its y points down),
    // hence the negated angles.
    const double a = 90.0 - inStartAngle;
    const double from = inArcAngle > 0 ? a - inArcAngle : a;
    const double sweep = std::abs(double(inArcAngle));
    ioPath.arcTo(inRect, -from, -sweep);
}

void FillWedgeInRect(QPainter& ioPainter, const QRectF& inRect, SInt32 inStartAngle, SInt32 inArcAngle)
{
    QPainterPath path;
    path.moveTo(inRect.center());
    AddArcInRect(path, inRect, inStartAngle, inArcAngle);
    path.closeSubpath();
    ioPainter.fillPath(path, ioPainter.brush());
}

QImage PaintDockTile(SInt32 inCount, SInt32 inTotal, const QImage& inApplicationIcon, const QImage& inPauseIcon)
{
    QImage tile(kDockTileSize, kDockTileSize, QImage::Format_ARGB32_Premultiplied);
    tile.fill(Qt::transparent);
    QPainter painter(&tile);
    painter.setRenderHint(QPainter::Antialiasing);
    PlotIcon(painter, inApplicationIcon);

    // Tile units: origin bottom left, y up.
    painter.translate(0, kDockTileSize);
    painter.scale(1, -1);
    const QRectF whole(0, 0, kDockTileSize, kDockTileSize);
    painter.setBrush(kShadowColor);
    FillWedgeInRect(painter, whole, 0, 360);
    if (const SInt32 angle = ProgressAngle(inCount, inTotal); angle != 0) {
        painter.setBrush(kWedgeColor);
        FillWedgeInRect(painter, whole, 0, angle);
    }
    DrawCount(painter, inCount);
    PlotIcon(painter, inPauseIcon);
    return tile;
}

void DrawDockBadge(SInt32 inCount, SInt32 inTotal)
{
    ApplicationTile::SetImage(PaintDockTile(inCount, inTotal, EnvironmentIcon('APPL'), QImage()));
}

void DrawDockProgress(SInt32 inCount, SInt32 inTotal)
{
    ApplicationTile::SetImage(PaintDockTile(inCount, inTotal, EnvironmentIcon('APPL'), EnvironmentIcon('PAUS')));
}
