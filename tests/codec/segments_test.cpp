#include <gtest/gtest.h>

#include <cstring>

#include "codec/camera_segments.h"
#include "codec/jpeg_codec.h"
#include "codec_test_support.h"

extern "C" {
#include <jpeglib.h>
}

namespace {

// 2001-05-17 12:00:00 UTC: the same calendar day in every time zone from -11 to +11 hours.
constexpr uint32_t kNoonSeconds = 990100800u;

class SegmentsTest : public CodecTest {
protected:
    // A camera JPEG: the camera's APP0 in place of JFIF, and further application segments.
    std::string CameraJpeg(bool big, uint32_t w, uint32_t h, int extra_app = 1) {
        JpegSpec spec;
        spec.width = 32;
        spec.height = 24;
        spec.jfif = false;
        spec.markers.push_back({JPEG_APP0, CameraApp0Data(big, w, h, kNoonSeconds)});
        for (int i = 0; i < extra_app; ++i)
            spec.markers.push_back({JPEG_APP0 + 1 + i % 15, std::vector<uint8_t>(10 + i, i)});
        std::string p = TempPath(".jpg");
        WriteBytes(p, MakeJpeg(spec));
        return p;
    }
    // The encoder's output for a picture, as a save writes it.
    std::string Encoded() {
        std::string bmp = TempPath(".bmp");
        WriteBytes(bmp, MakeBmp24(24, 32, TestPattern));
        std::string jpg = TempPath(".jpg");
        EXPECT_EQ(EncodeJpegFile(bmp, jpg, kSaveSampling, 75, JpegProgress()), 1);
        return jpg;
    }
    static size_t Find(const std::vector<uint8_t>& hay, const std::vector<uint8_t>& needle) {
        auto it = std::search(hay.begin(), hay.end(), needle.begin(), needle.end());
        return it == hay.end() ? std::string::npos : static_cast<size_t>(it - hay.begin());
    }
};

TEST_F(SegmentsTest, KeepsApplicationSegmentsAndThePair) {
    KeptSegments kept;
    ASSERT_EQ(KeepCameraSegments(CameraJpeg(false, 640, 480, 2), &kept), 1);
    ASSERT_EQ(kept.count, 3);
    EXPECT_EQ(kept.segments[0][1], 0xE0);
    EXPECT_EQ(kept.segments[1][1], 0xE1);
    EXPECT_EQ(kept.segments[2][1], 0xE2);
    EXPECT_EQ(kept.segments[1].size(), 2u + 2u + 10u);
    EXPECT_EQ(kept.recorded_width, 640u);
    EXPECT_EQ(kept.recorded_height, 480u);
}

TEST_F(SegmentsTest, KeepsAtMostSixteen) {
    KeptSegments kept;
    ASSERT_EQ(KeepCameraSegments(CameraJpeg(true, 320, 240, 19), &kept), 1);
    EXPECT_EQ(kept.count, 16);
    EXPECT_EQ(kept.recorded_width, 320u);
}

TEST_F(SegmentsTest, TurnedPictureGetsSwappedPairAndNoJfif) {
    KeptSegments kept;
    ASSERT_EQ(KeepCameraSegments(CameraJpeg(false, 640, 480), &kept), 1);
    std::vector<uint8_t> before = kept.segments[0];
    std::string out = Encoded();
    ASSERT_EQ(RestoreCameraSegments(out, kept, 480, 640), 1);
    std::vector<uint8_t> f = ReadBytes(out);
    ASSERT_GT(f.size(), 4u);
    EXPECT_EQ(f[2], 0xFF);
    EXPECT_EQ(f[3], 0xE0);
    EXPECT_EQ(f[6], 'I');
    EXPECT_EQ(Find(f, {'J', 'F', 'I', 'F'}), std::string::npos);
    EXPECT_EQ(GetLe32(&f[2 + kCameraPairOffset]), 480u);
    EXPECT_EQ(GetLe32(&f[2 + kCameraPairOffset + 4]), 640u);
    // The kept copy stays as read, so a later save of the picture turned back is right too.
    EXPECT_EQ(kept.segments[0], before);
    ASSERT_EQ(RestoreCameraSegments(out = Encoded(), kept, 640, 480), 1);
    f = ReadBytes(out);
    EXPECT_EQ(GetLe32(&f[2 + kCameraPairOffset]), 640u);
    // Still a valid JPEG.
    JpegHeaderInfo info;
    EXPECT_EQ(ReadJpegHeaderInfo(out, &info), 1);
    EXPECT_EQ(DecodeJpegFile(out, TempPath(".bmp"), 0, JpegProgress()), 1);
}

TEST_F(SegmentsTest, UnchangedSizeKeepsSegmentBytes) {
    KeptSegments kept;
    ASSERT_EQ(KeepCameraSegments(CameraJpeg(false, 640, 480, 1), &kept), 1);
    std::string out = Encoded();
    std::vector<uint8_t> encoded = ReadBytes(out);
    ASSERT_EQ(RestoreCameraSegments(out, kept, 640, 480), 1);
    std::vector<uint8_t> f = ReadBytes(out);
    std::vector<uint8_t> expect(f.begin() + 2, f.begin() + 2 + kept.segments[0].size());
    EXPECT_EQ(expect, kept.segments[0]);
    size_t jfif_len = size_t{GetBe16(&encoded[4])} + 2;
    EXPECT_EQ(f.size(),
              encoded.size() - jfif_len + kept.segments[0].size() + kept.segments[1].size());
    // Everything after the header segments is the encoder's own.
    EXPECT_TRUE(std::equal(encoded.begin() + 2 + jfif_len, encoded.end(),
                           f.begin() + 2 + kept.segments[0].size() + kept.segments[1].size()));
}

TEST_F(SegmentsTest, BigEndianPairWrittenMostSignificantFirst) {
    KeptSegments kept;
    ASSERT_EQ(KeepCameraSegments(CameraJpeg(true, 0x01020304, 0x0A0B0C0D), &kept), 1);
    ASSERT_EQ(kept.recorded_width, 0x01020304u);
    std::string out = Encoded();
    ASSERT_EQ(RestoreCameraSegments(out, kept, 1, 1), 1);
    std::vector<uint8_t> f = ReadBytes(out);
    const uint8_t* seg = &f[2];
    const uint8_t expect[8] = {0x0A, 0x0B, 0x0C, 0x0D, 0x01, 0x02, 0x03, 0x04};
    EXPECT_EQ(0, std::memcmp(seg + kCameraPairOffset, expect, 8));
    // The bytes around the pair are unchanged.
    EXPECT_EQ(0, std::memcmp(seg, kept.segments[0].data(), kCameraPairOffset));
    size_t after = kCameraPairOffset + 8;
    EXPECT_EQ(0, std::memcmp(seg + after, kept.segments[0].data() + after,
                             kept.segments[0].size() - after));
}

TEST_F(SegmentsTest, JpegWithoutApplicationSegmentsSavesAsEncoded) {
    JpegSpec spec;
    spec.jfif = false;
    std::string opened = TempPath(".jpg");
    WriteBytes(opened, MakeJpeg(spec));
    KeptSegments kept;
    ASSERT_EQ(KeepCameraSegments(opened, &kept), 1);
    EXPECT_EQ(kept.count, 0);
    std::string out = Encoded();
    std::vector<uint8_t> encoded = ReadBytes(out);
    RestoreCameraSegments(out, kept, 24, 32);
    EXPECT_EQ(ReadBytes(out), encoded);
}

TEST_F(SegmentsTest, HostileDirectoriesMeanNoDirectory) {
    std::vector<uint8_t> data = CameraApp0Data(false, 640, 480, kNoonSeconds);
    std::vector<uint8_t> seg = {0xFF, 0xE0, 0, static_cast<uint8_t>(data.size() + 2)};
    seg.insert(seg.end(), data.begin(), data.end());
    size_t at;
    bool big;
    ASSERT_TRUE(FindCameraSizePair(seg.data(), seg.size(), &at, &big));
    EXPECT_EQ(at, kCameraPairOffset);
    auto broken = [&](size_t offset, uint32_t value) {
        std::vector<uint8_t> s = seg;
        PutLe32(&s[offset], value);
        return !FindCameraSizePair(s.data(), s.size(), &at, &big);
    };
    EXPECT_TRUE(broken(seg.size() - 4, 0xFFFFFFF0u));  // directory far outside
    EXPECT_TRUE(broken(seg.size() - 4, 36));           // count read past the end
    EXPECT_TRUE(broken(30, 0xFFFF));                   // huge entry count (and tag bytes)
    EXPECT_TRUE(broken(30 + 8, 0x7FFFFFFF));           // pair pointer outside
    EXPECT_TRUE(broken(30 + 8, 31));                   // pair runs past the end
    std::vector<uint8_t> s = seg;
    s[4] = 'X';
    EXPECT_FALSE(FindCameraSizePair(s.data(), s.size(), &at, &big));
    s = seg;
    s[2] = 0xFF;  // length beyond the buffer
    EXPECT_FALSE(FindCameraSizePair(s.data(), s.size(), &at, &big));
    s = seg;
    s[3] = 4;  // length too short for a directory
    EXPECT_FALSE(FindCameraSizePair(s.data(), s.size(), &at, &big));
}

TEST_F(SegmentsTest, HostileFilesAreWalkedSafely) {
    KeptSegments kept;
    // Not a JPEG: a header part of two bytes, nothing kept.
    std::string p = TempPath(".jpg");
    WriteBytes(p, {'B', 'M', 0xFF, 0xE1, 0, 4, 1, 2});
    EXPECT_EQ(KeepCameraSegments(p, &kept), 1);
    EXPECT_EQ(kept.count, 0);
    // An application segment whose length runs past the file.
    WriteBytes(p, {0xFF, 0xD8, 0xFF, 0xE1, 0xFF, 0xF0, 1, 2, 3});
    EXPECT_EQ(KeepCameraSegments(p, &kept), 1);
    EXPECT_EQ(kept.count, 0);
    // A zero length stops the walk.
    WriteBytes(p, {0xFF, 0xD8, 0xFF, 0xE1, 0, 0, 0xFF, 0xE2, 0, 2});
    EXPECT_EQ(KeepCameraSegments(p, &kept), 1);
    EXPECT_EQ(kept.count, 0);
    EXPECT_EQ(KeepCameraSegments(TempPath(".missing"), &kept), 0);
    // Marker-like bytes inside a comment are not taken for a segment.
    WriteBytes(p, {0xFF, 0xD8, 0xFF, 0xFE, 0, 6, 0xFF, 0xE3, 0, 2, 0xFF, 0xDA, 0, 2});
    EXPECT_EQ(KeepCameraSegments(p, &kept), 1);
    EXPECT_EQ(kept.count, 0);
    // Restoring into something that is not a JPEG leaves it alone.
    WriteBytes(p, {1, 2, 3});
    ASSERT_EQ(KeepCameraSegments(CameraJpeg(false, 1, 2), &kept), 1);
    EXPECT_EQ(RestoreCameraSegments(p, kept, 1, 2), 0);
    EXPECT_EQ(ReadBytes(p), std::vector<uint8_t>({1, 2, 3}));
}

TEST_F(SegmentsTest, ThumbnailDateInBothByteOrders) {
    for (bool big : {false, true}) {
        CameraDate d = ThumbnailDate(CameraJpeg(big, 80, 60));
        EXPECT_EQ(d.year, 2001) << big;
        EXPECT_EQ(d.month, 5);
        EXPECT_EQ(d.day, 17);
    }
}

TEST_F(SegmentsTest, ThumbnailDateAbsentCases) {
    std::vector<uint8_t> data = CameraApp0Data(false, 80, 60, kNoonSeconds);
    std::vector<uint8_t> file = {0xFF, 0xD8, 0xFF, 0xE0, 0, static_cast<uint8_t>(data.size() + 2)};
    file.insert(file.end(), data.begin(), data.end());
    EXPECT_EQ(ThumbnailSecondsFromBytes(file.data(), file.size()), kNoonSeconds);
    auto seconds_with = [&](size_t at, uint8_t v) {
        std::vector<uint8_t> f = file;
        f[at] = v;
        return ThumbnailSecondsFromBytes(f.data(), f.size());
    };
    EXPECT_EQ(seconds_with(2 + 10, 'X'), 0u);   // no HEAP
    EXPECT_EQ(seconds_with(2 + 14, 'X'), 0u);   // no JPGM
    EXPECT_EQ(seconds_with(2 + 4, 'X'), 0u);    // no byte order
    EXPECT_EQ(seconds_with(2 + 42, 0x0F), 0u);  // tag 0x180E gone
    EXPECT_EQ(seconds_with(2 + 48, 0x7F), 0u);  // seconds pointer outside
    // A quantisation table first ends the search.
    std::vector<uint8_t> dqt = {0xFF, 0xD8, 0xFF, 0xDB, 0, 2};
    dqt.insert(dqt.end(), file.begin() + 2, file.end());
    EXPECT_EQ(ThumbnailSecondsFromBytes(dqt.data(), dqt.size()), 0u);
    // Seconds 0: no date.
    std::vector<uint8_t> zero = file;
    PutLe32(&zero[2 + kCameraSecondsOffset], 0);
    EXPECT_FALSE(ThumbnailDateFromBytes(zero.data(), zero.size()).known());
    // Only the first 2048 bytes count.
    std::vector<uint8_t> late(2040, 0);
    late[0] = 0xFF;
    late[1] = 0xD8;
    late.insert(late.end(), file.begin() + 2, file.end());
    std::string p = TempPath(".jpg");
    WriteBytes(p, late);
    EXPECT_FALSE(ThumbnailDate(p).known());
    EXPECT_FALSE(ThumbnailDate(TempPath(".missing")).known());
    // Cut short.
    EXPECT_EQ(ThumbnailSecondsFromBytes(file.data(), file.size() - 1), 0u);
}

}  // namespace
