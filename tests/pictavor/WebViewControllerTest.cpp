// The controller's counters and log lines as the web view's events arrive, and the
// progress observer; the quiet period's timing is left to the end-to-end runs.
#include "../platform/QStringPrinter.h"
#include "Pictavor.h"
#include "PictavorLog.h"
#include "WebViewController.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

namespace {

class WebViewControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QCoreApplication::instance())
            fApp = std::make_unique<QCoreApplication>(fArgc, fArgv);
        pictavor::SetLogCapture([this](const QString& text) { fLines << text; });
    }
    void TearDown() override { pictavor::SetLogCapture(nullptr); }

    int fArgc = 1;
    char fName[16] = "tests_pictavor";
    char* fArgv[2] = { fName, nullptr };
    std::unique_ptr<QCoreApplication> fApp;
    QStringList fLines;
};

TEST_F(WebViewControllerTest, EventsCountAndLogAsTheyArrive)
{
    pictavor::WebViewController controller;
    controller.InitResourceCounters();
    controller.ProvisionalLoadStarted("http://127.0.0.1/a.html");
    controller.IdentifierForInitialRequest();
    controller.WillSendRequest("http://127.0.0.1/a.html");
    controller.ResourceFinished();
    controller.IdentifierForInitialRequest();
    controller.WillSendRequest("http://127.0.0.1/b.png");
    controller.ResourceFailed();
    controller.TitleReceived("A page");
    controller.MainFrameFinishedLoading();
    EXPECT_EQ(fLines, (QStringList {
                          "http://127.0.0.1/a.html",
                          "Loaded 0 of 0 resources, 0 resource errors.",
                          "Sending request: http://127.0.0.1/a.html\n",
                          "Loaded 1 of 1 resources, 0 resource errors.",
                          "Sending request: http://127.0.0.1/b.png\n",
                          "Loaded 1 of 2 resources, 1 resource errors.",
                          "Reveived document title: A page",
                          "Main Frame finished loading.",
                      }));
    EXPECT_TRUE(controller.MainFrameLoaded());
    EXPECT_FALSE(controller.Loaded());

    // A new provisional load starts the completed count again.
    controller.ProvisionalLoadStarted("http://127.0.0.1/c.html");
    EXPECT_EQ(fLines.last(), "Loaded 0 of 2 resources, 1 resource errors.");
    controller.StopWait();
    EXPECT_TRUE(controller.Loaded());
}

TEST_F(WebViewControllerTest, TheObserverSetsLoadedOnceWhileRegistered)
{
    pictavor::WebViewController controller;
    controller.SetLoaded(true);
    {
        pictavor::Pictavor observer(controller);
        EXPECT_FALSE(controller.Loaded());
        controller.ProgressFinished();
        EXPECT_TRUE(controller.Loaded());
        controller.SetLoaded(false);
        controller.ProgressFinished();   // unregistered after the first news
        EXPECT_FALSE(controller.Loaded());
    }
    controller.ProgressFinished();
    EXPECT_FALSE(controller.Loaded());
}

TEST_F(WebViewControllerTest, TheFrontBrowserIsNeverFound)
{
    pictavor::WebViewController controller;
    controller.ImageCurrentBrowserURL({ "jpg", "3" });
    EXPECT_EQ(fLines, (QStringList { "Could not retrieve browser URL.",
                                     "Either your browser is not running, doesn't have an open window, or it isn't supported by this feature." }));
}

} // namespace
