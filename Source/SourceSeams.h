// SourceSeams: the least the mailing window needs of the message sources, spelling and drag and
// drop until they are built: no spelling service, no site icon, and nothing to install for
// drags or text panes (the nib holds the text panes). GUI thread only.
#pragma once

#include "UITypes.h"

#include <QIcon>
#include <QString>

void InstallDragHandlers(WindowRef inWindow);
