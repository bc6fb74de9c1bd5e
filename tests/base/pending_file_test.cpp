// PendingFile: the target is replaced only by a complete file, and every way out without a
// commit leaves the target as it was and no temporary file in its folder.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <direct.h>
#else
#include <unistd.h>
#endif

#include "base/dir.h"
#include "base/files.h"
#include "base/path.h"
#include "base/pending_file.h"
#include "base/tempfile.h"

namespace {

class PendingFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string base;
        ASSERT_TRUE(MakeTempFileName(&base));
        folder_ = base + ".d";
        DeleteTempFile(&base);
        ASSERT_TRUE(MakeFolder(folder_));
        folder_ += PathSeparator();
        TakeFileFailure();
    }
    void TearDown() override {
        SetPendingWriteBudgetForTests(-1);
        std::vector<std::string> names;
        ListFolderFiles(folder_, &names);
        for (const std::string& n : names) {
            std::string p = folder_ + n;
            chmod(p.c_str(), 0666);
            std::remove(p.c_str());
        }
        std::string dir = folder_.substr(0, folder_.size() - 1);
#ifdef _WIN32
        _rmdir(dir.c_str());
#else
        rmdir(dir.c_str());
#endif
    }

    std::string Path(const std::string& leaf) const {
        return folder_ + leaf;
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        EXPECT_TRUE(ListFolderFiles(folder_, &names));
        std::sort(names.begin(), names.end());
        return names;
    }
    static void Put(const std::string& path, const std::string& text) {
        ScopedFile f(OpenFileBinary(path, "wb"));
        ASSERT_TRUE(f);
        ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), f.get()), text.size());
    }
    static std::string Get(const std::string& path) {
        ScopedFile f(OpenFileBinary(path, "rb"));
        if (!f) return "<missing>";
        std::string s;
        char buf[256];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) s.append(buf, n);
        return s;
    }

    std::string folder_;
};

TEST_F(PendingFileTest, TheTargetChangesOnlyAtTheCommit) {
    const std::string target = Path("out.bin");
    Put(target, "old");
    PendingFile f;
    ASSERT_TRUE(f.Open(target));
    EXPECT_EQ(PathFolder(f.temp_path()), PathFolder(target));
    ASSERT_TRUE(f.Write("new contents", 12));
    EXPECT_EQ(Get(target), "old");
    EXPECT_EQ(Files().size(), 2u);  // the target and the temporary file beside it
    EXPECT_EQ(f.Commit(), CommitResult::kDone);
    EXPECT_EQ(Get(target), "new contents");
    EXPECT_EQ(Files(), std::vector<std::string>{"out.bin"});
    EXPECT_TRUE(f.temp_path().empty());
}

TEST_F(PendingFileTest, LeavingWithoutCommitDeletesTheTemporaryFile) {
    const std::string existing = Path("existing.bin");
    Put(existing, "keep me");
    {
        PendingFile f;
        ASSERT_TRUE(f.Open(existing));
        ASSERT_TRUE(f.Write("half", 4));
    }
    {
        PendingFile f;
        ASSERT_TRUE(f.Open(Path("new.bin")));
        ASSERT_TRUE(f.Write("half", 4));
        f.Discard();
        f.Discard();
    }
    EXPECT_EQ(Get(existing), "keep me");
    EXPECT_EQ(Files(), std::vector<std::string>{"existing.bin"});
}

TEST_F(PendingFileTest, AFullDiskFailsTheWriteAndTheCommitAndNotesTheReason) {
    const std::string target = Path("out.bin");
    Put(target, "old");
    SetPendingWriteBudgetForTests(5);
    PendingFile f;
    ASSERT_TRUE(f.Open(target));
    EXPECT_TRUE(f.Write("abc", 3));
    EXPECT_FALSE(f.Write("defg", 4));
    FileFailure why = TakeFileFailure();
    EXPECT_EQ(why.path, target);
    EXPECT_EQ(why.error, ENOSPC);
    SetPendingWriteBudgetForTests(-1);
    EXPECT_FALSE(f.Write("h", 1));  // stays failed
    EXPECT_EQ(f.Commit(), CommitResult::kWriteFailed);
    EXPECT_EQ(Get(target), "old");
    EXPECT_EQ(Files(), std::vector<std::string>{"out.bin"});
}

TEST_F(PendingFileTest, PiecesWriteAndReadBackWholeAndStopAtAFullDisk) {
    std::string bytes(3 * kFileChunk + 5, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
    const std::string target = Path("pieces.bin");
    PendingFile f;
    ASSERT_TRUE(f.Open(target));
    ASSERT_TRUE(WritePieces(&f, bytes.data(), bytes.size()));
    ASSERT_EQ(f.Commit(), CommitResult::kDone);
    EXPECT_EQ(Get(target), bytes);
    {
        ScopedFile in(OpenFileBinary(target, "rb"));
        ASSERT_TRUE(in);
        std::string back(bytes.size(), '\0');
        ASSERT_TRUE(ReadPieces(in.get(), &back[0], back.size()));
        EXPECT_EQ(back, bytes);
        char more;
        EXPECT_FALSE(ReadPieces(in.get(), &more, 1));  // nothing is left
    }
    // The second piece meets the full disk; the target stays as it was.
    SetPendingWriteBudgetForTests(kFileChunk + 10);
    PendingFile g;
    ASSERT_TRUE(g.Open(target));
    EXPECT_FALSE(WritePieces(&g, bytes.data(), bytes.size()));
    EXPECT_EQ(g.Commit(), CommitResult::kWriteFailed);
    EXPECT_EQ(Get(target), bytes);
}

TEST_F(PendingFileTest, TargetsThatCannotBeWrittenAreRefusedAtOnce) {
    PendingFile f;
    EXPECT_FALSE(f.Open(Path("no-such-folder") + PathSeparator() + "x.bin"));
    FileFailure why = TakeFileFailure();
    EXPECT_EQ(why.path, Path("no-such-folder") + PathSeparator() + "x.bin");
    EXPECT_EQ(why.error, ENOENT);

    ASSERT_TRUE(MakeFolder(Path("sub")));
    EXPECT_FALSE(f.Open(Path("sub")));
    EXPECT_EQ(TakeFileFailure().error, EISDIR);
    EXPECT_TRUE(IsFolder(Path("sub")));
    std::string sub = Path("sub");
#ifdef _WIN32
    _rmdir(sub.c_str());
#else
    rmdir(sub.c_str());
#endif
    EXPECT_FALSE(f.Open(""));
    EXPECT_TRUE(Files().empty());
}

TEST_F(PendingFileTest, AReadOnlyFileIsNotReplaced) {
#ifndef _WIN32
    if (geteuid() == 0) GTEST_SKIP() << "the superuser may write any file";
#endif
    const std::string target = Path("locked.bin");
    Put(target, "locked");
    ASSERT_EQ(chmod(target.c_str(), 0444), 0);
    PendingFile f;
    EXPECT_FALSE(f.Open(target));
    EXPECT_EQ(TakeFileFailure().error, EACCES);
    EXPECT_EQ(Get(target), "locked");
    EXPECT_EQ(Files(), std::vector<std::string>{"locked.bin"});
}

TEST_F(PendingFileTest, TheTargetMayBeTheInputReadToTheEndFirst) {
    const std::string path = Path("same.bin");
    Put(path, "input");
    ScopedFile in(OpenFileBinary(path, "rb"));
    ASSERT_TRUE(in);
    PendingFile f;
    ASSERT_TRUE(f.Open(path));
    char buf[16];
    const size_t n = std::fread(buf, 1, sizeof buf, in.get());
    ASSERT_EQ(std::string(buf, n), "input");
    ASSERT_TRUE(f.Write("output from input", 17));
    in.Close();
    EXPECT_EQ(f.Commit(), CommitResult::kDone);
    EXPECT_EQ(Get(path), "output from input");
    EXPECT_EQ(Files(), std::vector<std::string>{"same.bin"});
}

TEST_F(PendingFileTest, AReservedFileIsFilledByNameAndThenCommitted) {
    const std::string target = Path("fitted.bin");
    Put(target, "old");
    PendingFile outer;
    ASSERT_TRUE(outer.Reserve(target));
    EXPECT_EQ(FileLength(outer.temp_path()), 0);
    // A writer of its own replaces the reserved file by name, the way the codec's do.
    {
        PendingFile inner;
        ASSERT_TRUE(inner.Open(outer.temp_path()));
        ASSERT_TRUE(inner.Write("fitted", 6));
        ASSERT_EQ(inner.Commit(), CommitResult::kDone);
    }
    EXPECT_EQ(Get(target), "old");
    EXPECT_EQ(outer.Commit(), CommitResult::kDone);
    EXPECT_EQ(Get(target), "fitted");
    EXPECT_EQ(Files(), std::vector<std::string>{"fitted.bin"});
}

TEST_F(PendingFileTest, AFailedReplaceLeavesNothingBehind) {
    const std::string target = Path("taken");
    PendingFile f;
    ASSERT_TRUE(f.Open(target));
    ASSERT_TRUE(f.Write("x", 1));
    const std::string temp = f.temp_path();
    // While the file is written, a folder takes the target's name: the rename is refused.
    ASSERT_TRUE(MakeFolder(target));
    EXPECT_EQ(f.Commit(), CommitResult::kReplaceFailed);
    EXPECT_EQ(TakeFileFailure().path, target);
    EXPECT_EQ(FileLength(temp), -1);
    EXPECT_TRUE(IsFolder(target));
    EXPECT_TRUE(Files().empty());
#ifdef _WIN32
    _rmdir(target.c_str());
#else
    rmdir(target.c_str());
#endif
}

#ifndef _WIN32
TEST_F(PendingFileTest, ALinkStaysALinkAndAFileKeepsItsPermissions) {
    const std::string real = Path("real.bin");
    Put(real, "old");
    ASSERT_EQ(chmod(real.c_str(), 0640), 0);
    const std::string link = Path("link.bin");
    ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
    PendingFile f;
    ASSERT_TRUE(f.Open(link));
    ASSERT_TRUE(f.Write("new", 3));
    ASSERT_EQ(f.Commit(), CommitResult::kDone);
    struct stat st;
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(Get(real), "new");
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    unlink(link.c_str());
}
#endif

TEST(FileFailureNote, OpenFailuresAreNotedOnceWithTheirReason) {
    TakeFileFailure();
    std::string missing = TempFolder() + "no-such-folder-for-notes/x.bin";
    EXPECT_EQ(OpenFileBinary(missing, "rb"), nullptr);
    FileFailure why = TakeFileFailure();
    EXPECT_EQ(why.path, missing);
    EXPECT_EQ(why.error, ENOENT);
    EXPECT_EQ(TakeFileFailure().error, 0);
    EXPECT_TRUE(TakeFileFailure().path.empty());
}

}  // namespace
