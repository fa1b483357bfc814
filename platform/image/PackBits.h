// PackBits: the run-length scheme of Mac image files (PICT rows, MacPaint rows, Photoshop RLE
// channels). A run of 2-128 equal bytes is written as (1 - n, byte); a literal stretch of 1-128
// bytes as (n - 1, bytes...). The flag byte 0x80 (-128) is never written.
// Each call packs one row on its own: a run never crosses the end of the input.
// Pure functions, any thread; nothing can fail.
#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>

class PackBits {
public:
    // Appends the packed form of bytes[0..count) to out.
    static void Pack(const uint8_t* bytes, size_t count, QByteArray& out);

    // The most bytes Pack can write for `count` input bytes.
    static size_t MaxPackedSize(size_t count) { return count + (count + 127) / 128; }
};
