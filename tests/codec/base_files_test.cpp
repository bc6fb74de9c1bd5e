#include <gtest/gtest.h>

#include <cstdio>

#include "base/files.h"
#include "base/path.h"
#include "base/tempfile.h"

namespace {

TEST(TempFile, NamingCreationAndDoubleDelete) {
    std::string a, b;
    ASSERT_TRUE(MakeTempFileName(&a));
    ASSERT_TRUE(MakeTempFileName(&b));
    EXPECT_NE(a, b);
    EXPECT_LT(a.size(), kMaxPathChars);
    std::string leaf = PathFileName(a);
    EXPECT_EQ(leaf.substr(0, 3), "ZEK");
    EXPECT_TRUE(HasExtension(leaf, ".tmp")) << leaf;
    EXPECT_EQ(PathFolder(a), PathFolder(TempFolder() + "x"));
    EXPECT_EQ(FileLength(a), 0);  // created empty
    DeleteTempFile(&a);
    EXPECT_TRUE(a.empty());
    DeleteTempFile(&a);
    EXPECT_TRUE(a.empty());
    std::string kept = b;
    DeleteTempFile(&b);
    EXPECT_EQ(FileLength(kept), -1);
}

TEST(TempFile, ScopedTempFileDeletesOnScopeExit) {
    std::string name;
    {
        ScopedTempFile t;
        ASSERT_TRUE(t.Make());
        name = t.name();
        EXPECT_EQ(FileLength(name), 0);
    }
    EXPECT_EQ(FileLength(name), -1);
}

TEST(Files, BinaryModeKeepsEveryByte) {
    ScopedTempFile t;
    ASSERT_TRUE(t.Make());
    const char data[] =
        "a\r\nb\nc\x1a"
        "d";
    {
        ScopedFile f(OpenFileBinary(t.name(), "wb"));
        ASSERT_TRUE(f);
        ASSERT_EQ(std::fwrite(data, 1, sizeof data, f.get()), sizeof data);
    }
    EXPECT_EQ(FileLength(t.name()), static_cast<int64_t>(sizeof data));
    ScopedFile f(OpenFileBinary(t.name(), "rb"));
    char back[sizeof data];
    ASSERT_EQ(std::fread(back, 1, sizeof back, f.get()), sizeof back);
    EXPECT_EQ(0, memcmp(back, data, sizeof data));
    EXPECT_TRUE(SameFile(t.name(), t.name()));
    EXPECT_FALSE(SameFile(t.name(), t.name() + ".other"));
}

TEST(Paths, NamesAndFolders) {
    EXPECT_EQ(PathFileName("/a/b/c.jpg"), "c.jpg");
    EXPECT_EQ(PathFileName("c.jpg"), "c.jpg");
    EXPECT_EQ(PathFolder("/a/b/c.jpg"), "/a/b/");
    EXPECT_EQ(PathFolder("c.jpg"), "");
    EXPECT_TRUE(HasExtension("x.JPG", ".jpg"));
    EXPECT_FALSE(HasExtension("jpg", ".jpg"));
#ifdef _WIN32
    EXPECT_EQ(PathFileName("C:\\dir\\x.bmp"), "x.bmp");
    EXPECT_EQ(JoinPath("C:\\dir", "x"), "C:\\dir\\x");
#else
    EXPECT_EQ(JoinPath("/dir", "x"), "/dir/x");
#endif
    EXPECT_EQ(JoinPath("/dir/", "x"), "/dir/x");
}

}  // namespace
