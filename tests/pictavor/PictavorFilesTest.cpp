// Creating the output file by name: replacing, dated names, and never "done" without a new file.
#include "FileManager.h"
#include "PictavorFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

class PictavorFilesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(FSPathMakeRef(fDir.path(), &fFolder), noErr); }
    void Put(const QString& name, const QByteArray& bytes)
    {
        QFile file(fDir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QStringList Entries() const
    {
        QStringList names = QDir(fDir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        names.sort();
        return names;
    }

    QTemporaryDir fDir;
    FSRef fFolder;
};

TEST_F(PictavorFilesTest, ReplaceDeletesTheOldFileAndCreatesAnEmptyOne)
{
    Put("load-url-1963.jpg", "old bytes");
    FSRef made;
    ASSERT_EQ(pictavor::FSCreateFile(fFolder, "load-url-1963.jpg", &made, true), noErr);
    EXPECT_EQ(QString::fromStdString(made.path), fDir.filePath("load-url-1963.jpg"));
    EXPECT_EQ(QFileInfo(fDir.filePath("load-url-1963.jpg")).size(), 0);
    EXPECT_TRUE(pictavor::FSObjectExists(fFolder, "load-url-1963.jpg", nullptr));
    EXPECT_FALSE(pictavor::FSObjectExists(fFolder, "other.jpg", nullptr));
}

TEST_F(PictavorFilesTest, WithoutReplaceATakenNameGetsTheDate)
{
    Put("page.jpg", "old");
    FSRef made;
    ASSERT_EQ(pictavor::FSCreateFile(fFolder, "page.jpg", &made, false), noErr);
    const QString name = pictavor::GetObjectDisplayName(made);
    EXPECT_TRUE(QRegularExpression(R"(^page \[\d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d \+0000\]\.jpg$)").match(name).hasMatch())
        << name.toStdString();
    EXPECT_EQ(QFileInfo(fDir.filePath("page.jpg")).size(), 3);
}

TEST_F(PictavorFilesTest, ANameThatStaysTakenIsADuplicateNeverSuccess)
{
    FSRef made;
    // A name without "." gets no date; the item stays in the way.
    Put("page", "old");
    EXPECT_EQ(pictavor::FSCreateFile(fFolder, "page", &made, false), dupFNErr);
    // A dated name already taken within the same second. Retry across a second boundary.
    OSErr status = noErr;
    for (int attempt = 0; attempt < 3 && status != dupFNErr; ++attempt) {
        Put("shot.png", "old");
        const QString dated = QStringLiteral("shot [%1].png").arg(QString(pictavor::CurrentDateDescription()).replace(':', '.'));
        Put(dated, "taken");
        status = pictavor::FSCreateFile(fFolder, "shot.png", &made, false);
    }
    EXPECT_EQ(status, dupFNErr);
}

TEST_F(PictavorFilesTest, AFolderThatCannotBeDeletedGivesItsError)
{
    ASSERT_TRUE(QDir(fDir.path()).mkpath("load-url-1963.png/inside"));
    FSRef made;
    const OSErr status = pictavor::FSCreateFile(fFolder, "load-url-1963.png", &made, true);
    EXPECT_NE(status, noErr);
    FSRef inTheWay;
    ASSERT_EQ(FSPathMakeRef(fDir.filePath("load-url-1963.png"), &inTheWay), noErr);
    EXPECT_EQ(status, FSDeleteObject(inTheWay));
    EXPECT_TRUE(QFileInfo(fDir.filePath("load-url-1963.png/inside")).isDir());
}

TEST_F(PictavorFilesTest, SmallConversions)
{
    EXPECT_EQ(pictavor::GetUnicodeString(QString::fromUtf8("a\xC3\xBC\xF0\x9F\x98\x80")), std::u16string(u"a\u00FC\U0001F600"));
    Put("x.txt", "1");
    FSRef ref;
    ASSERT_EQ(FSPathMakeRef(fDir.filePath("x.txt"), &ref), noErr);
    FSSpec spec;
    ASSERT_EQ(pictavor::FSRefMakeFSSpec(ref, &spec), noErr);
    EXPECT_EQ(spec.name, "x.txt");
    EXPECT_EQ(QString::fromStdString(spec.folder), QDir(fDir.path()).absolutePath());
}

} // namespace
