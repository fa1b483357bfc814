// The tools of the side-text editors: merge tags put in where the user is typing, a script
// file's tag, the preamble's font, the spelling menu of a word and Command-; for the next
// misspelled word.
#include "CBrevantoWindow.h"

#include "CEnvironment.h"
#include "CommandRouter.h"
#include "ControlValues.h"
#include "Presenter.h"
#include "SideTextEditorRoles.h"
#include "SpellingBridge.h"
#include "TextPane.h"
#include "WindowEvents.h"

#include <QFileInfo>
#include <QMenu>
#include <QTextCursor>

namespace {

constexpr int kPreambleEditor = 1;
// A longer selection is no word: no guesses are asked for it, so a guess never replaces more
// than the word it was made for.
constexpr qsizetype kMaxSpellingWordBytes = 255;

struct FixedTag {
    CommandT command;
    const char* text;
};

// The import-column and label-form tags, put in as written for the user to fill in.
constexpr FixedTag kFixedTags[] = {
    {'iprt', "{ImportFileTag=TagName}"}, {'CST1', "{RelatedNames=CustomLabel}"}, {'CST2', "{Date=CustomLabel}"},
    {'CST3', "{Email=CustomLabel}"},     {'CST4', "{Phone=CustomLabel}"},
};

// The tag a command puts in: a fixed form, or a merge field's by its code; null for others.
QString TagForCommand(CommandT inCommand)
{
    for (const FixedTag& tag : kFixedTags) {
        if (tag.command == inCommand)
            return QString::fromLatin1(tag.text);
    }
    const CString256* name = gEnvironment ? gEnvironment->FindMergeFieldName(inCommand) : nullptr;
    return name ? "{" + QString::fromUtf8(name->text) + "}" : QString();
}

// The expansion ends a tag's name at the first "}" and percent-decodes it, so the path's "%" and
// "}" are written percent-encoded: the tag names exactly the file chosen.
QString ScriptFileTag(const QString& inPath)
{
    QString name = inPath;
    name.replace('%', QLatin1String("%25")).replace('}', QLatin1String("%7D"));
    return "{" + name + "}";
}

// A control-click outside the selection is on the word under it, as in the platform's text views.
void SelectWordAt(TextPane* ioPane, QPoint inAt)
{
    QTextCursor clicked = ioPane->cursorForPosition(inAt);
    const QTextCursor current = ioPane->textCursor();
    if (current.hasSelection() && clicked.position() >= current.selectionStart() &&
        clicked.position() <= current.selectionEnd())
        return;
    clicked.select(QTextCursor::WordUnderCursor);
    ioPane->setTextCursor(clicked);
}

} // namespace

OSStatus CBrevantoWindow::ObeyEditorTool(int inEditor, const WindowEvent& inEvent)
{
    const SideTextEditorRoles& roles = kSideTextEditors[inEditor];
    switch (inEvent.command) {
    case 'IABT':
        SetControl32BitValue(Control(roles.tagPullDown), 1);
        return noErr;
    case 'MAIT':
        SetControl32BitValue(Control(roles.addressBookTagPullDown), 1);
        return noErr;
    case 'SCPT': {
        QString path;
        if (!Presenter::Get().ChooseOneFile(0, &path) && !path.isEmpty())
            InsertIntoEditor(inEditor, ScriptFileTag(QFileInfo(path).absoluteFilePath()));
        return noErr;
    }
    case 'shfp':
        if (inEditor != kPreambleEditor)
            return eventNotHandledErr;
        ChooseEditorFont(inEditor);
        return noErr;
    default:
        break;
    }
    const QString tag = TagForCommand(inEvent.command);
    if (tag.isNull())
        return eventNotHandledErr;
    InsertIntoEditor(inEditor, tag);
    // The pull-down shows its title again, ready for the next tag.
    if (inEvent.control &&
        (inEvent.control == Control(roles.tagPullDown) || inEvent.control == Control(roles.addressBookTagPullDown)))
        SetControl32BitValue(inEvent.control, 1);
    return noErr;
}

OSStatus CBrevantoWindow::HandleEditorKey(int inEditor, const WindowEvent& inEvent)
{
    if (inEvent.key != Qt::Key_Semicolon || !inEvent.commandKey)
        return eventNotHandledErr;
    CheckEditorSpelling(Control(kSideTextEditors[inEditor].pane));
    return noErr;
}

// As typing would put it: at the selection, replacing it, one step to undo. The clipboard keeps
// what the user put there.
void CBrevantoWindow::InsertIntoEditor(int inEditor, const QString& inText)
{
    const SideTextEditorRoles& roles = kSideTextEditors[inEditor];
    auto* pane = qobject_cast<TextPane*>(Control(roles.pane));
    if (!pane)
        return;
    pane->ReplaceSelection(inText);
    SetKeyboardFocus(Window(roles.window), pane);
}

// The text is kept as plain text: the font is the one the editor shows it in, not the message's.
void CBrevantoWindow::ChooseEditorFont(int inEditor)
{
    const SideTextEditorRoles& roles = kSideTextEditors[inEditor];
    ControlRef pane = Control(roles.pane);
    if (!pane)
        return;
    Presenter::Get().Beep();
    if (const std::optional<QFont> font = Presenter::Get().ChooseFont(Window(roles.window), pane->font()))
        pane->setFont(*font);
}

void CBrevantoWindow::InstallSpellingMenus()
{
    for (int editor = 0; editor < int(std::size(kSideTextEditors)); ++editor) {
        auto* pane = qobject_cast<TextPane*>(Control(kSideTextEditors[editor].pane));
        if (!pane)
            continue;
        pane->setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(pane, &QWidget::customContextMenuRequested, pane,
                         [this, editor](QPoint inAt) { ShowSpellingMenu(editor, inAt); });
    }
}

// The guesses for the selected word; the one chosen takes the word's place.
void CBrevantoWindow::ShowSpellingMenu(int inEditor, QPoint inAt)
{
    const SideTextEditorRoles& roles = kSideTextEditors[inEditor];
    auto* pane = qobject_cast<TextPane*>(Control(roles.pane));
    QMenu* menu = mSpellCheckMenu;
    if (!pane || !menu)
        return;
    SelectWordAt(pane, inAt);
    menu->clear();
    const QString word = pane->SelectedPlainText();
    const bool isWord = !word.isEmpty() && word.toUtf8().size() <= kMaxSpellingWordBytes;
    const QStringList guesses = isWord ? SpellCopyGuesses(word) : QStringList();
    const QTextCursor wordCursor = pane->textCursor();
    for (const QString& guess : guesses) {
        QAction* item = menu->addAction(QString(guess).replace('&', QLatin1String("&&")));
        QObject::connect(item, &QAction::triggered, pane, [wordCursor, guess] {
            QTextCursor word = wordCursor;
            word.insertText(guess);
        });
    }
    if (guesses.isEmpty())
        menu->addAction(QStringLiteral("No Spelling Suggestions"))->setEnabled(false);
    CommandRouter::PopUpNibMenu(menu, Window(roles.window), pane->viewport()->mapToGlobal(inAt));
}
