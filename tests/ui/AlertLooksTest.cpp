// What a person sees of an alert: the program's name as its title, the information sign on a
// note, the warning sign on a caution, and never the error sign on a stop alert (the program
// uses those to tell, not only to report errors).
#include "DialogPresenter.h"
#include "LQtApplication.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

namespace {

QMessageBox* ShownAlert()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            return box;
    }
    return nullptr;
}

} // namespace

TEST(AlertLooks, TitleIsTheProgramsNameAndIconsFollowTheKind)
{
    LQtApplication::Instance();
    QWidget window;
    window.show();
    DialogPresenter presenter;
    const struct {
        AlertKind kind;
        QMessageBox::Icon icon;
    } cases[] = {{AlertKind::note, QMessageBox::Information}, {AlertKind::caution, QMessageBox::Warning}};
    for (const auto& c : cases) {
        presenter.ShowAlertSheet(&window, c.kind, "Message Monitor: ON", "", AlertButtons::ok, {});
        QMessageBox* box = ShownAlert();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), "Brevanto");
        EXPECT_EQ(box->icon(), c.icon);
        box->done(QMessageBox::Ok);
    }
    presenter.ShowAlertSheet(&window, AlertKind::stop, "Simulate Send: ON", "", AlertButtons::ok, {});
    QMessageBox* box = ShownAlert();
    ASSERT_NE(box, nullptr);
    EXPECT_NE(box->icon(), QMessageBox::Critical);
    box->done(QMessageBox::Ok);
}
