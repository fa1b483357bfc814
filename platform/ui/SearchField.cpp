#include "SearchField.h"

#include <QAction>
#include <QMenu>

SearchField::SearchField(QWidget* inParent)
    : QLineEdit(inParent)
    , mMenu(new QMenu(this))
{
    setClearButtonEnabled(true);
    QAction* magnifier = addAction(QIcon::fromTheme("edit-find"), QLineEdit::LeadingPosition);
    connect(magnifier, &QAction::triggered, this,
            [this] { mMenu->popup(mapToGlobal(QPoint(0, height()))); });
}
