// DragStarter: starts a drag of MIME data from a widget. QDrag::exec needs a real window
// system, so tests install a recording starter in its place. GUI thread only.
#pragma once

#include <QtGlobal>

#include <functional>

class QMimeData;
class QWidget;

class DragStarter {
public:
    // Takes the data; answers the action the drop performed (Qt::IgnoreAction when none).
    using Starter = std::function<Qt::DropAction(QWidget* inSource, QMimeData* inData, Qt::DropActions inActions)>;

    static Qt::DropAction Start(QWidget* inSource, QMimeData* inData, Qt::DropActions inActions);
    // An empty starter restores QDrag.
    static void Install(Starter inStarter);
};
