// The standard alert and the choosers, answered by the scripted presenter.
#include "AlertHelpers.h"

#include "LMainContext.h"
#include "ScriptedPresenter.h"

#include <gtest/gtest.h>

TEST(AlertHelpersTest, StandardAlertBeepsAndShowsAStopAlertWithOKAlone)
{
    LMainContext::Get();
    ScriptedPresenter presenter;
    presenter.QueueAlert(kAlertStdAlertOKButton);
    presenter.QueueChooseFiles(std::nullopt);
    presenter.QueueChooseOneFile(QStringLiteral("/tmp/list.txt"));

    EXPECT_EQ(ShowStandardAlert(QStringLiteral("Cannot send"), QStringLiteral("No server")), noErr);
    EXPECT_EQ(presenter.Beeps(), 1);
    ASSERT_EQ(presenter.Requests().size(), 1u);
    EXPECT_EQ(presenter.Requests()[0].alertKind, AlertKind::stop);
    EXPECT_EQ(presenter.Requests()[0].buttons, AlertButtons::ok);
    EXPECT_EQ(presenter.Requests()[0].explanation, QStringLiteral("No server"));

    EXPECT_EQ(ChooseFile(QStringLiteral("/tmp"), QStringLiteral("Add files")), std::nullopt);
    QString path;
    EXPECT_FALSE(ChooseOneFile('TEXT', path)); // false: a file was chosen
    EXPECT_EQ(path, QStringLiteral("/tmp/list.txt"));
}
