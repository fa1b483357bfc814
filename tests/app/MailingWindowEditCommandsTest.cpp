// The editing commands as the commander chain gives them to a mailing window: which are enabled
// for the focused control (none, a one-line field, the password field, an editor's pane, a list,
// a window that is not the mailing's) and what each does there, the clipboard included.
#include "MailingWindowFixture.h"

#include "ControlValues.h"
#include "TextPane.h"
#include "ToolboxCommands.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>

#include <functional>

namespace {

constexpr CommandT kSelectAll = 'SLCT';
constexpr CommandT kCommands[] = {cmd_Undo, cmd_Cut, cmd_Copy, cmd_Paste, cmd_Clear, kSelectAll};

class MailingWindowEditCommandsTest : public MailingWindowTest {
protected:
    void SetUp() override
    {
        MailingWindowTest::SetUp();
        mWindow = new CBrevantoWindow();
    }

    // Shows the control's window in front and gives the control the focus.
    void Focus(QWidget* inControl)
    {
        QWidget* window = inControl->window();
        window->show();
        window->activateWindow();
        QApplication::setActiveWindow(window);
        inControl->setFocus(Qt::OtherFocusReason);
        ASSERT_EQ(QApplication::focusWidget(), inControl);
    }

    // The enabled commands, as a string of their numbers ('SLCT' as "A").
    QString EnabledCommands()
    {
        QString enabled;
        for (CommandT command : kCommands) {
            Boolean on = true;
            Boolean usesMark = false;
            UInt16 mark = 0;
            QString name;
            mWindow->FindCommandStatus(command, on, usesMark, mark, name);
            if (on)
                enabled += command == kSelectAll ? QStringLiteral("A") : QString::number(command - cmd_Undo + 1);
        }
        return enabled;
    }

    bool Obey(CommandT inCommand) { return mWindow->ObeyCommand(inCommand, nullptr); }

    QLineEdit* Field(ControlRole inRole) { return qobject_cast<QLineEdit*>(mWindow->Control(inRole)); }

    CBrevantoWindow* mWindow = nullptr;
};

TEST_F(MailingWindowEditCommandsTest, EnabledCommandsFollowTheFocusedControl)
{
    QWidget elsewhere;
    elsewhere.setFocusPolicy(Qt::StrongFocus);
    const struct {
        const char* focus;
        std::function<QWidget*()> control;
        const char* enabled; // 1 Undo, 2 Cut, 3 Copy, 4 Paste, 5 Clear, A Select All
    } cases[] = {
        {"subject field", [&] { return mWindow->Control(ControlRole::SubjectField); }, "34"},
        {"password field", [&] { return mWindow->Control(ControlRole::PasswordField); }, "34"},
        {"epilogue pane", [&] { return mWindow->Control(ControlRole::EpilogueTextPane); }, "12345A"},
        {"recipients list", [&] { return mWindow->Control(ControlRole::RecipientsList); }, ""},
        {"another program window", [&] { return &elsewhere; }, ""},
    };
    for (const auto& c : cases) {
        QWidget* control = c.control();
        ASSERT_NE(control, nullptr) << c.focus;
        Focus(control);
        EXPECT_EQ(EnabledCommands(), c.enabled) << c.focus;
    }
    // Every editing command is the window's, also when it can do nothing.
    for (CommandT command : kCommands)
        EXPECT_TRUE(Obey(command));
}

TEST_F(MailingWindowEditCommandsTest, AFieldCopiesItsSelectionOrWholeTextAndPastesAtTheInsertionPoint)
{
    QLineEdit* subject = Field(ControlRole::SubjectField);
    ASSERT_NE(subject, nullptr);
    subject->setText("Spring offers");
    Focus(subject);
    subject->setSelection(0, 6);
    EXPECT_TRUE(Obey(cmd_Copy));
    EXPECT_EQ(QApplication::clipboard()->text(), "Spring");
    subject->deselect();
    EXPECT_TRUE(Obey(cmd_Copy));
    EXPECT_EQ(QApplication::clipboard()->text(), "Spring offers");

    QApplication::clipboard()->setText("new ");
    subject->setCursorPosition(7);
    EXPECT_TRUE(Obey(cmd_Paste));
    EXPECT_EQ(subject->text(), "Spring new offers") << "the field's text stays";
    for (CommandT command : {CommandT(cmd_Undo), CommandT(cmd_Cut), CommandT(cmd_Clear), kSelectAll})
        EXPECT_TRUE(Obey(command));
    EXPECT_EQ(subject->text(), "Spring new offers") << "nothing else changes the field";

    // The password is never copied: a beep, the clipboard as it was.
    QLineEdit* password = Field(ControlRole::PasswordField);
    ASSERT_NE(password, nullptr);
    password->setText("secret");
    Focus(password);
    password->selectAll();
    const int beeps = mPresenter->Beeps();
    EXPECT_TRUE(Obey(cmd_Copy));
    EXPECT_EQ(mPresenter->Beeps(), beeps + 1);
    EXPECT_EQ(QApplication::clipboard()->text(), "new ");
}

TEST_F(MailingWindowEditCommandsTest, AnEditorPaneTakesEveryEditingCommand)
{
    auto* pane = qobject_cast<TextPane*>(mWindow->Control(ControlRole::EpilogueTextPane));
    ASSERT_NE(pane, nullptr);
    pane->setPlainText("Kind regards");
    Focus(pane);
    EXPECT_TRUE(Obey(kSelectAll));
    EXPECT_EQ(pane->SelectedPlainText(), "Kind regards");
    EXPECT_TRUE(Obey(cmd_Cut));
    EXPECT_EQ(pane->toPlainText(), "");
    EXPECT_EQ(QApplication::clipboard()->text(), "Kind regards");
    EXPECT_TRUE(Obey(cmd_Undo));
    EXPECT_EQ(pane->toPlainText(), "Kind regards");
    pane->SetSelection(0, 5);
    EXPECT_TRUE(Obey(cmd_Clear));
    EXPECT_EQ(pane->toPlainText(), "regards");
    EXPECT_TRUE(Obey(cmd_Paste));
    EXPECT_EQ(pane->toPlainText(), "Kind regardsregards");
    pane->SetSelection(0, 4);
    EXPECT_TRUE(Obey(cmd_Copy));
    EXPECT_EQ(QApplication::clipboard()->text(), "Kind");
}

} // namespace
