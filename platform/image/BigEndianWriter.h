// Big-endian field writer for the Mac file formats the exporter writes itself (PICT, Photoshop,
// MacPaint, QuickTime image). Bytes collect in memory and go to the device in pieces, so a
// format of any size never sits whole in memory. The first failed device write is remembered;
// later writes are skipped and Ok() stays false.
// One thread at a time (the exporter's).
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <cstdint>

class BigEndianWriter {
public:
    explicit BigEndianWriter(QIODevice& device) : fDevice(device) {}
    ~BigEndianWriter() { Flush(); }

    void U8(uint8_t value) { fBuffer.append(char(value)); FlushIfFull(); }
    void U16(uint16_t value) { U8(uint8_t(value >> 8)); U8(uint8_t(value)); }
    void U32(uint32_t value) { U16(uint16_t(value >> 16)); U16(uint16_t(value)); }
    void Zeros(qsizetype count) { fBuffer.append(count, '\0'); FlushIfFull(); }
    void Bytes(const QByteArray& bytes) { fBuffer.append(bytes); FlushIfFull(); }
    // A Pascal string in a field of `fieldSize` bytes (length byte included), zero padded.
    void PascalField(const QByteArray& text, int fieldSize);

    // Bytes given so far, written or waiting.
    qint64 Position() const { return fWritten + fBuffer.size(); }
    bool Flush();
    bool Ok() const { return fOk; }
    QString ErrorText() const { return fDevice.errorString(); }

private:
    void FlushIfFull() { if (fBuffer.size() >= kChunk) Flush(); }

    static constexpr qsizetype kChunk = 1 << 20;
    QIODevice& fDevice;
    QByteArray fBuffer;
    qint64 fWritten = 0;
    bool fOk = true;
};
