// RadioGroup: a group of radio buttons that is one control: its value is the 1-based number of
// the checked button (0 when none), read and set through ControlValues like any control (the
// `value32` property). The buttons are the group's QRadioButton children in layout order; each
// carries the group's command, so a click reaches the window's handler. GUI thread only.
#pragma once

#include <QButtonGroup>
#include <QWidget>

class RadioGroup : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int value32 READ Value WRITE SetValue)

public:
    explicit RadioGroup(QWidget* inParent = nullptr);

    int Value() const;
    void SetValue(int inValue); // outside 1..count unchecks every button

private:
    QButtonGroup* Group() const;

    QButtonGroup* mGroup;
};
