// The editing commands of a mailing window (Undo, Cut, Copy, Paste, Clear, Select All) as they
// reach it through the commander chain, from the Edit menu or a command key: they act on the
// control with the keyboard focus in one of the mailing's own windows. A message editor's text
// pane takes them all; a one-line field takes Copy and Paste only (its own keys do the rest),
// and a password field never gives its text away. Without such a focus they do nothing.
// GUI thread only.
#include "CBrevantoWindow.h"

#include "Presenter.h"
#include "TextPane.h"
#include "ToolboxCommands.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>

namespace {

constexpr CommandT kSelectAllCommand = 'SLCT';

bool IsEditingCommand(CommandT inCommand)
{
    switch (inCommand) {
    case cmd_Undo:
    case cmd_Cut:
    case cmd_Copy:
    case cmd_Paste:
    case cmd_Clear:
    case kSelectAllCommand:
        return true;
    default:
        return false;
    }
}

// The focused one-line field when it is in one of the mailing's windows; null otherwise.
QLineEdit* FocusedField(const CBrevantoWindow& inMailing)
{
    auto* field = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    if (!field)
        return nullptr;
    for (size_t which = 0; which < size_t(CBrevantoWindow::ENibWindow::count); ++which) {
        WindowRef window = inMailing.Window(CBrevantoWindow::ENibWindow(which));
        if (window && field->window() == window)
            return field;
    }
    return nullptr;
}

// The selection, or the whole text when nothing is selected; a hidden text is never copied.
void CopyFieldText(QLineEdit* inField)
{
    if (inField->echoMode() != QLineEdit::Normal) {
        Presenter::Get().Beep();
        return;
    }
    QApplication::clipboard()->setText(inField->hasSelectedText() ? inField->selectedText() : inField->text());
}

} // namespace

Boolean CBrevantoWindow::ObeyEditCommand(CommandT inCommand, void*)
{
    if (!IsEditingCommand(inCommand))
        return false;
    if (auto* pane = qobject_cast<TextPane*>(FocusedEditorPane())) {
        pane->ObeyFocusedCommand(inCommand);
    } else if (QLineEdit* field = FocusedField(*this)) {
        // A paste goes in at the insertion point: the field's other text stays.
        if (inCommand == cmd_Copy)
            CopyFieldText(field);
        else if (inCommand == cmd_Paste && !field->isReadOnly())
            field->paste();
    }
    return true;
}

Boolean CBrevantoWindow::FindEditCommandStatus(CommandT inCommand, Boolean& outEnabled)
{
    if (!IsEditingCommand(inCommand))
        return false;
    if (FocusedEditorPane())
        outEnabled = true;
    else if (FocusedField(*this))
        outEnabled = inCommand == cmd_Copy || inCommand == cmd_Paste;
    else
        outEnabled = false;
    return true;
}
