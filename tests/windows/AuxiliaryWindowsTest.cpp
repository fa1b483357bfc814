// The about box with its link buttons, and the servers window.
#include "ApplicationFixture.h"

#include "CAboutBox.h"
#include "CServersWindow.h"
#include "CURLPushButton.h"
#include "CommandRouter.h"
#include "ControlLookup.h"
#include "ControlValues.h"
#include "DragStarter.h"
#include "UpdateWindows.h"
#include "LListener.h"
#include "MenuBar.h"

#include <QApplication>
#include <QMimeData>
#include <QMouseEvent>

namespace {

void Press(QWidget* inWidget, QPoint inAt, Qt::KeyboardModifiers inModifiers = Qt::NoModifier)
{
    QMouseEvent event(QEvent::MouseButtonPress, inAt, inWidget->mapToGlobal(inAt), Qt::LeftButton, Qt::LeftButton,
                      inModifiers);
    QApplication::sendEvent(inWidget, &event);
}

void Move(QWidget* inWidget, QPoint inTo)
{
    QMouseEvent event(QEvent::MouseMove, inTo, inWidget->mapToGlobal(inTo), Qt::NoButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(inWidget, &event);
}

void Release(QWidget* inWidget, QPoint inAt)
{
    QMouseEvent event(QEvent::MouseButtonRelease, inAt, inWidget->mapToGlobal(inAt), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(inWidget, &event);
}

class CountingListener : public LListener {
public:
    void ListenToMessage(MessageT inMessage, void*) override { heard.push_back(inMessage); }
    std::vector<MessageT> heard;
};

class AuxiliaryWindowsTest : public ApplicationFixture {
protected:
    void SetUp() override
    {
        ApplicationFixture::SetUp();
        MakeApplication().BuildMenuBar();
        app->SetUpApplication();
    }
    void TearDown() override
    {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == QLatin1String("About"))
                delete window;
        }
        DragStarter::Install({});
        ApplicationFixture::TearDown();
        MenuBar::Get().RemoveAllMenus();
    }

    CAboutBox* OpenAbout()
    {
        app->ShowAboutBox();
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* box = dynamic_cast<CAboutBox*>(window); box && box->isVisible())
                return box;
        }
        return nullptr;
    }
    static CURLPushButton* Link(CAboutBox* inBox, PaneIDT inPane)
    {
        return qobject_cast<CURLPushButton*>(ControlLookup::FindPaneByID(inBox, inPane));
    }
};

} // namespace

TEST_F(AuxiliaryWindowsTest, AboutBoxShowsTheVersionAndLaunchesItsLinks)
{
    CAboutBox* box = OpenAbout();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(CopyControlTitleAsCFString(ControlLookup::FindPaneByID(box, 'VERS')), "Version: 1.0");

    CURLPushButton* web = Link(box, 2);
    CURLPushButton* mail = Link(box, 1);
    ASSERT_TRUE(web && mail);
    Press(web, QPoint(2, 2));
    Release(web, QPoint(2, 2));
    Press(mail, QPoint(2, 2));
    Release(mail, QPoint(2, 2));
    ASSERT_EQ(launcher.opened.size(), 2u);
    EXPECT_TRUE(launcher.opened[0].startsWith("http://")) << launcher.opened[0].toStdString();
    EXPECT_TRUE(launcher.opened[1].startsWith("mailto:")) << launcher.opened[1].toStdString();

    mail->SetURL(QString());
    box->ListenToMessage(CAboutBox::kMailMessage, nullptr);
    EXPECT_EQ(launcher.opened.back(), mail->Title()) << "a link without an address launches its title";
    box->ListenToMessage('what', nullptr);
    EXPECT_EQ(launcher.opened.size(), 3u) << "an unknown message launches nothing";
}

TEST_F(AuxiliaryWindowsTest, LinkButtonBroadcastsOnlyOnARelease)
{
    CURLPushButton button;
    button.resize(80, 20);
    button.SetDescriptor("Site");
    button.SetURL("<http://x>");
    button.SetValueMessage('WWW ');
    CountingListener listener;
    button.AddListener(&listener);

    button.SetValue(5);
    EXPECT_EQ(button.GetValue(), 0);
    EXPECT_TRUE(listener.heard.empty());

    Press(&button, QPoint(5, 5));
    Move(&button, QPoint(200, 5)); // out
    Move(&button, QPoint(300, 5)); // still out: no redraw
    Move(&button, QPoint(5, 5));   // back in
    EXPECT_EQ(button.HotChanges(), 3);
    Release(&button, QPoint(5, 5));
    EXPECT_EQ(listener.heard, std::vector<MessageT>{'WWW '});

    Press(&button, QPoint(5, 5));
    Release(&button, QPoint(200, 5)); // let go outside
    EXPECT_EQ(listener.heard.size(), 1u);

    QString dragged;
    DragStarter::Install([&dragged](QWidget*, QMimeData* inData, Qt::DropActions) {
        dragged = inData->text();
        delete inData;
        return Qt::CopyAction;
    });
    Press(&button, QPoint(5, 5), Qt::ShiftModifier);
    Release(&button, QPoint(5, 5));
    EXPECT_EQ(dragged, "http://x");
    EXPECT_EQ(listener.heard.size(), 1u) << "a shift-click drags and never broadcasts";

    button.SetValueMessage(0);
    Press(&button, QPoint(5, 5));
    Release(&button, QPoint(5, 5));
    EXPECT_EQ(listener.heard.size(), 1u) << "message 0 broadcasts nothing";
}

TEST(LinkButtonText, LinkAndDragTexts)
{
    EXPECT_EQ(CURLPushButton::DragText("<http://x>"), "http://x");
    EXPECT_EQ(CURLPushButton::DragText("<>"), "<>");
    EXPECT_EQ(CURLPushButton::DragText("plain"), "plain");
    const QColor black = CURLPushButton::Lightened(QColor(0, 0, 0));
    EXPECT_EQ(black.rgba64().red(), 32767);
    EXPECT_EQ(black.rgba64().blue(), 32767);
}

TEST_F(AuxiliaryWindowsTest, EachServersRequestOpensItsOwnWindow)
{
    auto serversWindows = [] {
        int count = 0;
        for (QWidget* window : QApplication::topLevelWidgets())
            count += window->objectName() == QLatin1String("ServersWindow") && window->isVisible() ? 1 : 0;
        return count;
    };
    ASSERT_TRUE(app->ObeyCommand('SRVS', nullptr));
    ASSERT_TRUE(app->ObeyCommand('SRVS', nullptr));
    EXPECT_EQ(serversWindows(), 2);
    QWidget* window = nullptr;
    for (QWidget* candidate : QApplication::topLevelWidgets()) {
        if (candidate->objectName() == QLatin1String("ServersWindow") && candidate->isVisible())
            window = candidate;
    }
    CommandRouter::Get().SendWindowCommand(window, 'HELP');
    ASSERT_FALSE(launcher.opened.empty());
    EXPECT_TRUE(launcher.opened.back().endsWith("/BrevantoHelp/BrevantoReference.html"));
    window->close();
    window->close(); // a second close does nothing more
    CCleanupObject::DeleteAll();
    EXPECT_EQ(serversWindows(), 1);
}

TEST_F(AuxiliaryWindowsTest, EveryAuxiliaryWindowDrawsItsContent)
{
    auto drawsSomething = [](QWidget* inWindow) {
        const QImage shot = inWindow->grab().toImage();
        QSet<QRgb> colours;
        for (int y = 0; y < shot.height(); y += 3) {
            for (int x = 0; x < shot.width(); x += 3)
                colours.insert(shot.pixel(x, y));
        }
        return shot.size() == inWindow->size() && colours.size() > 2;
    };
    EXPECT_TRUE(drawsSomething(OpenAbout()));
    auto* servers = new CServersWindow; // deleted through the cleanup list
    EXPECT_TRUE(drawsSomething(servers->Window()));
    CCheckingForSoftwareWindow checking;
    EXPECT_TRUE(drawsSomething(checking.Window()));
    CDownloadUpdateWindow progress(nullptr);
    EXPECT_TRUE(drawsSomething(progress.Window()));
    std::vector<CUpdateWindow*> results = {
        new CUpToDateWindow(std::make_unique<CUpdateInfo>()),
        new CUpdateCheckFailedWindow(std::make_unique<CUpdateInfo>()),
        new CUpdateAvailableWindow(std::make_unique<CUpdateInfo>()),
        new CUpdateResultWindow(false, true, QString()),
    };
    for (CUpdateWindow* window : results) {
        ASSERT_NE(window->Window(), nullptr);
        EXPECT_TRUE(drawsSomething(window->Window())) << ControlLookup::NibWindowName(window->Window()).toStdString();
        window->Cleanup();
    }
    servers->Cleanup();
    CCleanupObject::DeleteAll();
}
