#include "ScriptResultLists.h"

QStringList ParseScriptList(const QString& inResult)
{
    QStringList items;
    const qsizetype open = inResult.indexOf(u'{');
    if (open < 0)
        return items;
    QString item;
    bool quoted = false;
    for (qsizetype at = open + 1; at < inResult.size(); ++at) {
        const QChar c = inResult[at];
        if (!quoted) {
            if (c == u'}')
                return items;
            if (c == u'"') {
                quoted = true;
                item.clear();
            }
            continue;
        }
        if (c == u'\\' && at + 1 < inResult.size()) {
            item += inResult[++at];
        } else if (c == u'"') {
            items << item;
            quoted = false;
        } else {
            item += c;
        }
    }
    return items; // an unclosed list keeps the items read whole
}

void SplitNameAtLastBlank(const QString& inName, QString* outFirst, QString* outLast)
{
    const qsizetype blank = inName.lastIndexOf(u' ');
    *outFirst = blank < 0 ? inName : inName.left(blank);
    *outLast = blank < 0 ? QString() : inName.mid(blank + 1);
}

std::vector<MailSelectionPerson> ParseMailSelection(const QString& inResult)
{
    QString text = inResult;
    text.replace(QLatin1String("\r\n"), QLatin1String("\r")).replace(u'\n', u'\r');
    std::vector<MailSelectionPerson> people;
    for (const QString& line : text.split(u'\r')) {
        const QStringList words = line.split(u' ');
        const QString& last = words.last();
        MailSelectionPerson person;
        if (last.size() >= 2 && last.startsWith(u'<') && last.endsWith(u'>')) {
            person.email = last.mid(1, last.size() - 2);
            person.firstName = words.first();
            for (qsizetype index = 1; index + 2 < words.size(); ++index)
                person.firstName += u' ' + words[index];
            if (words.size() >= 3)
                person.lastName = words[words.size() - 2];
        } else {
            person.email = last;
            person.firstName = last;
        }
        people.push_back(person);
    }
    return people;
}
