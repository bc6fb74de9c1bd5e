#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/dir.h"
#include "base/path.h"

namespace {

std::vector<std::string> Split(const std::string& raw) {
    return FilesOfOpenResult(raw.data(), raw.size());
}

TEST(OpenResult, OnePathOrAFolderWithNames) {
    const std::string sep(1, PathSeparator());
    EXPECT_EQ(Split(std::string("C:\\pics\\a.jpg\0\0", 16)),
              (std::vector<std::string>{"C:\\pics\\a.jpg"}));
    EXPECT_EQ(Split(std::string("C:\\pics\0a.jpg\0b.jpg\0\0", 22)),
              (std::vector<std::string>{"C:\\pics" + sep + "a.jpg", "C:\\pics" + sep + "b.jpg"}));
    // A drive root already ends with its backslash.
    EXPECT_EQ(Split(std::string("C:\\\0a.jpg\0\0", 11)), (std::vector<std::string>{"C:\\a.jpg"}));
    // A folder whose last byte is the second half of a double-byte character gets a separator.
    EXPECT_EQ(Split(std::string("x\x95\\\0a.jpg\0\0", 12)),
              (std::vector<std::string>{"x\x95\\" + sep + "a.jpg"}));
}

TEST(OpenResult, NothingBeyondTheBufferIsRead) {
    EXPECT_TRUE(Split("").empty());
    EXPECT_TRUE(Split(std::string("\0\0", 2)).empty());
    // No final zero: the last name ends where the buffer does.
    const char raw[] = {'d', '\0', 'a', 'b'};
    EXPECT_EQ(FilesOfOpenResult(raw, sizeof raw).size(), 1u);
    EXPECT_EQ(FilesOfOpenResult(raw, sizeof raw)[0].substr(2), "ab");
}

}  // namespace
