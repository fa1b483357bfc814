// The page imager's output types: the type names (also the file extensions) beside the exporter
// subtypes, in the program's fixed order, and the conversions of the quality argument.
// Names match exactly (case matters). Constant tables and pure functions: any thread.
#pragma once

#include "MacTypes.h"

#include <QString>

#include <array>

namespace pictavor {

constexpr int kImageTypeCount = 10;
constexpr int kPDFTypeIndex = 9;

extern const std::array<const char*, kImageTypeCount> kExtensions;
extern const std::array<OSType, kImageTypeCount> kImageTypes;

// The type's index in the table, or kImageTypeCount (10) when it is not there.
int GetImageTypeIndex(const QString& type);

// Quality 1 gives the low codec quality 256, 2 the normal 512, anything else the high 768.
int CodecQualityPreference(int quality);

// The text's leading decimal number as C reads one: leading blanks, an optional sign, digits,
// saturating at the int range; text that starts with no number gives 0.
int IntValue(const QString& text);

} // namespace pictavor
