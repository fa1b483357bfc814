#include "CURLPushButton.h"

#include "CodeText.h"
#include "DragStarter.h"
#include "NibRegistrar.h"

#include <QApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

CURLPushButton::CURLPushButton(QWidget* inParent)
    : QPushButton(inParent)
{
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void CURLPushButton::Register()
{
    NibRegistrar::Get().RegisterWidget(QStringLiteral("CURLPushButton"), class_ID,
                                       [](QWidget* inParent) { return new CURLPushButton(inParent); });
}

QString CURLPushButton::GetLinkText() const { return mURL.isEmpty() ? mTitle : mURL; }

void CURLPushButton::SetDescriptor(const QString& inTitle)
{
    mTitle = inTitle;
    setText(inTitle);
    updateGeometry();
    update();
}

QString CURLPushButton::ValueMessageText() const { return mValueMessage ? CodeText::ToText(mValueMessage) : QString(); }

void CURLPushButton::SetValueMessageText(const QString& inCode)
{
    mValueMessage = MessageT(CodeText::FromText(inCode).value_or(0));
}

QString CURLPushButton::DragText(const QString& inLinkText)
{
    const QByteArray bytes = inLinkText.toUtf8();
    if (bytes.size() >= 3 && bytes.startsWith('<') && bytes.endsWith('>'))
        return QString::fromUtf8(bytes.mid(1, bytes.size() - 2));
    return inLinkText;
}

QColor CURLPushButton::Lightened(QColor inColor)
{
    const QRgba64 c = inColor.rgba64();
    auto half = [](quint16 inComponent) { return quint16((quint32(inComponent) + 65535u) / 2u); };
    return QColor(QRgba64::fromRgba64(half(c.red()), half(c.green()), half(c.blue()), c.alpha()));
}

QColor CURLPushButton::TitleColor() const
{
    if (mHot)
        return QColor(QRgba64::fromRgba64(kHotRed, kHotGreen, kHotBlue, 65535));
    const QColor base = palette().color(QPalette::Active, QPalette::Link);
    const bool active = isVisible() && isEnabled() && (!window() || window()->isActiveWindow());
    return active ? base : Lightened(base);
}

QSize CURLPushButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    return QSize(metrics.horizontalAdvance(mTitle) + 4, metrics.height() + 4);
}

void CURLPushButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QFont underlined = font();
    underlined.setUnderline(true);
    painter.setFont(underlined);
    painter.setPen(TitleColor());
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, mTitle);
}

void CURLPushButton::mousePressEvent(QMouseEvent* inEvent)
{
    if (inEvent->button() != Qt::LeftButton)
        return;
    if (mDraggable && inEvent->modifiers() & Qt::ShiftModifier) {
        DragLink();
        return;
    }
    mTracking = true;
    SetHot(true);
}

void CURLPushButton::mouseMoveEvent(QMouseEvent* inEvent)
{
    if (mTracking)
        SetHot(rect().contains(inEvent->position().toPoint()));
}

void CURLPushButton::mouseReleaseEvent(QMouseEvent* inEvent)
{
    if (!mTracking || inEvent->button() != Qt::LeftButton)
        return;
    mTracking = false;
    const bool inside = rect().contains(inEvent->position().toPoint());
    SetHot(false);
    if (inside && mValueMessage != 0) {
        SInt32 value = 0;
        BroadcastMessage(mValueMessage, &value);
    }
}

void CURLPushButton::changeEvent(QEvent* inEvent)
{
    if (inEvent->type() == QEvent::ActivationChange || inEvent->type() == QEvent::EnabledChange)
        update();
    QPushButton::changeEvent(inEvent);
}

// Redraws only when the pressed look changes.
void CURLPushButton::SetHot(bool inHot)
{
    if (inHot == mHot)
        return;
    mHot = inHot;
    ++mHotChanges;
    repaint();
}

void CURLPushButton::DragLink()
{
    auto* data = new QMimeData;
    data->setText(DragText(GetLinkText()));
    DragStarter::Start(this, data, Qt::CopyAction);
}
