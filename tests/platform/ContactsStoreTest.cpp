// The contacts store: vCards of three versions read, cards written as 3.0 that Debian's
// python3-vobject reads back, and the folder kept as a vdir (changed cards only, other cards and
// bad ones left as they were).
#include "ContactsStore.h"
#include "VCard.h"

#include "FileTestFolder.h"
#include "PythonPeer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

VCard ParseOne(const QByteArray& inText)
{
    std::vector<VCardChunk> chunks = ParseVCards(inText);
    EXPECT_EQ(chunks.size(), 1u);
    if (chunks.empty())
        return VCard();
    EXPECT_TRUE(chunks[0].parsed) << chunks[0].error.toStdString();
    return chunks[0].card;
}

QStringList Labels(const ContactsMultiValue& inValues)
{
    QStringList labels;
    for (const ContactsValue& value : inValues.values)
        labels.append(value.label + "=" + value.value);
    return labels;
}

} // namespace

TEST(VCardTest, ReadsThreeVersions)
{
    // 2.1: bare parameters, QUOTED-PRINTABLE with a soft line break, a CHARSET other than UTF-8.
    const ContactsRecord old(ParseOne("BEGIN:VCARD\nVERSION:2.1\n"
                                      "N;CHARSET=ISO-8859-1:M\xFCller;J\xFCrgen\n"
                                      "NOTE;ENCODING=QUOTED-PRINTABLE:first line=0D=0Asecond =\n"
                                      "half\n"
                                      "EMAIL;INTERNET;HOME:j@home.example\n"
                                      "TEL;CELL:+49 1\nTEL;WORK;FAX:+49 2\n"
                                      "END:VCARD\n"));
    EXPECT_EQ(old.LastName(), QString::fromUtf8("Müller"));
    EXPECT_EQ(old.FirstName(), QString::fromUtf8("Jürgen"));
    EXPECT_EQ(old.Text("NOTE"), "first line\nsecond half");
    EXPECT_EQ(Labels(old.MultiValue("EMAIL")), QStringList{"home=j@home.example"});
    EXPECT_EQ(Labels(old.MultiValue("TEL")), (QStringList{"mobile=+49 1", "work fax=+49 2"}));

    // 3.0: folded lines (one split inside a UTF-8 character's neighbourhood), escapes, ORG parts.
    const ContactsRecord three(ParseOne("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Doe\\, Jr.;Jane;;;\r\n"
                                        "ORG:Acme\\; Sons;Sales\r\nNOTE:a\\nb\\\\c,\r\n  d\r\n"
                                        "ADR;TYPE=work;X-COUNTRYCODE=us:;;1 Main St;Springfield;IL;62701;USA\r\n"
                                        "END:VCARD\r\n"));
    EXPECT_EQ(three.LastName(), "Doe, Jr.");
    EXPECT_EQ(three.Organization(), "Acme; Sons");
    EXPECT_EQ(three.Text("NOTE"), "a\nb\\c, d");
    const ContactsMultiValue addresses = three.MultiValue("ADR");
    ASSERT_EQ(addresses.values.size(), 1u);
    EXPECT_EQ(addresses.values[0].label, "work");
    EXPECT_EQ(addresses.values[0].addressParts,
              (QStringList{"1 Main St", "Springfield", "IL", "62701", "USA", "us"}));

    // 4.0: grouped properties with a custom label, PREF, KIND:group.
    const ContactsRecord four(ParseOne("BEGIN:VCARD\nVERSION:4.0\nKIND:group\nFN:Friends\n"
                                       "item1.EMAIL:a@x.example\nitem1.X-ABLabel:Club\n"
                                       "EMAIL;TYPE=work:b@x.example\nEMAIL;TYPE=work;PREF=1:c@x.example\n"
                                       "EMAIL:d@x.example\nEND:VCARD\n"));
    EXPECT_TRUE(four.IsGroup());
    EXPECT_EQ(four.GroupName(), "Friends");
    const ContactsMultiValue emails = four.MultiValue("EMAIL");
    EXPECT_EQ(Labels(emails), (QStringList{"Club=a@x.example", "work=b@x.example", "work=c@x.example",
                                           "other=d@x.example"}));
    EXPECT_EQ(emails.primaryIdentifier, 2);
}

TEST(VCardTest, BadCardsAreSkippedAndEveryCardOfAFileIsRead)
{
    const std::vector<VCardChunk> chunks = ParseVCards("BEGIN:VCARD\nVERSION:3.0\nFN:One\nEND:VCARD\n"
                                                       "BEGIN:VCARD\nVERSION:3.0\nthis line has no colon\nEND:VCARD\n"
                                                       "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Three\r\nEND:VCARD\r\n"
                                                       "BEGIN:VCARD\nFN:Unfinished\n");
    ASSERT_EQ(chunks.size(), 4u);
    EXPECT_TRUE(chunks[0].parsed);
    EXPECT_FALSE(chunks[1].parsed);
    EXPECT_TRUE(chunks[2].parsed);
    EXPECT_EQ(chunks[2].card.Find("FN")->Text(), "Three");
    EXPECT_EQ(chunks[2].raw, "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Three\r\nEND:VCARD\r\n");
    EXPECT_FALSE(chunks[3].parsed);
}

TEST(VCardTest, LongLinesFoldAt75OctetsOnCharacterBoundaries)
{
    const QByteArray line = "NOTE:" + QString::fromUtf8("ä€😀").repeated(40).toUtf8();
    const QByteArray folded = FoldVCardLine(line);
    QByteArray unfolded;
    for (const QByteArray& piece : folded.split('\n')) {
        if (piece.isEmpty())
            continue;
        EXPECT_TRUE(piece.endsWith('\r'));
        EXPECT_LE(piece.size() - 1, 75);
        const QByteArray text = piece.chopped(1);
        EXPECT_TRUE(QString::fromUtf8(text).toUtf8() == text) << "a piece ends inside a character";
        unfolded += unfolded.isEmpty() ? text : text.mid(1);
    }
    EXPECT_EQ(unfolded, line);
}

// What we write, read by python3-vobject: names with separators, non-ASCII text, a long note,
// labelled values and categories.
TEST(ContactsStoreTest, CardsWeWriteReadBackInVobject)
{
    FileTestFolder folder;
    ContactsStore store(QString::fromStdString(folder.Path()));
    ASSERT_TRUE(store.IsAvailable());
    ContactsRecord* group = store.AddRecord(ContactsStore::CreateGroup("Friends, Old"));
    ContactsRecord* person = store.AddRecord(ContactsStore::CreatePerson());
    store.SetName(person, QString::fromUtf8("Zoë"), "O'Neil; Sr.");
    store.SetText(person, "NOTE", QString::fromUtf8("line one\nline two with ünïcödé ") + QString("x").repeated(200));
    store.AddLabelledValue(person, "EMAIL", "work", "zoe@work.example");
    store.AddLabelledValue(person, "EMAIL", "Chess club", "zoe@club.example");
    store.AddToGroup(person, *group);
    ASSERT_TRUE(store.Save());
    ASSERT_FALSE(store.HasUnsavedChanges());

    const char* script = R"(
import glob, json, os, sys, vobject
out = {}
for path in sorted(glob.glob(os.path.join(sys.argv[1], '*.vcf'))):
    card = vobject.readOne(open(path, encoding='utf-8').read())
    entry = {'file': os.path.basename(path), 'fn': card.fn.value, 'uid': card.uid.value}
    if hasattr(card, 'n'):
        entry['n'] = [card.n.value.family, card.n.value.given]
    if hasattr(card, 'note'):
        entry['note'] = card.note.value
    if hasattr(card, 'categories'):
        entry['categories'] = card.categories.value
    entry['emails'] = [[e.value, e.params.get('TYPE', []), e.group] for e in card.contents.get('email', [])]
    entry['labels'] = [[l.group, l.value] for l in card.contents.get('x-ablabel', [])]
    out[entry['fn']] = entry
print(json.dumps(out))
)";
    const auto output = RunPythonPeer(script, {QString::fromStdString(folder.Path())});
    ASSERT_TRUE(output);
    const QJsonObject cards = QJsonDocument::fromJson(*output).object();
    ASSERT_EQ(cards.size(), 2);
    const QJsonObject friends = cards["Friends, Old"].toObject();
    EXPECT_EQ(friends["file"].toString(), group->UID() + ".vcf");
    const QJsonObject zoe = cards[QString::fromUtf8("Zoë O'Neil; Sr.")].toObject();
    EXPECT_EQ(zoe["uid"].toString(), person->UID());
    EXPECT_EQ(zoe["n"].toArray(), (QJsonArray{"O'Neil; Sr.", QString::fromUtf8("Zoë")}));
    EXPECT_EQ(zoe["note"].toString(), person->Text("NOTE"));
    EXPECT_EQ(zoe["categories"].toArray(), QJsonArray{"Friends, Old"});
    const QJsonArray emails = zoe["emails"].toArray();
    ASSERT_EQ(emails.size(), 2);
    EXPECT_EQ(emails[0].toArray()[0].toString(), "zoe@work.example");
    EXPECT_EQ(emails[0].toArray()[1].toArray(), QJsonArray{"WORK"});
    EXPECT_EQ(emails[1].toArray()[2].toString(), zoe["labels"].toArray()[0].toArray()[0].toString());
    EXPECT_EQ(zoe["labels"].toArray()[0].toArray()[1].toString(), "Chess club");

    // Read again from the folder, the same values come back.
    ContactsStore again(QString::fromStdString(folder.Path()));
    ContactsRecord* reread = again.FindPersonNamed(QString::fromUtf8("ZOË"), "o'neil; sr.");
    ASSERT_NE(reread, nullptr);
    EXPECT_EQ(Labels(reread->MultiValue("EMAIL")), (QStringList{"work=zoe@work.example", "Chess club=zoe@club.example"}));
    EXPECT_EQ(reread->Categories(), QStringList{"Friends, Old"});
    EXPECT_EQ(again.Members(*again.FindGroupNamed("friends, old")), std::vector<ContactsRecord*>{reread});
}

// A file of several cards, one of them bad: changing one card rewrites that card only.
TEST(ContactsStoreTest, SavingKeepsOtherCardsOfAFileAsTheyWere)
{
    FileTestFolder folder;
    const QByteArray first = "BEGIN:VCARD\nVERSION:2.1\nN:Ant;Adam\nEMAIL;HOME:adam@x.example\nEND:VCARD\n";
    const QByteArray bad = "BEGIN:VCARD\nVERSION:3.0\nnot a property\nEND:VCARD\n";
    const QByteArray third = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Bee;Bea;;;\r\nFN:Bea Bee\r\nEND:VCARD\r\n";
    folder.Put("several.vcf", first + bad + third);
    ContactsStore store(QString::fromStdString(folder.Path()));
    ASSERT_EQ(store.People().size(), 2u);
    store.AddToGroup(store.FindPersonNamed("bea", "BEE"), *ContactsStore::CreateGroup("Team"));
    ASSERT_TRUE(store.Save());

    const QByteArray written = folder.Read("several.vcf");
    EXPECT_TRUE(written.startsWith(first + bad)) << written.toStdString();
    EXPECT_TRUE(written.contains("CATEGORIES:Team\r\n"));
    EXPECT_EQ(QDir(QString::fromStdString(folder.Path())).entryList(QDir::Files), QStringList{"several.vcf"});
    ContactsStore again(QString::fromStdString(folder.Path()));
    EXPECT_EQ(again.People().size(), 2u);
    EXPECT_EQ(again.FindPersonNamed("Bea", "Bee")->Categories(), QStringList{"Team"});
}

TEST(ContactsStoreTest, FolderIsMadeWhenMissingAndAFileInItsPlaceMakesItUnavailable)
{
    FileTestFolder folder;
    ContactsStore made(QString::fromStdString(folder.PathOf("deep/Contacts")));
    EXPECT_TRUE(made.IsAvailable());
    EXPECT_TRUE(QFileInfo(QString::fromStdString(folder.PathOf("deep/Contacts"))).isDir());

    folder.Put("Contacts", "not a folder");
    ContactsStore blocked(QString::fromStdString(folder.PathOf("Contacts")));
    EXPECT_FALSE(blocked.IsAvailable());
    EXPECT_TRUE(blocked.People().empty());
    EXPECT_EQ(blocked.AddRecord(ContactsStore::CreatePerson()), nullptr);
    EXPECT_FALSE(blocked.Save());
}

// The first of two same-named people is found, also after one of them is renamed.
TEST(ContactsStoreTest, PersonLookupFindsTheFirstAndFollowsRenames)
{
    FileTestFolder folder;
    folder.Put("a.vcf", "BEGIN:VCARD\nVERSION:3.0\nUID:a\nN:Smith;Ann;;;\nEND:VCARD\n");
    folder.Put("b.vcf", "BEGIN:VCARD\nVERSION:3.0\nUID:b\nN:Smith;Ann;;;\nEND:VCARD\n");
    ContactsStore store(QString::fromStdString(folder.Path()));
    EXPECT_EQ(store.FindPersonNamed("ann", "smith")->UID(), "a");
    store.SetName(store.FindByUID("a"), "Anne", "Smith");
    EXPECT_EQ(store.FindPersonNamed("Ann", "Smith")->UID(), "b");
    EXPECT_EQ(store.FindPersonNamed("Anne", "Smith")->UID(), "a");
    EXPECT_EQ(store.FindPersonNamed("Nobody", "Smith"), nullptr);
}
