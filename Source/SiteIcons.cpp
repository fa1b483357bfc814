#include "SiteIcons.h"

#include "CBrevantoWindow.h"
#include "CHTTPRequest.h"
#include "CThread.h"
#include "CURL.h"
#include "HTMLRewriting.h"
#include "IconWell.h"
#include "MemoryBlocks.h"
#include "WebEnvironment.h"

#include <QApplication>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QStringDecoder>
#include <QStyle>

#include <map>
#include <set>

namespace {

constexpr int kIconSizes[] = {16, 32, 48, 128};
constexpr SInt32 kFetchTimeoutSeconds = 10;

std::map<QString, QIcon>& Cache()
{
    static std::map<QString, QIcon> cache;
    return cache;
}

std::set<QString>& InFlight()
{
    static std::set<QString> addresses;
    return addresses;
}

const QIcon& DefaultSiteIcon()
{
    static const QIcon icon = QIcon::fromTheme(QStringLiteral("applications-internet"),
                                               QApplication::style()->standardIcon(QStyle::SP_DriveNetIcon));
    return icon;
}

// The picture fitted into an s by s square keeping its proportions, centred on the free axis.
QImage FitIntoSquare(const QImage& inImage, int inSize)
{
    QImage square(inSize, inSize, QImage::Format_ARGB32_Premultiplied);
    square.fill(Qt::transparent);
    const int width = inImage.width();
    const int height = inImage.height();
    if (width <= 0 || height <= 0)
        return square;
    QRect target(0, 0, inSize, inSize);
    if (width > height) {
        const int fitted = int(float(height) / float(width) * float(inSize));
        target = QRect(0, (inSize - fitted) / 2, inSize, fitted);
    } else if (height > width) {
        const int fitted = int(float(width) / float(height) * float(inSize));
        target = QRect((inSize - fitted) / 2, 0, fitted, inSize);
    }
    QPainter painter(&square);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, inImage);
    return square;
}

// The body of a waiting GET; empty when the request failed.
QByteArray Fetch(const std::string& inURL, std::string* outServed = nullptr)
{
    CHTTPRequest request(kFetchTimeoutSeconds, true);
    const std::string agent = WebEnvironment::UserAgent();
    request.Get(inURL.c_str(), agent.c_str(), "", "");
    const SInt32 length = request.GetDataLength();
    Ptr data = request.GetData();
    if (!data)
        return {};
    QByteArray bytes(data, length);
    DisposePtr(data);
    if (outServed)
        *outServed = request.GetEffectiveURL();
    return bytes;
}

QString FindNoCase(const QString& inText, const QString& inStart, const QString& inEnd)
{
    const qsizetype start = inText.indexOf(inStart, 0, Qt::CaseInsensitive);
    if (start < 0)
        return {};
    const qsizetype end = inText.indexOf(inEnd, start + inStart.size(), Qt::CaseInsensitive);
    return end < 0 ? QString() : inText.mid(start, end - start);
}

// The address of the icon a page's head names: "shortcut icon" first, then "icon".
QString IconLinkOf(const QByteArray& inPage)
{
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8(inPage);
    if (utf8.hasError()) {
        QStringDecoder latin(QStringDecoder::encodingForName("windows-1252").value_or(QStringConverter::Latin1));
        text = latin(inPage);
    }
    const QString head = FindNoCase(text, QStringLiteral("<head"), QStringLiteral("</head>"));
    QString link = FindNoCase(head, QStringLiteral("<link rel=\"shortcut icon\""), QStringLiteral(">"));
    if (link.isEmpty())
        link = FindNoCase(head, QStringLiteral("<link rel=\"icon\""), QStringLiteral(">"));
    const qsizetype href = link.indexOf(QLatin1String("href=\""), 0, Qt::CaseInsensitive);
    if (href < 0)
        return {};
    const qsizetype first = href + 6;
    const qsizetype end = link.indexOf('"', first);
    return end < 0 ? QString() : link.mid(first, end - first);
}

QIcon IconFromBytes(const QByteArray& inBytes)
{
    QImage image;
    return image.loadFromData(inBytes) ? MakeIconFromImage(image) : QIcon();
}

// Fetches one site's icon and hands it to the cache and the windows showing the address.
class CSiteIconThread : public CThread {
public:
    explicit CSiteIconThread(const QString& inPageURL)
        : mPageURL(inPageURL)
    {
    }

    void* Run() override
    {
        try {
            Store(FetchIcon());
        } catch (...) {
            InFlight().erase(mPageURL); // stopped: the next request tries again
            throw;
        }
        return nullptr;
    }

private:
    QIcon FetchIcon()
    {
        const std::string page = mPageURL.toStdString();
        const CURL address(page.c_str());
        const std::string favicon = std::string("http://") + address.host.text + "/favicon.ico";
        if (QIcon icon = IconFromBytes(Fetch(favicon)); !icon.isNull())
            return icon;
        CheckStop();
        std::string served;
        const QByteArray body = Fetch(page, &served);
        CheckStop();
        const QString link = IconLinkOf(body);
        if (link.isEmpty())
            return {};
        const std::string base = served.empty() ? page : served;
        const QIcon icon = IconFromBytes(Fetch(ResolveRelativeURL(base, CURL(base.c_str()).scheme, link.toStdString())));
        CheckStop();
        return icon;
    }

    void Store(const QIcon& inIcon)
    {
        const QIcon icon = inIcon.isNull() ? DefaultSiteIcon() : inIcon;
        Cache()[mPageURL] = icon;
        InFlight().erase(mPageURL);
        gWindowList.Rewind();
        while (CBrevantoWindow** window = gWindowList.Next()) {
            if ((*window)->mWebPageURL != mPageURL)
                continue;
            if (auto* well = qobject_cast<IconWell*>((*window)->Control(ControlRole::SiteIconWell)))
                well->SetIcon(icon);
        }
    }

    QString mPageURL;
};

} // namespace

QIcon GetSiteIcon(const QString& inPageURL)
{
    if (!inPageURL.startsWith(QLatin1String("http://"), Qt::CaseInsensitive))
        return {};
    const QIcon& fallback = DefaultSiteIcon();
    if (const auto found = Cache().find(inPageURL); found != Cache().end())
        return found->second;
    if (InFlight().insert(inPageURL).second)
        (new CSiteIconThread(inPageURL))->Resume();
    return fallback;
}

QIcon MakeIconFromImage(const QImage& inImage)
{
    if (inImage.isNull())
        return {};
    QIcon icon;
    for (int size : kIconSizes)
        icon.addPixmap(QPixmap::fromImage(FitIntoSquare(inImage, size)));
    return icon;
}

QIcon MakeIconFromFile(const QString& inPath)
{
    QImageReader reader(inPath);
    if (QFileInfo(inPath).suffix().compare(QLatin1String("icns"), Qt::CaseInsensitive) == 0) {
        QIcon icon;
        reader.setFormat("icns");
        for (int index = 0; index < std::max(1, reader.imageCount()); ++index) {
            if (index > 0 && !reader.jumpToImage(index))
                break;
            const QImage image = reader.read();
            if (!image.isNull())
                icon.addPixmap(QPixmap::fromImage(image));
        }
        return icon;
    }
    const QImage image = reader.read();
    return MakeIconFromImage(image);
}

bool IsFetchingSiteIcon(const QString& inPageURL) { return InFlight().count(inPageURL) != 0; }

void ForgetSiteIcons()
{
    Cache().clear();
}
