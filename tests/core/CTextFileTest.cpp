#include "CText.h"
#include "LDynamicBuffer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class CTextFile : public ::testing::Test {
protected:
    std::string PathOf(const char* name) const { return (folder.path() + "/" + name).toStdString(); }

    void WriteFile(const std::string& path, const std::string& bytes) const
    {
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes.data(), qint64(bytes.size()));
    }

    std::string ReadFile(const std::string& path) const
    {
        QFile file(QString::fromStdString(path));
        if (!file.open(QIODevice::ReadOnly))
            return "<missing>";
        return file.readAll().toStdString();
    }

    static std::string Text(const CText& t) { return std::string(t.buffer, size_t(t.length)); }

    QTemporaryDir folder;
};

}  // namespace

TEST_F(CTextFile, LoadingTurnsNulBytesIntoSpaces)
{
    std::string path = PathOf("nuls.bin");
    WriteFile(path, std::string("a\0b\0\0c", 6));
    CText loaded;
    loaded.LoadPath(path.c_str());
    EXPECT_EQ(Text(loaded), "a b  c");

    FSSpec spec{folder.path().toStdString(), "nuls.bin"};
    EXPECT_EQ(Text(CText(spec)), "a b  c");
    CText stepped(spec, 4);
    EXPECT_EQ(stepped.capacity, 8);  // sized afresh: (6 / 4 + 1) x 4

    CText byRef("old");
    byRef.LoadFSRef(FSRef{path});
    EXPECT_EQ(Text(byRef), "a b  c");
}

TEST_F(CTextFile, MissingFiles)
{
    std::string missing = PathOf("missing.txt");
    CText loaded("old");
    loaded.LoadPath(missing.c_str());
    EXPECT_EQ(Text(loaded), "");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(missing)));  // reading creates nothing

    CText kept("old");
    kept.ReadPath(missing.c_str());
    EXPECT_EQ(Text(kept), "old");

    CText fromFolder("old");
    fromFolder.LoadPath(folder.path().toUtf8().constData());
    EXPECT_EQ(Text(fromFolder), "");

    EXPECT_EQ(CText("data").WriteToFSRef(FSRef{missing}), fnfErr);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(missing)));
}

TEST_F(CTextFile, ReadPathAndAppendFile)
{
    std::string path = PathOf("part.txt");
    WriteFile(path, std::string("x\0y", 3));
    CText t("old");
    t.ReadPath(path.c_str());
    EXPECT_EQ(Text(t), "x y");
    t.AppendFile(path.c_str());
    t.AppendFile(FSSpec{folder.path().toStdString(), "part.txt"});
    t.AppendFile(PathOf("missing").c_str());
    EXPECT_EQ(Text(t), "x yx yx y");
}

TEST_F(CTextFile, WriteToFSRefReplacesTheWholeContent)
{
    std::string path = PathOf("out.txt");
    WriteFile(path, "a much longer old content");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    EXPECT_EQ(CText("short").WriteToFSRef(FSRef{path}), noErr);
    EXPECT_EQ(ReadFile(path), "short");
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(CTextFile, ReplaceFileAtPathAndWriteFSSpecCreateOrReplace)
{
    std::string path = PathOf("new.txt");
    EXPECT_EQ(CText("first").ReplaceFileAtPath(path.c_str()), noErr);
    EXPECT_EQ(ReadFile(path), "first");
    EXPECT_EQ(CText("second").WriteFSSpec(FSSpec{folder.path().toStdString(), "new.txt"}), noErr);
    EXPECT_EQ(ReadFile(path), "second");
    EXPECT_EQ(CText("third").WritePath(path.c_str()), noErr);
    EXPECT_EQ(ReadFile(path), "third");
    EXPECT_EQ(CText("x").ReplaceFileAtPath(PathOf("no/such/folder.txt").c_str()), fnfErr);
}

TEST_F(CTextFile, AFailedReplaceKeepsTheOldFile)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    QDir(folder.path()).mkdir("locked");
    std::string path = PathOf("locked/keep.txt");
    WriteFile(path, "old content");
    std::string lockedFolder = PathOf("locked");
    ASSERT_EQ(chmod(lockedFolder.c_str(), 0500), 0);
    EXPECT_EQ(CText("new").ReplaceFileAtPath(path.c_str()), permErr);
    EXPECT_EQ(CText("new").WriteToFSRef(FSRef{path}), permErr);
    chmod(lockedFolder.c_str(), 0700);
    EXPECT_EQ(ReadFile(path), "old content");
}

TEST_F(CTextFile, ReadFromStreamTakesTheStreamBytes)
{
    LDynamicBuffer stream;
    stream.ConcatenateBuffer("body ", 5);
    stream.ConcatenateBuffer("text", 4);
    CText t("old");
    t.ReadFromStream(stream);
    EXPECT_EQ(Text(t), "body text");
}
