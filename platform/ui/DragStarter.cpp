#include "DragStarter.h"

#include <QDrag>
#include <QMimeData>
#include <QWidget>

namespace {
DragStarter::Starter& Installed()
{
    static DragStarter::Starter sStarter;
    return sStarter;
}
} // namespace

Qt::DropAction DragStarter::Start(QWidget* inSource, QMimeData* inData, Qt::DropActions inActions)
{
    if (Installed())
        return Installed()(inSource, inData, inActions);
    auto* drag = new QDrag(inSource);
    drag->setMimeData(inData);
    return drag->exec(inActions);
}

void DragStarter::Install(Starter inStarter) { Installed() = std::move(inStarter); }
