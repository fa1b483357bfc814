#include "SourceSeams.h"

bool IsSpellingAvailable() { return false; }

QIcon CopySiteIcon(const QString&) { return QIcon(); }

void InstallDragHandlers(WindowRef) {}
