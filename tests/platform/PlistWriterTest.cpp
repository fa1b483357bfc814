// The property-list writer against a committed file in the Mac's layout, and its refusals.
#include "CFPropertyList.h"
#include "CFPropertyListReader.h"
#include "CFPropertyListWriter.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cmath>
#include <limits>

namespace {

QByteArray ReadFixture(const char* name)
{
    QFile file(QStringLiteral(BREVANTO_TEST_DATA "/") + QLatin1StringView(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

// The value the fixture every-type.plist holds, its keys added out of order.
CFPropertyList EveryType()
{
    QByteArray hundred;
    for (int i = 0; i < 100; ++i)
        hundred.append(char(i));
    CFPropertyList::Dictionary deep;
    deep.insert("Deep", QByteArray("Brevanto data, nested three levels deep in the file!"));
    CFPropertyList::Dictionary root;
    root.insert(QString::fromUtf8("\xEF\xAC\x80"), "U+FB00");
    root.insert(QString::fromUtf8("\xF0\x9F\x98\x80"), "surrogate pair sorts before U+FB00");
    root.insert(QString::fromUtf8("Über"), QString::fromUtf8("Zoë, Grüße, 日本語, 😀"));
    root.insert("lower", "after every capital");
    root.insert("a < b", "key with an escape");
    root.insert("Two", 2.0);
    root.insert("True", true);
    root.insert("Real", 0.1);
    root.insert("Negative", -42);
    root.insert("Min", std::numeric_limits<long long>::min());
    root.insert("False", false);
    root.insert("Escapes", "Tom & Jerry <tom@example.com> \"q\" 'a'");
    root.insert("Empty", QString(""));
    root.insert("Date", CFPropertyList::FromDate(1709214307)); // 2024-02-29T13:45:07Z
    root.insert("Data", hundred);
    root.insert("Big", std::numeric_limits<long long>::max());
    root.insert("Array", CFPropertyList::Array{1, "two", CFPropertyList::Array(), CFPropertyList::Dictionary(),
                                               deep});
    return root;
}

TEST(PlistWriter, WritesEveryTypeByteForByteInTheMacLayout)
{
    const QByteArray expected = ReadFixture("every-type.plist");
    QString error;
    EXPECT_EQ(CFPropertyListWriter::Write(EveryType(), &error), expected);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(CFPropertyListReader::Read(expected, &error), EveryType()) << error.toStdString();
}

TEST(PlistWriter, WritesScalarsAtTheRoot)
{
    const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                            "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                            "<plist version=\"1.0\">\n";
    const struct {
        CFPropertyList value;
        const char* body;
    } cases[] = {
        {0.1, "<real>0.10000000000000001</real>\n"},
        {2.0, "<real>2</real>\n"},
        {-0.5, "<real>-0.5</real>\n"},
        {1e20, "<real>1e+20</real>\n"},
        {std::numeric_limits<double>::quiet_NaN(), "<real>nan</real>\n"},
        {std::numeric_limits<double>::infinity(), "<real>+infinity</real>\n"},
        {-std::numeric_limits<double>::infinity(), "<real>-infinity</real>\n"},
        {CFPropertyList::FromDate(-2082844800), "<date>1904-01-01T00:00:00Z</date>\n"},
        {CFPropertyList::FromDate(59.9), "<date>1970-01-01T00:00:59Z</date>\n"},
        {CFPropertyList::FromDate(253402300799.0), "<date>9999-12-31T23:59:59Z</date>\n"},
        {"line\rbreak\r\n", "<string>line\rbreak\r\n</string>\n"},
        {QByteArray(), "<data>\n</data>\n"},
        {QByteArray(57, 'x'), "<data>\neHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4\n</data>\n"},
        {CFPropertyList::Array(), "<array/>\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CFPropertyListWriter::Write(c.value), head + c.body + "</plist>\n") << c.body;
}

TEST(PlistWriter, Base64LinesNarrowWithTheTagIndentation)
{
    // 76 columns, a tab counting 8: 68 characters at level 1, 20 at level 7, one group at level 9+.
    CFPropertyList value = QByteArray(100, 'y');
    for (int level = 0; level < 10; ++level)
        value = CFPropertyList::Array{value};
    const QByteArray bytes = CFPropertyListWriter::Write(value);
    const int expected[] = {76, 68, 60, 52, 44, 36, 28, 20, 12, 4};
    for (int level = 0; level < 10; ++level) {
        CFPropertyList data = QByteArray(100, 'y');
        for (int i = 0; i < level; ++i)
            data = CFPropertyList::Array{data};
        const QList<QByteArray> lines = CFPropertyListWriter::Write(data).split('\n');
        ASSERT_GT(lines.size(), 5 + level);
        const QByteArray firstLine = lines[4 + level];
        EXPECT_EQ(firstLine, QByteArray(level, '\t') + QByteArray(100, 'y').toBase64().left(expected[level]))
            << "level " << level;
    }
    EXPECT_EQ(CFPropertyListReader::Read(bytes), value);
}

TEST(PlistWriter, RefusesNullsUnwritableDatesAndExcessiveNesting)
{
    QString error;
    EXPECT_TRUE(CFPropertyListWriter::Write(CFPropertyList(), &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
    CFPropertyList::Dictionary holder;
    holder.insert("absent", CFPropertyList());
    EXPECT_TRUE(CFPropertyListWriter::Write(CFPropertyList::Array{1, holder}, &error).isEmpty());

    EXPECT_TRUE(CFPropertyListWriter::Write(CFPropertyList::FromDate(253402300800.0)).isEmpty()) << "year 10000";
    EXPECT_TRUE(CFPropertyListWriter::Write(CFPropertyList::FromDate(std::nan(""))).isEmpty());

    CFPropertyList nested = CFPropertyList::Array();
    for (int depth = 1; depth < 512; ++depth)
        nested = CFPropertyList::Array{nested};
    const QByteArray deepest = CFPropertyListWriter::Write(nested);
    EXPECT_FALSE(deepest.isEmpty()) << "512 nested containers are written";
    EXPECT_EQ(CFPropertyListReader::Read(deepest), nested);
    EXPECT_TRUE(CFPropertyListWriter::Write(CFPropertyList::Array{nested}, &error).isEmpty());
    EXPECT_TRUE(error.contains("512"));
}

} // namespace
