// SearchField: a text field with a menu behind its magnifier (which field to search). Every
// change of the text is a "text accepted" for the control's handlers, as a search field sends
// it. The menu is built from the dynamic property `menuItems` ("Text|CODE" entries, "-" for a
// separator) when the nib is loaded, or by code. GUI thread only.
#pragma once

#include <QLineEdit>

class QMenu;

class SearchField : public QLineEdit {
    Q_OBJECT

public:
    explicit SearchField(QWidget* inParent = nullptr);

    QMenu* Menu() const { return mMenu; }

private:
    QMenu* mMenu;
};
