// A fixture for tests that build the environment or read settings: fresh configuration and data
// folders (so the preference domain, the Logs folder and the recent items start empty), a small
// mapping table in place of the system's, and the program-wide pointer left null.
#pragma once

#include "CEnvironment.h"
#include "InternetConfigMap.h"
#include "Preferences.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

class EnvironmentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(mFolder.isValid());
        mSavedConfig = qgetenv("XDG_CONFIG_HOME");
        mSavedData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(mFolder.path() + "/config"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(mFolder.path() + "/data"));
        WriteMappingTable("application/pdf pdf\ntext/html html htm\nimage/gif gif\n");
    }

    void TearDown() override
    {
        InternetConfigMap::SetTablePath({});
        qputenv("XDG_CONFIG_HOME", mSavedConfig);
        qputenv("XDG_DATA_HOME", mSavedData);
        gEnvironment = nullptr;
    }

    void WriteMappingTable(const QByteArray& text)
    {
        const QString path = mFolder.path() + "/mime.types";
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        file.close();
        InternetConfigMap::SetTablePath(path);
    }

    static void Set(const char* key, const char* value) { ASSERT_EQ(SetPreference(value, CString256(key)), 0); }

    QString DataFolder() const { return mFolder.path() + "/data"; }
    QString Folder() const { return mFolder.path(); }

private:
    QTemporaryDir mFolder;
    QByteArray mSavedConfig;
    QByteArray mSavedData;
};
