// DesktopApps over a fixture XDG tree: Exec splitting, the lookup order of mimeapps.list
// groups and files, MIME ancestors, URL schemes, hidden entries, and launching.
#include "DesktopApps.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <thread>

namespace {

class XdgTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* sub : {"config", "sysconfig", "data/applications", "sys1/applications", "sys2/applications", "mimedb"})
            QDir(root.path()).mkpath(sub);
        // The system's MIME database, without the system's applications.
        QFile::link("/usr/share/mime", Path("mimedb/mime"));
        qputenv("XDG_CONFIG_HOME", Path("config").toUtf8());
        qputenv("XDG_CONFIG_DIRS", Path("sysconfig").toUtf8());
        qputenv("XDG_DATA_HOME", Path("data").toUtf8());
        qputenv("XDG_DATA_DIRS", (Path("sys1") + ":" + Path("sys2") + ":" + Path("mimedb")).toUtf8());
    }
    QString Path(const QString& sub) const { return root.path() + "/" + sub; }
    void Write(const QString& sub, const QByteArray& text)
    {
        QFile file(Path(sub));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    void Entry(const QString& folder, const QString& id, const QString& name, const QString& extra = {})
    {
        Write(folder + "/" + id, ("[Desktop Entry]\nType=Application\nName=" + name + "\nExec=/bin/true %U\n" + extra).toUtf8());
    }
    QString DefaultFor(const QString& type)
    {
        const auto entry = DesktopApps::DefaultForMimeType(type);
        return entry ? entry->id : QString();
    }

    QTemporaryDir root;
};

TEST(DesktopExec, SplitsByTheQuotingRulesAndDropsFieldCodes)
{
    struct {
        const char* exec;
        QStringList expected;
    } cases[] = {
        {"firefox %u", {"firefox"}},
        {"/opt/mail/bin/mail --compose %U --x", {"/opt/mail/bin/mail", "--compose", "--x"}},
        {"\"/opt/My App/run\" \"a \\\"q\\\" \\\\ \\$x\" %F", {"/opt/My App/run", "a \"q\" \\ $x"}},
        {"app --percent=100%% %i %c %k", {"app", "--percent=100%"}},
        {"app \"\" end", {"app", "", "end"}},
        {"app --file=%f", {"app", "--file="}},
        {"app\\sname arg", {"app", "name", "arg"}},
        {"app \"unbalanced", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DesktopApps::SplitExec(c.exec), c.expected) << c.exec;
}

TEST_F(XdgTree, DefaultsFollowGroupsThenFilesThenTheCache)
{
    for (const char* id : {"user.desktop", "sys.desktop", "added.desktop", "cached.desktop", "text.desktop"})
        Entry("sys1/applications", id, id);
    Write("sys2/applications/mimeinfo.cache", "[MIME Cache]\napplication/x-cached=cached.desktop;\n");
    Write("sysconfig/mimeapps.list",
          "[Default Applications]\ntext/html=sys.desktop\napplication/x-two=missing.desktop;sys.desktop;\n");
    Write("config/mimeapps.list",
          "[Added Associations]\ntext/html=added.desktop\napplication/x-added=added.desktop\n"
          "[Default Applications]\napplication/x-user=user.desktop\ntext/plain=text.desktop\n");
    EXPECT_EQ(DefaultFor("text/html"), "sys.desktop") << "every file's defaults before any added association";
    EXPECT_EQ(DefaultFor("application/x-user"), "user.desktop");
    EXPECT_EQ(DefaultFor("application/x-two"), "sys.desktop") << "an id without an entry is skipped";
    EXPECT_EQ(DefaultFor("application/x-added"), "added.desktop");
    EXPECT_EQ(DefaultFor("application/x-cached"), "cached.desktop");
    EXPECT_EQ(DefaultFor("text/x-csrc"), "text.desktop") << "an ancestor's default";
    EXPECT_EQ(DefaultFor("application/x-unknown"), "");
}

TEST_F(XdgTree, SchemesEntriesAndHiddenOnes)
{
    Entry("sys2/applications", "browser.desktop", "Fake Browser", "Icon=/icons/browser.png\n");
    Entry("data/applications", "browser.desktop", "Hidden Browser", "Hidden=true\n");
    Entry("sys1/applications", "mail.desktop", "Fake Mail");
    Write("data/applications/mimeapps.list",
          "[Default Applications]\nx-scheme-handler/http=browser.desktop\nx-scheme-handler/mailto=mail.desktop\n");
    EXPECT_FALSE(DesktopApps::DefaultForScheme("http")) << "hidden in the user's folder";
    QFile::remove(Path("data/applications/browser.desktop"));
    const auto browser = DesktopApps::DefaultForScheme("HTTP");
    ASSERT_TRUE(browser);
    EXPECT_EQ(browser->name, "Fake Browser");
    EXPECT_EQ(browser->icon, "/icons/browser.png");
    EXPECT_EQ(browser->path, Path("sys2/applications/browser.desktop"));
    EXPECT_EQ(DesktopApps::FindByName("fake mail")->id, "mail.desktop");
    EXPECT_FALSE(DesktopApps::FindByName("Nobody"));
    EXPECT_EQ(DesktopApps::AllEntries().size(), 2);
}

TEST_F(XdgTree, LaunchRunsTheProgramWithoutFieldCodes)
{
    const QString script = Path("record.sh");
    const QString log = Path("args.txt");
    Write("record.sh", ("#!/bin/sh\nprintf '%s|' \"$@\" > '" + log + "'\n").toUtf8());
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    Write("data/applications/rec.desktop",
          ("[Desktop Entry]\nName=Rec\nExec=\"" + script + "\" --new %U \"two words\"\n").toUtf8());
    ASSERT_TRUE(DesktopApps::Launch(*DesktopApps::FindById("rec.desktop")));
    for (int i = 0; i < 40 && !QFile::exists(log); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "--new|two words|");
    EXPECT_FALSE(DesktopApps::Launch(DesktopEntry {}));
}

} // namespace
