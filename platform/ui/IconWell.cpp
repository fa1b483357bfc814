#include "IconWell.h"

#include <QPainter>

IconWell::IconWell(QWidget* inParent)
    : QWidget(inParent)
{
}

void IconWell::SetIcon(const QIcon& inIcon)
{
    mIcon = inIcon;
    update();
}

void IconWell::paintEvent(QPaintEvent*)
{
    if (mIcon.isNull())
        return;
    QPainter painter(this);
    mIcon.paint(&painter, rect(), Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
}
