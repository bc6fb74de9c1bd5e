// Every writer of a user's file: a failure (missing or malformed input, a full disk) leaves
// nothing at a new output path, an existing file exactly as it was, and no temporary file in
// the output's folder. A full disk is the pending-file write budget; the command-line test
// runs the same cases against a real file-size limit.
#include <gtest/gtest.h>

#include "base/files.h"
#include "base/pending_file.h"
#include "codec/bmp_file.h"
#include "codec/camera_fit.h"
#include "codec/camera_segments.h"
#include "codec/jpeg_codec.h"
#include "codec_test_support.h"

extern "C" {
#include <jpeglib.h>
}

namespace {

const char kBitmapFailed[] = "It failed in the creating bitmap.";
const char kJpegFailed[] = "It failed in the creating JPEG.";
const char kOpenFailed[] = "File cannot be opened.";
const char kNotJpeg[] = "This is not a Jpeg file.";
const char kDiskFull[] = "Disk is full.";

const std::vector<uint8_t> kOldBytes = {'o', 'l', 'd', '\n'};

class FailedWriteTest : public CodecTest {
protected:
    FailedWriteTest() : dir_(NewFolder()) {}

    std::string Put(const std::string& leaf, const std::vector<uint8_t>& bytes) {
        WriteBytes(dir_ + leaf, bytes);
        return dir_ + leaf;
    }
    std::string Path(const std::string& leaf) const { return dir_ + leaf; }
    std::vector<std::string> Files() const { return FilesIn(dir_); }
    // The one box shown since the last call.
    std::string OneBox() {
        EXPECT_EQ(prompts.boxes.size(), 1u);
        std::string text = prompts.boxes.empty() ? "" : prompts.boxes.back();
        prompts.boxes.clear();
        return text;
    }
    // A noisy picture, so that JPEG lengths move clearly with the quality.
    static std::vector<uint8_t> NoisyBmp(int w, int h) {
        return MakeBmp24(w, h, [](int x, int y) {
            uint32_t v = static_cast<uint32_t>(x * 2654435761u ^ y * 40503u);
            v ^= v >> 13;
            v *= 0x5bd1e995u;
            return Rgb{uint8_t(v), uint8_t(v >> 8), uint8_t((x + y) & 255)};
        });
    }

    std::string dir_;
};

TEST_F(FailedWriteTest, DecodeOfMissingOrMalformedInputWritesNothing) {
    std::vector<uint8_t> jpeg = MakeJpeg(JpegSpec());
    struct Case {
        std::string input;
        const char* message;
    };
    const Case cases[] = {
        {Path("missing.jpg"), kOpenFailed},
        {Put("picture.bmp", MakeBmp24(4, 4, TestPattern)), kNotJpeg},
        {Put("empty.jpg", {}), kNotJpeg},
        {Put("garbage.jpg", {'G', 'I', 'F', '8', '9', 'a', 0, 0}), kNotJpeg},
        {Put("cut.jpg", std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + 100)), kBitmapFailed},
    };
    for (const Case& c : cases) {
        const std::vector<std::string> before = Files();
        EXPECT_EQ(DecodeJpegFile(c.input, Path("new.bmp"), 0, JpegProgress()), 0) << c.input;
        EXPECT_EQ(OneBox(), c.message) << c.input;
        EXPECT_EQ(Files(), before) << c.input;

        Put("existing.bmp", kOldBytes);
        EXPECT_EQ(DecodeJpegFile(c.input, Path("existing.bmp"), 0, JpegProgress()), 0);
        EXPECT_EQ(OneBox(), c.message) << c.input;
        EXPECT_EQ(ReadBytes(Path("existing.bmp")), kOldBytes) << c.input;
        std::remove(Path("existing.bmp").c_str());
    }
}

TEST_F(FailedWriteTest, DecodeOnAFullDiskWritesNothing) {
    JpegSpec spec;
    spec.width = 80;
    spec.height = 60;
    const std::string in = Put("in.jpg", MakeJpeg(spec));
    const std::string existing = Put("existing.bmp", kOldBytes);
    for (int64_t budget : {0, 54, 100, 5000}) {
        SetPendingWriteBudgetForTests(budget);
        EXPECT_EQ(DecodeJpegFile(in, Path("new.bmp"), 0, JpegProgress()), 0) << budget;
        EXPECT_EQ(OneBox(), kBitmapFailed);
        SetPendingWriteBudgetForTests(budget);
        EXPECT_EQ(DecodeJpegFile(in, existing, 0, JpegProgress()), 0) << budget;
        EXPECT_EQ(OneBox(), kBitmapFailed);
        EXPECT_EQ(ReadBytes(existing), kOldBytes);
        EXPECT_EQ(Files(), (std::vector<std::string>{"existing.bmp", "in.jpg"})) << budget;
    }
    SetPendingWriteBudgetForTests(-1);
    EXPECT_EQ(DecodeJpegFile(in, existing, 0, JpegProgress()), 1);
    EXPECT_EQ(ReadBytes(existing).size(), 54u + DibStride(80, 24) * 60);
}

TEST_F(FailedWriteTest, EncodeOfMissingOrMalformedInputWritesNothing) {
    std::vector<uint8_t> cut = MakeBmp24(8, 8, TestPattern);
    cut.resize(cut.size() - 5);
    std::vector<uint8_t> short_header = MakeBmp24(8, 8, TestPattern);
    short_header.resize(20);
    const std::string inputs[] = {
        Path("missing.bmp"), Put("garbage.bmp", {'X', 'Y', 'Z'}), Put("empty.bmp", {}),
        Put("cut.bmp", cut), Put("short.bmp", short_header),
    };
    const std::string existing = Put("existing.jpg", kOldBytes);
    for (const std::string& in : inputs) {
        const std::vector<std::string> before = Files();
        EXPECT_EQ(EncodeJpegFile(in, Path("new.jpg"), kSaveSampling, 75, JpegProgress()), 0);
        EXPECT_EQ(OneBox(), in == inputs[0] ? kOpenFailed : kJpegFailed) << in;
        EXPECT_EQ(EncodeJpegFile(in, existing, kSaveSampling, 75, JpegProgress()), 0);
        OneBox();
        EXPECT_EQ(ReadBytes(existing), kOldBytes) << in;
        EXPECT_EQ(Files(), before) << in;
    }
}

TEST_F(FailedWriteTest, EncodeOnAFullDiskWritesNothing) {
    // Large enough that the library hands over its bytes in several pieces.
    const std::string in = Put("in.bmp", NoisyBmp(200, 150));
    const std::string existing = Put("existing.jpg", kOldBytes);
    for (int64_t budget : {0, 100, 20000}) {
        SetPendingWriteBudgetForTests(budget);
        EXPECT_EQ(EncodeJpegFile(in, Path("new.jpg"), kSaveSampling, 95, JpegProgress()), 0);
        EXPECT_EQ(OneBox(), kJpegFailed);
        SetPendingWriteBudgetForTests(budget);
        EXPECT_EQ(EncodeJpegFile(in, existing, kSaveSampling, 95, JpegProgress()), 0);
        EXPECT_EQ(OneBox(), kJpegFailed);
        EXPECT_EQ(ReadBytes(existing), kOldBytes);
        EXPECT_EQ(Files(), (std::vector<std::string>{"existing.jpg", "in.bmp"})) << budget;
    }
    SetPendingWriteBudgetForTests(-1);
    EXPECT_EQ(EncodeJpegFile(in, existing, kSaveSampling, 95, JpegProgress()), 1);
    EXPECT_GT(FileLength(existing), 20000);
}

TEST_F(FailedWriteTest, DecodeAndEncodeInPlace) {
    const std::string path = Put("same.jpg", MakeJpeg(JpegSpec()));
    ASSERT_EQ(DecodeJpegFile(path, path, 0, JpegProgress()), 1);
    DibImage d = LoadBmpFile(path);
    ASSERT_TRUE(d);
    EXPECT_EQ(DibWidth(d), 64);
    ASSERT_EQ(EncodeJpegFile(path, path, kSaveSampling, 75, JpegProgress()), 1);
    JpegHeaderInfo info;
    EXPECT_EQ(ReadJpegHeaderInfo(path, &info), 1);
    EXPECT_EQ(info.width, 64);
    EXPECT_EQ(Files(), std::vector<std::string>{"same.jpg"});
    EXPECT_TRUE(prompts.boxes.empty());
}

TEST_F(FailedWriteTest, SaveBmpFileOnAFullDiskKeepsTheOldFile) {
    DibImage d = LoadBmpFile(Put("in.bmp", MakeBmp24(40, 30, TestPattern)));
    ASSERT_TRUE(d);
    const std::string existing = Put("existing.bmp", kOldBytes);
    for (int64_t budget : {0, 14, 1000}) {
        SetPendingWriteBudgetForTests(budget);
        EXPECT_EQ(SaveBmpFile(existing, d), 0);
        EXPECT_EQ(OneBox(), kDiskFull);
        SetPendingWriteBudgetForTests(budget);
        EXPECT_EQ(SaveBmpFile(Path("new.bmp"), d), 0);
        EXPECT_EQ(OneBox(), kDiskFull);
        EXPECT_EQ(ReadBytes(existing), kOldBytes);
        EXPECT_EQ(Files(), (std::vector<std::string>{"existing.bmp", "in.bmp"}));
    }
    SetPendingWriteBudgetForTests(-1);
    EXPECT_EQ(SaveBmpFile(existing, d), 1);
    EXPECT_EQ(ReadBytes(existing), ReadBytes(Path("in.bmp")));
    // The same file over itself: read whole first, so it comes out the same.
    DibImage again = LoadBmpFile(existing);
    EXPECT_EQ(SaveBmpFile(existing, again), 1);
    EXPECT_EQ(ReadBytes(existing), ReadBytes(Path("in.bmp")));
}

TEST_F(FailedWriteTest, CopyJpegFileFailuresKeepTheTarget) {
    std::vector<uint8_t> data(5000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
    const std::string from = Put("from.jpg", data);
    const std::string to = Put("to.jpg", kOldBytes);
    EXPECT_EQ(CopyJpegFile(Path("missing.jpg"), to), 0);
    EXPECT_EQ(OneBox(), kOpenFailed);
    for (int64_t budget : {0, 2048, 4999}) {
        SetPendingWriteBudgetForTests(budget);
        EXPECT_EQ(CopyJpegFile(from, to), 0);
        EXPECT_EQ(OneBox(), kDiskFull);
        SetPendingWriteBudgetForTests(budget);
        EXPECT_EQ(CopyJpegFile(from, Path("new.jpg")), 0);
        EXPECT_EQ(OneBox(), kDiskFull);
        EXPECT_EQ(ReadBytes(to), kOldBytes);
        EXPECT_EQ(Files(), (std::vector<std::string>{"from.jpg", "to.jpg"}));
    }
    SetPendingWriteBudgetForTests(-1);
    EXPECT_EQ(CopyJpegFile(from, to), 1);
    EXPECT_EQ(ReadBytes(to), data);
    EXPECT_EQ(Files(), (std::vector<std::string>{"from.jpg", "to.jpg"}));
}

TEST_F(FailedWriteTest, SegmentRestoreOnAFullDiskKeepsTheEncodedFile) {
    const std::string bmp = Put("in.bmp", MakeBmp24(24, 32, TestPattern));
    const std::string jpg = Path("saved.jpg");
    ASSERT_EQ(EncodeJpegFile(bmp, jpg, kSaveSampling, 75, JpegProgress()), 1);
    const std::vector<uint8_t> encoded = ReadBytes(jpg);
    KeptSegments kept;
    kept.count = 1;
    kept.segments[0] = {0xFF, 0xE1, 0x00, 0x08, 'T', 'e', 's', 't', 0, 0};
    // The restored file is 8 bytes shorter than the encoded one; one byte less fails.
    const int64_t restored = static_cast<int64_t>(encoded.size()) - 8;
    for (int64_t budget : {int64_t{0}, int64_t{10}, restored - 1}) {
        SetPendingWriteBudgetForTests(budget);
        EXPECT_EQ(RestoreCameraSegments(jpg, kept, 24, 32), 0);
        EXPECT_EQ(ReadBytes(jpg), encoded);
        EXPECT_EQ(Files(), (std::vector<std::string>{"in.bmp", "saved.jpg"}));
    }
    SetPendingWriteBudgetForTests(-1);
    EXPECT_EQ(RestoreCameraSegments(jpg, kept, 24, 32), 1);
    EXPECT_EQ(ReadBytes(jpg).size(), encoded.size() + 10 - 18);  // the JFIF APP0 made way
    EXPECT_TRUE(prompts.boxes.empty());
}

TEST_F(FailedWriteTest, CompressForCameraFailingInAPassKeepsTheTarget) {
    DibImage d = LoadBmpFile(Put("in.bmp", NoisyBmp(200, 150)));
    ASSERT_TRUE(d);
    const std::string target = Put("camera.jpg", kOldBytes);
    // The first pass runs short.
    SetPendingWriteBudgetForTests(500);
    EXPECT_EQ(CompressForCamera(d, target, nullptr, 0), 0);
    EXPECT_EQ(OneBox(), kJpegFailed);
    EXPECT_EQ(ReadBytes(target), kOldBytes);
    EXPECT_EQ(Files(), (std::vector<std::string>{"camera.jpg", "in.bmp"}));
    SetPendingWriteBudgetForTests(-1);
    EXPECT_EQ(CompressForCamera(d, target, nullptr, 0), 1);
    EXPECT_LT(FileLength(target), 21504);
    EXPECT_EQ(Files(), (std::vector<std::string>{"camera.jpg", "in.bmp"}));
}

TEST_F(FailedWriteTest, SilentFitInPlaceIsAllOrNothing) {
    const std::string bmp = Put("in.bmp", NoisyBmp(320, 240));
    const std::string path = Path("DSC0001.jpg");
    ASSERT_EQ(EncodeJpegFile(bmp, path, kSaveSampling, 100, JpegProgress()), 1);
    const std::vector<uint8_t> original = ReadBytes(path);
    // The first pass (quality 80) is still above class 0, so the fitting goes on; the second
    // pass runs out of disk. The file must be the original, not the first pass's result.
    const std::string probe = Path("probe.jpg");
    ASSERT_EQ(DecodeJpegFile(path, Path("probe.bmp"), 0, JpegProgress()), 1);
    ASSERT_EQ(EncodeJpegFile(Path("probe.bmp"), probe, kCameraSampling, 80, JpegProgress()), 1);
    const int64_t first_pass = FileLength(probe);
    ASSERT_GT(first_pass, 21504);
    std::remove(probe.c_str());
    std::remove(Path("probe.bmp").c_str());

    SetPendingWriteBudgetForTests(first_pass + 1000);
    EXPECT_EQ(CompressForCameraSilent(path, 0), 0);
    EXPECT_EQ(ReadBytes(path), original);
    EXPECT_EQ(Files(), (std::vector<std::string>{"DSC0001.jpg", "in.bmp"}));
    EXPECT_EQ(OneBox(), kJpegFailed);

    SetPendingWriteBudgetForTests(-1);
    // Fitted, or out of adjustments: either way the last pass's result stands.
    EXPECT_EQ(CompressForCameraSilent(path, 0), 1);
    EXPECT_LT(FileLength(path), first_pass);
    JpegHeaderInfo info;
    ASSERT_EQ(ReadJpegHeaderInfo(path, &info), 1);
    EXPECT_EQ(SamplingText(info), "4x1,1x1,1x1");
    EXPECT_EQ(Files(), (std::vector<std::string>{"DSC0001.jpg", "in.bmp"}));
    EXPECT_TRUE(prompts.boxes.empty());
}

}  // namespace
