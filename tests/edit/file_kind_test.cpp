// The open command's file kinds, told by the bytes.
#include <gtest/gtest.h>

#include <cstring>

#include "codec_test_support.h"
#include "edit/file_kind.h"

namespace {

class FileKindTest : public CodecTest {
protected:
    std::string File(const std::vector<uint8_t>& bytes, const char* ext) {
        std::string p = TempPath(ext);
        WriteBytes(p, bytes);
        return p;
    }
};

TEST_F(FileKindTest, KindsByContent) {
    JpegSpec spec;
    EXPECT_EQ(DetectFileKind(File(MakeJpeg(spec), ".bmp")), kFileJpeg);
    const std::vector<uint8_t> bmp = MakeBmp24(4, 4, TestPattern);
    EXPECT_EQ(DetectFileKind(File(bmp, ".jpg")), kFileBmp);
    std::vector<uint8_t> album(64, 0);
    std::memcpy(album.data(), "ZEK DSC ALBUM  ", 16);
    EXPECT_EQ(DetectFileKind(File(album, ".alb")), kFileAlbum);
    EXPECT_EQ(DetectFileKind(""), kFileEmptyPath);
    EXPECT_EQ(DetectFileKind(File({1, 2, 3}, ".x")), kFileUnknown);
    EXPECT_EQ(DetectFileKind(TempPath(".missing")), kFileUnknown);
    // A JPEG start without an end is not JPEG; a BMP of 13 bytes is nothing.
    std::vector<uint8_t> cut = MakeJpeg(spec);
    cut.resize(cut.size() - 2);
    EXPECT_EQ(DetectFileKind(File(cut, ".jpg")), kFileUnknown);
    EXPECT_EQ(DetectFileKind(File(std::vector<uint8_t>(bmp.begin(), bmp.begin() + 13), ".bmp")),
              kFileUnknown);
    // A long file: the end marker must stand in the last 2048 bytes.
    std::vector<uint8_t> padded = MakeJpeg(spec);
    padded.insert(padded.end(), 4000, 0);
    EXPECT_EQ(DetectFileKind(File(padded, ".jpg")), kFileUnknown);
}

}  // namespace
