// The toolbox file class and growable buffer.
#include "FileTestFolder.h"
#include "LDynamicBuffer.h"
#include "LFile.h"

#include <gtest/gtest.h>

TEST(FileClass, DataForkOpenReadWriteClose)
{
    FileTestFolder folder;
    LFile file(FSSpec {folder.Path(), "data.bin"});
    EXPECT_EQ(file.GetDataForkRefNum(), -1);
    EXPECT_EQ(file.OpenDataFork(fsRdWrPerm), fnfErr);
    EXPECT_EQ(file.GetDataForkRefNum(), -1);
    ASSERT_EQ(file.CreateNewDataFile('KWRD', 'TEXT'), noErr);
    EXPECT_EQ(file.CreateNewDataFile('KWRD', 'TEXT'), dupFNErr);

    ASSERT_EQ(file.OpenDataFork(fsWrPerm), noErr);
    EXPECT_GE(file.GetDataForkRefNum(), 0);
    SInt32 count = 11;
    EXPECT_EQ(file.WriteDataFork("hello world", count), noErr);
    EXPECT_EQ(count, 11);
    EXPECT_EQ(file.SetDataForkLength(5), noErr);
    file.CloseDataFork();
    EXPECT_EQ(file.GetDataForkRefNum(), -1);
    EXPECT_EQ(folder.Read("data.bin"), "hello");

    ASSERT_EQ(file.OpenDataFork(fsRdPerm), noErr);
    char buffer[16] = {};
    count = 16;
    EXPECT_EQ(file.ReadDataFork(buffer, count), eofErr);
    EXPECT_EQ(count, 5);
    EXPECT_EQ(file.SetDataForkMark(1), noErr);
    count = 2;
    EXPECT_EQ(file.ReadDataFork(buffer, count), noErr);
    EXPECT_EQ(std::string(buffer, 2), "el");
    SInt32 refused = 1;
    EXPECT_NE(file.WriteDataFork("x", refused), noErr); // opened for reading only
    EXPECT_EQ(refused, 0);
}

TEST(FileClass, ClosedForkRefusesIO)
{
    LFile file;
    SInt32 count = 1;
    char c = 0;
    EXPECT_EQ(file.ReadDataFork(&c, count), paramErr);
    EXPECT_EQ(file.OpenDataFork(fsRdPerm), paramErr);
}

TEST(DynamicBuffer, AppendsInMemoryAndHasNoBackingFile)
{
    LDynamicBuffer buffer;
    buffer.ConcatenateBuffer("abc", 3);
    buffer.ConcatenateBuffer(nullptr, 5);
    buffer.ConcatenateBuffer("zz", -1);
    buffer.ConcatenateBuffer(buffer);
    EXPECT_EQ(buffer.GetBufferData(), "abcabc");
    EXPECT_EQ(buffer.GetBufferLength(), 6);
    FSSpec spec {"/kept", "name"};
    EXPECT_FALSE(buffer.GetBufferFile(spec));
    EXPECT_EQ(spec.name, "name");
}
