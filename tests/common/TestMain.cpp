// Test entry shared by every test executable: each test process gets a private home,
// configuration, data and temporary folder, so tests running in parallel never share
// preference files, and Qt runs without a display.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);

    QTemporaryDir sandbox(QDir::tempPath() + "/brevanto-test-XXXXXX");
    if (!sandbox.isValid())
        return 2;
    const QByteArray root = sandbox.path().toUtf8();
    for (const char* sub : {"home", "config", "data", "runtime", "tmp"})
        QDir(sandbox.path()).mkpath(sub);
    setenv("HOME", (root + "/home").constData(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/config").constData(), 1);
    setenv("XDG_DATA_HOME", (root + "/data").constData(), 1); // the contacts folder among others
    setenv("XDG_RUNTIME_DIR", (root + "/runtime").constData(), 1);
    setenv("TMPDIR", (root + "/tmp").constData(), 1);
    QDir(root + "/runtime").removeRecursively();
    QDir().mkpath(root + "/runtime");
    QFile::setPermissions(root + "/runtime", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    return RUN_ALL_TESTS();
}
