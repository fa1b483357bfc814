// The application's tests start from a clean preference domain with the scripted presenter and
// a recording launcher; each test builds its own CBrevantoApp and closes every mailing window
// it left before the application cleans up.
#pragma once

#include "CBrevantoApp.h"
#include "CBrevantoWindow.h"
#include "CCleanupObject.h"
#include "MergeFieldValues.h"
#include "CEnvironment.h"
#include "LMainContext.h"
#include "Launcher.h"
#include "Preferences.h"
#include "ScriptedPresenter.h"
#include "ToolboxCommands.h"
#include "WorkingFolders.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>
#include <vector>

class RecordingLauncher : public Launcher {
public:
    bool Open(const QString& inPathOrURL) override
    {
        opened.push_back(inPathOrURL);
        return opens;
    }
    OSErr Reveal(const QString& inPath) override
    {
        revealed.push_back(inPath);
        return noErr;
    }
    std::vector<QString> opened;
    std::vector<QString> revealed;
    bool opens = true; // false: every opener fails to start
};

class ApplicationFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        LMainContext::Get();
        InstallMergeFieldValues();
        QFile::remove(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Brevanto/org.brevanto.Brevanto.plist");
        presenter = std::make_unique<ScriptedPresenter>();
        presenter->SetFailureHandler([](const QString& inMessage) { ADD_FAILURE() << inMessage.toStdString(); });
        Launcher::Install(&launcher);
        // Mailing windows ask nothing of the tests at construction.
        SetSetting("Show No Me Card Alert", "0");
        SetSetting("Restore Workspace", "false");
        // A software-update check ('UPDT') asks a closed loopback port, never the maker's site.
        SetSetting("Software Update Site", "http://127.0.0.1:9");
    }

    void TearDown() override
    {
        CloseAllWindows();
        if (app) {
            app->CleanUp();
            app.reset();
        }
        Launcher::Install(nullptr);
        presenter.reset();
    }

    static void SetSetting(const char* inKey, const char* inValue) { SetPreference(inValue, CString256(inKey)); }

    CBrevantoApp& MakeApplication()
    {
        app = std::make_unique<CBrevantoApp>();
        return *app;
    }

    static std::vector<CBrevantoWindow*> Windows()
    {
        std::vector<CBrevantoWindow*> windows;
        gWindowList.Rewind();
        while (CBrevantoWindow** window = gWindowList.Next())
            windows.push_back(*window);
        return windows;
    }

    static void CloseAllWindows()
    {
        for (CBrevantoWindow* window : Windows())
            window->Cleanup();
        CCleanupObject::DeleteAll();
    }

    // A mailing document (an empty dictionary) named inName in the test's folder.
    QString MakeDocument(const QString& inName)
    {
        const QString path = folder.path() + "/" + inName;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict/>\n</plist>\n");
        return path;
    }

    static QString LogText()
    {
        FSRef logs;
        if (!GetLogsFolder(&logs))
            return QString();
        QFile file(QString::fromStdString(logs.path) + "/Brevanto.log");
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    std::unique_ptr<ScriptedPresenter> presenter;
    RecordingLauncher launcher;
    std::unique_ptr<CBrevantoApp> app;
    QTemporaryDir folder;
};
