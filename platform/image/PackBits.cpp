#include "PackBits.h"

namespace {

constexpr size_t kMaxChunk = 128;

size_t RunLength(const uint8_t* bytes, size_t count, size_t at)
{
    size_t length = 1;
    while (at + length < count && length < kMaxChunk && bytes[at + length] == bytes[at])
        ++length;
    return length;
}

void FlushLiteral(const uint8_t* bytes, size_t start, size_t length, QByteArray& out)
{
    if (length == 0)
        return;
    out.append(char(length - 1));
    out.append(reinterpret_cast<const char*>(bytes + start), qsizetype(length));
}

} // namespace

void PackBits::Pack(const uint8_t* bytes, size_t count, QByteArray& out)
{
    size_t literalStart = 0;
    size_t literalLength = 0;
    size_t at = 0;
    while (at < count) {
        const size_t run = RunLength(bytes, count, at);
        // A pair is cheaper as part of a literal already open; three or more always pay as a run.
        const bool asRun = run >= 3 || (run == 2 && literalLength == 0);
        if (!asRun) {
            if (literalLength == 0)
                literalStart = at;
            literalLength += run;
            at += run;
            if (literalLength >= kMaxChunk) {
                FlushLiteral(bytes, literalStart, kMaxChunk, out);
                literalStart += kMaxChunk;
                literalLength -= kMaxChunk;
            }
            continue;
        }
        FlushLiteral(bytes, literalStart, literalLength, out);
        literalLength = 0;
        out.append(char(1 - int(run)));
        out.append(char(bytes[at]));
        at += run;
    }
    FlushLiteral(bytes, literalStart, literalLength, out);
}
