// System and application lookups over a fixture XDG tree with a fake browser and mail program.
#include "SystemLookups.h"

#include "ContactsFolder.h"
#include "LQtApplication.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <chrono>
#include <thread>
#include <utime.h>

namespace {

class Desktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        LQtApplication::Instance();
        QDir(root.path()).mkpath("data/applications");
        QDir(root.path()).mkpath("config");
        QDir(root.path()).mkpath("mimedb");
        // The system's MIME database, without the system's applications.
        QFile::link("/usr/share/mime", Path("mimedb/mime"));
        qputenv("XDG_DATA_HOME", Path("data").toUtf8());
        qputenv("XDG_DATA_DIRS", Path("mimedb").toUtf8());
        qputenv("XDG_CONFIG_HOME", Path("config").toUtf8());
        qputenv("XDG_CONFIG_DIRS", Path("none").toUtf8());
        Icon("browser.png", Qt::red);
        Icon("mail.png", Qt::green);
        Icon("mailid.png", Qt::blue);
        Entry("fakebrowser.desktop", "Fake Browser", Path("browser.png"));
        Entry("fakemail.desktop", "Mailer", Path("mail.png"));
        Write("data/applications/mimeapps.list",
              "[Default Applications]\nx-scheme-handler/http=fakebrowser.desktop\n"
              "x-scheme-handler/https=fakebrowser.desktop\ntext/html=fakebrowser.desktop\n"
              "x-scheme-handler/mailto=fakemail.desktop\n");
    }
    QString Path(const QString& sub) const { return root.path() + "/" + sub; }
    void Write(const QString& sub, const QByteArray& text)
    {
        QFile file(Path(sub));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    void Entry(const QString& id, const QString& name, const QString& icon, const QString& exec = "/bin/true %u")
    {
        Write("data/applications/" + id,
              ("[Desktop Entry]\nType=Application\nName=" + name + "\nIcon=" + icon + "\nExec=" + exec + "\n").toUtf8());
    }
    void Icon(const QString& name, Qt::GlobalColor color)
    {
        QImage image(16, 16, QImage::Format_RGB32);
        image.fill(color);
        image.save(Path(name));
    }
    static QColor ColorOf(const QIcon& icon) { return icon.pixmap(16, 16).toImage().pixelColor(8, 8); }

    QTemporaryDir root;
};

std::string Pascal(const Str255 text)
{
    return std::string(reinterpret_cast<const char*>(text + 1), text[0]);
}

TEST(SystemVersion, PredicatesAndTheFixedAnswer)
{
    EXPECT_EQ(GetSystemVersion(), 0x1049u);
    EXPECT_TRUE(IsSystem104OrLater());
    EXPECT_FALSE(IsSystem103());
    EXPECT_TRUE(IsSystem102(0x1020));
    EXPECT_FALSE(IsSystem102(0x1030));
    EXPECT_TRUE(IsSystem103(0x1030));
    EXPECT_TRUE(IsSystem1028OrLater(0x1028));
    EXPECT_FALSE(IsSystem1028OrLater(0x1027));
    EXPECT_FALSE(IsSystem104OrLater(0x1039));
    EXPECT_TRUE(HasQuickTime());
    EXPECT_TRUE(HasAquaMenus());
    void* bundle = &bundle;
    EXPECT_EQ(LoadSystemFramework("WebKit", &bundle), -4960);
    EXPECT_EQ(bundle, nullptr);
    CString256 version;
    GetDefaultVersion(version);
    EXPECT_STREQ(version.text, "1.0");
}

TEST_F(Desktop, HelpersAndApplicationsForURLs)
{
    Str255 name = {3, 'o', 'l', 'd'};
    EXPECT_EQ(GetHTTPHelper(name), 0u);
    EXPECT_EQ(Pascal(name), "Fake Browser");
    EXPECT_EQ(GetMailtoHelper(name), 0u);
    EXPECT_EQ(Pascal(name), "Mailer");
    Str255 unchanged = {3, 'o', 'l', 'd'};
    GetICHelper("gopher", unchanged);
    EXPECT_EQ(Pascal(unchanged), "old");

    FSRef application;
    EXPECT_TRUE(GetApplicationForURL("HTTP://x", &application));
    EXPECT_EQ(application.path, Path("data/applications/fakebrowser.desktop").toStdString());
    EXPECT_FALSE(GetApplicationForURL("ftp://x", &application));
    EXPECT_FALSE(GetApplicationForURL("", &application));
    Write("page.html", "<html><body>x</body></html>");
    EXPECT_TRUE(GetApplicationForURL(Path("page.html"), nullptr));

    QIcon icon;
    ASSERT_EQ(GetWebViewerIcon(&icon), noErr);
    EXPECT_EQ(ColorOf(icon), QColor(Qt::red));
    ASSERT_EQ(GetApplicationIconByName("Fake Browser.app", &icon), noErr);
    EXPECT_EQ(ColorOf(icon), QColor(Qt::red));
    EXPECT_EQ(GetApplicationIconByName("Nothing", &icon), -10814);
}

TEST_F(Desktop, MailIconIdBeforeNameAndNothingWithoutAHelper)
{
    QIcon icon;
    ASSERT_EQ(GetMailApplicationIcon(&icon), noErr);
    EXPECT_EQ(ColorOf(icon), QColor(Qt::green)) << "found by Name";
    Entry("Mailer.desktop", "Something Else", Path("mailid.png"));
    ASSERT_EQ(GetMailApplicationIcon(&icon), noErr);
    EXPECT_EQ(ColorOf(icon), QColor(Qt::blue)) << "the desktop id comes before the Name";
    Write("data/applications/mimeapps.list", "[Default Applications]\n");
    EXPECT_EQ(GetMailApplicationIcon(&icon), -10814);
}

TEST_F(Desktop, LaunchSystemAppMatchesIdThenNameIgnoringCase)
{
    const QString log = Path("launched.txt");
    Write("launch.sh", ("#!/bin/sh\nprintf '%s|' \"$@\" >> '" + log + "'\n").toUtf8());
    QFile::setPermissions(Path("launch.sh"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    Entry("addressbook.desktop", "Contacts", "", "\"" + Path("launch.sh") + "\" --id %F");
    Entry("calendar.desktop", "Calendar App", "", "\"" + Path("launch.sh") + "\" --name %u");
    LaunchSystemApp("AddressBook.app");
    LaunchSystemApp("calendar app");
    LaunchSystemApp("Missing.app");
    for (int i = 0; i < 40; ++i) {
        QFile file(log);
        if (file.open(QIODevice::ReadOnly) && file.readAll().size() >= 12)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray all = file.readAll();
    EXPECT_TRUE(all.contains("--id|"));
    EXPECT_TRUE(all.contains("--name|"));
    EXPECT_EQ(all.size(), 12);
}

TEST_F(Desktop, AddressBookStampFollowsTheContactsFolder)
{
    EXPECT_FALSE(AddressBookChangedSince()) << "no folder and no stamp";
    QDir().mkpath(ContactsFolder::Path());
    Write("data/Brevanto/Contacts/ann.vcf", "BEGIN:VCARD\nEND:VCARD\n");
    EXPECT_TRUE(AddressBookChangedSince());
    EXPECT_FALSE(AddressBookChangedSince());
    const QByteArray card = (ContactsFolder::Path() + "/ann.vcf").toUtf8();
    utimbuf later {time(nullptr) + 100, time(nullptr) + 100};
    ASSERT_EQ(utime(card.constData(), &later), 0);
    EXPECT_TRUE(AddressBookChangedSince());
    EXPECT_FALSE(AddressBookChangedSince());
}

TEST(BundleIcons, MissingIconIsAnError)
{
    QIcon icon;
    EXPECT_EQ(RegisterBundleIcon("NoSuchIcon", 'ICN#', &icon), fnfErr);
    EXPECT_TRUE(GetRegisteredIcon(kProgramSignature, 'ICN#').isNull());
}

} // namespace
