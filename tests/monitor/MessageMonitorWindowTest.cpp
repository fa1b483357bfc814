// The Message Monitor window: its cells and order, the saved layout and bounds, the export, the
// status line and the restart on an address change.
#include "MonitorFixture.h"

#include "CFPreferenceDomain.h"
#include "CFPropertyList.h"
#include "CMessageMonitorWindow.h"
#include "ControlLookup.h"
#include "DataBrowser.h"
#include "DataBrowserModel.h"
#include "InterfaceAddressWatch.h"
#include "InterfaceAddresses.h"
#include "WindowEvents.h"

#include <QFile>
#include <QAbstractItemDelegate>
#include <QLabel>
#include <QLineEdit>
#include <QtEndian>

using namespace monitortest;

namespace {

QString Cell(DataBrowserItemID item, DataBrowserPropertyID property)
{
    DataBrowser* browser = gMessageMonitorWindow->Browser();
    DataBrowserItemData data;
    browser->Callbacks().itemData(browser, item, property, data, false);
    return data.text;
}

// The names in the order the list shows them.
QStringList ShownNames()
{
    DataBrowser* browser = gMessageMonitorWindow->Browser();
    browser->SelectAll();
    QStringList names;
    for (DataBrowserItemID item : browser->GetSelectedItems())
        names << Cell(item, 'NAME');
    browser->SelectNone();
    return names;
}

QByteArray Bounds(qint16 top, qint16 left, qint16 bottom, qint16 right)
{
    QByteArray bytes(8, '\0');
    const qint16 values[] = {top, left, bottom, right};
    for (int i = 0; i < 4; ++i)
        qToBigEndian<qint16>(values[i], bytes.data() + 2 * i);
    return bytes;
}

class MessageMonitorWindowTest : public MonitorFixture {
protected:
    void TearDown() override
    {
        MonitorFixture::TearDown();
        InterfaceAddresses::SetListSource({});
        InterfaceAddressWatch::SetSocketOpener({});
    }

    static QString Status() { return qobject_cast<QLabel*>(ControlLookup::FindControl(gMessageMonitorWindow->mWindow, 'MMWT', 0))->text(); }
};

} // namespace

TEST(MessageMonitorWindowText, MailerIDDatesAndExportLines)
{
    const struct {
        const char* id;
        const char* shown;
    } dates[] = {
        {"2008-03-01 14:05:09 +0100", "Sat 01 Mar, 2008 02:05:09 PM (+0100)"},
        {"2011-12-24 00:30:00 -0530", "Sat 24 Dec, 2011 12:30:00 AM (-0530)"},
        {"123", ""},
        {"2008-13-01 14:05:09 +0100", ""},
        {"2008-03-01 14:05:09 0100x", ""},
    };
    for (const auto& d : dates)
        EXPECT_EQ(MailerIDDateText(d.id), d.shown) << d.id;

    MonitorRecord plain {1, 0, "First Last <someone@example.org>", "Hello", "m"};
    EXPECT_TRUE(ExportLine(plain).startsWith("someone@example.org,First Last <someone@example.org>,Hello,"));
    MonitorRecord awkward {2, 0, "Smith, John <a@b>", "Line\r\nbreak \"quoted\"", "m"};
    EXPECT_TRUE(ExportLine(awkward).startsWith("a@b,\"Smith, John <a@b>\",\"Line\r\nbreak \"\"quoted\"\"\","));
}

TEST_F(MessageMonitorWindowTest, RowsShowNewestFirstAndEachHitAtTheNextRefresh)
{
    // A saved layout sorted by name does not change the opening order.
    CFPreferenceDomain::Application().SetValue(
        "MessageMonitorDBData",
        CFPropertyList(CFPropertyList::Dictionary {{"sortProperty", CFPropertyList(int('NAME'))}, {"sortOrder", CFPropertyList(1)}}));
    StartApplication();
    for (const char* key : {"b-first", "a-second", "c-third"}) {
        Hit(key);
        QThread::msleep(5); // distinct dates
    }
    EXPECT_TRUE(ShownNames().isEmpty()) << "until the next refresh";
    gMessageMonitorWindow->SetRequests();
    EXPECT_EQ(ShownNames(), (QStringList {"c-third", "a-second", "b-first"}));
    EXPECT_EQ(Cell(1, 'INDX'), "1");
    EXPECT_EQ(Cell(1, 'NAME'), "b-first");
    EXPECT_EQ(Cell(1, 'SBJT'), "s");
    EXPECT_EQ(Cell(1, 'MIDP'), "") << "\"m\" is no date";
    EXPECT_FALSE(Cell(1, 'DATE').isEmpty());
    for (int i = 0; i < 10; ++i)
        Hit("more");
    gMessageMonitorWindow->SetRequests();
    DataBrowser* browser = gMessageMonitorWindow->Browser();
    browser->SetSortProperty('INDX');
    browser->SetSortOrder(kDataBrowserOrderIncreasing);
    browser->SelectAll();
    const auto items = browser->GetSelectedItems();
    ASSERT_EQ(items.size(), 13u);
    EXPECT_EQ(items[1], 2u);
    EXPECT_EQ(items[9], 10u) << "2 before 10";
    const QImage shot = gMessageMonitorWindow->mWindow->grab().toImage();
    EXPECT_EQ(shot.size(), gMessageMonitorWindow->mWindow->size());
}

TEST_F(MessageMonitorWindowTest, BoundsOfEightBytesOnlyAndCloseStoresBoth)
{
    const struct {
        QByteArray data;
        bool applied;
    } cases[] = {
        {Bounds(100, 120, 400, 620).left(7), false},
        {Bounds(100, 120, 400, 620) + "x", false},
        {Bounds(400, 120, 100, 620), false}, // inverted
        {Bounds(100, 120, 400, 620), true},
    };
    for (const auto& c : cases) {
        CFPreferenceDomain::Application().SetValue("MessageMonitorBoundsData", CFPropertyList(c.data));
        CMessageMonitorWindow window;
        EXPECT_EQ(window.mWindow->geometry() == QRect(120, 100, 500, 300), c.applied) << c.data.size();
    }
    StartApplication();
    QWidget* window = gMessageMonitorWindow->mWindow;
    window->show();
    window->close();
    EXPECT_FALSE(window->isVisible());
    const CFPropertyList stored = CFPreferenceDomain::Application().CopyValue("MessageMonitorBoundsData");
    ASSERT_TRUE(stored.IsData());
    const QByteArray bytes = stored.ToData();
    ASSERT_EQ(bytes.size(), 8);
    EXPECT_EQ(qFromBigEndian<qint16>(bytes.constData() + 4) - qFromBigEndian<qint16>(bytes.constData()),
              window->height());
    EXPECT_TRUE(CFPreferenceDomain::Application().CopyValue("MessageMonitorDBData").IsDictionary());
    const auto plist = RunChild({PeerProcess::Python(), "-c",
                                 "import plistlib,sys\n"
                                 "print(len(plistlib.load(open(sys.argv[1],'rb'))['MessageMonitorBoundsData']))",
                                 CFPreferenceDomain::Application().FilePath().toStdString()});
    EXPECT_EQ(plist.output, "8\n");
}

TEST_F(MessageMonitorWindowTest, ExportWritesCsvInFetchOrderOrSaysWhy)
{
    StartApplication();
    presenter->QueueAlert(kAlertStdAlertOKButton);
    WindowEvent command;
    command.kind = WindowEventKind::commandProcess;
    command.command = 'ECSV';
    WindowEvents::Send(gMessageMonitorWindow->mWindow, command);
    EXPECT_EQ(presenter->Requests().back().message, "There are no requests to export.");

    Hit("Smith%2c%20John%20%3ca%40b%3e");
    Hit("First%20Last%20%3csomeone%40example.org%3e");
    gMessageMonitorWindow->SetRequests();
    const QString target = folder.filePath("requests.txt");
    presenter->QueueSaveFile(target, false);
    WindowEvents::Send(gMessageMonitorWindow->mWindow, command);
    const auto read = RunChild({PeerProcess::Python(), "-c",
                                "import csv,sys\n"
                                "for row in csv.reader(open(sys.argv[1], newline='', encoding='utf-8')):\n"
                                "    print(len(row), row[0], row[1])",
                                target.toStdString()});
    EXPECT_EQ(read.output, "4 a@b Smith, John <a@b>\n4 someone@example.org First Last <someone@example.org>\n");

    // A target that can't be written: said so, the old file stays.
    const QString blocked = folder.filePath("missing-folder/requests.txt");
    presenter->QueueSaveFile(blocked, false);
    presenter->QueueAlert(kAlertStdAlertOKButton);
    gMessageMonitorWindow->ExportRequests();
    EXPECT_EQ(presenter->Requests().back().message, "The requests could not be exported.");
}

TEST_F(MessageMonitorWindowTest, StatusAndAddressChangeRestart)
{
    std::string address = "192.0.2.10";
    InterfaceAddresses::SetListSource([&address] {
        return std::vector<InterfaceAddress> {{"eth9", true, false, AF_INET, address}};
    });
    StartApplication();
    EXPECT_TRUE(Status().startsWith("The Message Monitor is listening at: 192.0.2.10:"));
    ToggleMessageMonitor(true);
    EXPECT_EQ(Status(), "The Message Monitor is off");
    emit gMessageMonitorWindow->AddressWatch()->Changed();
    EXPECT_FALSE(IsMessageMonitorRunning()) << "off: nothing restarts";

    ToggleMessageMonitor(true);
    address = "192.0.2.20";
    ASSERT_TRUE(gMessageMonitorWindow->AddressWatch()->IsWatching());
    emit gMessageMonitorWindow->AddressWatch()->Changed();
    EXPECT_FALSE(IsMessageMonitorRunning()) << "stopped first";
    EXPECT_TRUE(PumpUntil([] { return IsMessageMonitorRunning(); }, 10s));
    EXPECT_TRUE(CopyMessageMonitorHostAndPort().startsWith("192.0.2.20:"));
    EXPECT_TRUE(Status().startsWith("The Message Monitor is listening at: 192.0.2.20:"));
}

TEST_F(MessageMonitorWindowTest, AWatchThatCannotRegisterLeavesTheMonitorAsItIs)
{
    InterfaceAddressWatch::SetSocketOpener([] { return -1; });
    StartApplication();
    InterfaceAddressWatch* watch = gMessageMonitorWindow->AddressWatch();
    ASSERT_NE(watch, nullptr);
    EXPECT_FALSE(watch->IsWatching());
    EXPECT_TRUE(Status().startsWith("The Message Monitor is listening at: ")) << Status().toStdString();
    const CMonitorListener* listener = CurrentMessageMonitorListener();
    const int port = Port();

    emit watch->Changed();
    PumpUntil([] { return false; }, 300ms);
    EXPECT_EQ(CurrentMessageMonitorListener(), listener) << "no restart";
    EXPECT_EQ(Port(), port);
    EXPECT_NE(Hit("after").find("Content-Type: image/png"), std::string::npos) << "still answering";
    EXPECT_EQ(RecordNames(), QStringList {"after"});
    EXPECT_TRUE(presenter->Requests().empty()) << "nothing is reported";
}

TEST_F(MessageMonitorWindowTest, TextColumnsOpenAnEditorAndTheEditIsDropped)
{
    StartApplication();
    Hit("zoe");
    gMessageMonitorWindow->SetRequests();
    DataBrowser* browser = gMessageMonitorWindow->Browser();
    DataBrowserModel* model = browser->Model();
    ASSERT_EQ(model->rowCount(), 1);
    for (DataBrowserPropertyID property : {'NAME', 'SBJT', 'DATE', 'MIDP'})
        EXPECT_TRUE(model->flags(model->index(0, model->ColumnOf(property))) & Qt::ItemIsEditable);
    EXPECT_FALSE(model->flags(model->index(0, model->ColumnOf('INDX'))) & Qt::ItemIsEditable);

    gMessageMonitorWindow->mWindow->show();
    const QModelIndex name = model->index(0, model->ColumnOf('NAME'));
    browser->setCurrentIndex(name);
    browser->edit(name);
    auto* editor = browser->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr) << "no editor opened";
    EXPECT_EQ(editor->text(), "zoe");
    editor->setText("changed");
    QMetaObject::invokeMethod(browser, "commitData", Q_ARG(QWidget*, editor));
    QMetaObject::invokeMethod(browser, "closeEditor", Q_ARG(QWidget*, editor),
                              Q_ARG(QAbstractItemDelegate::EndEditHint, QAbstractItemDelegate::NoHint));
    EXPECT_EQ(model->data(name, Qt::DisplayRole).toString(), "zoe");
    EXPECT_EQ(RecordNames(), QStringList {"zoe"});
}
