// The byte-order helpers and the bounds-checked reader: every read past the end gives 0 and
// fails for good; the looks ahead and the readers of a part never reach past their bytes.
#include <gtest/gtest.h>

#include <cstdint>

#include "base/bytes.h"

namespace {

TEST(Bytes, PutAndGetInBothOrders) {
    uint8_t b[4] = {};
    PutBe16(b, 0x1234);
    EXPECT_EQ(b[0], 0x12);
    EXPECT_EQ(b[1], 0x34);
    EXPECT_EQ(GetBe16(b), 0x1234);
    PutLe16(b, 0x1234);
    EXPECT_EQ(GetLe16(b), 0x1234);
    PutBe32(b, 0x01020304);
    EXPECT_EQ(GetBe32(b), 0x01020304u);
    PutLe32(b, 0x01020304);
    EXPECT_EQ(b[0], 0x04);
    EXPECT_EQ(GetLe32(b), 0x01020304u);
}

TEST(ByteReader, ReadsInOrderAndFailsForGoodPastTheEnd) {
    const uint8_t b[] = {1, 2, 3, 4, 5, 6, 7};
    ByteReader r(b, sizeof b);
    EXPECT_EQ(r.U8(), 1);
    EXPECT_EQ(r.Be16(), 0x0203);
    EXPECT_EQ(r.Le32(), 0x07060504u);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.left(), 0u);
    EXPECT_EQ(r.U8(), 0);
    EXPECT_FALSE(r.ok());
    r.Seek(0);
    EXPECT_FALSE(r.ok());  // sticky
    EXPECT_EQ(r.U8(), 0);
}

TEST(ByteReader, ByteOrderByFlag) {
    const uint8_t b[] = {0x12, 0x34, 0x12, 0x34, 0x01, 0x02, 0x03, 0x04, 0x01, 0x02, 0x03, 0x04};
    ByteReader r(b, sizeof b);
    EXPECT_EQ(r.U16(true), 0x1234);
    EXPECT_EQ(r.U16(false), 0x3412);
    EXPECT_EQ(r.U32(true), 0x01020304u);
    EXPECT_EQ(r.U32(false), 0x04030201u);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.U32(true), 0u);
    EXPECT_FALSE(r.ok());
}

TEST(ByteReader, PeekLooksAheadWithoutMovingOrFailing) {
    const uint8_t b[] = {0xFF, 0xD8, 0xFF};
    ByteReader r(b, sizeof b);
    ASSERT_NE(r.Peek(2), nullptr);
    EXPECT_EQ(r.Peek(2)[1], 0xD8);
    EXPECT_EQ(r.pos(), 0u);
    EXPECT_EQ(r.Peek(4), nullptr);  // not there: no failure
    EXPECT_TRUE(r.ok());
    r.Skip(2);
    EXPECT_EQ(r.Peek(1), b + 2);
    EXPECT_EQ(r.Peek(2), nullptr);
    r.Skip(2);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.Peek(0), nullptr);  // a failed reader shows nothing
}

TEST(ByteReader, SpanReadsOnlyItsOwnBytes) {
    const uint8_t b[] = {0, 3, 7, 8, 9, 42};
    ByteReader r(b, sizeof b);
    const uint16_t length = r.Be16();
    ByteReader span = r.Span(length);
    EXPECT_EQ(r.pos(), 5u);  // moved past the span
    EXPECT_EQ(span.size(), 3u);
    EXPECT_EQ(span.U8(), 7);
    EXPECT_EQ(span.Be16(), 0x0809);
    EXPECT_TRUE(span.ok());
    EXPECT_EQ(span.U8(), 0);  // the byte after the span is the outer reader's
    EXPECT_FALSE(span.ok());
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.U8(), 42);
}

TEST(ByteReader, SpanLongerThanWhatIsLeftFailsBoth) {
    const uint8_t b[] = {1, 2, 3};
    ByteReader r(b, sizeof b);
    r.Skip(1);
    ByteReader span = r.Span(3);
    EXPECT_FALSE(r.ok());
    EXPECT_FALSE(span.ok());
    EXPECT_EQ(span.size(), 0u);
    EXPECT_EQ(span.U8(), 0);
    // An empty span at the end is fine.
    ByteReader whole(b, sizeof b);
    whole.Skip(3);
    ByteReader empty = whole.Span(0);
    EXPECT_TRUE(whole.ok());
    EXPECT_TRUE(empty.ok());
    EXPECT_EQ(empty.left(), 0u);
}

TEST(ByteReader, FromCountsOffsetsFromItsStart) {
    const uint8_t b[] = {9, 9, 0, 4, 0xAA, 0xBB, 0xCC, 0xDD};
    ByteReader r(b, sizeof b);
    r.Skip(1);
    ByteReader dir = r.From(2);
    EXPECT_EQ(r.pos(), 1u);  // the outer reader stays where it was
    EXPECT_EQ(dir.size(), 6u);
    const uint16_t at = dir.Be16();
    dir.Seek(at);
    EXPECT_EQ(dir.Be16(), 0xCCDD);
    EXPECT_TRUE(dir.ok());
    EXPECT_TRUE(r.From(sizeof b).ok());  // the end itself: nothing to read
    EXPECT_EQ(r.From(sizeof b).left(), 0u);
    ByteReader beyond = r.From(sizeof b + 1);
    EXPECT_FALSE(beyond.ok());
    EXPECT_EQ(beyond.U8(), 0);
    EXPECT_TRUE(r.ok());
}

TEST(ByteReader, NullDataIsEmpty) {
    ByteReader r(nullptr, 100);
    EXPECT_EQ(r.size(), 0u);
    EXPECT_EQ(r.Peek(1), nullptr);
    EXPECT_EQ(r.Le16(), 0);
    EXPECT_FALSE(r.ok());
}

}  // namespace
