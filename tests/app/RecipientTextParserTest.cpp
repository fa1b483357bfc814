// Reading recipients text files: header rows in any column order, headerless lines, quoting,
// empty fields, encodings and line ends; files written by Python's csv module read back as
// the rows that were written.
#include "RecipientTextParser.h"

#include "../core/DecodingPeer.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <string>
#include <vector>

namespace {

struct Expected {
    std::string first;
    std::string last;
    std::string email;
};

std::vector<Expected> Records(const RecipientTextParser& inParser)
{
    std::vector<Expected> records;
    for (SInt32 line = 0; line < inParser.Count(); ++line) {
        if (const std::optional<Person> person = inParser.RecordAt(line))
            records.push_back({person->FirstName().toStdString(), person->LastName().toStdString(),
                               person->Email().toStdString()});
    }
    return records;
}

bool operator==(const Expected& a, const Expected& b)
{
    return a.first == b.first && a.last == b.last && a.email == b.email;
}

void PrintTo(const Expected& e, std::ostream* os) { *os << "{" << e.first << "|" << e.last << "|" << e.email << "}"; }

QByteArray CsvFromPython(const QJsonArray& inRows, const QString& inEncoding, const QString& inDelimiter = ",")
{
    const QJsonObject request{{"rows", inRows}, {"encoding", inEncoding}, {"delimiter", inDelimiter}};
    return RunDecodingPeer("write_csv.py", QJsonDocument(request).toJson());
}

} // namespace

TEST(RecipientTextParser, LinesBecomeRecords)
{
    // 10,000 bytes whose 255th and 256th bytes are one character (é).
    const std::string longName = std::string(254, 'n') + "\xC3\xA9" + std::string(9744, 'm');
    struct Case {
        const char* what;
        std::string text;
        std::vector<Expected> records;
    };
    const std::vector<Case> cases = {
        {"header in any order, a fourth column", "!!Email Address\tLast Name\tFirst Name\tCompany\r\nann@x.org\tLee\tAnn\tAcme\r\n",
         {{"Ann", "Lee", "ann@x.org"}}},
        {"comma header", "!!First Name,Last Name,Email Address\nAnn,Lee,ann@x.org\n", {{"Ann", "Lee", "ann@x.org"}}},
        {"empty fields keep their columns",
         "!!First Name,Last Name,Email Address\n,Lee,ann@x.org\nAnn,,bo@x.org\nCy,Do,cy@x.org,\n",
         {{"", "Lee", "ann@x.org"}, {"Ann", "", "bo@x.org"}, {"Cy", "Do", "cy@x.org"}}},
        {"quoted fields", "!!First Name,Last Name,Email Address\n\"Acme, Inc.\",Lee,ann@x.org\n"
                          "\"Say \"\"hi\"\"\",B,b@x.org\n\"Two\r\nlines\",C,c@x.org\nAnn \"the\" Lee,D,d@x.org\n",
         {{"Acme, Inc.", "Lee", "ann@x.org"}, {"Say \"hi\"", "B", "b@x.org"}, {"Two\r\nlines", "C", "c@x.org"},
          {"Ann the Lee", "D", "d@x.org"}}},
        {"tabs make commas data", "!!First Name\tLast Name\tEmail Address\nLee, Ann\tX\tann@x.org\n",
         {{"Lee, Ann", "X", "ann@x.org"}}},
        {"every line end, none at the end", "a@x.org\rb@x.org\nc@x.org\r\n\r\nd@x.org",
         {{"", "", "a@x.org"}, {"", "", "b@x.org"}, {"", "", "c@x.org"}, {"", "", "d@x.org"}}},
        {"lines without @ are not recipients", "Customers\n------\n\nann@x.org\n", {{"", "", "ann@x.org"}}},
        {"!! inside a data line is data", "Hi!! there\tLee\tann@x.org\n", {{"Hi!! there", "Lee", "ann@x.org"}}},
        {"the header is the first line starting !!", "ann@x.org\tAnn\n!!Email Address\tFirst Name\nbo@x.org\tBo\n",
         {{"Ann", "", "ann@x.org"}, {"Bo", "", "bo@x.org"}}},
        {"headerless name then address", "Ann Lee\tann@x.org\n", {{"Ann", "Lee", "ann@x.org"}}},
        {"headerless address then name", "ann@x.org\tAnn Marie Lee\n", {{"Ann Marie", "Lee", "ann@x.org"}}},
        {"headerless address alone", "ann@x.org\n", {{"", "", "ann@x.org"}}},
        {"headerless empty middle field", "Ann Marie\t\tann@x.org\n", {{"Ann", "Marie", "ann@x.org"}}},
        {"headerless three fields", "Ann\tLee\tann@x.org\textra\n", {{"Ann", "Lee", "ann@x.org\textra"}}},
        {"a long name is cut, the address kept", longName + "\tLee\tann@x.org\n",
         {{std::string(254, 'n'), "Lee", "ann@x.org"}}},
        {"a long address is refused", "Ann\tLee\t" + std::string(290, 'a') + "@example.org\nbo@x.org\n",
         {{"", "", "bo@x.org"}}},
        {"UTF-8 byte-order mark", "\xEF\xBB\xBF!!Email Address,First Name\nann@x.org,Ann\n", {{"Ann", "", "ann@x.org"}}},
        {"Windows-1252 accents", "Jos\xE9\tM\xFCller\tjose@x.org\n", {{"Jos\xC3\xA9", "M\xC3\xBCller", "jose@x.org"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RecipientTextParser parser(QByteArray::fromStdString(c.text));
        EXPECT_EQ(Records(parser), c.records);
    }
}

TEST(RecipientTextParser, HeaderColumnsStayInTheRecordAndALongAddressSaysWhy)
{
    const RecipientTextParser parser("!!Email Address,First Name,Company\nann@x.org,Ann,Acme\n" +
                                     QByteArray(300, 'a') + "@x.org,Bo,Beta\n");
    ASSERT_EQ(parser.Count(), 2);
    const std::optional<Person> ann = parser.RecordAt(0);
    ASSERT_TRUE(ann && ann->ColumnValues());
    EXPECT_EQ(ann->ColumnValues()->value("Company"), "Acme");
    QString problem;
    EXPECT_FALSE(parser.RecordAt(1, &problem));
    EXPECT_TRUE(problem.contains("line 2")) << problem.toStdString();
}

TEST(RecipientTextParser, FilesFromPythonsCsvReadAsTheirRows)
{
    const QJsonArray rows{
        QJsonArray{"!!First Name", "Last Name", "Email Address", "Company"},
        QJsonArray{"Ann", "Lee, Jr.", "ann@x.org", "Acme \"Best\" Inc."},
        QJsonArray{"", "Ødegård", "bo@x.org", ""},
        QJsonArray{"Cy\nDo", "", "cy@x.org", "x"},
        QJsonArray{"José", "Müller", "jose@x.org", "Señor"},
    };
    for (const char* encoding : {"utf-8", "utf-8-sig", "utf-16", "cp1252"}) {
        for (const char* delimiter : {",", "\t"}) {
            SCOPED_TRACE(std::string(encoding) + " delimiter " + delimiter);
            const RecipientTextParser parser(CsvFromPython(rows, encoding, delimiter));
            ASSERT_EQ(parser.Count(), rows.size() - 1);
            for (SInt32 line = 0; line < parser.Count(); ++line) {
                const QJsonArray row = rows.at(line + 1).toArray();
                const std::optional<Person> person = parser.RecordAt(line);
                ASSERT_TRUE(person);
                EXPECT_EQ(person->FirstName(), row.at(0).toString());
                EXPECT_EQ(person->LastName(), row.at(1).toString());
                EXPECT_EQ(person->Email(), row.at(2).toString());
                EXPECT_EQ(person->ColumnValues()->value("Company"), row.at(3).toString());
            }
        }
    }
}
