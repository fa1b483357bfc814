// CharsetChoice: the character set of a message from the charset pop-up's item, which reads as a
// display name, " (" and the set's MIME name ("Greek (ISO-8859-7)"). The display name is looked
// up in the table the pop-up was filled from (resources/Charsets.xml: display name -> MIME
// name). The answer is always a set the converters know, so the set a message's header names is
// the set its texts are converted with: an item of another form, a display name the table lacks
// and a MIME name the converters don't know all give "UTF-8". Any thread.
#pragma once

#include <QList>
#include <QPair>
#include <QString>

using CharsetTable = QList<QPair<QString, QString>>; // display name, MIME name

QString MimeCharsetForItem(const QString& inItemText, const CharsetTable& inTable);
