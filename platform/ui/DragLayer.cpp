#include "DragLayer.h"

#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QUrl>
#include <QWidget>

namespace {

constexpr const char* kLayerName = "DragLayer";
constexpr const char* kHiliteName = "DragHilite";
const char* const kVCardFormats[] = {"text/vcard", "text/x-vcard", "text/directory"};

// The frame drawn while a drag is over a target.
class DragHilite : public QWidget {
public:
    explicit DragHilite(QWidget* inWindow)
        : QWidget(inWindow)
    {
        setObjectName(kHiliteName);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.drawRect(rect().adjusted(1, 1, -1, -1));
    }
};

// One per window: hears the drag events of the window and its children.
class DragLayerFilter : public QObject {
public:
    explicit DragLayerFilter(WindowRef inWindow)
        : QObject(inWindow)
        , mWindow(inWindow)
    {
        setObjectName(kLayerName);
        inWindow->setAcceptDrops(true);
        Watch(inWindow);
        for (QWidget* child : inWindow->findChildren<QWidget*>())
            Watch(child);
    }

    DragTrackingHandler tracking;
    DragReceiveHandler receive;
    QList<QPointer<QWidget>> targets;

protected:
    bool eventFilter(QObject* inWatched, QEvent* inEvent) override
    {
        const QEvent::Type type = inEvent->type();
        if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::DragLeave &&
            type != QEvent::Drop)
            return false;
        auto* widget = qobject_cast<QWidget*>(inWatched);
        // A field that takes drops itself keeps them, unless it is one of the window's targets.
        if (!widget || (widget != mWindow && widget->acceptDrops() && !targets.contains(widget)))
            return false;
        if (type == QEvent::DragLeave) {
            DragRef drag(mData, mWindow, mPoint);
            if (tracking)
                tracking(DragTrackingMessage::leaveWindow, mWindow, drag);
            return true;
        }
        auto* drop = static_cast<QDropEvent*>(inEvent);
        mData = drop->mimeData();
        mPoint = widget->mapTo(mWindow, drop->position().toPoint());
        DragRef drag(mData, mWindow, mPoint);
        if (type == QEvent::Drop) {
            if (receive)
                receive(mWindow, drag);
        } else if (tracking) {
            if (type == QEvent::DragEnter)
                tracking(DragTrackingMessage::enterWindow, mWindow, drag);
            tracking(DragTrackingMessage::inWindow, mWindow, drag);
        }
        drop->acceptProposedAction();
        return true;
    }

private:
    void Watch(QWidget* inWidget) { inWidget->installEventFilter(this); }

    WindowRef mWindow;
    QPointer<const QMimeData> mData;
    QPoint mPoint;
};

DragLayerFilter* LayerOf(WindowRef inWindow, bool inCreate)
{
    if (!inWindow)
        return nullptr;
    auto* layer = inWindow->findChild<DragLayerFilter*>(kLayerName, Qt::FindDirectChildrenOnly);
    if (!layer && inCreate)
        layer = new DragLayerFilter(inWindow);
    return layer;
}

bool IsControl(const QWidget* inWidget) { return inWidget->objectName().contains(u':'); }

} // namespace

DragRef::DragRef(const QMimeData* inData, WindowRef inWindow, QPoint inWindowPoint)
    : mData(inData)
    , mWindow(inWindow)
    , mPoint(inWindowPoint)
{
}

QList<QUrl> DragRef::Urls() const
{
    return mData && mData->hasFormat(QStringLiteral("text/uri-list")) ? mData->urls() : QList<QUrl>();
}

QByteArray DragRef::VCardData() const
{
    for (const char* format : kVCardFormats) {
        if (mData && mData->hasFormat(QLatin1String(format)))
            return mData->data(QLatin1String(format));
    }
    return {};
}

UInt16 DragRef::CountItems() const
{
    if (!mData)
        return 0;
    if (const QList<QUrl> urls = Urls(); !urls.isEmpty())
        return UInt16(urls.size());
    if (const int cards = CountVCards(VCardData()); cards > 0)
        return UInt16(cards);
    return 1;
}

QList<FlavorType> DragRef::ItemFlavors(UInt16 inItem) const
{
    QList<FlavorType> flavors;
    if (!mData || inItem < 1 || inItem > CountItems())
        return flavors;
    const auto add = [&flavors](std::initializer_list<FlavorType> inTypes) {
        for (FlavorType type : inTypes) {
            if (!flavors.contains(type))
                flavors << type;
        }
    };
    const QList<QUrl> urls = Urls();
    for (const QString& format : mData->formats()) {
        if (format == QLatin1String("text/uri-list") && inItem <= urls.size()) {
            const QUrl& url = urls[inItem - 1];
            if (url.isLocalFile() && QFileInfo::exists(url.toLocalFile()))
                add({'hfs ', 'furl'});
            else if (!url.isLocalFile())
                add({'utf8', 'utxt'});
        } else if (format == QLatin1String("text/plain")) {
            add({'utf8', 'utxt'});
        } else if (std::find_if(std::begin(kVCardFormats), std::end(kVCardFormats), [&format](const char* inName) {
                       return format == QLatin1String(inName);
                   }) != std::end(kVCardFormats)) {
            add({'vCrd'});
        }
    }
    return flavors;
}

bool DragRef::GetFlavorData(UInt16 inItem, FlavorType inFlavor, QByteArray* outData) const
{
    if (!outData || !ItemFlavors(inItem).contains(inFlavor))
        return false;
    const QList<QUrl> urls = Urls();
    const QUrl url = inItem <= urls.size() ? urls[inItem - 1] : QUrl();
    switch (inFlavor) {
    case 'hfs ':
    case 'furl': *outData = url.toLocalFile().toUtf8(); return true;
    case 'utf8':
    case 'utxt': {
        const QString text = mData->hasText() ? mData->text() : url.toString();
        *outData = inFlavor == 'utf8' ? text.toUtf8()
                                      : QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        return true;
    }
    case 'vCrd': *outData = VCardData(); return true;
    default: return false;
    }
}

ControlRef DragRef::ControlUnderMouse() const
{
    if (!mWindow)
        return nullptr;
    for (QWidget* widget = mWindow->childAt(mPoint); widget && widget != mWindow; widget = widget->parentWidget()) {
        if (IsControl(widget))
            return widget;
    }
    return nullptr;
}

OSErr InstallTrackingHandler(WindowRef inWindow, DragTrackingHandler inHandler)
{
    DragLayerFilter* layer = LayerOf(inWindow, true);
    if (!layer)
        return paramErr;
    layer->tracking = std::move(inHandler);
    return noErr;
}

OSErr InstallReceiveHandler(WindowRef inWindow, DragReceiveHandler inHandler)
{
    DragLayerFilter* layer = LayerOf(inWindow, true);
    if (!layer)
        return paramErr;
    layer->receive = std::move(inHandler);
    return noErr;
}

void SetDragTargets(WindowRef inWindow, const QList<ControlRef>& inTargets)
{
    DragLayerFilter* layer = LayerOf(inWindow, true);
    if (!layer)
        return;
    layer->targets.clear();
    for (ControlRef target : inTargets) {
        if (target)
            layer->targets << target;
    }
}

void ShowDragHilite(WindowRef inWindow, const QRect& inRect)
{
    if (!inWindow)
        return;
    auto* hilite = inWindow->findChild<DragHilite*>(kHiliteName, Qt::FindDirectChildrenOnly);
    if (!hilite)
        hilite = new DragHilite(inWindow);
    hilite->setGeometry(inRect);
    hilite->raise();
    hilite->show();
}

void HideDragHilite(WindowRef inWindow)
{
    if (!inWindow)
        return;
    if (auto* hilite = inWindow->findChild<DragHilite*>(kHiliteName, Qt::FindDirectChildrenOnly))
        hilite->hide();
}

QRect DragHiliteRect(WindowRef inWindow)
{
    auto* hilite = inWindow ? inWindow->findChild<DragHilite*>(kHiliteName, Qt::FindDirectChildrenOnly) : nullptr;
    return hilite && !hilite->isHidden() ? hilite->geometry() : QRect();
}

int CountVCards(const QByteArray& inData) { return int(inData.toUpper().count("BEGIN:VCARD")); }
