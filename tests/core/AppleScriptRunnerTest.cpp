// The script runners: script text without an engine and with a scripted one, bundle scripts
// as executables in a test folder, and revealing items through the launcher.
#include "AppleScriptRunner.h"

#include "FileManager.h"
#include "RecordingLauncher.h"
#include "ScriptRunner.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

class ScriptedEngine : public ScriptEngine {
public:
    OSErr Compile(const QByteArray& source, ScriptID* script) override
    {
        *script = 7;
        compiled = source;
        return noErr;
    }
    OSErr Execute(ScriptID, ScriptID* result, QString* message) override
    {
        if (compiled.contains("error")) {
            *message = "The variable x is not defined.";
            return -2753;
        }
        *result = 8;
        return noErr;
    }
    OSErr Display(ScriptID, QString* text) override
    {
        if (compiled.contains("undisplayable"))
            return -1700;
        *text = QString::fromUtf8("r\u00e9sultat");
        return noErr;
    }
    QByteArray compiled;
};

TEST(ScriptText, WithoutAnEngineEveryCompileFails)
{
    CText result("old");
    testing::internal::CaptureStderr();
    const OSErr err = RunAppleScript(CText("tell application \"Finder\" to activate"), result);
    const std::string logged = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, ScriptEngine::kNoScriptEngineErr);
    EXPECT_STREQ(result.buffer, "Script error: the script contains an error.");
    EXPECT_NE(logged.find("Script compile error: \ntell application \"Finder\" to activate"), std::string::npos);
}

TEST(ScriptText, AScriptedEngineReachesTheOtherTexts)
{
    ScriptedEngine engine;
    ScriptEngine::Install(&engine);
    CText result;
    EXPECT_EQ(RunAppleScript(CText("return 1"), result), noErr);
    EXPECT_EQ(QString::fromUtf8(result.buffer), QString::fromUtf8("r\u00e9sultat"));

    testing::internal::CaptureStderr();
    EXPECT_EQ(RunAppleScript(CText("error here"), result), -2753);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Script execution error: \nerror here"), std::string::npos);
    EXPECT_STREQ(result.buffer, "Script error: The variable x is not defined.");

    EXPECT_EQ(RunAppleScript(CText("undisplayable"), result), noErr);
    EXPECT_STREQ(result.buffer, "Script error: An error occurred when trying to get the script result.");
    ScriptEngine::Install(nullptr);
}

class BundleScripts : public ::testing::Test {
protected:
    void SetUp() override
    {
        ScriptRunner::SetScriptsFolder(folder.path());
        SetPingSound([this] { ++pings; });
        Script("GetSelection", "printf 'Ann Example\\n'");
        Script("GetGroups", "printf 'a\\0b\\0c\\0'");
        Script("EmptyList", "printf '\\0'");
        Script("Fails", "echo partial; exit 1");
        Script("Hangs", "sleep 30");
    }
    void TearDown() override
    {
        ScriptRunner::SetScriptsFolder({});
        ScriptRunner::SetDeadline(ScriptRunner::kDefaultDeadline);
        SetPingSound({});
    }
    void Script(const QString& name, const QByteArray& body)
    {
        QFile file(folder.path() + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n" + body + "\n");
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QTemporaryDir folder;
    int pings = 0;
};

TEST_F(BundleScripts, SingleTextPingsAndListsJoin)
{
    EXPECT_EQ(RunResourceAppleScript("GetSelection.applescript"), "Ann Example");
    EXPECT_EQ(pings, 1);
    EXPECT_EQ(RunResourceAppleScript("GetGroups.scpt"), "a, b, c");
    EXPECT_EQ(pings, 1);
}

TEST_F(BundleScripts, NothingUsableGivesNull)
{
    ScriptRunner::SetDeadline(std::chrono::milliseconds(500));
    for (const char* name : {"EmptyList", "Fails.applescript", "Missing.applescript", "Hangs", "../Fails", ""}) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(RunResourceAppleScript(name).isNull()) << name;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << name;
    }
    EXPECT_EQ(pings, 0);
}

TEST(Reveal, GoesToTheLauncherAsData)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/a \"quoted\" name.txt";
    QFile(path).open(QIODevice::WriteOnly);
    RecordingLauncher launcher;
    FSRef item;
    ASSERT_EQ(FSPathMakeRef(path, &item), noErr);
    EXPECT_EQ(RevealInFinder(item), noErr);
    EXPECT_EQ(launcher.revealed, QStringList {path});
    QFile::remove(path);
    EXPECT_EQ(RevealInFinder(item), fnfErr);
    EXPECT_EQ(launcher.revealed.size(), 1);
}

} // namespace
