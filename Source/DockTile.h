// DockTile: the progress picture of a mailing on the application's tile - the application
// icon, a shadow disc, a darker wedge that fills clockwise from 12 o'clock as messages go out,
// and the number sent. The tile is a 127 x 127 image in tile units (origin bottom left, as the
// picture was designed), painted whole on every call and set as the application icon
// (ApplicationTile); ApplicationTile::Restore puts the original icon back.
// A total of 0 draws no wedge (the count is still drawn). Either icon may be missing.
// GUI thread (the send thread runs on it too); nothing fails: a missing icon is left out.
#pragma once

#include "MacTypes.h"

#include <QImage>
#include <QRectF>

class QPainter;
class QPainterPath;

// The tile's size in pixels and tile units.
constexpr int kDockTileSize = 127;

// Progress picture; the pause variant puts the pause icon over it.
void DrawDockBadge(SInt32 inCount, SInt32 inTotal);
void DrawDockProgress(SInt32 inCount, SInt32 inTotal);

// The picture itself, with the icons given (null images are left out).
QImage PaintDockTile(SInt32 inCount, SInt32 inTotal, const QImage& inApplicationIcon, const QImage& inPauseIcon);

// Angles in whole degrees, clockwise from 12 o'clock, on a painter in tile units (y up).
void FillWedgeInRect(QPainter& ioPainter, const QRectF& inRect, SInt32 inStartAngle, SInt32 inArcAngle);
void AddArcInRect(QPainterPath& ioPath, const QRectF& inRect, SInt32 inStartAngle, SInt32 inArcAngle);
