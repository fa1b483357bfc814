#include "RadioGroup.h"

#include <QRadioButton>

RadioGroup::RadioGroup(QWidget* inParent)
    : QWidget(inParent)
    , mGroup(new QButtonGroup(this))
{
}

// The buttons join the group when first asked for: the nib adds them after the group is made.
QButtonGroup* RadioGroup::Group() const
{
    const QList<QRadioButton*> buttons = findChildren<QRadioButton*>();
    if (mGroup->buttons().size() != buttons.size()) {
        for (QAbstractButton* old : mGroup->buttons())
            mGroup->removeButton(old);
        int id = 1;
        for (QRadioButton* button : buttons)
            mGroup->addButton(button, id++);
    }
    return mGroup;
}

int RadioGroup::Value() const
{
    const int id = Group()->checkedId();
    return id > 0 ? id : 0;
}

void RadioGroup::SetValue(int inValue)
{
    QButtonGroup* group = Group();
    if (QAbstractButton* button = group->button(inValue)) {
        button->setChecked(true);
        return;
    }
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons())
        button->setChecked(false);
    group->setExclusive(true);
}
