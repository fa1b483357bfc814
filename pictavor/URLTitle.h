// The page-title pre-fetch: the page's <title> made safe for a file name, or the current date
// when there is no title to be had. Main thread; blocks for at most the fetch's deadline.
#pragma once

#include <QString>

namespace pictavor {

// The title between "<title>" and "</title>" (any case) of the page's first 1 MiB, read as
// UTF-8 or else as Mac OS Roman, with "/" and ":" turned into "-", blanks and line ends trimmed,
// then CleanForFilename. Without a title (no data, no tag, an unknown scheme): the current date
// as "YYYY-MM-DD HH.MM.SS +0000". Never null.
QString GetURLTitle(const QString& url);

} // namespace pictavor
