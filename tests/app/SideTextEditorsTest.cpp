// The side-text editors' tools as a user meets them: tags from the pull-downs and buttons go in
// at the selection with the clipboard left alone, a script file's tag names exactly the file
// chosen, and the preamble's Fonts button asks for a font.
#include "MailingWindowFixture.h"

#include "CEnvironment.h"
#include "CommandRouter.h"
#include "ControlValues.h"
#include "MergeTagExpansion.h"
#include "TextPane.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QToolButton>

namespace {

using ENibWindow = CBrevantoWindow::ENibWindow;

struct EditorControls {
    ENibWindow window;
    ControlRole pane, tagPullDown, addressBookTagPullDown, importTagButton;
};

const EditorControls kEditors[] = {
    {ENibWindow::plainTextAlternative, ControlRole::PlainTextAlternativeTextPane,
     ControlRole::PlainTextAlternativeTagPullDown, ControlRole::PlainTextAlternativeAddressBookTagPullDown,
     ControlRole::PlainTextAlternativeImportTagButton},
    {ENibWindow::preamble, ControlRole::PreambleTextPane, ControlRole::PreambleTagPullDown,
     ControlRole::PreambleAddressBookTagPullDown, ControlRole::PreambleImportTagButton},
    {ENibWindow::epilogue, ControlRole::EpilogueTextPane, ControlRole::EpilogueTagPullDown,
     ControlRole::EpilogueAddressBookTagPullDown, ControlRole::EpilogueImportTagButton},
};

const QString kUsersClipboard = QStringLiteral("what the user copied");

class SideTextEditorsTest : public MailingWindowTest {
protected:
    void SetUp() override
    {
        MailingWindowTest::SetUp();
        mEnvironment = std::make_unique<CEnvironment>();
        gEnvironment = mEnvironment.get();
        QApplication::clipboard()->setText(kUsersClipboard);
        mWindow = new CBrevantoWindow();
    }

    void TearDown() override
    {
        MailingWindowTest::TearDown();
        gEnvironment = nullptr;
        mEnvironment.reset();
    }

    TextPane* Pane(const EditorControls& inEditor) const
    {
        return qobject_cast<TextPane*>(mWindow->Control(inEditor.pane));
    }

    // Chooses the item of that command in the pull-down, as the user's click does.
    static void ChooseItem(ControlRef inPullDown, CommandT inCommand)
    {
        const SInt32 item = FindPopupItemWithCommand(inPullDown, inCommand);
        ASSERT_GT(item, 0);
        qobject_cast<QToolButton*>(inPullDown)->menu()->actions()[item - 1]->trigger();
    }

    std::unique_ptr<CEnvironment> mEnvironment;
    CBrevantoWindow* mWindow = nullptr;
};

// Every merge field of the registry, from whichever pull-down offers it: the tag replaces the
// selection, the caret follows it, one Undo takes it back, and the pull-down shows its title.
TEST_F(SideTextEditorsTest, EveryMergeFieldGoesInAtTheSelectionAndTheClipboardIsKept)
{
    const EditorControls& preamble = kEditors[1];
    TextPane* pane = Pane(preamble);
    ASSERT_NE(pane, nullptr);
    for (const MergeFieldDefinition& field : kMergeFieldDefinitions) {
        ControlRef pullDown = mWindow->Control(preamble.tagPullDown);
        if (FindPopupItemWithCommand(pullDown, field.code) == 0)
            pullDown = mWindow->Control(preamble.addressBookTagPullDown);
        pane->setPlainText("Dear XX, hello");
        pane->SetSelection(5, 7);
        ChooseItem(pullDown, field.code);
        const QString tag = QStringLiteral("{%1}").arg(field.name);
        EXPECT_EQ(pane->toPlainText(), "Dear " + tag + ", hello") << field.name;
        int start = 0;
        int end = 0;
        pane->GetSelection(&start, &end);
        EXPECT_EQ(start, 5 + tag.size());
        EXPECT_EQ(end, start);
        EXPECT_EQ(GetControl32BitValue(pullDown), 0) << field.name;
    }
    pane->undo();
    EXPECT_EQ(pane->toPlainText(), "Dear XX, hello");
    EXPECT_EQ(QApplication::clipboard()->text(), kUsersClipboard);
}

// The import-column button and the label forms, in each of the three editors, at the caret.
TEST_F(SideTextEditorsTest, TheImportAndLabelTagsGoInAtTheCaretOfEachEditor)
{
    struct Case {
        CommandT command;
        const char* tag;
    };
    const Case cases[] = {
        {'iprt', "{ImportFileTag=TagName}"}, {'CST1', "{RelatedNames=CustomLabel}"}, {'CST2', "{Date=CustomLabel}"},
        {'CST3', "{Email=CustomLabel}"},     {'CST4', "{Phone=CustomLabel}"},
    };
    for (const EditorControls& editor : kEditors) {
        TextPane* pane = Pane(editor);
        ASSERT_NE(pane, nullptr);
        for (const Case& test : cases) {
            pane->setPlainText("ab");
            pane->SetSelection(1, 1);
            if (test.command == 'iprt')
                qobject_cast<QAbstractButton*>(mWindow->Control(editor.importTagButton))->click();
            else
                ChooseItem(mWindow->Control(editor.addressBookTagPullDown), test.command);
            EXPECT_EQ(pane->toPlainText(), QStringLiteral("a%1b").arg(test.tag));
        }
        // A code that is no tag changes nothing and is left to others.
        EXPECT_FALSE(CommandRouter::Get().SendWindowCommand(mWindow->Window(editor.window), 'zzzz'));
        EXPECT_EQ(pane->toPlainText(), "a{Phone=CustomLabel}b");
    }
    EXPECT_EQ(QApplication::clipboard()->text(), kUsersClipboard);
}

// A path holding "%" and "}" comes back whole from the tag expansion; cancelling inserts nothing.
TEST_F(SideTextEditorsTest, AScriptTagNamesExactlyTheFileChosen)
{
    const QString path = FolderPath("50% off {final}.applescript");
    TextPane* pane = Pane(kEditors[2]);
    pane->setPlainText("P.S. ");
    pane->SetSelection(5, 5);
    mPresenter->QueueChooseOneFile(path);
    qobject_cast<QAbstractButton*>(mWindow->Control(ControlRole::EpilogueScriptButton))->click();
    mPresenter->QueueChooseOneFile(std::nullopt);
    qobject_cast<QAbstractButton*>(mWindow->Control(ControlRole::EpilogueScriptButton))->click();

    CText text;
    text.Assign(pane->toPlainText().toUtf8().constData());
    QStringList names;
    ExpandTags(text, "{", "}", [&names](const QByteArray& inName, CText&) {
        names << QString::fromUtf8(QByteArray::fromPercentEncoding(inName));
        return false;
    });
    EXPECT_EQ(names.join(" | ").toStdString(), path.toStdString());
    EXPECT_EQ(QApplication::clipboard()->text(), kUsersClipboard);
}

TEST_F(SideTextEditorsTest, ThePreamblesFontsButtonSetsTheFontItsTextIsShownIn)
{
    TextPane* pane = Pane(kEditors[1]);
    auto* fonts = qobject_cast<QAbstractButton*>(mWindow->Control(ControlRole::PreambleFontsButton));
    ASSERT_NE(fonts, nullptr);
    pane->setPlainText("Dear reader");
    const int beeps = mPresenter->Beeps();
    QFont chosen = pane->font();
    chosen.setPointSize(23);
    mPresenter->QueueChooseFont(chosen);
    fonts->click();
    EXPECT_EQ(pane->font().pointSize(), 23);
    ASSERT_FALSE(mPresenter->Requests().empty());
    EXPECT_EQ(mPresenter->Requests().back().parent, mWindow->Window(ENibWindow::preamble));

    mPresenter->QueueChooseFont(std::nullopt);
    fonts->click();
    EXPECT_EQ(pane->font().pointSize(), 23) << "cancelled: the font stays";
    EXPECT_EQ(pane->toPlainText(), "Dear reader");
    EXPECT_EQ(mPresenter->Beeps() - beeps, 2);
    // The other editors have no font.
    EXPECT_FALSE(CommandRouter::Get().SendWindowCommand(mWindow->Window(ENibWindow::epilogue), 'shfp'));
}

} // namespace
