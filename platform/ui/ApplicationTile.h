// ApplicationTile: the program's tile is its application icon. SetImage shows a painted image
// there (the first call keeps the original icon); Restore puts the original back. GUI thread
// only; needs the Qt application.
#pragma once

#include <QIcon>
#include <QImage>

class ApplicationTile {
public:
    static void SetImage(const QImage& inImage);
    static void Restore();
    static bool IsReplaced();
    static QImage CurrentImage(); // the image shown, null when the original is
};
