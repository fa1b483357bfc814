// A mailing window test's world: the offscreen application, the scripted presenter (an
// unscripted alert fails the test), a 800-pixel display, the window's preference keys cleared,
// an empty address book (a contacts folder without cards, no Me card), and every window closed
// and deleted at the end.
#pragma once

#include "CBrevantoWindow.h"
#include "CCleanupObject.h"
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
#include <QEvent>
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

    // The address book as a fresh machine has it: an empty contacts folder, no Me card.
    static void ResetAddressBook();
    // The user's own card in the address book (a vCard), named by the "Me Card" setting.
    static void WriteMeCard(const QString& inFirstName, const QString& inLastName, const QString& inOrganization,
                            const QStringList& inEmails);
    // No address book: a file stands where its folder should be.
    static void MakeAddressBookUnavailable();

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
