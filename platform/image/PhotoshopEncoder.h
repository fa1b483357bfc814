// Writes an RGB image as a Photoshop file: version 1, three 8-bit channels, RGB colour mode,
// no colour table, no image resources, no layers; the merged image data RLE-compressed
// (a table of packed row lengths for every row of every channel, then the PackBits rows,
// channel after channel).
// Limit: 30,000 pixels a side (the caller checks it before writing).
// One thread at a time; a failing device write is reported with its text.
#pragma once

#include <QIODevice>
#include <QImage>
#include <QString>

class PhotoshopEncoder {
public:
    static constexpr int kMaxSide = 30000;

    // `rgb` is Format_RGB888.
    static bool Write(const QImage& rgb, QIODevice& out, QString* error);
};
