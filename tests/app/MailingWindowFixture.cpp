// The mailing-window fixture's address book: a real contacts folder in the test's private home.
#include "MailingWindowFixture.h"

#include "AddressBookAccess.h"
#include "ContactsFolder.h"
#include "ContactsStore.h"

#include <QDir>
#include <QFile>

void MailingWindowTest::ResetAddressBook()
{
    SetPreference(nullptr, CString256(kMeCardKey));
    QFile::remove(ContactsFolder::Path());
    QDir(ContactsFolder::Path()).removeRecursively();
    ContactsStore::Shared().Reload();
}

void MailingWindowTest::WriteMeCard(const QString& inFirstName, const QString& inLastName, const QString& inOrganization,
                                    const QStringList& inEmails)
{
    QString card = QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:me-card\r\nN:%1;%2;;;\r\nFN:%2 %1\r\n")
                       .arg(inLastName, inFirstName);
    if (!inOrganization.isEmpty())
        card += QStringLiteral("ORG:%1\r\n").arg(inOrganization);
    for (const QString& email : inEmails)
        card += QStringLiteral("EMAIL:%1\r\n").arg(email);
    QFile file(ContactsFolder::Path() + QStringLiteral("/me-card.vcf"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write((card + QStringLiteral("END:VCARD\r\n")).toUtf8());
    file.close();
    SetPreference("me-card", CString256(kMeCardKey));
    ContactsStore::Shared().Reload();
}

void MailingWindowTest::MakeAddressBookUnavailable()
{
    QDir(ContactsFolder::Path()).removeRecursively();
    QFile blocker(ContactsFolder::Path());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ContactsStore::Shared().Reload();
}

