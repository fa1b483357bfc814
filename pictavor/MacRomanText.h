// Text from Mac OS Roman bytes (every byte stands for one character), through the C library's
// "MACINTOSH" converter. Stands in until the platform layer offers Mac Roman decoding.
// Any thread.
#pragma once

#include <QByteArray>
#include <QString>

namespace pictavor {

// Null when the converter is missing.
QString DecodeMacRoman(const QByteArray& bytes);

} // namespace pictavor
