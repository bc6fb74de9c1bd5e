// The album file: round trips of the writer and reader, the older and shorter forms a reader
// meets, and files that lie about their lengths and counts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "album/album_file.h"
#include "base/bytes.h"
#include "base/messages.h"
#include "base/pending_file.h"
#include "codec_test_support.h"

namespace {

// A 24-bit thumbnail whose pixels tell their place and the picture they belong to.
DibImage Thumb(int w, int h, int seed) {
    DibImage d = NewDib(w, h, 24, 0);
    const size_t stride = static_cast<size_t>(DibStride(w, 24));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                d.data()[kInfoHeaderSize + y * stride + x * 3 + c] =
                    static_cast<uint8_t>(seed * 7 + x * 3 + y * 5 + c);
    return d;
}

std::string PicturePath(int i) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "/pictures/trip/DSC%04d.jpg", i + 1);
    return buf;
}

// n pictures with thumbnails of several shapes and every third one marked.
Album AlbumOf(int n) {
    Album a;
    for (int i = 0; i < n; ++i) {
        AlbumPicture p;
        p.path = PicturePath(i);
        p.thumbnail = i % 3 == 0   ? Thumb(96, 72, i)
                      : i % 3 == 1 ? Thumb(96, 54, i)
                                   : Thumb(41, 72, i);
        p.mark = i % 3 == 0;
        a.pictures.push_back(std::move(p));
    }
    return a;
}

std::vector<uint8_t> Header(uint16_t version, uint16_t count) {
    std::vector<uint8_t> h(kAlbumHeaderSize, 0);
    std::memcpy(h.data(), "ZEK DSC ALBUM  ", 15);
    PutLe16(&h[16], version);
    h[18] = 'P';
    PutLe16(&h[24], count);
    return h;
}

void AppendRecord(std::vector<uint8_t>* f, const std::string& path, const DibImage& thumb,
                  uint32_t claimed_length, size_t padding = 0) {
    std::vector<uint8_t> field(kAlbumPathField, 0);
    std::memcpy(field.data(), path.data(), path.size());
    f->insert(f->end(), field.begin(), field.end());
    uint8_t len[4];
    PutLe32(len, claimed_length);
    f->insert(f->end(), len, len + 4);
    f->insert(f->end(), thumb.data(), thumb.data() + thumb.size());
    f->insert(f->end(), padding, 0xEE);
}

void AppendRecord(std::vector<uint8_t>* f, const std::string& path, const DibImage& thumb) {
    AppendRecord(f, path, thumb, static_cast<uint32_t>(thumb.size()));
}

// An extension block with a skip of S bytes and the given marks; length as given or computed.
void AppendExtension(std::vector<uint8_t>* f, const std::vector<uint8_t>& marks, uint32_t skip,
                     int64_t length = -1) {
    const char* tag = "ZEK_ALBEXT";
    f->insert(f->end(), tag, tag + 10);
    uint8_t b[4];
    PutLe32(b, static_cast<uint32_t>(length >= 0 ? length : 10 + skip + marks.size()));
    f->insert(f->end(), b, b + 4);
    f->insert(f->end(), {'Z', 'E', 'K', '_', 'P'});
    PutLe32(b, skip);
    f->insert(f->end(), b, b + 4);
    f->insert(f->end(), skip, 0xAB);
    f->push_back(static_cast<uint8_t>(marks.size()));
    f->insert(f->end(), marks.begin(), marks.end());
}

class AlbumFileTest : public CodecTest {
protected:
    std::string Write(const std::vector<uint8_t>& bytes) {
        std::string p = TempPath(".alb");
        WriteBytes(p, bytes);
        return p;
    }
    void ExpectSame(const Album& a, const Album& b) {
        ASSERT_EQ(a.pictures.size(), b.pictures.size());
        for (size_t i = 0; i < a.pictures.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(a.pictures[i].path, b.pictures[i].path);
            EXPECT_EQ(a.pictures[i].mark, b.pictures[i].mark);
            ASSERT_EQ(a.pictures[i].thumbnail.size(), b.pictures[i].thumbnail.size());
            EXPECT_EQ(0, std::memcmp(a.pictures[i].thumbnail.data(), b.pictures[i].thumbnail.data(),
                                     a.pictures[i].thumbnail.size()));
        }
    }
    std::vector<std::string> Boxes() { return prompts.boxes; }
    std::string Only(int message) { return ErrorText(message); }
};

TEST_F(AlbumFileTest, RoundTripsOfNoneOneAndAHundredPictures) {
    for (int n : {0, 1, 100}) {
        SCOPED_TRACE(n);
        Album a = AlbumOf(n);
        const std::string path = TempPath(".alb");
        ASSERT_EQ(WriteAlbum(&a, path), 1);
        EXPECT_FALSE(a.modified);
        EXPECT_EQ(a.path, path);

        uint64_t expected = 32 + n + 24;
        for (const AlbumPicture& p : a.pictures) expected += 264 + p.thumbnail.size();
        const std::vector<uint8_t> bytes = ReadBytes(path);
        EXPECT_EQ(bytes.size(), expected);
        EXPECT_EQ(AlbumFileSize(a), expected);
        if (n == 0) {
            EXPECT_EQ(bytes.size(), 56u);
        }

        // The header: magic, version 0x0102, "P", N and zeros elsewhere.
        ASSERT_GE(bytes.size(), 32u);
        EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 32), Header(0x0102, n));
        // The extension block at the end: tag, L = N + 10, "ZEK_P", S = 0, M = N, the marks.
        const uint8_t* ext = bytes.data() + bytes.size() - (n + 24);
        EXPECT_EQ(0, std::memcmp(ext, "ZEK_ALBEXT", 10));
        EXPECT_EQ(GetLe32(ext + 10), uint32_t(n + 10));
        EXPECT_EQ(0, std::memcmp(ext + 14, "ZEK_P", 5));
        EXPECT_EQ(GetLe32(ext + 19), 0u);
        EXPECT_EQ(ext[23], n);
        for (int i = 0; i < n; ++i) EXPECT_EQ(ext[24 + i], i % 3 == 0 ? 1 : 0);

        Album b;
        ASSERT_EQ(LoadAlbumFile(path, &b), 1);
        EXPECT_FALSE(b.modified);
        EXPECT_EQ(b.path, path);
        ExpectSame(a, b);
    }
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(prompts.hourglass, prompts.arrow);
}

TEST_F(AlbumFileTest, PathOfTwoHundredFiftyNineCharactersRoundTripsAndLongerIsRefused) {
    Album a;
    AlbumPicture p;
    p.path = "/" + std::string(254, 'p') + ".jpg";
    ASSERT_EQ(p.path.size(), 259u);
    EXPECT_EQ(AlbumAddRefusal(a, p.path), -1);
    EXPECT_EQ(AlbumAddRefusal(a, p.path + "x"), kMsgNameTooLong);
    p.thumbnail = Thumb(96, 72, 1);
    a.pictures.push_back(std::move(p));
    const std::string path = TempPath(".alb");
    ASSERT_EQ(WriteAlbum(&a, path), 1);
    Album b;
    ASSERT_EQ(LoadAlbumFile(path, &b), 1);
    ExpectSame(a, b);

    // A path with no room for its terminator is refused before any file is made.
    a.pictures[0].path += "x";
    a.modified = true;
    const std::string other = TempPath(".alb");
    EXPECT_EQ(WriteAlbum(&a, other), 0);
    EXPECT_EQ(Boxes(), std::vector<std::string>{Only(kMsgNameTooLong)});
    EXPECT_EQ(FileLength(other), -1);
    EXPECT_TRUE(a.modified);
}

TEST_F(AlbumFileTest, OlderFormWithoutMarksReadsWithEveryMarkClear) {
    std::vector<uint8_t> f = Header(0x0101, 2);
    AppendRecord(&f, "/a/one.jpg", Thumb(96, 72, 1));
    AppendRecord(&f, "/a/two.bmp", Thumb(50, 72, 2));
    Album a;
    ASSERT_EQ(LoadAlbumFile(Write(f), &a), 1);
    ASSERT_EQ(a.pictures.size(), 2u);
    EXPECT_EQ(a.pictures[1].path, "/a/two.bmp");
    EXPECT_EQ(DibWidth(a.pictures[1].thumbnail), 50);
    EXPECT_FALSE(a.pictures[0].mark || a.pictures[1].mark);

    // The older form's marks are not read even when a block is there.
    AppendExtension(&f, {1, 1}, 0);
    ASSERT_EQ(LoadAlbumFile(Write(f), &a), 1);
    EXPECT_FALSE(a.pictures[0].mark || a.pictures[1].mark);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(AlbumFileTest, CurrentFormWithoutExtensionBlockHasNoMarks) {
    std::vector<uint8_t> f = Header(0x0102, 1);
    AppendRecord(&f, "/a/one.jpg", Thumb(96, 72, 1));
    uint8_t marks[kAlbumCapacity];
    const std::string path = Write(f);
    EXPECT_EQ(ReadAlbumMarks(path, marks), 0);
    Album a;
    ASSERT_EQ(LoadAlbumFile(path, &a), 1);
    EXPECT_FALSE(a.pictures[0].mark);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(AlbumFileTest, MarksAfterASkipAndBeyondTheCountAreReadAsFarAsTheyGo) {
    std::vector<uint8_t> f = Header(0x0777, 3);  // any version but 0x0101 reads the marks
    for (int i = 0; i < 3; ++i) AppendRecord(&f, PicturePath(i), Thumb(96, 72, i));
    std::vector<uint8_t> marks(200, 0);
    marks[0] = 1;
    marks[2] = 1;
    marks[150] = 1;  // beyond the count and beyond the table: ignored
    AppendExtension(&f, marks, 7);
    const std::string path = Write(f);
    uint8_t table[kAlbumCapacity];
    EXPECT_EQ(ReadAlbumMarks(path, table), 1);
    EXPECT_EQ(table[0], 1);
    EXPECT_EQ(table[1], 0);
    EXPECT_EQ(table[2], 1);
    Album a;
    ASSERT_EQ(LoadAlbumFile(path, &a), 1);
    EXPECT_TRUE(a.pictures[0].mark);
    EXPECT_FALSE(a.pictures[1].mark);
    EXPECT_TRUE(a.pictures[2].mark);

    // Fewer marks than pictures: the rest stay clear.
    std::vector<uint8_t> g = Header(0x0102, 3);
    for (int i = 0; i < 3; ++i) AppendRecord(&g, PicturePath(i), Thumb(96, 72, i));
    AppendExtension(&g, {1}, 0);
    ASSERT_EQ(LoadAlbumFile(Write(g), &a), 1);
    EXPECT_TRUE(a.pictures[0].mark);
    EXPECT_FALSE(a.pictures[1].mark || a.pictures[2].mark);

    // A block whose skip or mark count runs past its own length has no marks.
    std::vector<uint8_t> h = Header(0x0102, 1);
    AppendRecord(&h, PicturePath(0), Thumb(96, 72, 0));
    AppendExtension(&h, {1}, 4, 12);
    EXPECT_EQ(ReadAlbumMarks(Write(h), table), 0);
    EXPECT_EQ(table[0], 0);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(AlbumFileTest, MagicMustMatchAsAString) {
    std::vector<uint8_t> f = Header(0x0102, 0);
    AppendExtension(&f, {}, 0);
    Album a;
    ASSERT_EQ(LoadAlbumFile(Write(f), &a), 1);

    std::vector<uint8_t> g = f;
    g[4] = 'd';  // "ZEK dSC ALBUM  "
    EXPECT_EQ(LoadAlbumFile(Write(g), &a), 0);
    g = f;
    g[15] = ' ';  // no terminator within the 16 bytes
    EXPECT_EQ(LoadAlbumFile(Write(g), &a), 0);
    g = f;
    g[13] = 0;  // "ZEK DSC ALBUM" alone
    EXPECT_EQ(LoadAlbumFile(Write(g), &a), 0);
    EXPECT_EQ(Boxes(), std::vector<std::string>(3, Only(kMsgNotAlbum)));
    EXPECT_TRUE(a.pictures.empty());

    // Bytes 18 to 31 apart from the count are not looked at.
    g = f;
    g[18] = 'Q';
    g[20] = 9;
    g[30] = 9;
    EXPECT_EQ(LoadAlbumFile(Write(g), &a), 1);

    prompts.boxes.clear();
    EXPECT_EQ(LoadAlbumFile(Write(std::vector<uint8_t>(f.begin(), f.begin() + 31)), &a), 0);
    EXPECT_EQ(LoadAlbumFile(TempPath(".missing"), &a), 0);
    EXPECT_EQ(Boxes(),
              (std::vector<std::string>{Only(kMsgFileReadFailed), Only(kMsgFileOpenFailed)}));
}

TEST_F(AlbumFileTest, HostileCountsAndLengthsAreRefusedWithoutReadingPastTheEnd) {
    const DibImage t = Thumb(96, 72, 5);
    const uint32_t size = static_cast<uint32_t>(t.size());
    struct Case {
        const char* what;
        uint16_t count;
        uint32_t length;
        size_t padding;
        size_t cut;  // bytes cut off the file's end
        int message;
    };
    const Case cases[] = {
        {"count 65535 with one record", 65535, size, 0, 0, kMsgFileReadFailed},
        {"length 0", 1, 0, 0, 0, kMsgFileReadFailed},
        {"length shorter than a header", 1, 39, 0, 0, kMsgFileReadFailed},
        {"length 2^31", 1, 0x80000000u, 0, 0, kMsgFileReadFailed},
        {"length 2^32 - 1", 1, 0xFFFFFFFFu, 0, 0, kMsgFileReadFailed},
        {"length past the end", 1, size, 0, 100, kMsgFileReadFailed},
        {"length beyond a thumbnail's padding", 1, kMaxThumbnailLength + 1,
         kMaxThumbnailLength + 1 - size, 0, kMsgFileReadFailed},
        {"padding within the slack", 1, kMaxThumbnailLength, kMaxThumbnailLength - size, 0, -1},
        {"record cut inside its path", 1, size, 0, size + 100, kMsgFileReadFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        prompts.boxes.clear();
        std::vector<uint8_t> f = Header(0x0102, c.count);
        AppendRecord(&f, "/a/one.jpg", t, c.length, c.padding);
        f.resize(f.size() - c.cut);
        Album a;
        const int ok = LoadAlbumFile(Write(f), &a);
        if (c.message < 0) {
            EXPECT_EQ(ok, 1);
            EXPECT_TRUE(Boxes().empty());
            ASSERT_EQ(a.pictures.size(), 1u);
            EXPECT_EQ(a.pictures[0].thumbnail.size(), kMaxThumbnailLength);
        } else {
            EXPECT_EQ(ok, 0);
            EXPECT_EQ(Boxes(), std::vector<std::string>{Only(c.message)});
            EXPECT_TRUE(a.pictures.empty());
        }
    }
}

TEST_F(AlbumFileTest, RecordsThatAreNoThumbnailOrNoPathAreRefused) {
    auto load = [&](const std::vector<uint8_t>& f) {
        prompts.boxes.clear();
        Album a;
        EXPECT_EQ(LoadAlbumFile(Write(f), &a), 0);
        return Boxes();
    };
    const std::vector<std::string> read_failed{Only(kMsgFileReadFailed)};
    // An 8-bit block, a block taller than 72, a block whose rows are not all there.
    DibImage eight = NewDib(96, 72, 8, 0);
    DibImage tall = Thumb(40, 73, 1);
    DibImage cut = Thumb(96, 72, 1);
    for (const DibImage* d : {&eight, &tall}) {
        std::vector<uint8_t> f = Header(0x0102, 1);
        AppendRecord(&f, "/a/one.jpg", *d);
        EXPECT_EQ(load(f), read_failed);
    }
    std::vector<uint8_t> f = Header(0x0102, 1);
    AppendRecord(&f, "/a/one.jpg", cut, static_cast<uint32_t>(cut.size() - 3));
    f.resize(f.size() - 3);
    EXPECT_EQ(load(f), read_failed);
    // A path field without a terminator, and an empty one.
    f = Header(0x0102, 1);
    AppendRecord(&f, std::string(260, 'x'), Thumb(96, 72, 1));
    EXPECT_EQ(load(f), read_failed);
    f = Header(0x0102, 1);
    AppendRecord(&f, "", Thumb(96, 72, 1));
    EXPECT_EQ(load(f), read_failed);
}

TEST_F(AlbumFileTest, AlbumOfMoreThanAHundredOrTheSamePictureTwiceIsRefused) {
    std::vector<uint8_t> f = Header(0x0102, 101);
    for (int i = 0; i < 101; ++i) AppendRecord(&f, PicturePath(i), Thumb(8, 6, i));
    Album a;
    EXPECT_EQ(LoadAlbumFile(Write(f), &a), 0);
    EXPECT_EQ(Boxes(), std::vector<std::string>{Only(kMsgAlbumFull)});

    prompts.boxes.clear();
    std::vector<uint8_t> g = Header(0x0102, 2);
    AppendRecord(&g, "/a/One.JPG", Thumb(8, 6, 1));
    AppendRecord(&g, "/a/one.jpg", Thumb(8, 6, 2));
    EXPECT_EQ(LoadAlbumFile(Write(g), &a), 0);
    EXPECT_EQ(Boxes(), std::vector<std::string>{Only(kMsgAlreadyInAlbum)});
    EXPECT_TRUE(a.pictures.empty());

    Album full = AlbumOf(100);
    EXPECT_EQ(AlbumAddRefusal(full, "/new.jpg"), kMsgAlbumFull);
    full.pictures.pop_back();
    EXPECT_EQ(AlbumAddRefusal(full, "/new.jpg"), -1);
    EXPECT_EQ(AlbumAddRefusal(full, "/PICTURES/trip/dsc0001.JPG"), kMsgAlreadyInAlbum);
}

TEST_F(AlbumFileTest, TruncatedExtensionBlockSaysSoAndLeavesTheMarksClear) {
    std::vector<uint8_t> f = Header(0x0102, 2);
    AppendRecord(&f, "/a/one.jpg", Thumb(96, 72, 1));
    AppendRecord(&f, "/a/two.jpg", Thumb(96, 72, 2));
    AppendExtension(&f, {1, 1}, 0);
    f.resize(f.size() - 5);
    Album a;
    ASSERT_EQ(LoadAlbumFile(Write(f), &a), 1);
    EXPECT_EQ(Boxes(), std::vector<std::string>{Only(kMsgFileReadFailed)});
    ASSERT_EQ(a.pictures.size(), 2u);
    EXPECT_FALSE(a.pictures[0].mark || a.pictures[1].mark);

    // Cut inside the tag or the length: no block, nothing said.
    prompts.boxes.clear();
    for (size_t cut : {20u, 14u}) {
        std::vector<uint8_t> g = f;
        g.resize(f.size() + 5 - cut);
        ASSERT_EQ(LoadAlbumFile(Write(g), &a), 1);
    }
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(AlbumFileTest, FailedWritesLeaveThePreviousFileAndTheModifiedFlag) {
    Album old = AlbumOf(2);
    const std::string path = TempPath(".alb");
    ASSERT_EQ(WriteAlbum(&old, path), 1);
    const std::vector<uint8_t> before = ReadBytes(path);

    Album a = AlbumOf(10);
    for (int64_t budget : {int64_t{0}, int64_t{31}, int64_t{5000}, int64_t(AlbumFileSize(a) - 1)}) {
        SCOPED_TRACE(budget);
        prompts.boxes.clear();
        SetPendingWriteBudgetForTests(budget);
        EXPECT_EQ(WriteAlbum(&a, path), 0);
        SetPendingWriteBudgetForTests(-1);
        EXPECT_EQ(Boxes(), std::vector<std::string>{Only(kMsgDiskFull)});
        EXPECT_EQ(ReadBytes(path), before);
        EXPECT_TRUE(a.modified);
        EXPECT_TRUE(a.path.empty());
    }

    prompts.boxes.clear();
    EXPECT_EQ(WriteAlbum(&a, NewFolder() + "no/such/folder/x.alb"), 0);
    a.pictures[4].thumbnail.block.Reset();
    EXPECT_EQ(WriteAlbum(&a, path), 0);
    EXPECT_EQ(Boxes(),
              (std::vector<std::string>{Only(kMsgFileOpenFailed), Only(kMsgBitmapGetFailed)}));
    EXPECT_EQ(ReadBytes(path), before);
}

TEST_F(AlbumFileTest, ReaderStepsReadOneRecordAtATime) {
    std::vector<uint8_t> f = Header(0x0101, 2);
    AppendRecord(&f, "/a/one.jpg", Thumb(96, 72, 1),
                 static_cast<uint32_t>(Thumb(96, 72, 1).size() + 4), 4);
    AppendRecord(&f, "/a/two.jpg", Thumb(10, 72, 2));
    AlbumInput in;
    ASSERT_EQ(OpenAlbumInput(Write(f), &in), 1);
    AlbumHeader h;
    ASSERT_EQ(ReadAlbumHeader(&in, &h), 1);
    EXPECT_EQ(h.version, 0x0101);
    EXPECT_EQ(h.count, 2);
    std::string path;
    DibImage thumb;
    ASSERT_EQ(ReadPictureRecord(&in, &path, &thumb), 1);
    EXPECT_EQ(path, "/a/one.jpg");
    EXPECT_EQ(thumb.size(), Thumb(96, 72, 1).size() + 4);  // the padding stays with the block
    ASSERT_EQ(ReadPictureRecord(&in, &path, &thumb), 1);
    EXPECT_EQ(path, "/a/two.jpg");
    EXPECT_EQ(DibWidth(thumb), 10);
    EXPECT_EQ(in.left, 0);
    EXPECT_EQ(ReadPictureRecord(&in, &path, &thumb), 0);
    EXPECT_FALSE(thumb);
    EXPECT_EQ(Boxes(), std::vector<std::string>{Only(kMsgFileReadFailed)});
}

}  // namespace
