#include "MergePersonValues.h"

QString CopyPersonValue(const CBrevantoWindow&, SInt32, const PersonValueRequest&) { return QString(); }

std::optional<QString> CopyImportColumnValue(const CBrevantoWindow&, SInt32, const QString&) { return std::nullopt; }
