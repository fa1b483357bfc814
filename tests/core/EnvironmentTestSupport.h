// A fixture for tests that build the environment or read settings: a private home (PrivateHome.h:
// the preference domain, the Logs folder and the recent items start empty), a small mapping
// table in place of the system's, and the program-wide pointer left null.
#pragma once

#include "CEnvironment.h"
#include "InternetConfigMap.h"
#include "Preferences.h"
#include "PrivateHome.h"

#include <gtest/gtest.h>

#include <QFile>

class EnvironmentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(mHome.IsValid());
        WriteMappingTable("application/pdf pdf\ntext/html html htm\nimage/gif gif\n");
    }

    void TearDown() override
    {
        InternetConfigMap::SetTablePath({});
        gEnvironment = nullptr;
    }

    void WriteMappingTable(const QByteArray& text)
    {
        const QString path = mHome.Path("mime.types");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        file.close();
        InternetConfigMap::SetTablePath(path);
    }

    static void Set(const char* key, const char* value) { ASSERT_EQ(SetPreference(value, CString256(key)), 0); }

    QString DataFolder() const { return mHome.DataFolder(); }
    QString Folder() const { return mHome.Root(); }

private:
    PrivateHome mHome;
};
