// A mailing window test's world: the offscreen application, the scripted presenter (an
// unscripted alert fails the test), a 800-pixel display, the window's preference keys cleared,
// an empty address book (a contacts folder without cards, no Me card), and every window closed
// and deleted at the end.
#pragma once

#include "AddressBookAccess.h"
#include "CBrevantoWindow.h"
#include "CCleanupObject.h"
#include "ContactsFolder.h"
#include "ContactsStore.h"
#include "DataBrowser.h"
#include "MergeFieldValues.h"
#include "ControlLookup.h"
#include "LQtApplication.h"
#include "NibLoader.h"
#include "PreferenceGetters.h"
#include "Preferences.h"
#include "ScriptedPresenter.h"
#include "WindowAttributes.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>

#include <memory>
#include <vector>

// The window's recipients list.
inline DataBrowser* RecipientsList(CBrevantoWindow* inWindow)
{
    return qobject_cast<DataBrowser*>(inWindow->Control(ControlRole::RecipientsList));
}

// A new window whose imported list holds these people, its Import tab chosen and the list shown.
inline CBrevantoWindow* WindowWithImported(const std::vector<Person>& inPeople)
{
    auto* window = new CBrevantoWindow();
    window->SelectRecipientsTab(2);
    window->mRecipientsTab = 2;
    for (const Person& person : inPeople)
        window->mImported.Append(person);
    window->ShowImportedRecipients();
    return window;
}

class MailingWindowTest : public ::testing::Test {
protected:
    static constexpr const char* kShowNoMeCardAlertKey = "Show No Me Card Alert";

    void SetUp() override
    {
        LQtApplication::Instance();
        InstallMergeFieldValues();
        mPresenter = std::make_unique<ScriptedPresenter>();
        mPresenter->SetFailureHandler([](const QString& inMessage) { ADD_FAILURE() << inMessage.toStdString(); });
        WindowAttributes::SetMainDisplaySize(QSize(1280, 800));
        for (const char* key : kWindowKeys)
            SetPreference(nullptr, CString256(key));
        SetPreference("0", CString256(kShowNoMeCardAlertKey));
        ResetAddressBook();
        ControlLookup::ClearMisses();
        ASSERT_TRUE(mFolder.isValid());
    }

    void TearDown() override
    {
        while (gWindowList.Count() > 0) {
            gWindowList.Rewind();
            (*gWindowList.Next())->Cleanup();
        }
        DeleteQueued();
        CBrevantoWindow::SetStartSendingHookForTests({});
        NibLoader::SetNibFolder(QString());
        WindowAttributes::SetMainDisplaySize(QSize());
        mPresenter.reset();
        ResetAddressBook();
    }

    static void ResetAddressBook()
    {
        SetPreference(nullptr, CString256(kMeCardKey));
        QFile::remove(ContactsFolder::Path());
        QDir(ContactsFolder::Path()).removeRecursively();
        ContactsStore::Shared().Reload();
    }

    // The user's own card in the address book, named by the "Me Card" setting.
    static void WriteMeCard(const QString& inFirstName, const QString& inLastName, const QString& inOrganization,
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

    // No address book: a file stands where its folder should be.
    static void MakeAddressBookUnavailable()
    {
        QDir(ContactsFolder::Path()).removeRecursively();
        QFile blocker(ContactsFolder::Path());
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        ContactsStore::Shared().Reload();
    }

    static void DeleteQueued()
    {
        CCleanupObject::DeleteAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QString FolderPath(const QString& inName) const { return mFolder.filePath(inName); }

    std::unique_ptr<ScriptedPresenter> mPresenter;
    QTemporaryDir mFolder;

    static constexpr const char* kWindowKeys[] = {
        kDefaultCharsetKey, kFromMeAtKey, kGroupKey, kAddressTypeKey, kSenderAddressTypeKey,
        kOtherOptionsAddressTypeKey, kAddRecipientAddressTypeKey, kAuthenticationTypeKey,
        kSSLAuthenticationTypeKey, kUseSSLKey, kUseOrganizationKey, kImageHTMLKey, kUseBinhexKey,
        kAttachmentsDispositionKey, kMyNameKey, kMyEmailKey, kRecipientsTabValueKey, kSenderTabValueKey,
        kMailServerKey, kMailServerUsernameKey, kMailServerPortKey, kMailServerPopPeriodKey,
        kDisplayMessageEditorsWithSheetsKey, kShowPriorityCheckboxKey,
    };
};
