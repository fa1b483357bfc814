// Whole-file writes: temporary file, flush, rename; what survives a replace and a failure.
#include "FileManager.h"
#include "FileMetadata.h"
#include "FileTestFolder.h"
#include "WholeFileWrite.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

mode_t ModeOf(const std::string& path)
{
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

} // namespace

TEST(FileWholeWrite, ShorterContentTruncatesAndKeepsModeAndMetadata)
{
    FileTestFolder folder;
    folder.Put("doc", "a long old content");
    chmod(folder.PathOf("doc").c_str(), 0640);
    FSRef ref;
    ASSERT_EQ(FSPathMakeRef(folder.PathOf("doc"), &ref), noErr);
    const bool metadata = SupportsUserAttributes(folder.Path());
    if (metadata) {
        const OSType type = 'TEXT', creator = 'KWRD';
        ASSERT_EQ(FSSetTypeCreator(ref, &type, &creator), noErr);
        ASSERT_EQ(FSSetComment(ref, "from the web"), noErr);
    }

    ASSERT_EQ(WriteWholeFileAtomically(ref, "new", 3), noErr);
    EXPECT_EQ(folder.Read("doc"), "new");
    EXPECT_EQ(ModeOf(folder.PathOf("doc")), 0640u);
    EXPECT_EQ(folder.Entries(), QStringList {"doc"}); // no temporary file left
    if (!metadata)
        GTEST_SKIP() << "no user attributes here: metadata not checked";
    OSType type = 0, creator = 0;
    std::string comment;
    EXPECT_EQ(FSGetTypeCreator(ref, &type, &creator), noErr);
    EXPECT_EQ(type, OSType('TEXT'));
    EXPECT_EQ(creator, OSType('KWRD'));
    EXPECT_EQ(FSGetComment(ref, &comment), noErr);
    EXPECT_EQ(comment, "from the web");
}

TEST(FileWholeWrite, ExistingOnlyRefusesAMissingFileAndCreateMakesIt)
{
    FileTestFolder folder;
    EXPECT_EQ(WriteWholeFileAtomically(folder.PathOf("new"), "x", 1, WholeFileMode::ExistingOnly), fnfErr);
    EXPECT_FALSE(folder.Exists("new"));
    EXPECT_EQ(WriteWholeFileAtomically(folder.PathOf("new"), "x", 1, WholeFileMode::CreateIfMissing), noErr);
    EXPECT_EQ(folder.Read("new"), "x");
    EXPECT_EQ(ModeOf(folder.PathOf("new")) & 0002, 0u); // never world-writable
    EXPECT_EQ(WriteWholeFileAtomically(folder.PathOf("none/new"), "x", 1, WholeFileMode::CreateIfMissing), fnfErr);
    EXPECT_EQ(WriteWholeFileAtomically(folder.Path(), "x", 1, WholeFileMode::CreateIfMissing), notAFileErr);
    EXPECT_EQ(WriteWholeFileAtomically(folder.PathOf("empty"), nullptr, 0, WholeFileMode::CreateIfMissing), noErr);
    EXPECT_EQ(folder.Read("empty"), "");
}

TEST(FileWholeWrite, ASymbolicLinkStaysAndItsTargetIsReplaced)
{
    FileTestFolder folder;
    QDir().mkpath(QString::fromStdString(folder.PathOf("real")));
    folder.Put("real/target", "old");
    ASSERT_EQ(symlink("real/target", folder.PathOf("link").c_str()), 0);
    ASSERT_EQ(WriteWholeFileAtomically(folder.PathOf("link"), "replaced", 8, WholeFileMode::ExistingOnly), noErr);
    struct stat st {};
    ASSERT_EQ(lstat(folder.PathOf("link").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(folder.Read("real/target"), "replaced");
}

// A file-size limit makes the write fail part-way, even for root.
TEST(FileWholeWrite, AFailedWriteKeepsTheOldFileAndLeavesNoTemporary)
{
    FileTestFolder folder;
    folder.Put("doc", "precious");
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string big(100000, 'x');
    const OSErr err = WriteWholeFileAtomically(folder.PathOf("doc"), big.data(), big.size(), WholeFileMode::ExistingOnly);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(err, ioErr);
    EXPECT_EQ(folder.Read("doc"), "precious");
    EXPECT_EQ(folder.Entries(), QStringList {"doc"});
}

TEST(FileWholeWrite, AReadOnlyFileIsNotReplaced)
{
    if (CanOverridePermissions())
        GTEST_SKIP() << "root overrides file permissions";
    FileTestFolder folder;
    folder.Put("locked", "old");
    chmod(folder.PathOf("locked").c_str(), 0444);
    EXPECT_EQ(WriteWholeFileAtomically(folder.PathOf("locked"), "new", 3, WholeFileMode::ExistingOnly), permErr);
    EXPECT_EQ(folder.Read("locked"), "old");
}

TEST(FileWholeWrite, ReadingBackWholeFiles)
{
    FileTestFolder folder;
    folder.Put("bytes", QByteArray("a\0b", 3));
    std::string bytes;
    EXPECT_EQ(ReadWholeFileBytes(folder.PathOf("bytes"), &bytes), noErr);
    EXPECT_EQ(bytes, std::string("a\0b", 3));
    EXPECT_EQ(ReadWholeFileBytes(folder.PathOf("none"), &bytes), fnfErr);
    EXPECT_EQ(ReadWholeFileBytes(folder.Path(), &bytes), notAFileErr);
}

// A temporary file goes when no writer holds it and it has not been written for a while; the
// temporary of a write in progress (locked by its writer) and every other file stay.
TEST(FileWholeWrite, InterruptedWritesAreRemovedAndWritesInProgressKept)
{
    FileTestFolder folder;
    const auto putAged = [&](const std::string& name, bool aged) {
        folder.Put(name, "partial");
        if (!aged)
            return;
        const struct timespec old[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
        utimensat(AT_FDCWD, folder.PathOf(name).c_str(), old, 0);
    };
    putAged(".brevanto-write-0000dead", true);
    putAged(".brevanto-write-00000new", false);
    putAged(".brevanto-write-000inuse", true);
    putAged("settings.plist", true);
    const int writer = open(folder.PathOf(".brevanto-write-000inuse").c_str(), O_RDONLY);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(flock(writer, LOCK_EX), 0);

    RemoveInterruptedWrites(folder.Path());
    close(writer);
    EXPECT_EQ(folder.Entries(), (QStringList {".brevanto-write-00000new", ".brevanto-write-000inuse", "settings.plist"}));
}
