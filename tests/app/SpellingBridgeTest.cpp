// Spell checking through the loadable module: without one, with stand-ins that bind one
// function or fail to start, and with the real module over Enchant and the en_US Hunspell
// dictionary, whose ranges count UTF-16 units.
#include "MailingWindowFixture.h"

#include "CFBundle.h"
#include "CommandRouter.h"
#include "ControlValues.h"
#include "SpellingBridge.h"
#include "TextPane.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

#include <clocale>
#include <string>

namespace {

class SpellingBridgeTest : public MailingWindowTest {
protected:
    void TearDown() override
    {
        UseModulesIn(QString());
        MailingWindowTest::TearDown();
    }

    // The module is looked for in that folder from the next operation on.
    static void UseModulesIn(const QString& inFolder)
    {
        DisposeSpellBundle();
        CFBundle::SetPrivateFrameworksPath(inFolder);
    }

    // The real module over Enchant, loaded under a UTF-8 locale (its dictionary is en_US).
    static bool UseEnchant()
    {
        const std::string locale = std::setlocale(LC_ALL, nullptr);
        std::setlocale(LC_ALL, "C.UTF-8");
        UseModulesIn(BREVANTO_BIN_DIR);
        const bool available = IsSpellCheckingAvailable();
        std::setlocale(LC_ALL, locale.c_str());
        return available;
    }

    // A right-click on that character of the pane; the menu it opened.
    static QMenu* RightClick(TextPane* inPane, int inPosition)
    {
        QTextCursor at(inPane->document());
        at.setPosition(inPosition);
        const QPoint point = inPane->cursorRect(at).center() + QPoint(1, 0);
        QContextMenuEvent event(QContextMenuEvent::Mouse, point, inPane->viewport()->mapToGlobal(point));
        QApplication::sendEvent(inPane->viewport(), &event);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }

    static QStringList ItemTexts(const QMenu* inMenu)
    {
        QStringList texts;
        for (const QAction* item : inMenu->actions())
            texts << item->text();
        return texts;
    }
};

const QString kText = QString::fromUtf8("Zo\xC3\xAB \xF0\x9F\x98\x80 wrote a tset of speling");

} // namespace

TEST(SpellBundleName, FollowsTheSystemVersion)
{
    EXPECT_TRUE(SpellBundleName(0x1015).isEmpty());
    EXPECT_EQ(SpellBundleName(0x1020), "SpellCheckJaguar.so");
    EXPECT_EQ(SpellBundleName(0x1028), "SpellCheckJaguar.so");
    EXPECT_EQ(SpellBundleName(0x1030), "SpellCheck.so");
    EXPECT_EQ(SpellBundleName(0x1060), "SpellCheck.so");
}

TEST_F(SpellingBridgeTest, WithoutAModuleNothingIsMisspelledAndTheButtonsGo)
{
    UseModulesIn(FolderPath("empty"));
    EXPECT_FALSE(IsSpellCheckingAvailable());
    const SpellCheckRange range = SpellCheckString(kText, 0, QString(), true, 0);
    EXPECT_EQ(range.location, 0);
    EXPECT_EQ(range.length, 0);
    EXPECT_TRUE(SpellCopyGuesses("tset").isEmpty());
    EXPECT_TRUE(SpellCopyIgnoredWords(1).isEmpty());
    EXPECT_EQ(SpellGetUniqueDocumentTag(), 0);
    SpellIgnoreWord("tset", 1);
    SpellSetIgnoredWords({"a"}, 1);
    SpellCloseDocument(1);

    const int beeps = mPresenter->Beeps();
    auto* window = new CBrevantoWindow();
    EXPECT_EQ(mPresenter->Beeps() - beeps, 3);
    for (ControlRole role : {ControlRole::PlainTextAlternativeSpellingButton, ControlRole::PreambleSpellingButton,
                             ControlRole::EpilogueSpellingButton})
        EXPECT_FALSE(IsControlVisible(window->Control(role)));
}

TEST_F(SpellingBridgeTest, MissingFunctionsFallBackAndAFailedStartBindsNothing)
{
    UseModulesIn(BREVANTO_SPELL_MODULES "/spell_check_only");
    EXPECT_TRUE(IsSpellCheckingAvailable());
    EXPECT_TRUE(SpellCopyGuesses("tset").isEmpty());
    EXPECT_EQ(SpellGetUniqueDocumentTag(), 0);

    UseModulesIn(BREVANTO_SPELL_MODULES "/spell_init_fails");
    EXPECT_FALSE(IsSpellCheckingAvailable());
    EXPECT_EQ(SpellGetUniqueDocumentTag(), 0);
    EXPECT_EQ(SpellCheckString(kText, 0, QString(), true, 0).length, 0);
}

TEST_F(SpellingBridgeTest, EnchantFindsMisspelledWordsWithUTF16Ranges)
{
    ASSERT_TRUE(UseEnchant());

    // Walk the text: each word found, then on from its end.
    QStringList found;
    SInt32 start = 0;
    for (int step = 0; step < 10; ++step) {
        const SpellCheckRange range = SpellCheckString(kText, start, QString(), false, 0);
        if (range.length == 0)
            break;
        found << kText.mid(range.location, range.length) + "@" + QString::number(range.location);
        start = range.location + range.length;
    }
    EXPECT_EQ(found, (QStringList {QString::fromUtf8("Zo\xC3\xAB@0"), "tset@15", "speling@23"}));

    // Wrapping from inside the last word comes back to the first; an unknown language is the default.
    const SpellCheckRange wrapped = SpellCheckString(kText, 25, "xx_YY", true, 0);
    EXPECT_EQ(wrapped.location, 0);
    EXPECT_EQ(wrapped.length, 3);
    EXPECT_EQ(SpellCheckString("all good words", 0, QString(), true, 0).length, 0);
    EXPECT_TRUE(SpellCopyGuesses("tset").contains("test"));

    const SInt32 tag = SpellGetUniqueDocumentTag();
    EXPECT_GT(tag, 0);
    EXPECT_EQ(SpellGetUniqueDocumentTag(), tag + 1);
    const QString zoe = QString::fromUtf8("Zo\xC3\xAB");
    SpellIgnoreWord(zoe, tag);
    SpellIgnoreWord("tset", tag);
    EXPECT_EQ(SpellCheckString(kText, 0, QString(), true, tag).location, 23);
    EXPECT_EQ(SpellCheckString(kText, 4, QString(), true, tag + 1).location, 15);

    SpellSetIgnoredWords({"speling", zoe, "tset", "speling"}, tag);
    EXPECT_EQ(SpellCopyIgnoredWords(tag), (QStringList {"speling", zoe, "tset"}));
    EXPECT_EQ(SpellCheckString(kText, 0, QString(), true, tag).length, 0);
    SpellCloseDocument(tag);
    EXPECT_TRUE(SpellCopyIgnoredWords(tag).isEmpty());
    EXPECT_EQ(SpellCheckString(kText, 4, QString(), true, tag).location, 15);
}

TEST_F(SpellingBridgeTest, AnEditorsSpellingCheckSelectsTheNextMisspelledWord)
{
    ASSERT_TRUE(UseEnchant());
    auto* window = new CBrevantoWindow();
    auto* pane = qobject_cast<TextPane*>(window->Control(ControlRole::EpilogueTextPane));
    ASSERT_NE(pane, nullptr);
    pane->setPlainText(kText);
    pane->SetSelection(4, 4);
    // The editor's Spelling button, pressed three times.
    QStringList selected;
    for (int step = 0; step < 3; ++step) {
        ASSERT_TRUE(CommandRouter::Get().SendControlCommand(window->Control(ControlRole::EpilogueSpellingButton), 'SPEL'));
        selected << pane->SelectedPlainText();
    }
    // From the selection on, then round to the start.
    EXPECT_EQ(selected, (QStringList {"tset", "speling", QString::fromUtf8("Zo\xC3\xAB")}));
    pane->setPlainText("all good words");
    pane->SetSelection(4, 8);
    window->CheckEditorSpelling(pane);
    EXPECT_EQ(pane->SelectedPlainText(), "good") << "nothing found: the selection stays";
}

// A right-click on a misspelled word offers its guesses; the one chosen takes the word's place
// and the clipboard keeps its text. A right-click inside the selection keeps the selection; one
// too long for a word, or a checker without guesses, gets the disabled "No Spelling Suggestions".
TEST_F(SpellingBridgeTest, TheSpellingMenuOffersGuessesForTheWordClickedAndOneReplacesIt)
{
    ASSERT_TRUE(UseEnchant());
    auto* window = new CBrevantoWindow();
    window->ShowPreambleEditor();
    auto* pane = qobject_cast<TextPane*>(window->Control(ControlRole::PreambleTextPane));
    ASSERT_NE(pane, nullptr);
    QApplication::clipboard()->setText("copied");
    pane->setPlainText(kText);
    pane->SetSelection(0, 0);

    QMenu* menu = RightClick(pane, 17);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(pane->SelectedPlainText(), "tset");
    const QStringList guesses = ItemTexts(menu);
    ASSERT_TRUE(guesses.contains("test")) << guesses.join(", ").toStdString();
    menu->actions()[guesses.indexOf("test")]->trigger();
    menu->close();
    QString expected = kText;
    expected.replace("tset", "test");
    EXPECT_EQ(pane->toPlainText(), expected);
    EXPECT_EQ(QApplication::clipboard()->text(), "copied");

    pane->SetSelection(23, 30);
    menu = RightClick(pane, 25);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(pane->SelectedPlainText(), "speling");
    EXPECT_TRUE(ItemTexts(menu).contains("spelling"));
    menu->close();

    const auto expectNoSuggestions = [&] {
        menu = RightClick(pane, 3);
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(ItemTexts(menu), QStringList {"No Spelling Suggestions"});
        EXPECT_FALSE(menu->actions().first()->isEnabled());
        menu->close();
    };
    pane->setPlainText(QString("tset of speling ").repeated(20));
    pane->SetSelection(0, 320);
    expectNoSuggestions();
    UseModulesIn(BREVANTO_SPELL_MODULES "/spell_check_only");
    pane->setPlainText("tset");
    pane->SetSelection(0, 4);
    expectNoSuggestions();
}

// Command-; (Ctrl+; here) typed in an editor selects the next misspelled word; ";" alone is typed.
TEST_F(SpellingBridgeTest, CommandSemicolonInAnEditorSelectsTheNextMisspelledWord)
{
    ASSERT_TRUE(UseEnchant());
    auto* window = new CBrevantoWindow();
    auto* pane = qobject_cast<TextPane*>(window->Control(ControlRole::PlainTextAlternativeTextPane));
    ASSERT_NE(pane, nullptr);
    pane->setPlainText(kText);
    pane->SetSelection(4, 4);
    const auto type = [pane](Qt::KeyboardModifiers inModifiers) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Semicolon, inModifiers, ";");
        QApplication::sendEvent(pane, &press);
    };
    QStringList selected;
    for (int step = 0; step < 2; ++step) {
        type(Qt::ControlModifier);
        selected << pane->SelectedPlainText();
    }
    EXPECT_EQ(selected, (QStringList {"tset", "speling"}));
    type(Qt::NoModifier);
    EXPECT_TRUE(pane->toPlainText().endsWith("of ;"));
}
