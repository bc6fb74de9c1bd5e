// Thumbnail geometry and sampling: pictures wider and taller than 4:3, tiny ones, palette
// pictures, and the name and kind rules of album files.
#include <gtest/gtest.h>

#include <cstring>

#include "album/album_file.h"
#include "album/album_picture.h"
#include "base/messages.h"
#include "codec/bmp_file.h"
#include "codec_test_support.h"

namespace {

struct Size {
    int32_t w, h;
    bool operator==(const Size& o) const { return w == o.w && h == o.h; }
};
std::ostream& operator<<(std::ostream& os, const Size& s) {
    return os << s.w << "x" << s.h;
}

Size Fit(int32_t w, int32_t h) {
    Size s{0, 0};
    ThumbnailSize(w, h, &s.w, &s.h);
    return s;
}

TEST(ThumbnailGeometry, WideTallExactAndTinyPictures) {
    EXPECT_EQ(Fit(640, 480), (Size{96, 72}));  // 4:3 exactly: the height decides
    EXPECT_EQ(Fit(96, 72), (Size{96, 72}));
    EXPECT_EQ(Fit(800, 480), (Size{96, 57}));   // wide: 480 * 96 / 800 = 57.6
    EXPECT_EQ(Fit(1600, 200), (Size{96, 12}));  // very wide
    EXPECT_EQ(Fit(480, 640), (Size{54, 72}));   // tall
    EXPECT_EQ(Fit(100, 3000), (Size{2, 72}));   // very tall: 2.4
    EXPECT_EQ(Fit(1, 1), (Size{72, 72}));       // tiny pictures grow to the box's height
    EXPECT_EQ(Fit(3, 2), (Size{96, 64}));
    EXPECT_EQ(Fit(2, 3), (Size{48, 72}));
    // A side that would round down to nothing keeps one pixel.
    EXPECT_EQ(Fit(1000, 1), (Size{96, 1}));
    EXPECT_EQ(Fit(32767, 1), (Size{96, 1}));
    EXPECT_EQ(Fit(1, 1000), (Size{1, 72}));
    EXPECT_EQ(Fit(1, 32767), (Size{1, 72}));
}

class ThumbnailTest : public CodecTest {
protected:
    DibImage Load(const std::vector<uint8_t>& bmp) {
        std::string p = TempPath(".bmp");
        WriteBytes(p, bmp);
        return LoadBmpFile(p);
    }
    // Pixel (x, y) counted from the top of a 24-bit block, as blue, green, red.
    static const uint8_t* At(const DibImage& d, int x, int y) {
        const size_t stride = static_cast<size_t>(DibStride(DibWidth(d), 24));
        return d.data() + DibPixelOffset(d) + (DibHeight(d) - 1 - y) * stride + x * 3;
    }
};

Rgb Code(int x, int y) {
    return Rgb{static_cast<uint8_t>(x), static_cast<uint8_t>(y), static_cast<uint8_t>(x ^ y)};
}

TEST_F(ThumbnailTest, NearestNeighbourSamplingOfWideTallAndTinyPictures) {
    struct Case {
        int w, h;
        Size fitted;
    };
    for (const Case& c : {Case{200, 50, {96, 24}}, Case{30, 90, {24, 72}}, Case{3, 2, {96, 64}},
                          Case{250, 1, {96, 1}}, Case{1, 1, {72, 72}}}) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
        DibImage src = Load(MakeBmp24(c.w, c.h, Code));
        ASSERT_TRUE(src);
        DibImage t = MakeThumbnail(src);
        ASSERT_TRUE(t);
        EXPECT_TRUE(IsAlbumThumbnail(t));
        ASSERT_EQ((Size{DibWidth(t), DibHeight(t)}), c.fitted);
        EXPECT_EQ(t.size(), kInfoHeaderSize + DibStride(c.fitted.w, 24) * c.fitted.h);
        // Bottom-up rows on both sides: thumbnail row r (from the bottom) samples source row
        // r * h / new h (from the bottom), column likewise.
        for (int r = 0; r < c.fitted.h; ++r) {
            for (int col = 0; col < c.fitted.w; ++col) {
                const int sy_bottom = r * c.h / c.fitted.h;
                const int sx = col * c.w / c.fitted.w;
                const Rgb want = Code(sx, c.h - 1 - sy_bottom);
                const uint8_t* got = At(t, col, c.fitted.h - 1 - r);
                ASSERT_EQ(got[2], want.r) << col << "," << r;
                ASSERT_EQ(got[1], want.g) << col << "," << r;
                ASSERT_EQ(got[0], want.b) << col << "," << r;
            }
        }
    }
    EXPECT_TRUE(prompts.boxes.empty());
}

TEST_F(ThumbnailTest, PalettePicturesKeepTheirColoursAndOtherKindsAreLeftToTheDisplay) {
    const std::vector<Rgb> palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 8, 7}};
    auto index = [](int x, int y) { return (x / 10 + y / 10) % 4; };
    DibImage eight = Load(MakePaletteBmp(40, 60, 8, palette, index));
    DibImage four = Load(MakePaletteBmp(40, 60, 4, palette, index));
    ASSERT_TRUE(eight && four);
    DibImage t8 = MakeThumbnail(eight);
    ASSERT_TRUE(t8);
    EXPECT_EQ(DibBitCount(t8), 24);
    EXPECT_EQ((Size{DibWidth(t8), DibHeight(t8)}), (Size{48, 72}));
    EXPECT_TRUE(IsAlbumThumbnail(t8));
    for (int y = 0; y < 72; y += 7) {
        for (int x = 0; x < 48; x += 5) {
            // Row y from the top samples source row (71 - y) * 60 / 72 from the bottom.
            const int sy = 59 - (71 - y) * 60 / 72;
            const Rgb want = palette[index(x * 40 / 48, sy)];
            const uint8_t* got = At(t8, x, y);
            ASSERT_EQ(got[2], want.r);
            ASSERT_EQ(got[1], want.g);
            ASSERT_EQ(got[0], want.b);
        }
    }
    // Four bits: not the direct path, but ThumbnailFromSource expands it first.
    EXPECT_FALSE(MakeThumbnail(four));
    DibImage t4 = ThumbnailFromSource(four);
    ASSERT_TRUE(t4);
    ASSERT_EQ(t4.size(), t8.size());
    EXPECT_EQ(0, std::memcmp(t4.data() + kInfoHeaderSize, t8.data() + kInfoHeaderSize,
                             t4.size() - kInfoHeaderSize));
    // A 16-bit picture or an empty block has no thumbnail here.
    DibImage sixteen = NewDib(8, 8, 16, 0);
    EXPECT_FALSE(MakeThumbnail(sixteen));
    EXPECT_FALSE(ThumbnailFromSource(sixteen));
    EXPECT_FALSE(ThumbnailFromSource(DibImage()));
    EXPECT_TRUE(prompts.boxes.empty());
}

TEST(AlbumNames, SaveNameAndPictureKinds) {
    EXPECT_EQ(AlbumSaveName("trip"), "trip.alb");
    EXPECT_EQ(AlbumSaveName("trip.alb"), "trip.alb");
    EXPECT_EQ(AlbumSaveName("TRIP.ALB"), "TRIP.ALB");
    EXPECT_EQ(AlbumSaveName("trip.Alb"), "trip.Alb.alb");
    EXPECT_EQ(AlbumSaveName("trip.jpg"), "trip.jpg.alb");
    EXPECT_EQ(PictureKindOf("/a/DSC0001.JPG"), PictureKind::kJpeg);
    EXPECT_EQ(PictureKindOf("/a/x.jpeg"), PictureKind::kJpeg);
    EXPECT_EQ(PictureKindOf("/a/x.Bmp"), PictureKind::kBmp);
    EXPECT_EQ(PictureKindOf("/a.bmp/x.png"), PictureKind::kOther);
    EXPECT_EQ(PictureKindOf("/a/bmp"), PictureKind::kOther);
}

TEST_F(ThumbnailTest, SourcesLoadByKindWithTheProgramsMessages) {
    JpegSpec spec;
    spec.width = 64;
    spec.height = 48;
    const std::string jpg = TempPath(".jpg");
    WriteBytes(jpg, MakeJpeg(spec));
    DibImage d = LoadAlbumSource(jpg, nullptr);
    ASSERT_TRUE(d);
    EXPECT_EQ(DibWidth(d), 64);
    DibImage t = ThumbnailFromSource(d);
    EXPECT_EQ((Size{DibWidth(t), DibHeight(t)}), (Size{96, 72}));

    const std::string txt = TempPath(".txt");
    WriteBytes(txt, {1, 2, 3});
    EXPECT_FALSE(LoadAlbumSource(txt, nullptr));
    EXPECT_FALSE(LoadAlbumSource(TempPath(".jpg"), nullptr));
    EXPECT_EQ(prompts.boxes,
              (std::vector<std::string>{ErrorText(kMsgNoCorrespondence), ErrorText(kMsgNoFile)}));
}

}  // namespace
