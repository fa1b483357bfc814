// A real mail reader's road, played by Debian's chromium: a page holding the tracking image as
// the merge step writes it (values escaped for a query), served by the HTTP peer and opened in
// the off-screen web view, makes the monitor record one hit with the three values exact, and
// the page's load handler sees the image decoded (its mark reaches the peer).
#include "../peers/HttpPeer.h"
#include "../platform/BrowserSlot.h"
#include "MonitorFixture.h"

#include "CText.h"
#include "MergeTagExpansion.h"
#include "OffscreenWebView.h"

#include <QDeadlineTimer>
#include <QTemporaryDir>

namespace monitortest {
namespace {

class MonitorBrowserTest : public MonitorFixture {};

TEST_F(MonitorBrowserTest, AnOpenedPageRecordsItsHitOnceWithTheValuesExact)
{
    SetSetting(kMessageMonitorShouldUseExternalAddressKey, "true");
    SetSetting(kMessageMonitorIPAddressKey, "127.0.0.1");
    StartApplication();
    const QString host = CopyMessageMonitorHostAndPort();
    ASSERT_EQ(host, "127.0.0.1:" + QString::number(Port()));

    const QString to = QStringLiteral("Zoë Smith, Jr. <zoe@example.org>");
    const QString subject = QStringLiteral("Q&A: 50% off — ✓");
    const QString mailerID = QStringLiteral("2008-03-01 14:05:09 +0100");
    // The load handler runs once the image has loaded or failed; its mark names the image's width.
    CText page("<html><head><meta charset=\"utf-8\"></head><body onload=\"new Image().src='/status/204?mark='"
               " + document.images[0].naturalWidth\"><p>Hello</p></body></html>");
    InsertTrackingImage(page, TrackingImage{host, to, subject, mailerID});
    ASSERT_NE(page.Find("MessageMonitor="), -1);

    HttpPeer peer;
    ASSERT_TRUE(peer.IsRunning()) << "the HTTP peer did not start";
    QFile file(peer.Root() + "/mail.html");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(page.buffer, page.length);
    file.close();

    const auto marked = [&] {
        for (const HttpPeer::Recorded& request : peer.Requests())
            if (request.path.startsWith("/status/204?mark="))
                return request.path.mid(int(std::strlen("/status/204?mark=")));
        return QString();
    };
    BrowserSlot slot;
    QTemporaryDir scratch;
    OffscreenWebViewDelegate quiet;
    OffscreenWebView view(&quiet);
    view.SetRunDeadline(QDeadlineTimer(90000));
    QString error;
    ASSERT_TRUE(view.Create(scratch.path(), &error)) << error.toStdString();
    ASSERT_TRUE(view.Load(QString::fromStdString(peer.URL("/static/mail.html")), &error)) << error.toStdString();
    // The accepts and the drains run on this thread's loop, between the view's waits.
    EXPECT_TRUE(view.RunUntil([&] { return !marked().isEmpty() && Records().size() == 1; }, QDeadlineTimer(60000)))
        << "mark '" << marked().toStdString() << "', " << Records().size() << " records; browser: "
        << view.BrowserOutputTail().toStdString();
    view.Close();

    EXPECT_EQ(marked(), "1");
    const std::vector<MonitorRecord> records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].name, to);
    EXPECT_EQ(records[0].subject, subject);
    EXPECT_EQ(records[0].mailerID, mailerID);
}

} // namespace
} // namespace monitortest
