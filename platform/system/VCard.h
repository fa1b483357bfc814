// VCard: one vCard as its list of properties. Reads versions 2.1, 3.0 and 4.0 (folded lines,
// grouped properties such as "item1.EMAIL", 2.1's bare parameters, QUOTED-PRINTABLE values and
// their soft line breaks, CHARSET) and writes 3.0 (CRLF, lines folded at 75 octets, never inside a
// UTF-8 character). A value is kept as written, escapes included, so that a structured value
// (N, ADR, ORG) keeps its components and a card read and written again loses nothing; the
// accessors unescape. Parameter names and property names are kept in upper case; a bare 2.1
// parameter (";HOME") becomes a TYPE value, a bare QUOTED-PRINTABLE or BASE64 an ENCODING.
// Pure values: any thread.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

struct VCardProperty {
    QString group; // "item1" of "item1.EMAIL"; empty when ungrouped
    QString name;  // upper case
    std::vector<std::pair<QString, QString>> parameters; // (upper-case name, one value)
    QString value; // as written: escapes kept

    QStringList ParameterValues(const QString& inName) const;
    // TYPE values in lower case, also those written "TYPE=a,b" or as 2.1 bare parameters.
    QStringList Types() const;
    // The value unescaped (\n \, \; \\).
    QString Text() const;
    // The value split at unescaped ';' (structured values) or ',' (lists), each part unescaped.
    QStringList Components() const;
    QStringList ListItems() const;

    void SetText(const QString& inText);
    void SetComponents(const QStringList& inParts);
};

class VCard {
public:
    std::vector<VCardProperty> properties;

    // The first property of that name (upper case), or null.
    const VCardProperty* Find(const QString& inName) const;
    VCardProperty* Find(const QString& inName);
    std::vector<const VCardProperty*> FindAll(const QString& inName) const;
    // The first property of that name and group, or null (the X-ABLabel of "item1.EMAIL").
    const VCardProperty* FindInGroup(const QString& inGroup, const QString& inName) const;
    // The property of that name, made (appended) when missing.
    VCardProperty& Obtain(const QString& inName);

    // The card as vCard 3.0 text: BEGIN, VERSION:3.0, the other properties as held, END.
    QByteArray ToVCard30() const;
};

// One card's text as found in a file, and the card when it parsed.
struct VCardChunk {
    QByteArray raw;
    bool parsed = false;
    VCard card;
    QString error; // why it did not parse
};

// Every BEGIN:VCARD ... END:VCARD in the bytes, in order. Text outside cards is ignored.
std::vector<VCardChunk> ParseVCards(const QByteArray& inBytes);

// The escaped form of one text value or component (\\ \, \; and line ends as \n).
QString EscapeVCardText(const QString& inText);
// Folds one unfolded line (no line end) at 75 octets on character boundaries, with CRLF after
// every piece.
QByteArray FoldVCardLine(const QByteArray& inLine);
