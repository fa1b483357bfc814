// SourceSeams: the least the mailing window needs of the message sources, spelling and drag and
// drop until they are built: no spelling service, no site icon, and nothing to install for
// drags or text panes (the nib holds the text panes). GUI thread only.
#pragma once

#include "UITypes.h"

#include <QIcon>
#include <QString>

// The site icon of a web page; null (no icon) here.
QIcon CopySiteIcon(const QString& inURL);
void InstallDragHandlers(WindowRef inWindow);
