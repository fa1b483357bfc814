// The page imager's own string operations (the application has like-named ones that differ):
// HTML entity decoding and the file-name cleaning built on it. The text between two markers
// is the core library's ExtractBetweenPattern / ReverseExtractBetweenPattern.
// Pure functions except for the one log line of a malformed numeric entity; main thread.
#pragma once

#include <QString>

namespace pictavor {

// "&amp;", "&apos;", "&quot;", "&lt;", "&gt;" (lower case as written) and numeric entities
// ("&#65;", "&#x41;", the ";" optional) become their characters; a numeric entity outside
// Unicode's scalar values (0, surrogates, past U+10FFFF) becomes U+FFFD. "&#" without a number
// stays as it is and logs "Expected numeric character entity but got &#...;". Any other "&"
// stays. A text without "&" comes back as it is.
QString StringByDecodingHTMLEntities(const QString& text);

// The text with its entities decoded, then every "/" turned into "-" and every ":" into ".",
// so no entity can bring a "/" back.
QString CleanForFilename(const QString& text);

} // namespace pictavor
