// TextPane: the styled text pane of the message editors, a QTextEdit that keeps plain text
// unless rich text is pasted on purpose. GUI thread only.
#pragma once

#include <QTextEdit>

class TextPane : public QTextEdit {
    Q_OBJECT

public:
    explicit TextPane(QWidget* inParent = nullptr);
};
