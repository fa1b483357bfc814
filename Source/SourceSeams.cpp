#include "SourceSeams.h"

QIcon CopySiteIcon(const QString&) { return QIcon(); }

void InstallDragHandlers(WindowRef) {}
