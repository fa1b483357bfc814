// Readable QString values in GoogleTest failure messages (found by argument-dependent lookup).
// Internal linkage, so other test files may print QString their own way.
#pragma once

#include <QString>

#include <ostream>

static inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
