#include "UserPane.h"

#include <QPainter>

UserPane::UserPane(QWidget* inParent)
    : QWidget(inParent)
{
}

void UserPane::SetDrawProc(DrawProc inProc)
{
    mDraw = std::move(inProc);
    update();
}

void UserPane::paintEvent(QPaintEvent*)
{
    if (!mDraw)
        return;
    QPainter painter(this);
    mDraw(this, painter);
}
