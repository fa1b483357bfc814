// The address book as the mailing reads it, over a contacts folder written by Debian's
// python3-vobject: groups by CATEGORIES with a subgroup and a cycle of groups, a custom e-mail
// label, two work addresses of which one is preferred, two home postal addresses, a Me card and a
// card that does not parse.
#include "AddressBookAccess.h"

#include "CString256.h"
#include "CText.h"
#include "ContactsFolder.h"
#include "ContactsStore.h"
#include "Preferences.h"
#include "PrivateHome.h"
#include "PythonPeer.h"

#include <gtest/gtest.h>

#include <QFileInfo>

namespace {

const char* const kFolderScript = R"(
import os, sys, vobject

def card(name, uid, first='', last='', kind=None, categories=None, org=None):
    c = vobject.vCard()
    c.add('uid').value = uid
    c.add('fn').value = name
    c.add('n').value = vobject.vcard.Name(family=last, given=first)
    if kind:
        c.add('kind').value = kind
    if categories:
        c.add('categories').value = categories
    if org:
        c.add('org').value = [org]
    return c

def email(c, address, types, group=None):
    e = c.add('email')
    e.value = address
    if types:
        e.type_paramlist = types
    if group:
        e.group = group

def save(c, name):
    with open(os.path.join(sys.argv[1], name), 'w', encoding='utf-8', newline='') as f:
        f.write(c.serialize())

save(card('Family', 'g-family', kind='group'), 'family.vcf')
save(card('Cousins', 'g-cousins', kind='group', categories=['Family', 'Loop']), 'cousins.vcf')
save(card('Loop', 'g-loop', kind='group', categories=['Cousins']), 'loop.vcf')

ann = card('Ann Able', 'p-ann', 'Ann', 'Able', categories=['Family', 'Cousins'], org='Acme')
email(ann, 'ann1@work.example', ['INTERNET', 'WORK'])
email(ann, 'ann2@work.example', ['INTERNET', 'WORK', 'pref'])
email(ann, 'ann@club.example', ['INTERNET'], 'item1')
label = ann.add('x-ablabel')
label.value = 'Chess club'
label.group = 'item1'
for street in ['1 Old Street', '2 New Street']:
    adr = ann.add('adr')
    adr.value = vobject.vcard.Address(street=street, city='Springfield')
    adr.type_param = 'HOME'
ann.add('bday').value = '1976-07-04'
save(ann, 'ann.vcf')

bob = card('Baker', 'p-bob', '', 'Baker', categories=['Cousins'])
email(bob, 'bob@home.example', ['HOME'])
save(bob, 'bob.vcf')
carl = card('Carl Cole', 'p-carl', 'Carl', 'Cole', categories=['Loop'])
email(carl, 'carl@example.org', [])
save(carl, 'carl.vcf')
save(card('Solo Corp', 'p-solo', org='Solo Corp'), 'solo.vcf')
mia = card('Mia Me', 'p-me', 'Mia', 'Me')
email(mia, 'mia@me.example', ['HOME'])
save(mia, 'me.vcf')
with open(os.path.join(sys.argv[1], 'bad.vcf'), 'w') as f:
    f.write('BEGIN:VCARD\r\nVERSION:3.0\r\nno colon on this line\r\nEND:VCARD\r\n')
)";

class AddressBookAccessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(ContactsFolder::Path()));
        ASSERT_TRUE(RunPythonPeer(kFolderScript, {ContactsFolder::Path()}));
        ContactsStore::Shared().Reload();
        ASSERT_TRUE(IsAddressBookAvailable());
    }

    static ContactsRecord* Person(const char* inUID) { return ContactsStore::Shared().FindByUID(inUID); }
    static QStringList UIDs(const std::vector<ContactsRecord*>& inRecords)
    {
        QStringList uids;
        for (const ContactsRecord* record : inRecords)
            uids.append(record->UID());
        return uids;
    }

    PrivateHome mHome;
};

} // namespace

TEST_F(AddressBookAccessTest, GroupsAndPeopleAreFoundByName)
{
    EXPECT_EQ(ContactsStore::Shared().People().size(), 5u) << "the bad card is skipped";
    EXPECT_EQ(GetRecordUID(FindGroupNamed("cOUSINS")), "g-cousins");
    EXPECT_EQ(FindGroupNamed("Strangers"), nullptr);
    EXPECT_EQ(GetRecordUID(FindAddressBookPerson("ANN", "able")), "p-ann");
    EXPECT_EQ(GetRecordUID(FindAddressBookPerson("", "Baker")), "p-bob");
    EXPECT_EQ(FindAddressBookPerson("Ann", "Baker"), nullptr);
}

// Members before subgroups, depth first, each person once; the Cousins-Loop cycle ends.
TEST_F(AddressBookAccessTest, DeepMembersComeOnceEachAndCyclesEnd)
{
    EXPECT_EQ(UIDs(CopyGroupMembersDeep(FindGroupNamed("Family"))), (QStringList{"p-ann", "p-bob", "p-carl"}));
    EXPECT_EQ(UIDs(CopyGroupMembersDeep(FindGroupNamed("Loop"))), (QStringList{"p-carl", "p-ann", "p-bob"}));
    EXPECT_TRUE(CopyGroupMembersDeep(nullptr).empty());
}

TEST_F(AddressBookAccessTest, AddressesAreChosenByType)
{
    const ContactsRecord* family = FindGroupNamed("Family");
    const struct {
        const char* uid;
        const ContactsRecord* group;
        OSType type;
        const char* expected;
    } cases[] = {
        {"p-ann", nullptr, kAddressTypeWork, "ann1@work.example,ann2@work.example"},
        {"p-ann", nullptr, kAddressTypePrimary, "ann2@work.example"},
        {"p-ann", nullptr, kAddressTypeOther, "ann@club.example"},
        {"p-ann", nullptr, kAddressTypeHome, ""},
        {"p-ann", nullptr, kAddressTypeAll, "ann1@work.example,ann2@work.example,ann@club.example"},
        {"p-ann", nullptr, kAddressTypeDistribution, ""},
        {"p-ann", family, kAddressTypeDistribution, "ann2@work.example"},
        {"p-bob", nullptr, kAddressTypePrimary, "bob@home.example"},
        {"p-carl", nullptr, kAddressTypeOther, "carl@example.org"},
        {"p-solo", nullptr, kAddressTypeAll, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetRecordEmailForType(c.group, Person(c.uid), c.type), c.expected) << c.uid << " " << c.type;
    EXPECT_EQ(GetRecordEmails(Person("p-ann"), "Chess club"), "ann@club.example");
    EXPECT_EQ(GetRecordEmails(Person("p-ann"), "chess club"), "") << "labels compare exactly";
}

TEST_F(AddressBookAccessTest, NamesJoinAsTheListAndSenderShowThem)
{
    EXPECT_EQ(GetRecordFirstLastName(Person("p-bob")), " Baker");
    EXPECT_EQ(GetRecordLastFirstName(Person("p-bob")), "Baker");
    EXPECT_EQ(GetRecordDisplayName(Person("p-ann")), "Able, Ann (Acme)");
    EXPECT_EQ(GetRecordDisplayName(Person("p-carl")), "Cole, Carl");
    EXPECT_EQ(GetRecordDisplayName(Person("p-solo")), "Solo Corp");

    CText name("unchanged");
    CText email;
    GetRecordOrganizationOrName(nullptr, Person("p-carl"), kAddressTypePrimary, name, email, true);
    EXPECT_STREQ(name.buffer, "unchanged") << "no organization leaves the name";
    EXPECT_STREQ(email.buffer, "carl@example.org");
    GetRecordOrganizationOrName(nullptr, Person("p-ann"), kAddressTypePrimary, name, email, true);
    EXPECT_STREQ(name.buffer, "Acme");
    GetRecordOrganizationOrName(nullptr, Person("p-solo"), kAddressTypePrimary, name, email, false);
    EXPECT_STREQ(name.buffer, "Solo Corp");

    CText first("keep");
    CText last;
    CText address("keep too");
    GetRecordNameAndEmail(nullptr, Person("p-bob"), kAddressTypeWork, first, last, address);
    EXPECT_STREQ(first.buffer, "keep");
    EXPECT_STREQ(last.buffer, "Baker");
    EXPECT_STREQ(address.buffer, "keep too");
}

TEST_F(AddressBookAccessTest, PostalAddressesDatesAndTheMeCard)
{
    EXPECT_EQ(GetRecordAddress(Person("p-ann"), "home", EContactsAddressPart::street), "2 New Street");
    EXPECT_EQ(GetRecordAddress(Person("p-ann"), "home", EContactsAddressPart::city), "Springfield");
    EXPECT_TRUE(GetRecordAddress(Person("p-ann"), "work", EContactsAddressPart::street).isNull());
    EXPECT_EQ(GetRecordBirthday(Person("p-ann")), "7-4-1976");
    EXPECT_TRUE(GetRecordBirthday(Person("p-bob")).isNull());

    EXPECT_EQ(CopyMeRecord(), nullptr);
    ASSERT_EQ(SetPreference("p-me", CString256(kMeCardKey)), noErr);
    EXPECT_EQ(GetRecordFirstLastName(CopyMeRecord()), "Mia Me");
    // The sender's "Me" tab lists its addresses.
    EXPECT_EQ(GetRecordEmailList(CopyMeRecord()), QStringList{"mia@me.example"});
    EXPECT_TRUE(GetRecordEmailList(nullptr).isEmpty());
}

TEST_F(AddressBookAccessTest, ImportsMakeGroupsAndPeopleOnce)
{
    ContactsRecord* made = nullptr;
    EXPECT_FALSE(CreateAddressBookGroupNamed("FAMILY", &made));
    EXPECT_EQ(made, nullptr);
    ASSERT_TRUE(CreateAddressBookGroupNamed("Newsletter", &made));
    EXPECT_TRUE(QFileInfo::exists(ContactsFolder::Path() + "/" + GetRecordUID(made) + ".vcf")) << "saved at once";
    EXPECT_EQ(CreateAddressBookGroup("newsletter"), nullptr);

    EXPECT_EQ(CreateAddressBookPersonFromStrings("ann", "ABLE", "other@example.org"), Person("p-ann"));
    EXPECT_EQ(CreateAddressBookPersonFromStrings("", "", ""), nullptr);
    ContactsRecord* unnamed = CreateAddressBookPersonFromStrings("", "", "info@example.org");
    ASSERT_NE(unnamed, nullptr);
    EXPECT_NE(unnamed, Person("p-solo")) << "not the nameless company card";
    EXPECT_EQ(GetRecordEmailForType(nullptr, unnamed, kAddressTypeAll), "info@example.org");
    ContactsRecord* dana = CreateAddressBookPersonFromStrings("Dana", "", "dana@example.org");
    ASSERT_NE(dana, nullptr);
    EXPECT_EQ(GetRecordEmailForType(nullptr, dana, kAddressTypeWork), "dana@example.org");
    EXPECT_EQ(FindAddressBookPerson("dana", ""), dana);
    EXPECT_TRUE(ContactsStore::Shared().HasUnsavedChanges()) << "the importer saves";
}

TEST(AddressBookUnavailableTest, AFileInPlaceOfTheFolderGivesNothing)
{
    PrivateHome home;
    ASSERT_TRUE(QDir().mkpath(QFileInfo(ContactsFolder::Path()).path()));
    QFile blocker(ContactsFolder::Path());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ContactsStore::Shared().Reload();
    EXPECT_FALSE(IsAddressBookAvailable());
    EXPECT_EQ(FindGroupNamed("Family"), nullptr);
    EXPECT_EQ(CreateAddressBookGroup("Family"), nullptr);
    EXPECT_EQ(CreateAddressBookPersonFromStrings("A", "B", "a@b.example"), nullptr);
    EXPECT_EQ(GetRecordEmailForType(nullptr, nullptr, kAddressTypeAll), "");
}
