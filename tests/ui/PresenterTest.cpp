// The scripted presenter the program's tests answer dialogs with, and the application tile.
#include "UiTestSupport.h"

#include "ApplicationTile.h"
#include "ScriptedPresenter.h"

TEST(ScriptedPresenterTest, AnswersInOrderAndRecordsEveryRequestAndBeep)
{
    ScriptedPresenter presenter;
    EXPECT_EQ(&Presenter::Get(), &presenter);
    presenter.QueueAlert(kAlertStdAlertCancelButton);
    presenter.QueueSheet(kSheetOKCommand);
    presenter.QueueChooseOneFile(std::nullopt);
    presenter.QueueSaveFile(QStringLiteral("/tmp/out.txt"), true);
    presenter.QueueSaveChanges(SaveChangesAnswer::dontSave);

    Presenter::Get().Beep();
    EXPECT_EQ(Presenter::Get().ShowAlert(AlertKind::caution, QStringLiteral("Quit?"), QString(),
                                         AlertButtons::okCancel),
              kAlertStdAlertCancelButton);
    CommandT sheetAnswer = 0;
    Presenter::Get().ShowAlertSheet(nullptr, AlertKind::note, QStringLiteral("Done"), QString(), AlertButtons::ok,
                                    [&](CommandT command) { sheetAnswer = command; });
    EXPECT_EQ(sheetAnswer, CommandT('ok  '));
    QString path = QStringLiteral("untouched");
    EXPECT_TRUE(Presenter::Get().ChooseOneFile('TEXT', &path)); // true: nothing chosen
    EXPECT_TRUE(path.isEmpty());
    bool replacing = false;
    EXPECT_EQ(Presenter::Get().AskSaveFile(QStringLiteral("Save"), QStringLiteral("out.txt"), &replacing),
              QStringLiteral("/tmp/out.txt"));
    EXPECT_TRUE(replacing);
    EXPECT_EQ(Presenter::Get().AskSaveChanges(nullptr, QStringLiteral("Mailing")), SaveChangesAnswer::dontSave);

    EXPECT_EQ(presenter.Beeps(), 1);
    ASSERT_EQ(presenter.Requests().size(), 5u);
    EXPECT_EQ(presenter.Requests()[0].message, QStringLiteral("Quit?"));
    EXPECT_EQ(presenter.Requests()[0].alertKind, AlertKind::caution);
    EXPECT_EQ(presenter.Requests()[2].fileType, OSType('TEXT'));
    EXPECT_EQ(presenter.PendingAnswers(), 0u);
}

TEST(ScriptedPresenterTest, UnscriptedOrMismatchedRequestFailsAndCancels)
{
    std::vector<QString> failures;
    {
        ScriptedPresenter presenter;
        presenter.SetFailureHandler([&](const QString& message) { failures.push_back(message); });
        EXPECT_EQ(presenter.ShowAlert(AlertKind::stop, QStringLiteral("Boom"), QString(), AlertButtons::ok),
                  kAlertStdAlertCancelButton);
        presenter.QueueChooseFiles(QStringList{QStringLiteral("/a")});
        EXPECT_EQ(presenter.AskOpenFile(QStringLiteral("Open"), QString(), 0, QString()), std::nullopt);
        EXPECT_EQ(presenter.PendingAnswers(), 1u); // the mismatched answer stays queued
    }
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_TRUE(failures[0].contains(QStringLiteral("Boom")));
    EXPECT_TRUE(failures[1].contains(QStringLiteral("choose-files")));
    EXPECT_EQ(dynamic_cast<ScriptedPresenter*>(&Presenter::Get()), nullptr); // the default is back
}

TEST_F(NibTest, ApplicationTileShowsAnImageAndRestoresTheOriginal)
{
    const QIcon original(QPixmap(16, 16));
    QApplication::setWindowIcon(original);
    const qint64 originalKey = QApplication::windowIcon().cacheKey();
    QImage tile(127, 127, QImage::Format_ARGB32);
    tile.fill(Qt::red);
    ApplicationTile::SetImage(tile);
    ApplicationTile::SetImage(tile); // a second image keeps the first original
    EXPECT_TRUE(ApplicationTile::IsReplaced());
    EXPECT_EQ(ApplicationTile::CurrentImage().pixelColor(60, 60), QColor(Qt::red));
    EXPECT_NE(QApplication::windowIcon().cacheKey(), originalKey);
    ApplicationTile::Restore();
    EXPECT_FALSE(ApplicationTile::IsReplaced());
    EXPECT_EQ(QApplication::windowIcon().cacheKey(), originalKey);
}
