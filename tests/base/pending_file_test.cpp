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
#include <dirent.h>
#include <fcntl.h>
#include <sys/sysmacros.h>
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

#ifndef _WIN32
// Every name in a folder, whatever it names.
std::vector<std::string> AllEntries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* d = opendir(folder.c_str());
    if (!d) return names;
    while (const dirent* e = readdir(d)) {
        const std::string n = e->d_name;
        if (n != "." && n != "..") names.push_back(n);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

// What a commit does to each kind of thing a target name may stand for: only a regular file is
// ever replaced; a link is written through, a device or FIFO is written into, a folder refused.
TEST_F(PendingFileTest, EveryKindOfTargetKeepsItsKind) {
    std::string elsewhere_base;
    ASSERT_TRUE(MakeTempFileName(&elsewhere_base));
    const std::string elsewhere = elsewhere_base + ".e";
    DeleteTempFile(&elsewhere_base);
    ASSERT_TRUE(MakeFolder(elsewhere));
    const std::string other = elsewhere + "/other.bin";

    enum Kind { kRegular, kMissing, kLink, kFifo, kCharDevice, kFolder };
    struct Case {
        const char* what;
        std::string target;   // the name given to the pending file
        std::string written;  // where the bytes must arrive ("" when nowhere)
        Kind kind;            // what target is afterwards
        bool open;            // Open succeeds
        CommitResult commit;  // when it does
        int error;            // the reason noted when it fails
    };
    const bool root = geteuid() == 0;
    std::vector<Case> cases = {
        {"regular file", Path("reg.bin"), Path("reg.bin"), kRegular, true, CommitResult::kDone, 0},
        {"missing file", Path("new.bin"), Path("new.bin"), kRegular, true, CommitResult::kDone, 0},
        {"link to a file", Path("l-file"), Path("reg2.bin"), kLink, true, CommitResult::kDone, 0},
        {"dangling link", Path("l-none"), Path("made.bin"), kLink, true, CommitResult::kDone, 0},
        {"dangling link, relative, two hops", Path("l-hop"), Path("sub2.bin"), kLink, true,
         CommitResult::kDone, 0},
        {"link to another folder", Path("l-else"), other, kLink, true, CommitResult::kDone, 0},
        {"link to a dangling link elsewhere", Path("l-else2"), elsewhere + "/made2.bin", kLink,
         true, CommitResult::kDone, 0},
        {"links in a circle", Path("l-loop"), "", kLink, false, CommitResult::kDone, ELOOP},
        {"FIFO with a reader", Path("fifo-read"), "", kFifo, true, CommitResult::kDone, 0},
        {"FIFO without a reader", Path("fifo"), "", kFifo, true, CommitResult::kReplaceFailed,
         ENXIO},
        {"link to a FIFO", Path("l-fifo"), "", kLink, true, CommitResult::kReplaceFailed, ENXIO},
        {"the null device", "/dev/null", "", kCharDevice, true, CommitResult::kDone, 0},
        {"the full device", "/dev/full", "", kCharDevice, true, CommitResult::kWriteFailed, ENOSPC},
        {"folder", Path("dir"), "", kFolder, false, CommitResult::kDone, EISDIR},
        {"link to a folder", Path("l-dir"), "", kLink, false, CommitResult::kDone, EISDIR},
    };
    if (root)  // a copy of the full device, as only the superuser may make one
        cases.push_back({"device node made here", Path("full-copy"), "", kCharDevice, true,
                         CommitResult::kWriteFailed, ENOSPC});

    Put(Path("reg.bin"), "old");
    Put(Path("reg2.bin"), "old");
    Put(other, "old");
    ASSERT_EQ(symlink(Path("reg2.bin").c_str(), Path("l-file").c_str()), 0);
    ASSERT_EQ(symlink(Path("made.bin").c_str(), Path("l-none").c_str()), 0);
    ASSERT_EQ(symlink("l-hop2", Path("l-hop").c_str()), 0);
    ASSERT_EQ(symlink("sub2.bin", Path("l-hop2").c_str()), 0);
    ASSERT_EQ(symlink(other.c_str(), Path("l-else").c_str()), 0);
    ASSERT_EQ(symlink((elsewhere + "/l-made2").c_str(), Path("l-else2").c_str()), 0);
    ASSERT_EQ(symlink("made2.bin", (elsewhere + "/l-made2").c_str()), 0);
    ASSERT_EQ(symlink("l-loop2", Path("l-loop").c_str()), 0);
    ASSERT_EQ(symlink("l-loop", Path("l-loop2").c_str()), 0);
    ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(Path("fifo-read").c_str(), 0600), 0);
    ASSERT_EQ(symlink(Path("fifo").c_str(), Path("l-fifo").c_str()), 0);
    ASSERT_TRUE(MakeFolder(Path("dir")));
    ASSERT_EQ(symlink(Path("dir").c_str(), Path("l-dir").c_str()), 0);
    if (root) {
        ASSERT_EQ(mknod(Path("full-copy").c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
    }
    // The reader of the FIFO: the bytes wait in the pipe until read back below.
    const int reader = open(Path("fifo-read").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);

    const std::string bytes = "new contents";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TakeFileFailure();
        {
            PendingFile f;
            const bool opened = f.Open(c.target);
            EXPECT_EQ(opened, c.open);
            const std::string temp = f.temp_path();
            if (opened) {
                // A device's bytes wait in the temporary folder, a file's beside it.
                EXPECT_EQ(PathFolder(temp) == TempFolder(), IsSpecialFile(c.target));
                ASSERT_TRUE(f.Write(bytes.data(), bytes.size()));
                EXPECT_EQ(f.Commit(), c.commit);
            }
            const FileFailure why = TakeFileFailure();
            EXPECT_EQ(why.error, c.error);
            if (c.error) {
                EXPECT_EQ(why.path, c.target);
            }
            if (opened) {
                EXPECT_EQ(FileLength(temp), -1);
            }
        }
        if (!c.written.empty()) {
            EXPECT_EQ(Get(c.written), bytes);
        }
        struct stat st;
        ASSERT_EQ(lstat(c.target.c_str(), &st), 0);
        switch (c.kind) {
            case kRegular:
                EXPECT_TRUE(S_ISREG(st.st_mode));
                break;
            case kMissing:
                break;
            case kLink:
                EXPECT_TRUE(S_ISLNK(st.st_mode));
                break;
            case kFifo:
                EXPECT_TRUE(S_ISFIFO(st.st_mode));
                break;
            case kCharDevice:
                EXPECT_TRUE(S_ISCHR(st.st_mode));
                break;
            case kFolder:
                EXPECT_TRUE(S_ISDIR(st.st_mode));
                break;
        }
    }
    char back[64] = {};
    EXPECT_EQ(read(reader, back, sizeof back), static_cast<ssize_t>(bytes.size()));
    EXPECT_EQ(std::string(back, bytes.size()), bytes);
    close(reader);

    // Nothing but what was there and what the writes made; no temporary file anywhere.
    std::vector<std::string> expected = {"fifo",     "fifo-read", "l-dir",    "l-else",  "l-else2",
                                         "l-fifo",   "l-file",    "l-hop",    "l-hop2",  "l-loop",
                                         "l-loop2",  "l-none",    "made.bin", "new.bin", "reg.bin",
                                         "reg2.bin", "sub2.bin"};
    if (root) expected.push_back("full-copy");
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> here = AllEntries(folder_);
    here.erase(std::remove(here.begin(), here.end(), "dir"), here.end());
    EXPECT_EQ(here, expected);
    const std::vector<std::string> there = AllEntries(elsewhere);
    EXPECT_EQ(there, (std::vector<std::string>{"l-made2", "made2.bin", "other.bin"}));

    for (const std::string& n : here) unlink(Path(n).c_str());
    rmdir(Path("dir").c_str());
    for (const std::string& n : there) unlink((elsewhere + "/" + n).c_str());
    rmdir(elsewhere.c_str());
}

// Reading never waits on a FIFO and never takes a device or FIFO for a file's contents.
TEST_F(PendingFileTest, OnlyRegularFilesAreOpenedForReading) {
    ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
    Put(Path("reg.bin"), "x");
    ASSERT_EQ(symlink(Path("fifo").c_str(), Path("l-fifo").c_str()), 0);
    ASSERT_TRUE(MakeFolder(Path("dir")));
    const struct {
        std::string path;
        int error;
    } cases[] = {
        {Path("fifo"), kErrorNotRegularFile},
        {Path("l-fifo"), kErrorNotRegularFile},
        {"/dev/null", kErrorNotRegularFile},
        {"/dev/zero", kErrorNotRegularFile},
        {Path("dir"), EISDIR},
        {Path("reg.bin"), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        TakeFileFailure();
        for (const char* mode : {"rb", "r+b"}) {
            ScopedFile f(OpenFileBinary(c.path, mode));
            EXPECT_EQ(static_cast<bool>(f), c.error == 0);
            const FileFailure why = TakeFileFailure();
            EXPECT_EQ(why.error, c.error);
        }
        EXPECT_EQ(FileLength(c.path), c.error ? -1 : 1);
    }
    EXPECT_EQ(FileErrorText(kErrorNotRegularFile), "not a regular file");
    rmdir(Path("dir").c_str());
    unlink(Path("l-fifo").c_str());
    unlink(Path("fifo").c_str());
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
