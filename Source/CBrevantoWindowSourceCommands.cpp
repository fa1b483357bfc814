// The message-source commands that reach the mailing window through the commander chain (its
// buttons' source commands are the mailing window's own): the spelling check of the side-text
// editor that has the focus.
#include "CBrevantoWindow.h"

#include "FocusedCommands.h"
#include "SideTextEditorRoles.h"
#include "SpellingBridge.h"
#include "TextPane.h"

Boolean CBrevantoWindow::ObeySourceCommand(CommandT inCommand, void*)
{
    if (inCommand != 'SPEL')
        return false;
    ControlRef pane = FocusedEditorPane();
    if (!pane)
        return false;
    CheckEditorSpelling(pane);
    return true;
}

Boolean CBrevantoWindow::FindSourceCommandStatus(CommandT inCommand, Boolean& outEnabled)
{
    if (inCommand != 'SPEL')
        return false;
    outEnabled = FocusedEditorPane() != nullptr;
    return true;
}

ControlRef CBrevantoWindow::FocusedEditorPane() const
{
    auto* focused = dynamic_cast<QWidget*>(FindFocusedCommandResponder());
    if (!focused)
        return nullptr;
    for (const SideTextEditorRoles& roles : kSideTextEditors) {
        if (Control(roles.pane) == focused)
            return focused;
    }
    return nullptr;
}

// From the end of the selection on, wrapping round; a word found becomes the selection, and
// without one the selection stays.
void CBrevantoWindow::CheckEditorSpelling(ControlRef inPane)
{
    auto* pane = qobject_cast<TextPane*>(inPane);
    if (!pane)
        return;
    int start = 0;
    int end = 0;
    pane->GetSelection(&start, &end);
    const SpellCheckRange found = SpellCheckString(pane->toPlainText(), end, QString(), true, 0);
    if (found.length > 0)
        pane->SetSelection(found.location, found.location + found.length);
}
