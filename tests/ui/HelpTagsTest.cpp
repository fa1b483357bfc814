// Help tags: the delay from the settings through the style, tags off, tags per tab.
#include "UiTestSupport.h"

#include "CFPropertyList.h"
#include "ControlLookup.h"
#include "HelpTags.h"

#include <QHelpEvent>
#include <QStyle>
#include <QTabBar>
#include <QToolTip>

namespace {
int StyleDelay() { return QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay); }
} // namespace

TEST_F(NibTest, TagDelayAndDisplaySettings)
{
    struct Case {
        CFPropertyList delay;
        CFPropertyList display;
        int expectedDelay;
        bool expectedOn;
    };
    const Case cases[] = {
        {CFPropertyList(QStringLiteral("3")), CFPropertyList(), 3000, true},
        {CFPropertyList(), CFPropertyList(), 2000, true},
        {CFPropertyList(5), CFPropertyList(QStringLiteral("true")), 5000, true},
        {CFPropertyList(QStringLiteral("soon")), CFPropertyList(QStringLiteral("false")), 2000, false},
    };
    for (const Case& c : cases) {
        HelpTags::Get().ApplySettings(c.delay, c.display);
        EXPECT_EQ(StyleDelay(), c.expectedDelay);
        EXPECT_EQ(HelpTags::Get().Enabled(), c.expectedOn);
    }
    HelpTags::Get().ApplySettings(CFPropertyList(), CFPropertyList());
}

TEST_F(NibTest, TagsOffDropsTooltipsAndTabsAskTheirCallbackPerPart)
{
    QWidget* window = Load(QStringLiteral("Main"));
    auto* tabs = qobject_cast<QTabBar*>(ControlLookup::FindControl(window, 'RTAB', 0));
    ASSERT_NE(tabs, nullptr);
    tabs->addTab(QStringLiteral("Group"));
    tabs->addTab(QStringLiteral("Import"));
    window->show();
    std::vector<SInt16> asked;
    HelpTags::SetHelpTagCallback(tabs, [&](SInt16 part) {
        asked.push_back(part);
        return QStringLiteral("Recipients from tab %1").arg(part);
    });
    auto askAt = [&](int tab) {
        const QPoint where = tabs->tabRect(tab).center();
        QHelpEvent help(QEvent::ToolTip, where, tabs->mapToGlobal(where));
        QApplication::sendEvent(tabs, &help);
    };

    askAt(1);
    askAt(0);
    EXPECT_EQ(asked, (std::vector<SInt16>{2, 1}));
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Recipients from tab 1"));

    HelpTags::Get().SetEnabled(false);
    askAt(1);
    EXPECT_EQ(asked.size(), 2u); // dropped before it reached the tab
    HelpTags::Get().SetEnabled(true);
    QToolTip::hideText();
}
