#include "ApplicationTile.h"

#include <QApplication>
#include <QPixmap>

namespace {
struct TileState {
    bool replaced = false;
    QIcon original;
    QImage current;
};

TileState& State()
{
    static TileState sState;
    return sState;
}
} // namespace

void ApplicationTile::SetImage(const QImage& inImage)
{
    TileState& state = State();
    if (!state.replaced) {
        state.original = QApplication::windowIcon();
        state.replaced = true;
    }
    state.current = inImage;
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(inImage)));
}

void ApplicationTile::Restore()
{
    TileState& state = State();
    if (!state.replaced)
        return;
    QApplication::setWindowIcon(state.original);
    state.replaced = false;
    state.current = QImage();
}

bool ApplicationTile::IsReplaced() { return State().replaced; }

QImage ApplicationTile::CurrentImage() { return State().current; }
