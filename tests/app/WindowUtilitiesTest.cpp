// Window utility functions: rectangles, option controls across every open window, and the
// browser scripts chosen through a substituted process lookup.
#include "MailingWindowFixture.h"

#include "AppleEventHelpers.h"
#include "CText.h"
#include "ControlValues.h"
#include "WindowUtilities.h"

#include <set>

TEST(WindowRects, OverlapNeedsASharedArea)
{
    struct Case {
        Rect a, b;
        bool overlap;
    } const cases[] = {
        {{0, 0, 10, 10}, {5, 5, 15, 15}, true},
        {{0, 0, 10, 10}, {0, 10, 10, 20}, false}, // shares the right edge
        {{0, 0, 10, 10}, {10, 0, 20, 10}, false}, // shares the bottom edge
        {{0, 0, 10, 10}, {2, 2, 4, 4}, true},     // inside
        {{-20, -20, -10, -10}, {-15, -15, 0, 0}, true},
        {{0, 0, 10, 10}, {20, 20, 30, 30}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RectsOverlap(c.a, c.b), c.overlap) << c.b.top << "," << c.b.left;
        EXPECT_EQ(RectsOverlap(c.b, c.a), c.overlap);
    }
}

TEST(WindowRects, SwapRectBytesReversesEachSideAndBack)
{
    Rect rect{0x0102, -2, 0x7F00, 0x00FF};
    SwapRectBytes(&rect);
    EXPECT_EQ(rect.top, SInt16(0x0201));
    EXPECT_EQ(rect.left, SInt16(0xFEFF));
    EXPECT_EQ(rect.bottom, SInt16(0x007F));
    EXPECT_EQ(rect.right, SInt16(0xFF00));
    SwapRectBytes(&rect);
    EXPECT_EQ(rect.top, 0x0102);
    EXPECT_EQ(rect.left, -2);
    EXPECT_EQ(rect.bottom, 0x7F00);
    EXPECT_EQ(rect.right, 0x00FF);
    SwapRectBytes(nullptr);
}

TEST_F(MailingWindowTest, OptionControlsShowAndHideInEveryWindow)
{
    ShowControlInAllWindows(true); // no window: nothing happens
    HideControlInAllWindows(true);
    auto* first = new CBrevantoWindow();
    auto* second = new CBrevantoWindow();
    ShowControlInAllWindows(true);
    HideControlInAllWindows(true);
    for (CBrevantoWindow* window : {first, second}) {
        EXPECT_TRUE(IsControlVisible(window->Control(ControlRole::CharsetPopup)));
        EXPECT_TRUE(IsControlVisible(window->Control(ControlRole::PriorityPopup)));
        EXPECT_TRUE(IsControlVisible(window->Control(ControlRole::PriorityLabel)));
    }
    ShowControlInAllWindows(false);
    HideControlInAllWindows(false);
    for (CBrevantoWindow* window : {first, second}) {
        EXPECT_FALSE(IsControlVisible(window->Control(ControlRole::CharsetPopup)));
        EXPECT_FALSE(IsControlVisible(window->Control(ControlRole::PriorityPopup)));
        EXPECT_FALSE(IsControlVisible(window->Control(ControlRole::PriorityLabel)));
    }
}

class FrontBrowserScripts : public ::testing::Test {
protected:
    void TearDown() override { SetProcessLookup({}); }

    // Runs the choice with these processes running; records every signature asked for.
    OSErr Choose(std::set<OSType> inRunning, CText& outTitle, CText& outURL)
    {
        mAsked.clear();
        SetProcessLookup([this, inRunning](OSType inSignature) {
            mAsked.push_back(inSignature);
            return inRunning.count(inSignature) ? OSErr(noErr) : OSErr(procNotFound);
        });
        return GetFrontBrowserScripts(outTitle, outURL);
    }

    std::vector<OSType> mAsked;
};

TEST_F(FrontBrowserScripts, SafariBeatsChrome)
{
    CText title, url;
    ASSERT_EQ(Choose({'rimZ', 'sfri'}, title, url), noErr);
    EXPECT_STREQ(url.buffer, "tell application \"Safari\"\r\tURL of first document\rend tell");
    EXPECT_STREQ(title.buffer, "tell application \"Safari\"\r\tname of first document\rend tell");
    EXPECT_EQ(mAsked, std::vector<OSType>{'sfri'});
}

TEST_F(FrontBrowserScripts, ChromeIsTriedOnlyWithoutFlock)
{
    CText title, url;
    ASSERT_EQ(Choose({'FLKb', 'rimZ'}, title, url), noErr);
    EXPECT_TRUE(QByteArray(url.buffer).startsWith("tell application \"Flock\""));
    EXPECT_EQ(std::count(mAsked.begin(), mAsked.end(), OSType('rimZ')), 0);

    ASSERT_EQ(Choose({'rimZ'}, title, url), noErr);
    EXPECT_STREQ(title.buffer, "tell application \"Google Chrome\"\r\tname of window 1\rend tell");
    EXPECT_EQ(mAsked.back(), OSType('rimZ'));
    EXPECT_EQ(mAsked.size(), 8u);
}

TEST_F(FrontBrowserScripts, NoBrowserLeavesTheTextsAndAnswersTheSearchError)
{
    CText title("old title"), url("old url");
    EXPECT_EQ(Choose({}, title, url), procNotFound);
    EXPECT_STREQ(title.buffer, "old title");
    EXPECT_STREQ(url.buffer, "old url");

    SetProcessLookup({}); // this system's own lookup finds no browser
    EXPECT_EQ(GetFrontBrowserScripts(title, url), procNotFound);
    EXPECT_STREQ(url.buffer, "old url");
}
