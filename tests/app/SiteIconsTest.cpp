// Site icons from the HTTP peer (its log shows every request): the favicon, else the icon the
// page's head names, else the default, each fetched once per run on a cooperative thread while
// the window goes on; and icons made from pictures and icon files.
#include "MailingWindowFixture.h"

#include "../peers/HttpPeer.h"
#include "IconWell.h"
#include "LThread.h"
#include "SiteIcons.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QTimer>

namespace {

void WritePNG(const QString& inPath, QColor inColour, QSize inSize = QSize(16, 16))
{
    QDir().mkpath(QFileInfo(inPath).absolutePath());
    QImage image(inSize, QImage::Format_ARGB32);
    image.fill(inColour);
    ASSERT_TRUE(image.save(inPath, "PNG"));
}

// The colour in the middle of the icon's 32-pixel form.
QColor Centre(const QIcon& inIcon) { return inIcon.pixmap(32, 32).toImage().pixelColor(16, 16); }

class SiteIconsTest : public MailingWindowTest {
protected:
    void SetUp() override
    {
        MailingWindowTest::SetUp();
        ASSERT_TRUE(mPeer.IsRunning());
        ForgetSiteIcons();
    }

    QString URL(const std::string& inPath) const { return QString::fromStdString(mPeer.URL(inPath)); }

    // Lets the fetch of that address run to its end.
    static void WaitForFetch(const QString& inURL)
    {
        QElapsedTimer clock;
        clock.start();
        while (IsFetchingSiteIcon(inURL) && clock.elapsed() < 20000) {
            LThread::Yield();
            QCoreApplication::processEvents();
        }
        ASSERT_FALSE(IsFetchingSiteIcon(inURL));
    }

    std::vector<QString> Paths() const
    {
        std::vector<QString> paths;
        for (const HttpPeer::Recorded& request : mPeer.Requests())
            paths.push_back(request.method + " " + request.path + (request.port == mPeer.Port() ? "" : " elsewhere"));
        return paths;
    }

    HttpPeer mPeer;
};

} // namespace

TEST_F(SiteIconsTest, FaviconIsFetchedOnceAndReachesTheWindowsShowingTheAddress)
{
    WritePNG(mPeer.Root() + "/favicon.ico", Qt::red);
    const QString page = URL("/static/page.html");
    auto* window = new CBrevantoWindow();
    window->SetWebPageURLText(page);
    window->NormalizeURL();

    const QIcon first = GetSiteIcon(page);
    EXPECT_FALSE(first.isNull()); // the default while it loads
    EXPECT_TRUE(IsFetchingSiteIcon(page));
    EXPECT_EQ(GetSiteIcon(page).cacheKey(), first.cacheKey());
    WaitForFetch(page);
    const QIcon icon = GetSiteIcon(page);
    EXPECT_EQ(Centre(icon), QColor(Qt::red));
    auto* well = qobject_cast<IconWell*>(window->Control(ControlRole::SiteIconWell));
    ASSERT_NE(well, nullptr);
    EXPECT_EQ(well->Icon().cacheKey(), icon.cacheKey());
    EXPECT_EQ(Paths(), (std::vector<QString> {"GET /favicon.ico"}));

    GetSiteIcon(page);
    EXPECT_FALSE(IsFetchingSiteIcon(page));
    EXPECT_EQ(mPeer.Requests().size(), 1u);
    EXPECT_TRUE(GetSiteIcon(QString::fromStdString(mPeer.URL("/static/page.html")).replace("http:", "https:")).isNull());
}

TEST_F(SiteIconsTest, WithoutAFaviconTheHeadsIconLinkElseTheDefault)
{
    WritePNG(mPeer.Root() + "/site/i/s.png", Qt::blue);
    WritePNG(mPeer.Root() + "/site/i/plain.png", Qt::green);
    const auto write = [&](const char* inName, const QByteArray& inHTML) {
        QFile file(mPeer.Root() + "/site/" + inName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(inHTML);
    };
    write("shortcut.html", "<html><HEAD><link rel=\"icon\" href=\"i/plain.png\">"
                           "<LINK REL=\"shortcut icon\" href=\"i/s.png\"></HEAD></html>");
    write("icon.html", "<html><head><link rel=\"icon\" href=\"i/plain.png\"></head></html>");
    write("none.html", "<html><head><title>none</title></head></html>");

    struct Case {
        const char* path;
        QColor colour; // invalid: the default icon
    } cases[] = {
        {"/static/site/shortcut.html", Qt::blue},
        {"/static/site/icon.html", Qt::green},
        {"/static/site/none.html", QColor()},
    };
    const QIcon fallback = GetSiteIcon("http://127.0.0.1:1/");
    WaitForFetch("http://127.0.0.1:1/");
    for (const Case& c : cases) {
        const QString page = URL(c.path);
        GetSiteIcon(page);
        WaitForFetch(page);
        const QIcon icon = GetSiteIcon(page);
        if (c.colour.isValid())
            EXPECT_EQ(Centre(icon), c.colour) << c.path;
        else
            EXPECT_EQ(icon.cacheKey(), fallback.cacheKey()) << c.path;
    }
    // One favicon and one page per address, all on the page's own port; none again later.
    const std::vector<QString> paths = Paths();
    EXPECT_EQ(paths, (std::vector<QString> {"GET /favicon.ico", "GET /static/site/shortcut.html", "GET /static/site/i/s.png",
                                            "GET /favicon.ico", "GET /static/site/icon.html", "GET /static/site/i/plain.png",
                                            "GET /favicon.ico", "GET /static/site/none.html"}));
    for (const Case& c : cases)
        GetSiteIcon(URL(c.path));
    EXPECT_EQ(Paths().size(), paths.size());
}

TEST_F(SiteIconsTest, AStalledFaviconLeavesTheProgramRunning)
{
    QFile(mPeer.Root() + "/favicon.stall").open(QIODevice::WriteOnly);
    const QString page = URL("/static/slow.html");
    bool fired = false;
    QTimer::singleShot(100, [&fired] { fired = true; });
    GetSiteIcon(page);
    QElapsedTimer clock;
    clock.start();
    while (!fired && clock.elapsed() < 2000) {
        LThread::Yield();
        QCoreApplication::processEvents();
    }
    EXPECT_TRUE(fired);
    EXPECT_TRUE(IsFetchingSiteIcon(page));
    WaitForFetch(page);
}

TEST(MakeIcon, PicturesFitFourSquaresWithTransparentBands)
{
    LQtApplication::Instance();
    QImage wide(200, 50, QImage::Format_ARGB32);
    wide.fill(Qt::red);
    const QIcon icon = MakeIconFromImage(wide);
    EXPECT_EQ(icon.availableSizes(), (QList<QSize> {{16, 16}, {32, 32}, {48, 48}, {128, 128}}));
    const QImage thirtyTwo = icon.pixmap(32, 32).toImage();
    EXPECT_EQ(thirtyTwo.pixelColor(16, 2).alpha(), 0);
    EXPECT_EQ(thirtyTwo.pixelColor(16, 29).alpha(), 0);
    EXPECT_EQ(thirtyTwo.pixelColor(16, 16), QColor(Qt::red));
    EXPECT_EQ(thirtyTwo.pixelColor(0, 16), QColor(Qt::red));
    EXPECT_TRUE(MakeIconFromImage(QImage()).isNull());
}

TEST(MakeIcon, FilesGivePicturesAndIcnsButNotOtherData)
{
    LQtApplication::Instance();
    QTemporaryDir folder;
    WritePNG(folder.filePath("p.png"), Qt::green, QSize(64, 64));
    EXPECT_EQ(MakeIconFromFile(folder.filePath("p.png")).availableSizes().size(), 4);

    QImage square(128, 128, QImage::Format_ARGB32);
    square.fill(Qt::blue);
    QImageWriter writer(folder.filePath("app.ICNS"), "icns");
    ASSERT_TRUE(writer.write(square)) << writer.errorString().toStdString();
    const QIcon icns = MakeIconFromFile(folder.filePath("app.ICNS"));
    ASSERT_FALSE(icns.isNull());
    EXPECT_TRUE(icns.availableSizes().contains(QSize(128, 128)));

    for (const char* name : {"garbage.png", "clip.mov"}) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a picture at all");
        file.close();
        EXPECT_TRUE(MakeIconFromFile(folder.filePath(name)).isNull()) << name;
    }
}
