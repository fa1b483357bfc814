// Byte buffers: CMutableData's append/read order and hand-outs, CLDynamicBuffer's appends.
#include "CLDynamicBuffer.h"
#include "CMutableData.h"
#include "MemoryBlocks.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(MutableData, ReadsBackWhatWasAppendedInOrder)
{
    CMutableData data;
    const SInt16 shortValue = -2;
    const SInt32 longValue = 0x01020304;
    Handle handle = NewHandle(3);
    std::memcpy(*handle, "xyz", 3);
    data.Append("ab", 2);
    data.AppendShort(&shortValue);
    data.AppendLong(&longValue);
    data.AppendHandle(handle);
    DisposeHandle(handle);
    ASSERT_EQ(data.GetLength(), 2 + 2 + 4 + 3);

    char two[2];
    SInt16 s = 0;
    SInt32 l = 0;
    Handle back = nullptr;
    EXPECT_TRUE(data.ReadBytes(two, 2));
    EXPECT_TRUE(data.ReadShort(&s));
    EXPECT_TRUE(data.ReadLong(&l));
    EXPECT_TRUE(data.ReadHandle(back, 3));
    EXPECT_EQ(std::string(two, 2), "ab");
    EXPECT_EQ(s, shortValue);
    EXPECT_EQ(l, longValue);
    EXPECT_EQ(std::string(*back, 3), "xyz");
    DisposeHandle(back);
}

TEST(MutableData, AReadPastTheEndFailsAndChangesNothing)
{
    CMutableData data("abc", 3, false);
    char out[8] = "-------";
    data.SetReadPosition(2);
    EXPECT_FALSE(data.ReadLong(out));
    EXPECT_STREQ(out, "-------");
    EXPECT_EQ(data.GetReadPosition(), 2);
    Handle handle = reinterpret_cast<Handle>(0x1);
    EXPECT_FALSE(data.ReadHandle(handle, 2));
    EXPECT_EQ(handle, reinterpret_cast<Handle>(0x1));
    EXPECT_TRUE(data.ReadBytes(out, 1));
    EXPECT_EQ(out[0], 'c');

    // Clear keeps the old position: the next read fails until the caller resets it.
    data.Clear();
    data.Append("new", 3);
    EXPECT_FALSE(data.ReadBytes(out, 1));
    data.SetReadPosition(0);
    EXPECT_TRUE(data.ReadBytes(out, 3));
    EXPECT_EQ(std::string(out, 3), "new");
}

TEST(MutableData, EmptyDataHandsOutNothingAndLeavesOutputs)
{
    CMutableData empty;
    Handle handle = reinterpret_cast<Handle>(0x1);
    Ptr pointer = reinterpret_cast<Ptr>(0x1);
    EXPECT_FALSE(empty.ToHandle(handle));
    EXPECT_FALSE(empty.ToPtr(pointer));
    EXPECT_EQ(handle, reinterpret_cast<Handle>(0x1));
    EXPECT_EQ(pointer, reinterpret_cast<Ptr>(0x1));

    CMutableData full("hello", 5, false);
    ASSERT_TRUE(full.ToHandle(handle));
    EXPECT_EQ(GetHandleSize(handle), 5);
    EXPECT_EQ(std::string(*handle, 5), "hello");
    DisposeHandle(handle);
    ASSERT_TRUE(full.ToPtr(pointer));
    EXPECT_EQ(GetPtrSize(pointer), 5);
    DisposePtr(pointer);
    Ptr copy = full.CopyToNewPtr();
    EXPECT_EQ(std::string(copy, 5), "hello");
    DisposePtr(copy);
}

TEST(MutableData, CopiesAreIndependentAndStartReadingAtZero)
{
    Ptr source = NewPtr(4);
    std::memcpy(source, "orig", 4);
    CMutableData data(source, 4, true); // takes a copy and releases the block
    char c;
    data.ReadBytes(&c, 1);
    CMutableData copy(data);
    EXPECT_EQ(copy.GetReadPosition(), 0);
    copy.GetBytePtr()[0] = 'X';
    EXPECT_EQ(data.Data(), "orig");
    CMutableData assigned;
    assigned.Append("zz", 2);
    assigned.ReadBytes(&c, 1);
    assigned = copy;
    EXPECT_EQ(assigned.Data(), "Xrig");
    EXPECT_EQ(assigned.GetReadPosition(), 0);
    assigned = assigned;
    EXPECT_EQ(assigned.Data(), "Xrig");
    assigned.AppendData(assigned);
    EXPECT_EQ(assigned.Data(), "XrigXrig");
}

TEST(DynamicBuffer, ConcatenatesInMemoryWithoutAFile)
{
    CLDynamicBuffer buffer;
    buffer.Concatenate("part 1, ", 8);
    buffer.Concatenate("part 2", 6);
    EXPECT_EQ(buffer.GetBufferData(), "part 1, part 2");
    FSRef ref {"/untouched"};
    EXPECT_FALSE(buffer.GetFileRef(ref));
    EXPECT_EQ(ref.path, "/untouched");
}
