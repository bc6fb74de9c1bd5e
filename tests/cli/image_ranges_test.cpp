// The image numbers of the camera commands, as text and against a camera's count.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/image_ranges.h"

namespace {

struct Case {
    std::vector<std::string> operands;
    int count;
    std::vector<int> images;  // expected when `error` is empty
    std::string error;        // a part of the expected reason
};

std::vector<int> Upto(int a, int b) {
    std::vector<int> v;
    for (int n = a; n <= b; ++n) v.push_back(n);
    return v;
}

TEST(ImageRanges, TextAndCount) {
    const Case cases[] = {
        {{"3"}, 5, {3}, ""},
        {{"1-3"}, 5, {1, 2, 3}, ""},
        {{"1,3"}, 5, {1, 3}, ""},
        {{"1-3,5"}, 6, {1, 2, 3, 5}, ""},
        {{"4-"}, 6, {4, 5, 6}, ""},
        {{"1-2,5-"}, 6, {1, 2, 5, 6}, ""},
        {{"5", "1-2"}, 6, {1, 2, 5}, ""},    // several operands, ascending
        {{"2-3", "3", "2"}, 6, {2, 3}, ""},  // each once
        {{"all"}, 4, Upto(1, 4), ""},
        {{"all"}, 0, {}, ""},
        {{}, 4, {}, ""},
        {{"6"}, 6, {6}, ""},
        {{"6-6"}, 6, {6}, ""},
        // Refused from the text alone.
        {{"abc"}, 5, {}, "'abc' is not an image number"},
        {{"1 - 3"}, 5, {}, "has blanks"},
        {{" 2"}, 5, {}, "has blanks"},
        {{"5-3"}, 9, {}, "runs downwards; write 3-5"},
        {{"0"}, 5, {}, "start at 1"},
        {{"0-2"}, 5, {}, "start at 1"},
        {{"2-0"}, 5, {}, "start at 1"},
        {{"-3"}, 5, {}, "not an image number"},
        {{"1,"}, 5, {}, "not an image number"},
        {{",1"}, 5, {}, "not an image number"},
        {{"1,,2"}, 5, {}, "not an image number"},
        {{"1-3-5"}, 5, {}, "not an image number"},
        {{"2x"}, 5, {}, "not an image number"},
        {{""}, 5, {}, "empty"},
        {{"99999999999"}, 5, {}, "not an image number"},
        {{"all", "2"}, 5, {}, "'all' stands alone"},
        {{"ALL"}, 5, {}, "not an image number"},
        // Refused against the camera's count.
        {{"7"}, 4, {}, "images 1 to 4; there is no image 7"},
        {{"3-5"}, 4, {}, "there is no image 5"},
        {{"5-"}, 4, {}, "there is no image 5"},
        {{"2", "9", "6"}, 4, {}, "there is no image 6"},
        {{"2"}, 1, {}, "holds 1 image; there is no image 2"},
        {{"1"}, 0, {}, "holds no images"},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const std::string& o : c.operands) shown += "[" + o + "]";
        SCOPED_TRACE(shown + " of " + std::to_string(c.count));
        ImageSelection sel;
        std::string error;
        std::vector<int> images;
        const bool ok = ParseImageSelection(c.operands, &sel, &error) &&
                        ResolveImageSelection(sel, c.count, &images, &error);
        if (c.error.empty()) {
            EXPECT_TRUE(ok) << error;
            EXPECT_EQ(images, c.images);
        } else {
            EXPECT_FALSE(ok);
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
            EXPECT_EQ(error.find('\n'), std::string::npos) << "one line";
        }
    }
}

TEST(ImageRanges, TextErrorsNeedNoCamera) {
    // What the text alone can refuse is refused before any count is known.
    ImageSelection sel;
    std::string error;
    EXPECT_FALSE(ParseImageSelection({"1", "5-3"}, &sel, &error));
    EXPECT_TRUE(ParseImageSelection({"1", "7-"}, &sel, &error));
    ASSERT_EQ(sel.ranges.size(), 2u);
    EXPECT_EQ(sel.ranges[1].first, 7);
    EXPECT_EQ(sel.ranges[1].last, 0);
    EXPECT_FALSE(sel.all);
}

}  // namespace
