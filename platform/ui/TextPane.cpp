#include "TextPane.h"

TextPane::TextPane(QWidget* inParent)
    : QTextEdit(inParent)
{
    setAcceptRichText(false);
}
