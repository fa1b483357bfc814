#include "SourceSeams.h"

void InstallDragHandlers(WindowRef) {}
